#pragma once
#include <QDialog>

class frmHighScores : public QDialog {
    Q_OBJECT
public:
    explicit frmHighScores(QWidget* parent = nullptr);
};
