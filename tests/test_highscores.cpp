// The high-score table: insertion, the name prompt, the window and the score board's addresses.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
#include "highscores/HighScoreTable.h"
#include "highscores/frmHighScores.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Registry.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

using namespace Module1;
using HighScoreTable::Column;

namespace {
Column Scores(std::initializer_list<const char*> top) {
    Column c;
    c.fill(QStringLiteral("0"));
    size_t i = 1;
    for (const char* s : top) c[i++] = QString::fromUtf8(s);
    return c;
}

QColor TextColour(const QLabel* l) { return l->palette().color(QPalette::WindowText); }
const QColor kRed(255, 0, 0);

QString QueryValue(const QString& address, const QString& key) {
    return QUrlQuery(QUrl(address, QUrl::StrictMode)).queryItemValue(key, QUrl::FullyDecoded);
}
}

// ---- The table's rules ----

TEST(HighScoreRules, ScoreTakesTheFirstPlaceItBeatsStrictly) {
    const Column defaults = Scores({});
    EXPECT_EQ(HighScoreTable::FindPlace("1", defaults), 1);
    EXPECT_EQ(HighScoreTable::FindPlace("0", defaults), 0);

    const Column table = Scores({"500", "300", "300", "200", "150", "120", "110", "105", "101", "100"});
    EXPECT_EQ(HighScoreTable::FindPlace("501", table), 1);
    EXPECT_EQ(HighScoreTable::FindPlace("500", table), 2);  // a tie ranks below the older entry
    EXPECT_EQ(HighScoreTable::FindPlace("300", table), 4);
    EXPECT_EQ(HighScoreTable::FindPlace("101", table), 10);
    EXPECT_EQ(HighScoreTable::FindPlace("100", table), 0);
    EXPECT_EQ(HighScoreTable::FindPlace("-5", table), 0);

    // Captions keep their digit groups and still compare by value.
    const Column grouped = Scores({"1,234", "1,000"});
    EXPECT_EQ(HighScoreTable::FindPlace("1,233", grouped), 2);
    EXPECT_EQ(HighScoreTable::FindPlace("1,235", grouped), 1);

    // Edited settings that are no whole number count as 0 and never stop the game.
    const Column edited = Scores({"lots", "", "99999999999999", "12abc"});
    EXPECT_EQ(HighScoreTable::ScoreValue("lots"), 0);
    EXPECT_EQ(HighScoreTable::ScoreValue("99999999999999"), 0);
    EXPECT_EQ(HighScoreTable::FindPlace("1", edited), 1);
    EXPECT_EQ(HighScoreTable::FindPlace("0", edited), 0);
}

TEST(HighScoreRules, ScoresWrittenUnderAnyLocaleCompareByTheirDigits) {
    // 12,345 as de_DE, fr_FR, de_CH (new and old), a typed blank, a no-break space, ar_EG and en_US
    // write it: read under any locale, a new 1,260 goes below all of them.
    const Column table = Scores({"12.345", "12\u202F345", "12\u2019345", "12'345", "12 345", "12\u00A0345",
                                 "12\u066C345", "12,345", "1,300", "1,250"});
    const QLocale saved;
    for (auto language : {QLocale::English, QLocale::German, QLocale::French, QLocale::C}) {
        QLocale::setDefault(QLocale(language));
        SCOPED_TRACE(QLocale().name().toStdString());
        EXPECT_EQ(HighScoreTable::FindPlace(FormatNumber(1260), table), 10);
        EXPECT_EQ(HighScoreTable::FindPlace(FormatNumber(12346), table), 1);
        // A decimal is no digit grouping.
        EXPECT_EQ(HighScoreTable::ScoreValue("12.5"), 0);
    }
    QLocale::setDefault(saved);
}

TEST(HighScoreRules, ShiftMovesOnlyTheEntriesFromThePlaceDown) {
    Column scores, names;
    for (size_t i = 1; i <= 11; ++i) {
        scores[i] = QString::number(1000 - i);
        names[i] = QStringLiteral("P%1").arg(i);
    }
    Column s = scores, n = names;
    HighScoreTable::ShiftDown(s, n, 10);
    for (size_t i = 1; i <= 10; ++i) EXPECT_EQ(s[i], scores[i]);
    EXPECT_EQ(s[11], scores[10]);
    EXPECT_EQ(n[11], "P10");

    s = scores, n = names;
    HighScoreTable::ShiftDown(s, n, 1);
    EXPECT_EQ(s[1], scores[1]);  // left for the new entry to overwrite
    for (size_t i = 2; i <= 11; ++i) {
        EXPECT_EQ(s[i], scores[i - 1]);
        EXPECT_EQ(n[i], names[i - 1]);
    }

    s = scores, n = names;
    HighScoreTable::ShiftDown(s, n, 0);
    HighScoreTable::ShiftDown(s, n, 11);
    EXPECT_EQ(s, scores);
}

