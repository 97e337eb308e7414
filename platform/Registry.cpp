#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>
#include <QStandardPaths>
#include <map>
#include <memory>

namespace {
std::map<QString, std::unique_ptr<QSettings>>& Stores() {
    static std::map<QString, std::unique_ptr<QSettings>> stores;
    return stores;
}

QSettings& Store(const QString& app) {
    const QString path = Registry::FilePath(app);
    auto& slot = Stores()[path];
    if (!slot) {
        slot = std::make_unique<QSettings>(path, QSettings::IniFormat);
        slot->setAtomicSyncRequired(true);
    }
    return *slot;
}

QString Key(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }

// A hand-written "1,234" reads as the list {1, 234}: the text as written, when the file's last line
// for the key is plain (no quotes, escapes or comment) and still splits into the same items.
QString PlainLine(const QString& path, const QString& section, const QString& key, const QStringList& items) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray header = '[' + section.toUtf8() + ']';
    const QByteArray name = key.toUtf8();
    bool inSection = false;
    QByteArray found;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inSection = line == header;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (inSection && eq > 0 && line.left(eq).trimmed() == name) found = line.mid(eq + 1).trimmed();
    }
    if (found.contains('"') || found.contains('\\') || found.contains(';')) return {};
    const QString text = QString::fromUtf8(found);
    QStringList split = text.split(QLatin1Char(','));
    for (QString& item : split) item = item.trimmed();
    return split == items ? text : QString();
}
}

namespace {
// A writer killed right after creating the store's lock file leaves it empty, and an empty lock is
// only judged stale after half a minute: the save would hang that long. A live writer fills its
// lock at once, so one still empty after a short wait is dead.
void DropDeadEmptyLock(const QString& path) {
    const QString lock = path + QStringLiteral(".lock");
    for (int i = 0; i < 20; ++i) {
        const QFileInfo info(lock);
        if (!info.exists() || info.size() > 0) return;
        QThread::msleep(10);
    }
    QFile::remove(lock);
}
}

namespace Registry {
QString FilePath(const QString& app) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + app + QStringLiteral("/Quorbit.conf");
}

QString GetSetting(const QString& app, const QString& section, const QString& key, const QString& def) {
    const QVariant v = Store(app).value(Key(section, key));
    if (!v.isValid()) return def;
    // A value written by hand as a list ("a, b") comes back as a list: keep it as one text. An item
    // in @-form ("a, @String(b)") makes it a list of variants, which has no text of its own.
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList) {
        QStringList items;
        for (const QVariant& item : v.toList()) items.append(item.toString());
        const QString asWritten = PlainLine(Registry::FilePath(app), section, key, items);
        return asWritten.isEmpty() ? items.join(QStringLiteral(", ")) : asWritten;
    }
    return v.toString();
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value) {
    Store(app).setValue(Key(section, key), value);
}

void Sync() {
    for (auto& [path, store] : Stores()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        DropDeadEmptyLock(path);
        store->sync();
    }
}

void Reset() { Stores().clear(); }
}
