#pragma once
#include <QDialog>

class frmLogo : public QDialog {
    Q_OBJECT
public:
    explicit frmLogo(QWidget* parent = nullptr);
};