TEST(HighScoreRules, CheckValueIsThreeTenthsPlusOffsetInGeneralForm) {
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(HighScoreTable::CheckValue(10, c), "6188");
    EXPECT_EQ(HighScoreTable::CheckValue(0, c), "6185");
    EXPECT_EQ(HighScoreTable::CheckValue(1, c), "6185.3");
    EXPECT_EQ(HighScoreTable::CheckValue(1, german), "6185,3");
    EXPECT_EQ(HighScoreTable::CheckValue(5, german), "6186,5");
    EXPECT_EQ(HighScoreTable::CheckValue(1234, c), "6555.2");
    EXPECT_EQ(HighScoreTable::CheckValue(123450, c), "43220");
    // The extremes of 32 bits: no exponent, no digit groups.
    EXPECT_EQ(HighScoreTable::CheckValue(2147483647, c), "644251279.1");
    EXPECT_EQ(HighScoreTable::CheckValue(-2147483647 - 1, c), "-644238909.4");
    EXPECT_EQ(HighScoreTable::CheckValue(2147483640, german), "644251277");
}

TEST(HighScoreRules, AddressesCarryTheFieldsAndDecodeBackExactly) {
    const QString base = QLatin1String(HighScoreTable::kScoreServer);
    EXPECT_TRUE(base.startsWith("http://"));
    EXPECT_FALSE(base.endsWith('/'));
    EXPECT_EQ(HighScoreTable::TopScoresAddress(0), base + "/cgi-bin/topscores.pl?rnd=0");
    EXPECT_EQ(HighScoreTable::TopScoresAddress(59999), base + "/cgi-bin/topscores.pl?rnd=59999");

    const QLocale c = QLocale::c();
    EXPECT_EQ(HighScoreTable::SubmissionAddress("Ann", "1,234", "5/6/24", c),
              base + "/cgi-bin/submit_score.pl?name=Ann&score=1234&valid=6555.2&date=5%2F6%2F24");

    for (const QString& name : {QStringLiteral("A&B"), QStringLiteral("x y"), QStringLiteral("#1"),
                               QStringLiteral("50%"), QStringLiteral("Zo\u00EB"), QStringLiteral("a=b+c"),
                               QString()}) {
        const QString address = HighScoreTable::SubmissionAddress(name, "10", "06.05.24", c);
        const QUrlQuery query(QUrl(address, QUrl::StrictMode));
        EXPECT_EQ(query.queryItems().size(), 4) << address.toStdString();
        EXPECT_EQ(QueryValue(address, "name"), name) << address.toStdString();
        EXPECT_EQ(QueryValue(address, "score"), "10");
        EXPECT_EQ(QueryValue(address, "valid"), "6188");
        EXPECT_EQ(QueryValue(address, "date"), "06.05.24");
        EXPECT_FALSE(address.contains(' '));
        EXPECT_TRUE(QUrl(address, QUrl::StrictMode).isValid());
    }
    // The user's decimal separator survives the trip too.
    const QString de = HighScoreTable::SubmissionAddress("Jo", "1", "6.5.24", QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(QueryValue(de, "valid"), "6185,3");
    // A score cell that is no number submits 0.
    EXPECT_EQ(QueryValue(HighScoreTable::SubmissionAddress("Jo", "lots", "d", c), "score"), "0");
}

// ---- Insertion and the name prompt ----

class HighScoreInsertion : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MediaPlayer::Instance().SetVolume(-1000);
        MediaPlayer::Instance().Calls().clear();
    }

    // Runs the table for a final score; `name` is typed into the prompt (nullptr: Enter at once).
    void Record(const QString& score, const char* name) {
        form->ScoreLabel->SetCaption(score);
        prompts = windows = 0;
        Modal::SetHook([this, name](QDialog& d) {
            if (auto* box = dynamic_cast<frmCustomInput*>(&d)) {
                ++prompts;
                promptText = PromptText;
                promptCaption = box->windowTitle();
                promptMode = PromptMode;
                rankDuringPrompt = NewScoreRank;
                volumeDuringPrompt = MediaPlayer::Instance().Volume();
                preset = box->Text1->selectedText();
                onDiskDuringPrompt = OnDisk();
                if (name) box->Text1->setText(QString::fromUtf8(name));
                QTest::keyClick(box->Text1, Qt::Key_Return);
                EXPECT_FALSE(box->isVisible());
            } else if (auto* table = dynamic_cast<frmHighScores*>(&d)) {
                ++windows;
                volumeDuringTable = MediaPlayer::Instance().Volume();
                redRows.clear();
                for (int k = 0; k < 10; ++k)
                    if (TextColour(table->Label1[static_cast<size_t>(k)]) == kRed &&
                        TextColour(table->Label2[static_cast<size_t>(k)]) == kRed)
                        redRows.append(k);
                submitShown = table->Command2->isVisibleTo(table);
                shownName = redRows.isEmpty() ? QString() : table->Label2[static_cast<size_t>(redRows[0])]->text();
                table->Command3->click();
            } else {
                ADD_FAILURE() << "unexpected window " << d.metaObject()->className();
            }
        });
        form->RecordHighScore();
        Modal::SetHook(nullptr);
    }

    // A table that earlier runs stored, loaded as at start-up.
    void FillTable(std::initializer_list<int> values) {
        std::vector<std::pair<QString, QString>> stored;
        int i = 1;
        for (int v : values) {
            stored.emplace_back(QStringLiteral("TopScore%1").arg(i), QString::number(v));
            stored.emplace_back(QStringLiteral("TopScoreName%1").arg(i), QStringLiteral("P%1").arg(i));
            ++i;
        }
        TestSupport::Store(stored);
        form->LoadSettings();
    }

    // The table in the settings file, one "score name" text per place.
    static QStringList OnDisk() {
        const Registry::Session stored(QStringLiteral("Felmarch"), Registry::Session::Access::Read);
        QStringList rows;
        for (int i = 1; i <= 10; ++i)
            rows << stored.Get("Quorbit", QStringLiteral("TopScore%1").arg(i), "") + ' ' +
                        stored.Get("Quorbit", QStringLiteral("TopScoreName%1").arg(i), "");
        return rows;
    }

    int prompts = 0, windows = 0;
    QString promptText, promptCaption, preset, shownName;
    QStringList onDiskDuringPrompt;
    Integer promptMode = -1, rankDuringPrompt = 0;
    int volumeDuringPrompt = 0, volumeDuringTable = 0;
    bool submitShown = false;
    QList<int> redRows;
};

