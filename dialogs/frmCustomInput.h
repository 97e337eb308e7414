#pragma once
#include <QDialog>
#include <QLineEdit>

class frmCustomInput : public QDialog {
    Q_OBJECT
public:
    explicit frmCustomInput(QWidget* parent = nullptr);
    bool AnsweredYes = false;
    QLineEdit* Text1 = nullptr;
};
