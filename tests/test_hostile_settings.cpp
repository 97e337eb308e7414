// Settings files edited by hand, damaged or cut short: the game still starts, shows the table, plays,
// and on closing writes the 21 values back without losing anything else in the file. And a write
// killed at any moment leaves the old table or the new one, never a mix.
#include "TestSupport.h"

#include "game/Settings.h"
#include "highscores/frmHighScores.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

using namespace Module1;

namespace {
const QString kGroup = QStringLiteral("Quorbit/");

QStringList OwnKeys() {
    QStringList keys{QStringLiteral("MaxLevel")};
    for (int i = 1; i <= 10; ++i)
        keys << QStringLiteral("TopScore%1").arg(i) << QStringLiteral("TopScoreName%1").arg(i);
    return keys;
}

// QSettings keeps each file it parsed and reads it again only when its size or time changes: a
// copy under a new name is always read from disk.
std::map<QString, QVariant> ReadFile(const QString& file) {
    static int copies = 0;
    const QString copy = file + QStringLiteral(".read%1").arg(++copies);
    QFile::remove(copy);
    std::map<QString, QVariant> out;
    if (!QFile::copy(file, copy)) return out;
    {
        QSettings raw(copy, QSettings::IniFormat);
        for (const QString& key : raw.allKeys()) out[key] = raw.value(key);
    }
    QFile::remove(copy);
    return out;
}

// Key names QSettings keeps as they are; names mangled by escapes or control characters are its own
// business.
bool PlainKey(const QString& key) {
    if (key.isEmpty() || key.startsWith(QLatin1Char('/')) || key.contains(QLatin1String("//"))) return false;
    for (QChar c : key)
        if (!c.isLetterOrNumber() && c != QLatin1Char('/') && c != QLatin1Char('_') && c != QLatin1Char('.')) return false;
    return true;
}

// Lists may come back as lists of variants rather than of strings: the same items either way.
QVariant Canonical(const QVariant& v) {
    if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QVariantList) return v;
    QVariantList items;
    for (const QVariant& item : v.toList()) items.append(Canonical(item));
    return items;
}

QString Text(const std::map<QString, QVariant>& values, const QString& key) {
    const auto it = values.find(key);
    return it == values.end() ? QStringLiteral("<missing>") : it->second.toString();
}
}

class HostileSettings : public ::testing::Test {
protected:
    void TearDown() override {
        form.reset();
        Modal::SetHook(nullptr);
    }

