#include "platform/Pacing.h"
#include "platform/Program.h"

#include <QCoreApplication>
#include <QThread>

namespace {
bool instantPacing = false;
}

namespace Pacing {
void Sleep(int ms) {
    if (instantPacing || ms <= 0 || Program::Ended()) return;
    QThread::msleep(static_cast<unsigned long>(ms));
}

void DoEvents() {
    if (Program::Ended()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void SetInstant(bool instant) { instantPacing = instant; }
bool Instant() { return instantPacing; }
}
