#pragma once
#include <QDialog>

class frmInstruct : public QDialog {
    Q_OBJECT
public:
    explicit frmInstruct(QWidget* parent = nullptr);
};
