#include "platform/ImageBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageBox::SetLeft(double v) { move(static_cast<int>(std::lround(v)), y()); }
void ImageBox::SetTop(double v) { move(x(), static_cast<int>(std::lround(v))); }

void ImageBox::SetPicture(const Picture& picture) {
    picture_ = picture;
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (picture_.IsNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(QPoint(0, 0), size()), picture_.At(size()));
}

void ImageBox::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (OnMouseDown) OnMouseDown();
}

void ImageBox::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (OnMouseUp) OnMouseUp();
    if (rect().contains(e->position().toPoint()) && OnClick) OnClick();
}
