// Loads the settings from an arbitrary INI file, saves them and loads them again, then saves a new
// entry into them.
//   build-fuzz/fuzz_settings -runs=1000000 -max_len=8192 fuzz/corpus_settings
// Its memory grows to several hundred MB over a long run: AddressSanitizer's quarantine of freed
// blocks (256 MB by default) filling up, not a leak: with ASAN_OPTIONS=quarantine_size_mb=0 twenty
// thousand runs stay under 100 MB.
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

// A damaged @Variant(...) value announces a list or string of any length, and Qt asks for all of
// it at once (22 GB seen). A real machine refuses such a block and Qt copes; ASan would map it and
// libFuzzer report it. Blocks over 1 GB are refused here too, below libFuzzer's malloc limit, so its
// RSS limit is left to catch real growth. Set in the binary so that a run by hand behaves as in CI;
// ASAN_OPTIONS still overrides.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

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
void FreshTimeOf(const QString& file) {
    const timespec times[2] = {{g_stamp, 0}, {g_stamp, 0}};
    ++g_stamp;
    if (utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) != 0) Fail("utimensat");
}

void FreshTime() { FreshTimeOf(g_file); }

void WriteInput(const uint8_t* data, size_t size) {
    QFile f(g_file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("cannot write the settings file");
    if (size && f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        Fail("short write");
    f.close();
    FreshTime();
}

QByteArray FileBytes() {
    QFile f(g_file);
    if (!f.open(QIODevice::ReadOnly)) Fail("cannot read the settings file back");
    return f.readAll();
}

// The game reports a file it cannot read on stderr, once per load and save: not once per input here.
// Only the stream is swapped: descriptor 2 stays open, so that a sanitizer's or libFuzzer's report of
// a fault inside the load or save still reaches the log.
template <typename F>
void QuietStderr(F&& run) {
    static FILE* const null = std::fopen("/dev/null", "we");
    if (!null) Fail("cannot quieten stderr");
    FILE* const saved = stderr;
    stderr = null;
    run();
    stderr = saved;
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

// Whether QSettings writes the value back as it read it. Some it cannot (an empty list comes back as
// @Invalid()): those are QSettings' own business, as mangled names are. QSettings answers from memory
// for a file it wrote itself, so what it wrote is read from a copy under another name.
bool KeptByQSettings(const QVariant& v) {
    const QString folder = QString::fromLocal8Bit(g_home);
    const QString written = folder + QStringLiteral("/kept-written.conf");
    const QString copy = folder + QStringLiteral("/kept-read.conf");
    QFile::remove(written);
    QFile::remove(copy);
    {
        QSettings write(written, QSettings::IniFormat);
        write.setValue(QStringLiteral("k"), v);
    }
    if (!QFile::copy(written, copy)) Fail("cannot copy the round-trip file");
    FreshTimeOf(copy);
    return Canonical(QSettings(copy, QSettings::IniFormat).value(QStringLiteral("k"))) == Canonical(v);
}

// Every plain key outside the game's own 21 that QSettings can keep, with its value, as QSettings
// reads the file.
QMap<QString, QVariant> OtherKeys() {
    QSettings raw(g_file, QSettings::IniFormat);
    QMap<QString, QVariant> out;
    for (const QString& key : raw.allKeys()) {
        if (!PlainKey(key)) continue;
        if (key == QLatin1String("Quorbit/MaxLevel")) continue;
        bool own = false;
        for (int i = 1; i <= 10 && !own; ++i)
            own = key == QStringLiteral("Quorbit/TopScore%1").arg(i) || key == QStringLiteral("Quorbit/TopScoreName%1").arg(i);
        if (own) continue;
        const QVariant value = raw.value(key);
        if (KeptByQSettings(value)) out.insert(key, Canonical(value));
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
    // Each save and load copies the file to a scratch folder: keep that in memory too.
    qputenv("TMPDIR", pattern);
    g_home = pattern;
    std::atexit([] { QDir(QString::fromLocal8Bit(g_home)).removeRecursively(); });
    g_file = Registry::FilePath(QStringLiteral("Felmarch"));
    QDir().mkpath(QString::fromLocal8Bit(pattern) + QStringLiteral("/Felmarch"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Module1;
    WriteInput(data, size);
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QMap<QString, QVariant> others = OtherKeys();

    const QString sentinel = QStringLiteral("not loaded");
    MaxLevel = 0;
    TopScore.fill(sentinel);
    TopScoreName.fill(sentinel);
    QuietStderr([] { Settings::Load(); });
    CheckLoaded(sentinel);

    const Integer maxLevel = MaxLevel;
    const auto scores = TopScore;
    const auto names = TopScoreName;
    Settings::Outcome saved;
    QuietStderr([&] { saved = Settings::Save(); });
    if (!saved.Saved) {
        // Only a file that is no UTF-8 text is refused, and it stays exactly as it was.
        if (Registry::Session(QStringLiteral("Felmarch"), Registry::Session::Access::Read).Readable())
            Fail("a readable file was not saved");
        if (FileBytes() != input) Fail("a file that was not saved changed");
        return 0;
    }
    FreshTime();

    MaxLevel = 0;
    TopScore.fill(sentinel);
    TopScoreName.fill(sentinel);
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

    // A new entry goes into whatever the file holds by the table's own rule, and nothing else moves.
    HighScoreTable::Column wantScores = scores, wantNames = names;
    const HighScoreTable::Entry entry{QStringLiteral("12,345"), QStringLiteral("Fuzz")};
    const int place = HighScoreTable::Merge(wantScores, wantNames, {entry});
    Settings::NoteNewEntry(entry.Score, entry.Name);
    if (Settings::Save().NewestPlace != place) Fail("the new entry's place");
    FreshTime();
    TopScore.fill(sentinel);
    TopScoreName.fill(sentinel);
    Settings::Load();
    for (int i = 1; i <= 10; ++i) {
        const auto k = static_cast<size_t>(i);
        if (TopScore[k] != wantScores[k] || TopScoreName[k] != wantNames[k]) Fail("merged table", i);
    }
    return 0;
}