TEST_F(HighScoreInsertion, NewTopScoreOnTheDefaultTable) {
    ASSERT_EQ(TopScore[1], "0");
    ASSERT_EQ(TopScoreName[1], "---");
    Record("1234", "Ann");
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(promptText, "Congratulations!  You have the NEW TOP SCORE!  Please enter your name:");
    EXPECT_EQ(promptCaption, "Enter Name:");
    EXPECT_EQ(promptMode, 0);
    EXPECT_EQ(rankDuringPrompt, 1);
    EXPECT_EQ(preset, "Name");
    // Full loudness for the prompt, quieter for the table, back again once it has closed.
    EXPECT_EQ(volumeDuringPrompt, -1000);
    EXPECT_EQ(volumeDuringTable, -2000);
    EXPECT_EQ(MediaPlayer::Instance().Volume(), -1000);
    EXPECT_EQ(redRows, QList<int>{0});
    EXPECT_TRUE(submitShown);
    EXPECT_EQ(shownName, "Ann");
    // Stored as the caption shows it, digit groups included.
    EXPECT_EQ(TopScore[1], form->ScoreLabel->Caption());
    EXPECT_EQ(TopScore[1], FormatCaption("1234"));
    EXPECT_EQ(TopScoreName[1], "Ann");
    for (size_t i = 2; i <= 11; ++i) {
        EXPECT_EQ(TopScore[i], "0");
        EXPECT_EQ(TopScoreName[i], "---");
    }
    EXPECT_EQ(NewScoreRank, 0);
    // Stored before the prompt opened, under its preset, then renamed as soon as it had its name: a
    // crash at either moment cannot take it.
    const QString entry = FormatCaption("1234");
    ASSERT_EQ(onDiskDuringPrompt.size(), 10);
    EXPECT_EQ(onDiskDuringPrompt[0], entry + " Name");
    EXPECT_EQ(onDiskDuringPrompt[1], "0 ---");
    const QStringList after = OnDisk();
    EXPECT_EQ(after[0], entry + " Ann");
    EXPECT_EQ(after[1], "0 ---");
    EXPECT_EQ(TestSupport::EndCount(), 0);
}