    void WriteFile(const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(home.Path() + QStringLiteral("/Felmarch")));
        QFile f(home.File());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
        f.close();
        // A new time for every file, or QSettings may take it for the one it parsed a moment ago.
        static time_t stamp = 1000000000;
        ++stamp;
        const timespec times[2] = {{stamp, 0}, {stamp, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(home.File()).constData(), times, 0), 0);
    }

    void StartGame() {
        TestSupport::QuietEnvironment();
        Modal::SetHook([](QDialog& d) { d.close(); });
        form = std::make_unique<frmMain>();
        form->Form_Load();
        Modal::SetHook(nullptr);
    }

    // The high-score window's rows as shown.
    void ShowHighScores() {
        shownScores.clear();
        shownNames.clear();
        bool shown = false;
        Modal::SetHook([&](QDialog& d) {
            auto* window = qobject_cast<frmHighScores*>(&d);
            ASSERT_NE(window, nullptr);
            shown = true;
            for (size_t k = 0; k < 10; ++k) {
                shownScores << window->Label1[k]->text();
                shownNames << window->Label2[k]->text();
            }
            d.close();
        });
        form->Image5_Click();
        Modal::SetHook(nullptr);
        ASSERT_TRUE(shown);
        for (int i = 1; i <= 10; ++i) {
            const auto k = static_cast<size_t>(i);
            EXPECT_EQ(shownScores.value(i - 1), FormatCaption(TopScore[k])) << "row " << i;
            EXPECT_EQ(shownNames.value(i - 1), TopScoreName[k]) << "row " << i;
        }
    }

    void PlayALittle() {
        BoardSize = 10;
        Level = 0;
        form->ResizeBoard();
        form->KeysLocked = true;
        Modal::SetHook([](QDialog& d) { d.close(); });
        form->StartNewGame();
        for (int n = 0; n < 5; ++n) form->GameTimer_Timer();
        Modal::SetHook(nullptr);
    }

    // The whole round: start on the file, show the table, play, close. Returns the file as read
    // before and after; the table as loaded is left in loaded*.
    void RunGame(const QByteArray& bytes) {
        WriteFile(bytes);
        before = ReadFile(home.File());
        StartGame();
        loadedMaxLevel = MaxLevel;
        loadedScores = TopScore;
        loadedNames = TopScoreName;
        EXPECT_GE(MaxLevel, 1);
        ShowHighScores();
        PlayALittle();
        // A game cut short keeps its score out of the table.
        TopScore = loadedScores;
        TopScoreName = loadedNames;
        MaxLevel = loadedMaxLevel;
        form->Form_Unload();
        EXPECT_EQ(TestSupport::EndCount(), 1);
        after = ReadFile(home.File());

        for (const QString& key : OwnKeys()) EXPECT_TRUE(after.count(kGroup + key)) << qPrintable(key);
        EXPECT_EQ(Text(after, kGroup + QStringLiteral("MaxLevel")), QString::number(loadedMaxLevel));
        for (int i = 1; i <= 10; ++i) {
            const auto k = static_cast<size_t>(i);
            EXPECT_EQ(after[kGroup + QStringLiteral("TopScore%1").arg(i)].toString(), loadedScores[k]) << i;
            EXPECT_EQ(after[kGroup + QStringLiteral("TopScoreName%1").arg(i)].toString(), loadedNames[k]) << i;
        }
        // Nothing outside the table is lost or changed.
        for (const auto& [key, value] : before) {
            if (!PlainKey(key) || (key.startsWith(kGroup) && OwnKeys().contains(key.mid(kGroup.size())))) continue;
            ASSERT_TRUE(after.count(key)) << qPrintable(key);
            EXPECT_EQ(Canonical(after[key]), Canonical(value)) << qPrintable(key);
        }
    }

    // The text each key had in the file before the game touched it.
    QString Before(const QString& key) { return Text(before, kGroup + key); }
    QString After(const QString& key) { return Text(after, kGroup + key); }

    TestSupport::ScopedConfigHome home;
    std::unique_ptr<frmMain> form;
    QStringList shownScores, shownNames;
    std::map<QString, QVariant> before, after;
    Integer loadedMaxLevel = 0;
    std::array<QString, 12> loadedScores, loadedNames;
};

TEST_F(HostileSettings, LettersAndEmptyTextsLoadAsTextAndSaveUnchanged) {
    RunGame("[Quorbit]\n"
            "MaxLevel=abc\n"
            "TopScore1=abc\n"
            "TopScore2=\n"
            "TopScore3=\"\"\n"
            "TopScore4=12a\n"
            "TopScoreName1=\n"
            "TopScoreName2=\"   \"\n"
            "TopScoreName3=0\n");
    EXPECT_EQ(loadedMaxLevel, 5);
    EXPECT_EQ(After("MaxLevel"), QStringLiteral("5"));
    EXPECT_EQ(loadedScores[1], QStringLiteral("abc"));
    EXPECT_EQ(shownScores.value(0), QStringLiteral("abc"));
    EXPECT_EQ(loadedScores[2], QString());
    EXPECT_EQ(loadedScores[3], QString());
    EXPECT_EQ(loadedScores[4], QStringLiteral("12a"));
    EXPECT_EQ(loadedNames[1], QString());
    EXPECT_EQ(loadedNames[2], QStringLiteral("   "));
    EXPECT_EQ(loadedNames[3], QStringLiteral("0"));
    // Missing entries take their defaults.
    EXPECT_EQ(loadedScores[10], QStringLiteral("0"));
    EXPECT_EQ(loadedNames[10], QStringLiteral("---"));
    for (const QString& key : {QStringLiteral("TopScore1"), QStringLiteral("TopScore4"),
                               QStringLiteral("TopScoreName2"), QStringLiteral("TopScoreName3")})
        EXPECT_EQ(After(key), Before(key)) << qPrintable(key);
}

