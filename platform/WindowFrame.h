#pragma once
// Where a top-level window goes: centred on the screen by its outer size, the window manager's
// border and title bar included; and what it may not become: the game's windows keep their size.
#include <QRect>

class QWidget;

namespace WindowFrame {
// The whole primary screen, where every window is centred.
QRect Screen();
// Moves the window, shown or not, so that its frame is centred on the whole primary screen. A window
// without a frame is centred by its own size. On X11 the frame is asked of the window manager before
// the window is first shown; one that does not answer (or has not answered yet) gets the frame of
// the last window it framed, and the window is centred again once its own frame is known.
void CentreOnScreen(QWidget& window);
// A request to maximise the window (a title bar's maximise box) is taken back at once: on Wayland a
// window that kept its size in a maximised state would be a protocol error, and the compositor would
// end the game. Call once a window exists.
void HoldSize(QWidget& window);
}
