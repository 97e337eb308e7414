// Settings files edited by hand, damaged or cut short: the game still starts, shows the table, plays,
// and on closing writes the 21 values back without losing anything else in the file. And a write
// killed at any moment leaves the old table or the new one, never a mix.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
#include "game/Settings.h"
#include "highscores/HighScoreTable.h"
#include "highscores/frmHighScores.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSettings>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/file.h>
#include <sys/resource.h>
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

TEST_F(HostileSettings, FilesThatAreNotUtf8TextAreLeftAsTheyAre) {
    QByteArray garbage;
    QRandomGenerator rng(7);
    for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>(rng.bounded(256)));
    // What an editor saving "Unicode" writes, and Latin-1 names: read as UTF-8 they come back garbled.
    QByteArray utf16("\xff\xfe", 2);
    for (char c : QByteArray("[Quorbit]\r\nMaxLevel=9\r\nTopScore1=3,570\r\nTopScoreName1=Ann\r\n")) utf16.append(c).append('\0');
    const QByteArray latin1 = "[Quorbit]\nMaxLevel=9\nTopScore1=3,570\nTopScoreName1=Zo\xeb\n";
    for (const QByteArray& bytes : {garbage, utf16, latin1}) {
        SCOPED_TRACE(bytes.left(12).toHex().toStdString());
        WriteFile(bytes);
        testing::internal::CaptureStderr();
        StartGame();
        EXPECT_EQ(MaxLevel, 5);
        EXPECT_EQ(TopScore[1], QStringLiteral("0"));
        form->Form_Unload();
        const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_NE(TestSupport::EndStatus(), 0);
        EXPECT_TRUE(errors.contains(home.File())) << errors.toStdString();
        QFile file(home.File());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), bytes);
        form.reset();
    }
}

// ---- Other instances and failed saves ----

namespace {
// The table in the file now, one "score name" text per stored place, and its MaxLevel.
QStringList StoredTable(const QString& file) {
    const std::map<QString, QVariant> values = ReadFile(file);
    QStringList rows{Text(values, kGroup + QStringLiteral("MaxLevel"))};
    for (int i = 1; i <= 10; ++i)
        rows << Text(values, kGroup + QStringLiteral("TopScore%1").arg(i)) + QLatin1Char(' ') +
                    Text(values, kGroup + QStringLiteral("TopScoreName%1").arg(i));
    return rows;
}

QStringList Table(const QString& maxLevel, QStringList rows) {
    while (rows.size() < 10) rows << QStringLiteral("0 ---");
    return QStringList{maxLevel} + rows;
}

// A settings file as another instance saves it: MaxLevel 5 and "score name" rows from the top.
QByteArray TableFile(const QStringList& rows) {
    QString text = QStringLiteral("[Quorbit]\nMaxLevel=5\n");
    for (int i = 1; i <= rows.size(); ++i)
        text += QStringLiteral("TopScore%1=\"%2\"\nTopScoreName%1=%3\n")
                    .arg(i)
                    .arg(rows[i - 1].section(QLatin1Char(' '), 0, 0), rows[i - 1].section(QLatin1Char(' '), 1));
    return text.toUtf8();
}
}

