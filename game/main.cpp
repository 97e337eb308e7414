#include "game/frmMain.h"
#include "platform/AudioDevice.h"
#include "platform/Program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorbit"));
    QApplication::setOrganizationName(QStringLiteral("Felmarch"));
    AudioDevice::OpenAfterFirstWindow();
    frmMain form;
    form.Form_Load();
    Program::OnEndRequest([&form] { form.Form_Unload(); }, [&form] { form.SaveSettings(); });
    return QApplication::exec();
}
