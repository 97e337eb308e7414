#include "platform/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
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
    // A value written by hand as a list ("a, b") comes back as a string list: keep it as one text.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value) {
    Store(app).setValue(Key(section, key), value);
}

void Sync() {
    for (auto& [path, store] : Stores()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        store->sync();
    }
}

void Reset() { Stores().clear(); }
}
