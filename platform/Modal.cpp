#include "platform/Modal.h"
#include "platform/Program.h"
#include "platform/WindowFrame.h"

namespace {
Modal::Hook hook;
int depth = 0;
}

namespace Modal {
void Show(QDialog& dialog) {
    if (Program::Ended()) return;
    ++depth;
    WindowFrame::CentreOnScreen(dialog);
    WindowFrame::HoldSize(dialog);
    if (hook) {
        dialog.show();
        hook(dialog);
        // Left open by the hook: the window system closes it.
        if (dialog.isVisible()) dialog.close();
    } else {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.exec();
    }
    --depth;
}

void SetHook(Hook h) { hook = std::move(h); }
int Depth() { return depth; }
}
