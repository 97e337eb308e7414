#pragma once
#include <QString>
#include <functional>

class QWidget;

// The open-file dialog: one filter, a starting folder, an existing file only.
namespace FileChooser {
// True with the full path in `chosen` when a file was picked; false when the player cancelled.
bool OpenFile(QWidget* parent, const QString& title, const QString& filter, const QString& folder,
              QString& chosen);

// Tests answer the dialog instead: the hook gets title, filter and folder and returns the path, or an
// empty text to cancel. An empty hook brings the real dialog back.
using Hook = std::function<QString(const QString& title, const QString& filter, const QString& folder)>;
void SetHook(Hook hook);
}
