#pragma once
#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>

class PictureList;

// A picture handed out by a keyed picture list. A box "shows a key" when it holds the picture of that
// key from that list: compare with Is().
struct Picture {
    const PictureList* list = nullptr;
    QString key;
    QPixmap pixmap;  // rendered at its own size and the screen's pixel ratio

    bool IsNull() const { return list == nullptr; }
    bool Is(const PictureList& l, const QString& k) const { return list == &l && key == k; }
    QSize Size() const;
    // The picture drawn at another size: smooth scaling when smaller, a fresh render when larger.
    QPixmap At(QSize size) const;
};

// Keyed pictures rendered once from the SVG files compiled into the program.
class PictureList {
public:
    // Pictures live at ":/pictures/<folder>/<key>.svg"; `sizes` gives a key's own size where it
    // differs from the list's image size.
    PictureList(QString name, QString folder, QSize imageSize, QStringList keys,
                QHash<QString, QSize> sizes = {});

    const QString& Name() const { return name_; }
    Picture ListImages(const QString& key) const;
    bool Has(const QString& key) const { return keys_.contains(key); }
    const QStringList& Keys() const { return keys_; }
    int ImageWidth() const { return imageSize_.width(); }
    int ImageHeight() const { return imageSize_.height(); }

    QSize SizeOf(const QString& key) const;
    QPixmap Render(const QString& key, QSize size) const;
    static qreal PixelRatio();
    // Starts rendering on worker threads what drawing `key` at `size` will take: the picture at its
    // own size and, when `size` is larger, at that size too. Render takes what they made, and renders
    // on the spot what no worker has begun yet.
    void Prepare(const QString& key, QSize size = {}) const;

private:
    struct Job;
    void PrepareAt(const QString& key, QSize size) const;
    QString name_, folder_;
    QSize imageSize_;
    QStringList keys_;
    QHash<QString, QSize> sizes_;
    mutable QHash<QString, QPixmap> cache_;
    mutable QHash<QString, std::shared_ptr<Job>> jobs_;  // by key and size
};

// The game's picture lists, made once on first use.
namespace Pictures {
PictureList& ImageListGoblin0();
PictureList& ImageListRed();
PictureList& ImageListBlue();
PictureList& ImageListBlue2();
PictureList& ImageList1();
PictureList& ImageList2();
// Window pictures of the dialogs, the splash and the icon, each at its own size.
PictureList& Art();
}
