#pragma once
#include "platform/PictureList.h"

#include <QWidget>
#include <functional>

// An image control: shows a picture, never takes the focus, reports mouse down, up and click.
// A disabled image gets no mouse events and keeps its look.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    double Left() const { return x(); }
    double Top() const { return y(); }
    double Width() const { return width(); }
    double Height() const { return height(); }
    void SetLeft(double v);
    void SetTop(double v);

    const Picture& GetPicture() const { return picture_; }
    void SetPicture(const Picture& picture);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on) { setEnabled(on); }

    std::function<void()> OnClick, OnMouseDown, OnMouseUp;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    Picture picture_;
};
