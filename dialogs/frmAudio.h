#pragma once
#include <QDialog>

class frmAudio : public QDialog {
    Q_OBJECT
public:
    explicit frmAudio(QWidget* parent = nullptr);
};
