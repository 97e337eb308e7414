#include "dialogs/frmLogo.h"
#include "dialogs/WindowKit.h"
#include "platform/PictureList.h"

#include <QCloseEvent>
#include <QKeyEvent>

frmLogo::frmLogo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogo"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::Dialog);
    setFixedSize(542, 240);
    Image1 = MakeImage(this, "Image1", {0, 0, 542, 240}, Pictures::Art().ListImages(QStringLiteral("splash")));
    logotime.OnTimer = [this] { logotime_Timer(); };
    Form_Load();
}

void frmLogo::Form_Load() { logotime.SetEnabled(true); }

void frmLogo::logotime_Timer() {
    logotime.SetEnabled(false);
    done(Accepted);
}

void frmLogo::keyPressEvent(QKeyEvent* event) {
    // Keys neither close the splash early nor keep it up.
    event->accept();
}

void frmLogo::closeEvent(QCloseEvent* event) {
    // The window system cannot close it early; the program itself can.
    if (event->spontaneous()) event->ignore();
    else QDialog::closeEvent(event);
}