TEST_F(HostileSettings, ASaveKeepsWhatAnotherInstanceStoredMeanwhile) {
    WriteFile("[Quorbit]\nMaxLevel=5\nTopScore1=3,570\nTopScoreName1=Ann\nTopScore2=1,000\nTopScoreName2=Cy\n");
    StartGame();
    // Another instance, started along with this one, puts Ben on top and reaches level 9.
    WriteFile("[Quorbit]\nMaxLevel=9\nTopScore1=4,000\nTopScoreName1=Ben\nTopScore2=3,570\nTopScoreName2=Ann\n"
              "TopScore3=1,000\nTopScoreName3=Cy\n");

    // This one beats Ann but not Ben: it is offered place 2 of the stored table, not the top of the
    // table it started with. While its player types, a third instance puts Eve on top: the entry is
    // stored at once below her and Ben, and the table window marks where it went.
    form->ScoreLabel->SetCaption(QStringLiteral("3800"));
    int offered = 0, redRow = -1;
    QString prompt;
    Modal::SetHook([&](QDialog& d) {
        if (auto* box = qobject_cast<frmCustomInput*>(&d)) {
            offered = NewScoreRank;
            prompt = PromptText;
            WriteFile("[Quorbit]\nMaxLevel=9\nTopScore1=5,000\nTopScoreName1=Eve\nTopScore2=4,000\nTopScoreName2=Ben\n"
                      "TopScore3=3,570\nTopScoreName3=Ann\nTopScore4=1,000\nTopScoreName4=Cy\n");
            box->Text1->setText(QStringLiteral("Dee"));
            box->Command1_Click();
        } else if (auto* table = qobject_cast<frmHighScores*>(&d)) {
            for (size_t k = 0; k < 10; ++k)
                if (table->Label2[k]->text() == QLatin1String("Dee")) redRow = static_cast<int>(k);
            EXPECT_EQ(NewScoreRank, 3);
        }
    });
    form->RecordHighScore();
    Modal::SetHook(nullptr);
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(prompt, HighScoreTable::NamePrompt(2));
    EXPECT_EQ(redRow, 2);
    const QString dee = FormatNumber(3800) + QStringLiteral(" Dee");
    EXPECT_EQ(StoredTable(home.File()), Table("9", {"5,000 Eve", "4,000 Ben", dee, "3,570 Ann", "1,000 Cy"}));

    // A fourth instance puts Fay on top; this one closes with nothing new: nothing of theirs is lost
    // and Dee is not stored twice.
    WriteFile("[Quorbit]\nMaxLevel=7\nTopScore1=6,000\nTopScoreName1=Fay\nTopScore2=5,000\nTopScoreName2=Eve\n"
              "TopScore3=4,000\nTopScoreName3=Ben\nTopScore4=" + dee.section(' ', 0, 0).toUtf8() +
              "\nTopScoreName4=Dee\nTopScore5=3,570\nTopScoreName5=Ann\nTopScore6=1,000\nTopScoreName6=Cy\n");
    form->Form_Unload();
    EXPECT_EQ(TestSupport::EndStatus(), 0);
    EXPECT_EQ(StoredTable(home.File()),
              Table("9", {"6,000 Fay", "5,000 Eve", "4,000 Ben", dee, "3,570 Ann", "1,000 Cy"}));
}

