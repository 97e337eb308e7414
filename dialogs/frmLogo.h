#pragma once
#include "platform/ImageBox.h"
#include "platform/Timer.h"

#include <QDialog>

// The start-up splash: the title picture for one tick of logotime, then it closes itself.
class frmLogo : public QDialog {
    Q_OBJECT
public:
    explicit frmLogo(QWidget* parent = nullptr);

    ImageBox* Image1 = nullptr;
    Timer logotime{3000};

    void Form_Load();
    void logotime_Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
