#include "dialogs/WindowKit.h"
#include "platform/PictureList.h"

#include <QPainter>

namespace {
void SetColour(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}
}

QFont ArialBoldPt(double points) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(qRound(points * 4 / 3));
    f.setBold(true);
    return f;
}

void SetTextColour(QWidget* control, const QColor& colour) { SetColour(control, QPalette::WindowText, colour); }

void SetFillColour(QWidget* control, const QColor& colour) {
    SetColour(control, QPalette::Window, colour);
    control->setAutoFillBackground(true);
}

ImageBox* MakeImage(QWidget* parent, const QString& name, QRect geometry, const Picture& picture) {
    auto* image = new ImageBox(parent);
    image->setObjectName(name);
    image->setGeometry(geometry);
    image->SetPicture(picture);
    return image;
}

void SetTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QWidget* Line(QWidget* parent, int x1, int y1, int x2, int y2) {
    auto* w = new QWidget(parent);
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    SetFillColour(w, Qt::black);
    if (y1 == y2) w->setGeometry(x1, y1, x2 - x1 + 1, 1);
    else w->setGeometry(x1, y1, 1, y2 - y1 + 1);
    return w;
}

void SetUpFixedWindow(QDialog& window, const char* name, const QString& title, QSize clientSize,
                      const QColor& backColour, Qt::WindowType type) {
    window.setObjectName(QLatin1String(name));
    window.setWindowTitle(title);
    window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window.setFixedSize(clientSize);
    if (backColour.isValid()) SetColour(&window, QPalette::Window, backColour);
}

void TiledDialog::PaintTileBackground() {
    background_ = Pictures::ImageList2().ListImages(QStringLiteral("tile3")).At(size());
    update();
}

void TiledDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), background_);
}