TEST_F(HostileSettings, TheTypedNameGoesToThisRunsEntryWhereverOthersMovedIt) {
    // Another instance's player, at a prompt of their own, stored 2,500 under the preset before this
    // game ended with 2,500 too: this run's entry goes below it, the same score under the same name.
    const QString s = FormatNumber(2500);
    struct Case {
        QStringList meanwhile;  // what an instance stored while this player typed
        QStringList want;
        Integer rank;
    };
    const Case cases[] = {
        // Ben on top and one more 2,500 under the preset, below this one.
        {{"4,000 Ben", "3,570 Ann", s + " Name", s + " Name", s + " Name"},
         {"4,000 Ben", "3,570 Ann", s + " Name", s + " Dee", s + " Name"},
         4},
        // Nine better scores: the other 2,500 is last, this one is out of the table and the name goes
        // nowhere.
        {{"9,000 A", "8,000 B", "7,000 C", "6,000 D", "5,000 E", "4,000 F", "3,570 Ann", "3,000 G", "2,800 H",
          s + " Name"},
         {"9,000 A", "8,000 B", "7,000 C", "6,000 D", "5,000 E", "4,000 F", "3,570 Ann", "3,000 G", "2,800 H",
          s + " Name"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rank);
        WriteFile(TableFile({"3,570 Ann", s + " Name"}));
        StartGame();
        form->ScoreLabel->SetCaption(QStringLiteral("2500"));
        QStringList atPrompt;
        Integer rank = -1;
        Modal::SetHook([&](QDialog& d) {
            if (auto* box = qobject_cast<frmCustomInput*>(&d)) {
                atPrompt = StoredTable(home.File());
                WriteFile(TableFile(c.meanwhile));
                box->Text1->setText(QStringLiteral("Dee"));
                box->Command1_Click();
            } else if (qobject_cast<frmHighScores*>(&d)) {
                rank = NewScoreRank;
            } else {
                ADD_FAILURE() << d.metaObject()->className();
            }
        });
        form->RecordHighScore();
        Modal::SetHook(nullptr);
        EXPECT_EQ(atPrompt, Table("5", {"3,570 Ann", s + " Name", s + " Name"}));
        EXPECT_EQ(StoredTable(home.File()), Table("5", c.want));
        EXPECT_EQ(rank, c.rank);
        form.reset();
    }
}

TEST(HostileSettingsInstances, InstancesSavingAtOnceLoseNoEntry) {
    TestSupport::ScopedConfigHome home;
    constexpr int kInstances = 3, kEntries = 3;
    std::vector<pid_t> children;
    for (int n = 0; n < kInstances; ++n) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Module1::Reset();
            Settings::Load();
            for (int e = 0; e < kEntries; ++e) {
                Settings::NoteNewEntry(QString::number(1000 * (n + 1) + e), QStringLiteral("I%1E%2").arg(n).arg(e));
                if (!Settings::Save().Saved) _exit(1);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QStringList want;
    for (int n = kInstances - 1; n >= 0; --n)
        for (int e = kEntries - 1; e >= 0; --e)
            want << QStringLiteral("%1 I%2E%3").arg(1000 * (n + 1) + e).arg(n).arg(e);
    EXPECT_EQ(StoredTable(home.File()), Table("5", want));
}

namespace {
// The settings folder's lock, as another instance's save takes it: the descriptor, -1 on failure.
int LockSettingsFolder(const QString& home) {
    const int fd = ::open(QFile::encodeName(home + QStringLiteral("/Felmarch")).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 && flock(fd, LOCK_EX) == 0 ? fd : -1;
}

// Another instance in the middle of its save: a child that holds the folder's lock while it runs
// `then`. Returns once the lock is held; -1 when it could not be had.
pid_t InstanceHoldingTheLock(const QString& home, const std::function<void()>& then) {
    int locked[2];
    if (pipe(locked) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        if (LockSettingsFolder(home) < 0 || ::write(locked[1], "L", 1) != 1) _exit(1);
        then();
        _exit(0);
    }
    char byte = 0;
    const bool held = child > 0 && ::read(locked[0], &byte, 1) == 1;
    ::close(locked[0]);
    ::close(locked[1]);
    return held ? child : -1;
}

// Another instance on a slow disk: it holds the lock for `seconds`, then puts `table` in place of the
// file and lets go.
pid_t SlowInstanceSaving(const QString& home, unsigned seconds, const QByteArray& table) {
    return InstanceHoldingTheLock(home, [&home, seconds, &table] {
        sleep(seconds);
        const QByteArray folder = QFile::encodeName(home + QStringLiteral("/Felmarch"));
        const QByteArray part = folder + "/other.part";
        const int out = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::write(out, table.constData(), static_cast<size_t>(table.size())) != table.size() ||
            ::close(out) != 0 || std::rename(part.constData(), (folder + "/Quorbit.conf").constData()) != 0)
            _exit(1);
    });
}
}

TEST(HostileSettingsInstances, ASaveWaitsOutAnotherInstancesSlowSaveAndAFailedOneKeepsItsEntry) {
    TestSupport::ScopedConfigHome home;
    TestSupport::Store({{QStringLiteral("TopScore1"), QStringLiteral("3,570")}, {QStringLiteral("TopScoreName1"), QStringLiteral("Ann")}});
    Module1::Reset();
    Settings::Load();
    // Another instance on a slow disk: it holds the lock for three seconds, then puts Ben on top.
    const pid_t other = SlowInstanceSaving(
        home.Path(), 3, "[Quorbit]\nMaxLevel=5\nTopScore1=4,000\nTopScoreName1=Ben\nTopScore2=3,570\nTopScoreName2=Ann\n");
    ASSERT_GT(other, 0);
    Settings::NoteNewEntry(QStringLiteral("2,000"), QStringLiteral("Cy"));
    EXPECT_TRUE(Settings::Save().Saved);
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(StoredTable(home.File()), Table("5", {"4,000 Ben", "3,570 Ann", "2,000 Cy"}));

    // One that never lets go: nothing is written, and the entry waits for the next save, once.
    Registry::SetLockWait(std::chrono::milliseconds(200));
    const int held = LockSettingsFolder(home.Path());
    ASSERT_GE(held, 0);
    Settings::NoteNewEntry(QStringLiteral("1,000"), QStringLiteral("Dee"));
    testing::internal::CaptureStderr();
    const Settings::Outcome refused = Settings::Save();
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
    ::close(held);
    Registry::SetLockWait(Registry::kLockWait);
    EXPECT_FALSE(refused.Saved);
    EXPECT_TRUE(refused.Problem.contains(home.File())) << refused.Problem.toStdString();
    EXPECT_TRUE(errors.contains(home.File())) << errors.toStdString();
    EXPECT_EQ(StoredTable(home.File()), Table("5", {"4,000 Ben", "3,570 Ann", "2,000 Cy"}));
    for (int save = 0; save < 2; ++save) {
        EXPECT_TRUE(Settings::Save().Saved);
        EXPECT_EQ(StoredTable(home.File()), Table("5", {"4,000 Ben", "3,570 Ann", "2,000 Cy", "1,000 Dee"}));
    }
}

TEST_F(HostileSettings, AScorePushedOutWhileItsSaveWaitsAsksForNoName) {
    WriteFile(TableFile({"3,570 Ann"}));
    StartGame();
    // The game ends with 2,500 while another instance's save puts ten better scores in.
    QStringList better;
    for (int i = 1; i <= 10; ++i) better << FormatNumber(5000 - 100 * i) + QStringLiteral(" P%1").arg(i);
    const pid_t other = SlowInstanceSaving(home.Path(), 1, TableFile(better));
    ASSERT_GT(other, 0);
    form->ScoreLabel->SetCaption(QStringLiteral("2500"));
    QStringList shown;
    Modal::SetHook([&](QDialog& d) { shown << d.metaObject()->className(); });
    form->RecordHighScore();
    Modal::SetHook(nullptr);
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(shown, QStringList());
    EXPECT_EQ(NewScoreRank, 0);
    EXPECT_EQ(StoredTable(home.File()), Table("5", better));
    EXPECT_EQ(TopScoreName[10], QStringLiteral("P10"));
}

TEST(HostileSettingsFullDisk, AFullDiskNeverLeavesLessThanTheOldTable) {
    // In a child, so that the limit and the mount end with it. 0: the save was refused and the old
    // file is whole; 1: a save reported success; 2: the old file changed; 3: cannot be set up here.
    enum Full { FileSizeLimit, FullSettingsFolder };
    for (Full full : {FileSizeLimit, FullSettingsFolder}) {
        SCOPED_TRACE(full);
        TestSupport::ScopedConfigHome home;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            QString folder = home.Path();
            if (full == FullSettingsFolder) {
                // A private 16 KB file system over a folder of our own, seen by this process alone.
                folder += QStringLiteral("/small");
                QDir().mkpath(folder);
                if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=16k") != 0)
                    _exit(3);
                qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
            }
            TestSupport::Store({{QStringLiteral("MaxLevel"), QStringLiteral("9")},
                                {QStringLiteral("TopScore1"), QStringLiteral("3,570")},
                                {QStringLiteral("TopScoreName1"), QStringLiteral("Ann")}});
            const QString file = folder + QStringLiteral("/Felmarch/Quorbit.conf");
            QFile stored(file);
            if (!stored.open(QIODevice::ReadOnly)) _exit(3);
            const QByteArray old = stored.readAll();
            stored.close();
            if (full == FileSizeLimit) {
                // Every file this process writes stops short of the new table, the scratch copy too.
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{static_cast<rlim_t>(old.size() + 64), static_cast<rlim_t>(old.size() + 64)};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
            } else {
                QFile filler(folder + QStringLiteral("/filler"));
                if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) _exit(3);
                while (filler.write(QByteArray(1024, 'x')) > 0) {
                }
            }
            Module1::Reset();
            Settings::Load();
            Settings::NoteNewEntry(QStringLiteral("5,000"), QString(2000, QLatin1Char('N')));
            if (Settings::Save().Saved) _exit(1);
            if (!stored.open(QIODevice::ReadOnly) || stored.readAll() != old) _exit(2);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3 && full == FullSettingsFolder) continue;  // no private mounts here
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST_F(HostileSettings, AFailedSaveIsReportedWithTheFileAndTheReason) {
    // A folder where the file should be and another instance that never finishes its save stop root
    // as well; a read-only folder stops everyone else.
    const QByteArray folder = QFile::encodeName(home.Path() + QStringLiteral("/Felmarch"));
    int held = -1;
    const std::function<void()> blockers[] = {
        [&] { ASSERT_TRUE(QDir().mkpath(home.File())); },
        [&] {
            WriteFile("[Quorbit]\nMaxLevel=3\n");
            held = LockSettingsFolder(home.Path());
            ASSERT_GE(held, 0);
        },
        [&] {
            WriteFile("[Quorbit]\nMaxLevel=3\n");
            ASSERT_EQ(chmod(folder.constData(), 0555), 0);
        },
    };
    Registry::SetLockWait(std::chrono::milliseconds(200));
    for (size_t b = 0; b < (geteuid() == 0 ? 2 : 3); ++b) {
        SCOPED_TRACE(b);
        blockers[b]();
        StartGame();
        // The save right after the name prompt, with the player there: one message box says where.
        form->ScoreLabel->SetCaption(QStringLiteral("1234"));
        QStringList boxes;
        Modal::SetHook([&](QDialog& d) {
            if (auto* box = qobject_cast<QMessageBox*>(&d)) boxes << box->text();
        });
        testing::internal::CaptureStderr();
        form->RecordHighScore();
        Modal::SetHook(nullptr);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].contains(home.File())) << boxes[0].toStdString();
        // The shutdown save: no window, but stderr and the exit status tell.
        form->Form_Unload();
        const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_NE(TestSupport::EndStatus(), 0);
        // Before the prompt, after it and at the end.
        EXPECT_EQ(errors.count(home.File()), 3) << errors.toStdString();
        form.reset();
        if (held >= 0) ::close(held);
        held = -1;
        chmod(folder.constData(), 0755);
        QDir(home.Path() + QStringLiteral("/Felmarch")).removeRecursively();
    }
    Registry::SetLockWait(Registry::kLockWait);
}

