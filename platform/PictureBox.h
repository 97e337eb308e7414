#pragma once
#include "platform/PictureList.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

// A picture box: a child window with a position and size in (real) pixels, a background colour, a
// picture shown at its own size from the top-left corner, and a canvas that keeps what PaintPicture
// draws until the picture or the colour is set again, also across a shrink and a regrowth.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    double Left() const { return left_; }
    double Top() const { return top_; }
    double Width() const { return width_; }
    double Height() const { return height_; }
    void SetLeft(double v);
    void SetTop(double v);
    void SetWidth(double v);
    void SetHeight(double v);
    void Move(double left, double top);

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool on) { setVisible(on); }

    const Picture& GetPicture() const { return picture_; }
    void SetPicture(const Picture& picture);
    void ClearPicture() { SetPicture(Picture{}); }
    QColor BackColor() const { return backColor_; }
    void SetBackColor(const QColor& color);

    void PaintPicture(const Picture& picture, double x, double y, double w, double h);
    void PaintPicture(const Picture& picture, double x, double y);

    // Repaint now, without waiting for the event loop.
    void Refresh();
    // Bring to the front of its siblings.
    void ZOrder0() { raise(); }

    // What the box shows now (tests look at it).
    QPixmap Canvas() const;

    std::function<void()> OnGotFocus;

protected:
    void paintEvent(QPaintEvent*) override;
    void focusInEvent(QFocusEvent*) override;

private:
    void ApplyGeometry();
    void ResetCanvas();
    void ResetCanvas(QSize size);
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    QColor backColor_ = Qt::black;
    Picture picture_;
    QPixmap canvas_;
};
