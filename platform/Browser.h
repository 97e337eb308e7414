#pragma once
#include <QString>
#include <functional>

// Opens an address in the user's web browser; the program itself never makes a request.
namespace Browser {
void Navigate(const QString& address);
// Tests catch the addresses instead of opening a browser.
void SetOpener(std::function<void(const QString&)> opener);
}
