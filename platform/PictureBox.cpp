#include "platform/PictureBox.h"
#include "platform/Pacing.h"

#include <QPainter>
#include <cmath>

namespace {
int Px(double v) {
    if (!std::isfinite(v)) return 0;
    if (v > 1e6) return 1000000;
    if (v < -1e6) return -1000000;
    return static_cast<int>(std::lround(v));
}
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::SetLeft(double v) {
    left_ = v;
    ApplyGeometry();
}
void PictureBox::SetTop(double v) {
    top_ = v;
    ApplyGeometry();
}
void PictureBox::SetWidth(double v) {
    width_ = std::max(0.0, v);
    ApplyGeometry();
}
void PictureBox::SetHeight(double v) {
    height_ = std::max(0.0, v);
    ApplyGeometry();
}
void PictureBox::Move(double left, double top) {
    left_ = left;
    top_ = top;
    ApplyGeometry();
}

void PictureBox::ApplyGeometry() {
    const QRect r(Px(left_), Px(top_), std::max(0, Px(width_)), std::max(0, Px(height_)));
    const QSize have = canvas_.isNull() ? QSize() : canvas_.deviceIndependentSize().toSize();
    if (r.width() > have.width() || r.height() > have.height()) {
        // The canvas grows with the box, never shrinks, and keeps what was drawn on it.
        const QPixmap old = canvas_;
        ResetCanvas(r.size().expandedTo(have));
        if (!old.isNull() && !canvas_.isNull()) {
            QPainter p(&canvas_);
            p.drawPixmap(0, 0, old);
        }
    }
    setGeometry(r);
}

void PictureBox::ResetCanvas() {
    const QSize have = canvas_.isNull() ? QSize() : canvas_.deviceIndependentSize().toSize();
    ResetCanvas(QSize(Px(width_), Px(height_)).expandedTo(have));
}

void PictureBox::ResetCanvas(QSize size) {
    const QSize s(std::max(1, size.width()), std::max(1, size.height()));
    const qreal ratio = PictureList::PixelRatio();
    canvas_ = QPixmap(s * ratio);
    canvas_.setDevicePixelRatio(ratio);
    canvas_.fill(backColor_);
    if (!picture_.IsNull()) {
        QPainter p(&canvas_);
        p.drawPixmap(0, 0, picture_.pixmap);
    }
}

QPixmap PictureBox::Canvas() const {
    const QSize shown(std::max(1, width()), std::max(1, height()));
    if (canvas_.isNull() || canvas_.deviceIndependentSize().toSize() == shown) return canvas_;
    const qreal ratio = canvas_.devicePixelRatio();
    const QSize part = shown.boundedTo(canvas_.deviceIndependentSize().toSize());
    QPixmap visible = canvas_.copy(QRect(QPoint(0, 0), part * ratio));
    visible.setDevicePixelRatio(ratio);
    return visible;
}

void PictureBox::SetPicture(const Picture& picture) {
    picture_ = picture;
    ResetCanvas();
    update();
}

void PictureBox::SetBackColor(const QColor& color) {
    backColor_ = color;
    ResetCanvas();
    update();
}

void PictureBox::PaintPicture(const Picture& picture, double x, double y, double w, double h) {
    if (picture.IsNull() || canvas_.isNull() || !(w > 0) || !(h > 0) || w > 1e5 || h > 1e5) return;
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize target(std::max(1, static_cast<int>(std::ceil(w))), std::max(1, static_cast<int>(std::ceil(h))));
    p.drawPixmap(QRectF(x, y, w, h), picture.At(target), QRectF());
    update();
}

void PictureBox::PaintPicture(const Picture& picture, double x, double y) {
    const QSize s = picture.Size();
    PaintPicture(picture, x, y, s.width(), s.height());
}

void PictureBox::Refresh() {
    // At instant pacing nobody watches the frames go by.
    if (!isVisible() || Pacing::Instant()) return;
    Pacing::FrameStarts();
    repaint();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (canvas_.isNull()) {
        p.fillRect(rect(), backColor_);
        return;
    }
    p.drawPixmap(0, 0, canvas_);
    const QSize shown = canvas_.deviceIndependentSize().toSize();
    if (shown.width() < width() || shown.height() < height()) {
        p.fillRect(QRect(shown.width(), 0, width() - shown.width(), height()), backColor_);
        p.fillRect(QRect(0, shown.height(), width(), height() - shown.height()), backColor_);
    }
}

void PictureBox::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if (OnGotFocus) OnGotFocus();
}