TEST_F(HostileSettings, TheEntryIsStoredOnceWhicheverOfItsSavesFail) {
    // While the prompt is open: nothing more, the session manager's checkpoint, or the program's end.
    enum During { Nothing, Checkpoint, End };
    struct Case {
        bool earlyBlocked;  // another instance holds the lock until the prompt is open
        During during;
        bool laterBlocked;  // ... from then until the prompt has closed
    };
    const Case cases[] = {{true, Nothing, false}, {true, Checkpoint, false}, {false, Checkpoint, false},
                          {false, Nothing, true}, {false, End, false},       {true, End, false}};
    const QString s = FormatNumber(2500);
    Registry::SetLockWait(std::chrono::milliseconds(200));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.earlyBlocked << c.during << c.laterBlocked);
        WriteFile(TableFile({"3,570 Ann"}));
        const QString written = StoredTable(home.File()).join(" | ");
        StartGame();
        int held = c.earlyBlocked ? LockSettingsFolder(home.Path()) : -1;
        form->ScoreLabel->SetCaption(QStringLiteral("2500"));
        QStringList boxes;
        QString earlyErrors, atPrompt, whilePrompting;
        testing::internal::CaptureStderr();
        Modal::SetHook([&](QDialog& d) {
            if (auto* box = qobject_cast<frmCustomInput*>(&d)) {
                earlyErrors = QString::fromStdString(testing::internal::GetCapturedStderr());
                testing::internal::CaptureStderr();
                atPrompt = StoredTable(home.File()).join(" | ");
                if (held >= 0) ::close(held);
                held = -1;
                box->Text1->setText(QStringLiteral("Dee"));
                if (c.during == Checkpoint) form->SaveSettings();
                if (c.during == End) form->Form_Unload();
                whilePrompting = StoredTable(home.File()).join(" | ");
                if (c.laterBlocked) held = LockSettingsFolder(home.Path());
                box->Command1_Click();
            } else if (auto* message = qobject_cast<QMessageBox*>(&d)) {
                boxes << message->text();
            }
        });
        form->RecordHighScore();
        Modal::SetHook(nullptr);
        const QString afterPrompt = StoredTable(home.File()).join(" | ");
        if (held >= 0) ::close(held);
        if (c.during != End) form->Form_Unload();
        (void)testing::internal::GetCapturedStderr();

        const QString preset = Table("5", {"3,570 Ann", s + " Name"}).join(" | ");
        const QString typed = Table("5", {"3,570 Ann", s + " Dee"}).join(" | ");
        EXPECT_EQ(earlyErrors.count(home.File()), c.earlyBlocked ? 1 : 0) << earlyErrors.toStdString();
        EXPECT_EQ(atPrompt, c.earlyBlocked ? written : preset);
        EXPECT_EQ(whilePrompting, c.during == End ? typed : c.during == Checkpoint ? preset : atPrompt);
        EXPECT_EQ(afterPrompt, c.during == End ? typed : c.laterBlocked ? preset : typed);
        EXPECT_EQ(boxes.size(), c.laterBlocked ? 1 : 0);
        EXPECT_EQ(StoredTable(home.File()).join(" | "), typed);
        EXPECT_EQ(TestSupport::EndCount(), 1);
        EXPECT_EQ(TestSupport::EndStatus(), 0);
        form.reset();
    }
    Registry::SetLockWait(Registry::kLockWait);
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

