#include "platform/FileChooser.h"

#include <QFileDialog>

namespace {
FileChooser::Hook hook;
}

namespace FileChooser {
bool OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder,
              QString& chosen) {
    // getOpenFileName only accepts files that exist.
    const QString path = hook ? hook(title, filter, folder) : QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (path.isEmpty()) return false;
    chosen = path;
    return true;
}

void SetHook(Hook h) { hook = std::move(h); }
}
