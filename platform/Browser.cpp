#include "platform/Browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
std::function<void(const QString&)> opener;
}

namespace Browser {
void Navigate(const QString& address) {
    if (opener) {
        opener(address);
        return;
    }
    // The address arrives already encoded: keep it exactly as built.
    QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}

void SetOpener(std::function<void(const QString&)> o) { opener = std::move(o); }
}
