#pragma once
// What every secondary window shares: the bold Arial of its captions, its colours, its controls, pictures
// and lines, and the "tile3" background painted once over the whole window.
#include "platform/ImageBox.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPixmap>
#include <QPushButton>
#include <initializer_list>

// Sizes are design points at 96 dpi, set as pixels (points x 4 / 3) so that no layout depends on the
// screen's dpi: 12 pt is 16 px.
QFont ArialBoldPt(double points);

inline constexpr QColor kDarkBlue(0, 0, 192);
inline constexpr QColor kLightGrey(224, 224, 224);

void SetTextColour(QWidget* control, const QColor& colour);
// Opaque: the control is filled with the colour under what it draws.
void SetFillColour(QWidget* control, const QColor& colour);

// A button, check box or label with a bold Arial caption, at its design place.
template <class Control>
Control* MakeControl(QWidget* parent, const QString& name, QRect geometry, const QString& caption,
                     double fontPoints = 12) {
    auto* c = new Control(caption, parent);
    c->setObjectName(name);
    c->setGeometry(geometry);
    c->setFont(ArialBoldPt(fontPoints));
    return c;
}

ImageBox* MakeImage(QWidget* parent, const QString& name, QRect geometry, const Picture& picture);
// The keyboard focus moves through the controls in the order listed.
void SetTabOrder(std::initializer_list<QWidget*> order);
// A one-pixel black line across (y1 == y2) or down, both ends included; clicks pass through it.
QWidget* Line(QWidget* parent, int x1, int y1, int x2, int y2);

// A fixed-size window with a title bar and a close box, whose client area is the design size; a
// Qt::Tool window gets the window manager's tool-window frame.
void SetUpFixedWindow(QDialog& window, const char* name, const QString& title, QSize clientSize,
                      const QColor& backColour = QColor(), Qt::WindowType type = Qt::Dialog);

class TiledDialog : public QDialog {
    Q_OBJECT
public:
    explicit TiledDialog(QWidget* parent = nullptr) : QDialog(parent) {}

protected:
    // Paints "tile3" stretched over the window as it is sized now; it stays the background.
    void PaintTileBackground();
    void paintEvent(QPaintEvent*) override;

private:
    QPixmap background_;
};
