#pragma once
// Where a top-level window goes: centred on the screen by its outer size, the window manager's
// border and title bar included.
#include <QMargins>
#include <QRect>

class QWidget;

namespace WindowFrame {
// The border and title bar the window gets around its client area; none without a window manager.
// On X11 the window manager is asked before the window is first shown, so nothing moves on the screen.
QMargins Margins(QWidget& window);
// The whole primary screen, where every window is centred.
QRect Screen();
// Moves the window, shown or not, so that its frame is centred on the whole primary screen.
void CentreOnScreen(QWidget& window);
}