TEST_F(HighScoreInsertion, TieWithFirstPlaceEntersSecond) {
    FillTable({500, 300, 200, 100, 90, 80, 70, 60, 50, 40});
    Record("500", "Bo");
    EXPECT_EQ(promptText, "Congratulations!  You have a top 10 score!  Please enter your name:");
    EXPECT_EQ(rankDuringPrompt, 2);
    EXPECT_EQ(redRows, QList<int>{1});
    EXPECT_EQ(TopScore[1], "500");
    EXPECT_EQ(TopScoreName[1], "P1");
    EXPECT_EQ(TopScore[2], "500");
    EXPECT_EQ(TopScoreName[2], "Bo");
    EXPECT_EQ(TopScore[3], "300");
    EXPECT_EQ(TopScore[11], "40");
    EXPECT_EQ(TopScoreName[11], "P10");
}

TEST_F(HighScoreInsertion, PlaceTenMovesOnlyTheLastEntryIntoEleven) {
    FillTable({1000, 900, 800, 700, 600, 500, 400, 300, 200, 100});
    TopScore[11] = "stale";
    Record("150", "Cy");
    EXPECT_EQ(rankDuringPrompt, 10);
    EXPECT_EQ(redRows, QList<int>{9});
    for (size_t i = 1; i <= 9; ++i) {
        EXPECT_EQ(TopScore[i], QString::number(1100 - 100 * static_cast<int>(i)));
        EXPECT_EQ(TopScoreName[i], QStringLiteral("P%1").arg(i));
    }
    EXPECT_EQ(TopScore[10], "150");
    EXPECT_EQ(TopScoreName[10], "Cy");
    EXPECT_EQ(TopScore[11], "100");
    EXPECT_EQ(TopScoreName[11], "P10");
}

TEST_F(HighScoreInsertion, ScoreThatDoesNotRankChangesNothing) {
    FillTable({1000, 900, 800, 700, 600, 500, 400, 300, 200, 100});
    const Column scores = TopScore, names = TopScoreName;
    for (const char* score : {"100", "50", "0"}) {
        Record(score, "Dee");
        EXPECT_EQ(prompts, 0);
        EXPECT_EQ(windows, 0);
        EXPECT_EQ(TopScore, scores);
        EXPECT_EQ(TopScoreName, names);
        EXPECT_EQ(NewScoreRank, 0);
        EXPECT_TRUE(MediaPlayer::Instance().Calls().isEmpty());
        EXPECT_EQ(MediaPlayer::Instance().Volume(), -1000);
    }
}

TEST_F(HighScoreInsertion, NameIsStoredExactlyAsConfirmed) {
    Record("10", nullptr);  // Enter at once keeps the preset
    EXPECT_EQ(TopScoreName[1], "Name");
    // The name did not change: the second save finds the entry all the same, once.
    EXPECT_EQ(redRows, QList<int>{0});
    EXPECT_EQ(OnDisk().mid(0, 2), QStringList({"10 Name", "0 ---"}));
    Record("20", "");
    EXPECT_EQ(TopScoreName[1], "");
    EXPECT_EQ(shownName, "");
    EXPECT_EQ(TopScoreName[2], "Name");
    Record("30", " <i>x</i> ");  // no trimming, no markup
    EXPECT_EQ(TopScoreName[1], " <i>x</i> ");
    EXPECT_EQ(shownName, " <i>x</i> ");
}

// ---- The window ----

class HighScoreWindow : public ::testing::Test {
protected:
    void SetUp() override {
        TestSupport::QuietEnvironment();
        for (size_t i = 1; i <= 11; ++i) {
            TopScore[i] = "0";
            TopScoreName[i] = "---";
        }
        MediaPlayer::Instance().SetVolume(-1000);
    }
    void TearDown() override { Modal::SetHook(nullptr); }
};

