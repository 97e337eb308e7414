#include "dialogs/WindowKit.h"
#include "platform/PictureList.h"

#include <QPainter>

QFont ArialBoldPt(double points) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(qRound(points * 4 / 3));
    f.setBold(true);
    return f;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                        double fontPoints) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    b->setFont(ArialBoldPt(fontPoints));
    return b;
}

void SetUpFixedWindow(QDialog& window, const char* name, const QString& title, QSize clientSize,
                      const QColor& backColour, Qt::WindowType type) {
    window.setObjectName(QLatin1String(name));
    window.setWindowTitle(title);
    window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window.setFixedSize(clientSize);
    if (backColour.isValid()) {
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, backColour);
        window.setPalette(pal);
    }
}

void TiledDialog::PaintTileBackground() {
    background_ = Pictures::ImageList2().ListImages(QStringLiteral("tile3")).At(size());
    update();
}

void TiledDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), background_);
}
