#include "game/frmMain.h"
#include "platform/AudioDevice.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorbit"));
    QApplication::setOrganizationName(QStringLiteral("Felmarch"));
    AudioDevice::OpenAfterFirstWindow();
    frmMain form;
    form.Form_Load();
    return QApplication::exec();
}
