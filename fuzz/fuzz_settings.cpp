// Loads the settings from an arbitrary INI file, saves them and loads them again.
//   build-fuzz/fuzz_settings -runs=1000000 fuzz/corpus_settings
// The file lives in a private XDG_CONFIG_HOME, on /dev/shm when there is one.
#include "game/Module1.h"
#include "game/Settings.h"
#include "highscores/HighScoreTable.h"
#include "platform/NumberFormat.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString g_file;
QByteArray g_home;
long g_stamp = 1000000000;

[[noreturn]] void Fail(const char* what, int entry = 0) {
    std::fprintf(stderr, "fuzz_settings: %s (entry %d)\n", what, entry);
    std::abort();
}

// QSettings keeps a parsed copy of each file and reads it again only when its size or time
// changes; a fresh time for every write makes each load really read the bytes on disk.
void FreshTime() {
    const timespec times[2] = {{g_stamp, 0}, {g_stamp, 0}};
    ++g_stamp;
    if (utimensat(AT_FDCWD, QFile::encodeName(g_file).constData(), times, 0) != 0) Fail("utimensat");
}

void WriteInput(const uint8_t* data, size_t size) {
    QFile f(g_file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("cannot write the settings file");
    if (size && f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        Fail("short write");
    f.close();
    FreshTime();
}

// A list may come back as a list of variants rather than of strings: the same values either way.
QVariant Canonical(const QVariant& v) {
    if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QVariantList) return v;
    QVariantList items;
    for (const QVariant& item : v.toList()) items.append(Canonical(item));
    return items;
}

// Key and group names of letters, digits and a few marks: names mangled by escapes or control
// characters are QSettings' own business and need not come back the same.
bool PlainKey(const QString& key) {
    if (key.isEmpty() || key.startsWith(QLatin1Char('/')) || key.endsWith(QLatin1Char('/'))) return false;
    for (QChar c : key) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                           u == '-' || u == '.' || u == '/';
        if (!plain) return false;
    }
    return !key.contains(QLatin1String("//"));
}

// Every plain key outside the game's own 21, with its value, as QSettings reads the file.
QMap<QString, QVariant> OtherKeys() {
    QSettings raw(g_file, QSettings::IniFormat);
    QMap<QString, QVariant> out;
    for (const QString& key : raw.allKeys()) {
        if (!PlainKey(key)) continue;
        if (key == QLatin1String("Quorbit/MaxLevel")) continue;
        bool own = false;
        for (int i = 1; i <= 10 && !own; ++i)
            own = key == QStringLiteral("Quorbit/TopScore%1").arg(i) || key == QStringLiteral("Quorbit/TopScoreName%1").arg(i);
        if (!own) out.insert(key, Canonical(raw.value(key)));
    }
    return out;
}

void CheckLoaded(const QString& sentinel) {
    using namespace Module1;
    if (MaxLevel < 1) Fail("MaxLevel below 1");
    for (int i = 1; i <= 10; ++i) {
        const auto k = static_cast<size_t>(i);
        if (TopScore[k].constData() == sentinel.constData()) Fail("score not loaded", i);
        if (TopScoreName[k].constData() == sentinel.constData()) Fail("name not loaded", i);
        qint32 v = 0;
        const bool whole = ReadWholeNumber(TopScore[k], v);
        // The window shows the formatted text and the table compares numbers: showing must not
        // change the number.
        const QString shown = FormatCaption(TopScore[k]);
        qint32 again = 0;
        if (whole && (!ReadWholeNumber(shown, again) || again != v)) Fail("formatted score reads differently", i);
        if (FormatCaption(shown) != shown) Fail("formatting a formatted score changes it", i);
        (void)HighScoreTable::SubmissionAddress(TopScoreName[k], shown, QStringLiteral("1/2/2024"));
    }
    if (TopScore[11].constData() != sentinel.constData() || TopScoreName[11].constData() != sentinel.constData())
        Fail("entry 11 touched by the load", 11);
    (void)HighScoreTable::FindPlace(TopScore[1], TopScore);
}
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication* app = new QCoreApplication(*argc, *argv);
    (void)app;
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    QByteArray pattern = QByteArray(base) + "/quorbit-fuzz-settings-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("mkdtemp");
    qputenv("XDG_CONFIG_HOME", pattern);
    g_home = pattern;
    std::atexit([] { QDir(QString::fromLocal8Bit(g_home)).removeRecursively(); });
    Registry::Reset();
    g_file = Registry::FilePath(QStringLiteral("Felmarch"));
    QDir().mkpath(QString::fromLocal8Bit(pattern) + QStringLiteral("/Felmarch"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Module1;
    WriteInput(data, size);
    const QMap<QString, QVariant> others = OtherKeys();

    const QString sentinel = QStringLiteral("not loaded");
    MaxLevel = 0;
    TopScore.fill(sentinel);
    TopScoreName.fill(sentinel);
    Registry::Reset();
    Settings::Load();
    CheckLoaded(sentinel);

    const Integer maxLevel = MaxLevel;
    const auto scores = TopScore;
    const auto names = TopScoreName;
    Settings::Save();
    FreshTime();

    MaxLevel = 0;
    TopScore.fill(sentinel);
    TopScoreName.fill(sentinel);
    Registry::Reset();
    Settings::Load();
    CheckLoaded(sentinel);
    if (MaxLevel != maxLevel) Fail("MaxLevel changed by the round trip");
    for (int i = 1; i <= 10; ++i) {
        const auto k = static_cast<size_t>(i);
        if (TopScore[k] != scores[k]) Fail("score changed by the round trip", i);
        if (TopScoreName[k] != names[k]) Fail("name changed by the round trip", i);
    }
    // Keys that the load could not reach may turn reachable; every reachable one stays as it was.
    const QMap<QString, QVariant> after = OtherKeys();
    for (auto it = others.cbegin(); it != others.cend(); ++it)
        if (!after.contains(it.key()) || after.value(it.key()) != it.value()) Fail("a key outside the table changed on saving");
    Registry::Reset();
    return 0;
}