TEST_F(HostileSettings, HugeAndNegativeNumbersStayAsWritten) {
    RunGame("[Quorbit]\n"
            "MaxLevel=-32768\n"
            "TopScore1=99999999999999999999999999\n"
            "TopScore2=2147483648\n"
            "TopScore3=2147483647\n"
            "TopScore4=-2147483649\n"
            "TopScore5=-5\n"
            "TopScore6=\"-1,000\"\n"
            "TopScore7=1e9\n"
            "TopScore8=" + QByteArray(5000, '9') + "\n");
    EXPECT_EQ(loadedMaxLevel, 1);
    for (int i = 1; i <= 8; ++i) {
        const QString key = QStringLiteral("TopScore%1").arg(i);
        EXPECT_EQ(loadedScores[static_cast<size_t>(i)], Before(key)) << i;
        EXPECT_EQ(After(key), Before(key)) << i;
    }
    EXPECT_EQ(shownScores.value(2), FormatNumber(2147483647));
    EXPECT_EQ(shownScores.value(4), FormatNumber(-5));
}

TEST_F(HostileSettings, MaxLevelOutOfRangeLoadsPlayableAndIsSavedAsLoaded) {
    const std::pair<const char*, Integer> cases[] = {
        {"99999999999999999999", 5}, {"-99999999999999999999", 5}, {"0", 1}, {"-1", 1}, {"\"\"", 5}, {"12", 12}};
    for (auto [text, want] : cases) {
        SCOPED_TRACE(text);
        RunGame(QByteArray("[Quorbit]\nMaxLevel=") + text + "\n");
        EXPECT_EQ(loadedMaxLevel, want);
        EXPECT_EQ(After(QStringLiteral("MaxLevel")), QString::number(want));
        form.reset();
    }
}

TEST_F(HostileSettings, LongNamesAndControlCharactersComeBackUnchanged) {
    const QByteArray longName(10000, 'N');
    RunGame("[Quorbit]\n"
            "TopScoreName1=" + longName + "\n"
            "TopScoreName2=tab\there\n"                        // a raw tab
            "TopScoreName3=\"esc \\t\\n\\r\\\\ \\\" \\x263a\"\n"  // escapes
            "TopScoreName4=nul\\0in\\0it\n"
            "TopScoreName5=@String(raw\\0nul)\n"
            "TopScoreName6=\"<b>bold</b> &amp; 100%\"\n"
            "TopScoreName7=@@at\n"
            "TopScoreName8=\xe2\x98\x85 Zo\xc3\xab\n"
            "TopScoreName9=cr\r\n"
            "TopScoreName10=\"" + QByteArray(3000, ',') + "\"\n");
    EXPECT_EQ(loadedNames[1], QString::fromLatin1(longName));
    EXPECT_EQ(loadedNames[2], QStringLiteral("tab\there"));
    EXPECT_EQ(loadedNames[3], QStringLiteral("esc \t\n\r\\ \" ") + QChar(0x263a));
    EXPECT_EQ(loadedNames[5], QStringLiteral("raw") + QChar(0) + QStringLiteral("nul"));
    EXPECT_EQ(loadedNames[6], QStringLiteral("<b>bold</b> &amp; 100%"));
    EXPECT_EQ(loadedNames[7], QStringLiteral("@at"));
    EXPECT_EQ(loadedNames[8], QString::fromUtf8("\xe2\x98\x85 Zo\xc3\xab"));
    EXPECT_EQ(loadedNames[9], QStringLiteral("cr"));
    EXPECT_EQ(loadedNames[10], QString(3000, QLatin1Char(',')));
    EXPECT_EQ(shownNames.value(0).size(), 10000);
    for (int i = 1; i <= 10; ++i) {
        const QString key = QStringLiteral("TopScoreName%1").arg(i);
        EXPECT_EQ(After(key), Before(key)) << i;
    }
}