// Writes the table in memory whole, as every save does.
void WriteTable() {
    std::vector<std::pair<QString, QString>> values{{QStringLiteral("MaxLevel"), QString::number(MaxLevel)}};
    for (size_t i = 1; i <= 10; ++i) {
        values.emplace_back(QStringLiteral("TopScore%1").arg(i), TopScore[i]);
        values.emplace_back(QStringLiteral("TopScoreName%1").arg(i), TopScoreName[i]);
    }
    TestSupport::Store(values);
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
    WriteTable();
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
            // A killed save leaves its scratch copy behind: in the test's own folder, not in /tmp.
            QDir().mkpath(home.Path() + QStringLiteral("/tmp"));
            qputenv("TMPDIR", QFile::encodeName(home.Path() + QStringLiteral("/tmp")));
            for (int n = 0;; ++n) {
                FillTable(n % 2 == 0 ? 1 : 0);
                WriteTable();
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
    Module1::Reset();
    Settings::Load();
    const int loaded = MaxLevel == 3 ? 0 : 1;
    EXPECT_EQ(TableIn(ReadFile(home.File())), loaded);
    FillTable(1 - loaded);
    WriteTable();
    EXPECT_EQ(TableIn(ReadFile(home.File())), 1 - loaded);
}

TEST(HostileSettingsCrash, TheLockOfAKilledInstanceDoesNotHoldUpTheSave) {
    TestSupport::ScopedConfigHome home;
    FillTable(0);
    WriteTable();
    // An instance killed in the middle of its save, the settings folder locked.
    const pid_t writer = InstanceHoldingTheLock(home.Path(), [] {
        for (;;) pause();
    });
    ASSERT_GT(writer, 0);
    ASSERT_EQ(::kill(writer, SIGKILL), 0);
    ASSERT_EQ(waitpid(writer, nullptr, 0), writer);

    FillTable(1);
    WriteTable();
    EXPECT_EQ(TableIn(ReadFile(home.File())), 1);
}
