#pragma once
#include <QDialog>
#include <functional>

// Shows a window modally, centred on the screen: the caller waits until it closes or hides itself.
namespace Modal {
void Show(QDialog& dialog);
// Tests answer windows instead of waiting on them: the hook gets the shown window; one it leaves
// open is closed as by its close box.
using Hook = std::function<void(QDialog&)>;
void SetHook(Hook hook);
// How many modal windows are up right now.
int Depth();
}