TEST_F(HostileSettings, DuplicateAndUnknownKeysAndGroupsSurviveTheSave) {
    RunGame("; written by hand\n"
            "Version=3\n"
            "[Quorbit]\n"
            "TopScore1=100\n"
            "TopScore1=200\n"
            "Colour=blue\n"
            "MaxLevel=4\n"
            "[Other]\n"
            "Key=value\n"
            "List=a, b, c\n"
            "Size=@Size(3 4)\n"
            "[Quorbit]\n"
            "TopScoreName1=Later\n"
            "MaxLevel=6\n"
            "[Quorbit/Sub]\n"
            "Deep=1\n"
            "[%General]\n"
            "Odd=yes\n");
    // The last of two equal keys counts, and is what is written back.
    EXPECT_EQ(loadedScores[1], QStringLiteral("200"));
    EXPECT_EQ(loadedMaxLevel, 6);
    EXPECT_EQ(loadedNames[1], QStringLiteral("Later"));
    EXPECT_EQ(After("TopScore1"), QStringLiteral("200"));
    EXPECT_EQ(Text(after, QStringLiteral("Version")), QStringLiteral("3"));
    EXPECT_EQ(Text(after, QStringLiteral("Quorbit/Colour")), QStringLiteral("blue"));
    EXPECT_EQ(Text(after, QStringLiteral("Other/Key")), QStringLiteral("value"));
    EXPECT_EQ(after[QStringLiteral("Other/List")].toStringList(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(after[QStringLiteral("Other/Size")].toSize(), QSize(3, 4));
    EXPECT_EQ(Text(after, QStringLiteral("Quorbit/Sub/Deep")), QStringLiteral("1"));
    EXPECT_EQ(Text(after, QStringLiteral("General/Odd")), QStringLiteral("yes"));
}

TEST_F(HostileSettings, HandWrittenListsLoadAsWritten) {
    RunGame("[Quorbit]\n"
            "TopScore1=1,234\n"
            "TopScore2=12,345,678\n"
            "TopScoreName1=Ann, Bob\n"
            "TopScoreName2=Ann,@String(Bob)\n"
            "TopScoreName3=x,,y\n");
    // A score typed as the window shows it keeps its value.
    EXPECT_EQ(loadedScores[1], QStringLiteral("1,234"));
    EXPECT_EQ(loadedScores[2], QStringLiteral("12,345,678"));
    qint32 v = 0;
    ASSERT_TRUE(ReadWholeNumber(loadedScores[1], v));
    EXPECT_EQ(v, 1234);
    EXPECT_EQ(loadedNames[1], QStringLiteral("Ann, Bob"));
    EXPECT_EQ(loadedNames[2], QStringLiteral("Ann, Bob"));
    EXPECT_EQ(loadedNames[3], QStringLiteral("x,,y"));
    EXPECT_EQ(After("TopScore1"), QStringLiteral("1,234"));
}

TEST_F(HostileSettings, TruncatedFilesStillStartAndAreWrittenWhole) {
    const QByteArray whole = "[Quorbit]\n"
                             "MaxLevel=9\n"
                             "TopScore1=5,000\n"
                             "TopScoreName1=\"Ann \\x263a \\\"q\\\"\"\n"
                             "TopScore2=4,000\n"
                             "TopScoreName2=Bob\n";
    // Cut everywhere: in a key, after "=", in a quoted text, in the middle of an escape.
    for (qsizetype cut = 1; cut < whole.size(); cut += 3) {
        SCOPED_TRACE(cut);
        RunGame(whole.left(cut));
        EXPECT_TRUE(after.count(QStringLiteral("Quorbit/TopScoreName10")));
        form.reset();
    }
}

TEST_F(HostileSettings, BinaryGarbageStartsWithDefaults) {
    QByteArray garbage;
    QRandomGenerator rng(7);
    for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>(rng.bounded(256)));
    RunGame(garbage);
    EXPECT_GE(loadedMaxLevel, 1);
}

// ---- Crash safety ----

namespace {
void FillTable(int which) {
    MaxLevel = static_cast<Integer>(which == 0 ? 3 : 12);
    for (int i = 1; i <= 10; ++i) {
        const auto k = static_cast<size_t>(i);
        // Different lengths make a torn write show.
        TopScore[k] = which == 0 ? QString::number(i) : FormatNumber(1000000 - i * 1111);
        TopScoreName[k] = which == 0 ? QStringLiteral("A%1").arg(i) : QStringLiteral("Bertha the %1th").arg(i);
    }
}

// Which table the file holds whole: 0 or 1, -1 for anything else.
int TableIn(const std::map<QString, QVariant>& values) {
    for (int which : {0, 1}) {
        FillTable(which);
        bool same = Text(values, kGroup + QStringLiteral("MaxLevel")) == QString::number(MaxLevel);
        for (int i = 1; i <= 10 && same; ++i) {
            const auto k = static_cast<size_t>(i);
            same = Text(values, kGroup + QStringLiteral("TopScore%1").arg(i)) == TopScore[k] &&
                   Text(values, kGroup + QStringLiteral("TopScoreName%1").arg(i)) == TopScoreName[k];
        }
        if (same) return which;
    }
    return -1;
}
}

TEST(HostileSettingsCrash, KillDuringTheWriteNeverLosesTheOldTable) {
    TestSupport::ScopedConfigHome home;
    FillTable(0);
    Settings::Save();
    Registry::Reset();
    ASSERT_EQ(TableIn(ReadFile(home.File())), 0);

    QRandomGenerator rng(2024);
    int seen[2] = {0, 0};
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        int saved[2];
        ASSERT_EQ(pipe(saved), 0);
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            // The writer: the two tables in turn, as fast as it can, until killed; a byte per save.
            ::close(saved[0]);
            Registry::Reset();
            for (int n = 0;; ++n) {
                FillTable(n % 2 == 0 ? 1 : 0);
                Settings::Save();
                const char done = 1;
                if (::write(saved[1], &done, 1) != 1) _exit(1);
            }
        }
        ::close(saved[1]);
        // Kill only once the writer is at work: after its first save, somewhere in a later one.
        char done = 0;
        ASSERT_EQ(::read(saved[0], &done, 1), 1);
        QThread::usleep(static_cast<unsigned long>(rng.bounded(4000)));
        ASSERT_EQ(::kill(writer, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ::close(saved[0]);

        const int which = TableIn(ReadFile(home.File()));
        ASSERT_NE(which, -1) << "the file holds neither table whole";
        ++seen[which];
    }
    // The writer had saved the new table at least once before every kill.
    EXPECT_GT(seen[1], 0);

    // Whatever the kills left beside the file does not stop the next start or save.
    Registry::Reset();
    Module1::Reset();
    Settings::Load();
    const int loaded = MaxLevel == 3 ? 0 : 1;
    EXPECT_EQ(TableIn(ReadFile(home.File())), loaded);
    FillTable(1 - loaded);
    Settings::Save();
    Registry::Reset();
    EXPECT_EQ(TableIn(ReadFile(home.File())), 1 - loaded);
}

TEST(HostileSettingsCrash, EmptyLockLeftByAKilledWriterDoesNotHoldUpTheSave) {
    TestSupport::ScopedConfigHome home;
    FillTable(0);
    Settings::Save();
    Registry::Reset();
    // What a writer killed between creating its lock and filling it leaves behind.
    QFile lock(home.File() + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    QElapsedTimer clock;
    clock.start();
    FillTable(1);
    Settings::Save();
    EXPECT_LT(clock.elapsed(), 5000);
    Registry::Reset();
    EXPECT_EQ(TableIn(ReadFile(home.File())), 1);
}
