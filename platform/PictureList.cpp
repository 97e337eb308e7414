#include "platform/PictureList.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {
// Painting into an image works on any thread, so this serves the workers and the UI thread alike.
QImage RenderImage(const QString& folder, const QString& key, QSize size, qreal ratio) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1/%2.svg").arg(folder, key));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (renderer.isValid()) {
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    } else {
        // A missing picture shows as a plain marked box rather than nothing.
        painter.fillRect(QRect(QPoint(0, 0), size), QColor(90, 90, 90));
        painter.setPen(Qt::white);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, key);
    }
    return image;
}

QString JobKey(const QString& key, QSize size) {
    return QStringLiteral("%1@%2x%3").arg(key).arg(size.width()).arg(size.height());
}
}

// One picture rendering on a worker. Whoever comes first renders it: the worker, or the UI thread
// asking for it before a worker got to it.
struct PictureList::Job {
    QString folder, key;
    QSize size;
    qreal ratio = 1.0;
    std::atomic<bool> claimed{false};
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    QImage image;

    void Run() {
        if (claimed.exchange(true)) return;
        QImage rendered = RenderImage(folder, key, size, ratio);
        std::lock_guard<std::mutex> hold(lock);
        image = std::move(rendered);
        done = true;
        finished.notify_all();
    }
    QImage Take() {
        Run();
        std::unique_lock<std::mutex> hold(lock);
        finished.wait(hold, [this] { return done; });
        return image;
    }
};

QSize Picture::Size() const { return list ? list->SizeOf(key) : QSize(); }

QPixmap Picture::At(QSize size) const {
    if (!list || size.isEmpty()) return {};
    const QSize own = Size();
    if (size == own) return pixmap;
    if (size.width() > own.width() || size.height() > own.height()) return list->Render(key, size);
    const qreal ratio = pixmap.devicePixelRatio();
    QPixmap scaled = pixmap.scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

PictureList::PictureList(QString name, QString folder, QSize imageSize, QStringList keys,
                         QHash<QString, QSize> sizes)
    : name_(std::move(name)), folder_(std::move(folder)), imageSize_(imageSize), keys_(std::move(keys)),
      sizes_(std::move(sizes)) {}

QSize PictureList::SizeOf(const QString& key) const { return sizes_.value(key, imageSize_); }

qreal PictureList::PixelRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? std::max<qreal>(1.0, screen->devicePixelRatio()) : 1.0;
}

QPixmap PictureList::Render(const QString& key, QSize size) const {
    const qreal ratio = PixelRatio();
    QImage image;
    if (const std::shared_ptr<Job> job = jobs_.take(JobKey(key, size)); job && job->ratio == ratio) image = job->Take();
    if (image.isNull()) image = RenderImage(folder_, key, size, ratio);
    return QPixmap::fromImage(std::move(image));
}

void PictureList::Prepare(const QString& key, QSize size) const {
    if (!keys_.contains(key)) return;
    const QSize own = SizeOf(key);
    if (!cache_.contains(key)) PrepareAt(key, own);
    // As Picture::At: only a larger drawing is rendered afresh.
    if (size.width() > own.width() || size.height() > own.height()) PrepareAt(key, size);
}

void PictureList::PrepareAt(const QString& key, QSize size) const {
    const QString id = JobKey(key, size);
    if (jobs_.contains(id)) return;
    auto job = std::make_shared<Job>();
    job->folder = folder_;
    job->key = key;
    job->size = size;
    job->ratio = PixelRatio();
    jobs_.insert(id, job);
    QThreadPool::globalInstance()->start([job] { job->Run(); });
}

Picture PictureList::ListImages(const QString& key) const {
    Picture p;
    if (!keys_.contains(key)) return p;
    p.list = this;
    p.key = key;
    auto it = cache_.find(key);
    if (it == cache_.end()) it = cache_.insert(key, Render(key, SizeOf(key)));
    p.pixmap = *it;
    return p;
}

namespace Pictures {
namespace {
const QStringList& TileKeys() {
    static const QStringList keys{"zero", "one", "two", "three", "four", "five", "six", "seven",
                                  "eight", "nine", "div", "equal", "minus", "mult", "plus"};
    return keys;
}
}

PictureList& ImageListGoblin0() {
    static PictureList list("ImageListGoblin", "goblin", {40, 40},
                            {"goblin1", "goblin2", "goblin3", "goblin4", "goblin5", "bomb1", "bomb2", "star", "star2"});
    return list;
}
PictureList& ImageListRed() {
    static PictureList list("ImageListRed", "red", {40, 40}, TileKeys());
    return list;
}
PictureList& ImageListBlue() {
    static PictureList list("ImageListBlue", "blue", {40, 40}, TileKeys());
    return list;
}
PictureList& ImageListBlue2() {
    static PictureList list("ImageListBlue2", "blue2", {40, 40}, TileKeys());
    return list;
}
PictureList& ImageList1() {
    static PictureList list("ImageList1", "buttons", {180, 36},
                            {"new2", "new1", "audio2", "audio1", "exit2", "exit1", "high2", "instruct2", "pause2",
                             "pause1", "instruct1", "high1"});
    return list;
}
PictureList& ImageList2() {
    static PictureList list("ImageList2", "banners", {300, 100}, {"GamO", "tile1", "tile2", "tile3", "pause"},
                            {{"tile1", {200, 620}}, {"tile2", {200, 620}}, {"tile3", {200, 620}}});
    return list;
}
PictureList& Art() {
    static PictureList list("Art", "art", {48, 48},
                            {"splash", "wizard", "wizard_tall", "goblin_headphones", "hs_title", "hs_top10", "hs_view",
                             "hs_submit", "hs_close", "item_block", "icon"},
                            {{"splash", {542, 240}},
                             {"wizard", {111, 123}},
                             {"wizard_tall", {71, 145}},
                             {"goblin_headphones", {48, 65}},
                             {"hs_title", {190, 65}},
                             {"hs_top10", {156, 65}},
                             {"hs_view", {127, 39}},
                             {"hs_submit", {127, 39}},
                             {"hs_close", {127, 39}},
                             {"item_block", {42, 42}}});
    return list;
}
}