TEST_F(HighScoreWindow, ShowsTheTableAsStored) {
    frmHighScores w;
    EXPECT_EQ(w.size(), QSize(457, 505));
    EXPECT_EQ(w.windowTitle(), "Quorbit! High Scores");
    for (size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(w.Label1[k]->text(), "0");
        EXPECT_EQ(w.Label2[k]->text(), "---");
        EXPECT_NE(TextColour(w.Label1[k]), kRed);
    }
    EXPECT_FALSE(w.Command2->isVisibleTo(&w));
    EXPECT_TRUE(w.rect().contains(w.Command3->geometry()));
    EXPECT_EQ(w.findChildren<QWidget*>(QRegularExpression("^Line\\d+$")).size(), 15);
    EXPECT_EQ(w.Label1[0]->font().pixelSize(), 24);
    EXPECT_EQ(w.Label1[9]->geometry(), QRect(16, 408, 185, 20));
    EXPECT_EQ(TextColour(w.Label3), QColor(0, 0, 192));

    TopScore[1] = FormatNumber(1234);
    TopScore[2] = "1234";
    TopScore[3] = "lots";
    TopScoreName[1] = QString(40, 'W');
    TopScoreName[2] = "A&B <b>";
    frmHighScores again;
    EXPECT_EQ(again.Label1[0]->text(), FormatNumber(1234));
    EXPECT_EQ(again.Label1[1]->text(), FormatNumber(1234));
    EXPECT_EQ(again.Label1[2]->text(), "lots");
    EXPECT_EQ(again.Label2[0]->text(), QString(40, 'W'));
    EXPECT_EQ(again.Label2[1]->text(), "A&B <b>");
    EXPECT_EQ(again.Label2[1]->textFormat(), Qt::PlainText);
}

TEST_F(HighScoreWindow, NewRowIsRedAtFirstAndTenthPlace) {
    for (Integer rank : {Integer(1), Integer(10)}) {
        NewScoreRank = rank;
        frmHighScores w;
        for (size_t k = 0; k < 10; ++k) {
            const bool isNew = k == static_cast<size_t>(rank - 1);
            EXPECT_EQ(TextColour(w.Label1[k]) == kRed, isNew) << k;
            EXPECT_EQ(TextColour(w.Label2[k]) == kRed, isNew) << k;
        }
        EXPECT_TRUE(w.Command2->isVisibleTo(&w));
        w.Command3->click();
    }
}

TEST_F(HighScoreWindow, EveryWayOfClosingHalvesTheVolumeOnce) {
    enum Way { Close, Submit, CloseBox, Escape };
    for (Way way : {Close, Submit, CloseBox, Escape}) {
        MediaPlayer::Instance().SetVolume(-1000);
        NewScoreRank = 3;
        Modal::SetHook([way](QDialog& d) {
            auto& w = dynamic_cast<frmHighScores&>(d);
            if (way == Close) w.Command3->click();
            if (way == Submit) w.Command2->click();
            if (way == Escape) QTest::keyClick(&w, Qt::Key_Escape);
            // CloseBox: left open, closed as by the close box
        });
        {
            frmHighScores w;
            Modal::Show(w);
            EXPECT_FALSE(w.isVisible()) << way;
            EXPECT_EQ(MediaPlayer::Instance().Volume(), -500) << way;
            EXPECT_EQ(NewScoreRank, 0) << way;
        }
        EXPECT_EQ(MediaPlayer::Instance().Volume(), -500) << way;
    }
    EXPECT_EQ(TestSupport::OpenedAddresses().size(), 1);
}

TEST_F(HighScoreWindow, OnlineButtonsOpenTheScoreBoard) {
    TopScore[2] = "1,234";
    TopScoreName[2] = "A&B";
    NewScoreRank = 2;
    frmHighScores w;
    w.show();
    w.Command1->click();
    w.Command1->click();
    ASSERT_EQ(TestSupport::OpenedAddresses().size(), 2);
    const QString prefix = QLatin1String(HighScoreTable::kScoreServer) + "/cgi-bin/topscores.pl?rnd=";
    for (const QString& a : TestSupport::OpenedAddresses()) {
        ASSERT_TRUE(a.startsWith(prefix)) << a.toStdString();
        bool ok = false;
        const int rnd = a.mid(prefix.size()).toInt(&ok);
        EXPECT_TRUE(ok);
        EXPECT_GE(rnd, 0);
        EXPECT_LT(rnd, 60000);
    }
    EXPECT_NE(TestSupport::OpenedAddresses()[0], TestSupport::OpenedAddresses()[1]);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(MediaPlayer::Instance().Volume(), -1000);

    w.Command2->click();
    ASSERT_EQ(TestSupport::OpenedAddresses().size(), 3);
    const QString submitted = TestSupport::OpenedAddresses().last();
    EXPECT_EQ(submitted, HighScoreTable::SubmissionAddress("A&B", w.Label1[1]->text(), HighScoreTable::TodayText()));
    EXPECT_EQ(QueryValue(submitted, "name"), "A&B");
    EXPECT_EQ(QueryValue(submitted, "score"), "1234");
    EXPECT_EQ(QueryValue(submitted, "date"), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(NewScoreRank, 0);
}
