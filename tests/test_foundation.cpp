// The main window's start-up, layout, score caption, focus keeping and settings, and the board's
// block operations.
#include "TestSupport.h"

#include "game/Settings.h"
#include "platform/Modal.h"
#include "platform/NumberFormat.h"
#include "platform/Program.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <climits>

using namespace Module1;

namespace {

// A loaded main window with its own settings folder.
class FoundationTest : public GameTest {
protected:

    // The program started again: a new main window loads what the last one saved.
    void Restart() {
        form.reset();
        TestSupport::QuietEnvironment();
        Modal::SetHook([](QDialog& d) { d.close(); });
        form = std::make_unique<frmMain>();
        form->Form_Load();
        Modal::SetHook(nullptr);
    }

    // The settings file as written, read past the game's own store.
    QString Stored(const QString& key) const {
        QSettings raw(home.File(), QSettings::IniFormat);
        return raw.value(QStringLiteral("Quorbit/") + key).toString();
    }
    QStringList StoredKeys() const {
        QSettings raw(home.File(), QSettings::IniFormat);
        raw.beginGroup(QStringLiteral("Quorbit"));
        return raw.childKeys();
    }

    // Blocks still on the play field.
    int BlockBoxes() const {
        int n = 0;
        for (const PictureBox* b : form->backPic->findChildren<PictureBox*>())
            if (b->objectName().startsWith(QLatin1String("newBlock"))) ++n;
        return n;
    }
};

using FoundationStartUp = FoundationTest;
using LayoutTest = FoundationTest;
using SettingsTest = FoundationTest;
using BoardTest = FoundationTest;

// The image a background box should show: its back colour with the tile painted once over it.
QImage PaintedOnce(const QColor& back, const Picture& tile, QSize size) {
    QWidget parent;
    PictureBox box(&parent);
    box.SetBackColor(back);
    box.SetWidth(size.width());
    box.SetHeight(size.height());
    box.PaintPicture(tile, 0, 0, size.width(), size.height());
    return box.Canvas().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Shown(const PictureBox* box) { return box->Canvas().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace

// ---- Start-up ----

TEST_F(FoundationStartUp, LoadLeavesAnIdleWindowWithNoGame) {
    Restart();  // keeps what the music player was asked during the load
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("0"));
    EXPECT_EQ(form->LevelLabel->Caption(), QStringLiteral("-"));
    EXPECT_FALSE(form->Image2->Enabled());
    for (ImageBox* b : {form->Image1, form->Image3, form->Image4, form->Image5, form->Image6})
        EXPECT_TRUE(b->Enabled()) << b->objectName().toStdString();

    const std::pair<const Timer*, int> timers[] = {{&form->GameTimer, 1000},    {&form->GoblinTimer, 1000},
                                                   {&form->PauseTimer, 750},    {&form->BlueBlockTimer, 300},
                                                   {&form->LightTimer, 250},    {&form->BombTimer, 150},
                                                   {&form->GameOverTimer, 10}};
    for (auto [timer, interval] : timers) {
        EXPECT_FALSE(timer->Enabled());
        EXPECT_EQ(timer->Interval(), interval);
    }

    EXPECT_TRUE(form->KeysLocked);
    EXPECT_EQ(GoblinCount, 0);
    EXPECT_EQ(form->BlockCount, 0);
    EXPECT_TRUE(MusicOn);
    EXPECT_TRUE(SoundEffectsOn);
    EXPECT_FALSE(RandomMusic);
    EXPECT_FALSE(NewGameRequested);
    EXPECT_EQ(Level, 1);
    EXPECT_TRUE(MusicFile.endsWith(QLatin1String("/audio/Quorbit1.mid"))) << MusicFile.toStdString();
    EXPECT_EQ(MusicFile, AudioFolder() + QStringLiteral("Quorbit1.mid"));
    EXPECT_EQ(form->MediaPlayer1.FileName(), MusicFile);
    EXPECT_EQ(form->MediaPlayer1.PlayState(), 0);
    EXPECT_FALSE(form->MediaPlayer1.Calls().contains(QStringLiteral("Play")));
    EXPECT_TRUE(form->MediaPlayer1.Calls().contains(QStringLiteral("FileName ") + MusicFile));
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());

    EXPECT_EQ(form->windowTitle(), QStringLiteral("Felmarch - Quorbit!"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->GmOv->Visible());
    EXPECT_TRUE(form->backPic->Visible());
    EXPECT_EQ(frmMain::Instance(), form.get());

    const std::pair<ImageBox*, const char*> buttons[] = {{form->Image1, "new1"},      {form->Image2, "pause1"},
                                                         {form->Image3, "audio1"},    {form->Image4, "instruct1"},
                                                         {form->Image5, "high1"},     {form->Image6, "exit1"}};
    for (auto [button, key] : buttons) {
        EXPECT_TRUE(button->GetPicture().Is(form->ImageList1, QLatin1String(key))) << key;
        EXPECT_EQ(button->size(), QSize(180, 36));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{form->ScoreLabel, form->LevelLabel, form->Image1, form->Image6})
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form->ScoreLabel->geometry(), QRect(8, 109, 185, 25));
    EXPECT_EQ(form->LevelLabel->geometry(), QRect(8, 153, 185, 25));
}

TEST_F(FoundationStartUp, TileBackgroundsArePaintedOnceAndStayWhole) {
    const QImage frame = PaintedOnce(QColor(0, 128, 0), form->ImageList2.ListImages(QStringLiteral("tile1")), {620, 620});
    const QImage side = PaintedOnce(QColor(0, 192, 0), form->ImageList2.ListImages(QStringLiteral("tile2")), {200, 620});
    // Painted at the design sizes, whatever the first layout made of the boxes.
    for (Integer size : {10, 15, 12, 15}) {
        SCOPED_TRACE(size);
        BoardSize = size;
        form->ResizeBoard();
        const int h = static_cast<int>(form->Picture1->Height());
        EXPECT_EQ(Shown(form->SideBar), side.copy(0, 0, 200, h));
        EXPECT_EQ(Shown(form->Picture1), frame.copy(0, 0, h, h));
    }
    EXPECT_NE(side.pixelColor(100, 610), QColor(0, 192, 0));  // the tile reaches the bottom
}

// One start-up on a screen of the size the parent asked for (see BoardSizeFollowsScreenWidth).
TEST_F(LayoutTest, ChildStartUpFitsTheScreenGiven) {
    const QByteArray want = qgetenv("QUORBIT_EXPECT_LAYOUT");
    if (want.isEmpty()) GTEST_SKIP() << "runs only as a child of BoardSizeFollowsScreenWidth";
    const QList<QByteArray> v = want.split(' ');
    ASSERT_EQ(v.size(), 5);
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->geometry().width(), v[0].toInt());
    EXPECT_EQ(BoardSize, v[2].toInt());
    EXPECT_EQ(form->size(), QSize(v[3].toInt(), v[4].toInt()));
    // Without a frame the outer size is the client size: centred on the whole screen.
    const QRect s = screen->geometry();
    EXPECT_EQ(form->pos(), QPoint((s.width() - form->width()) / 2, (s.height() - form->height()) / 2));
}

TEST_F(LayoutTest, BoardSizeFollowsScreenWidth) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    if (screen->geometry().width() == 800) {  // the headless default
        EXPECT_EQ(BoardSize, 13);
        EXPECT_EQ(form->size(), QSize(740, 540));
    }
    if (!qgetenv("QUORBIT_EXPECT_LAYOUT").isEmpty()) return;  // already a child

    struct Case {
        int width, height, board, clientWidth, clientHeight;
    };
    const Case cases[] = {{640, 480, 13, 740, 540}, {800, 600, 13, 740, 540}, {801, 700, 15, 820, 620},
                          {1024, 768, 15, 820, 620}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const QString config = home.Path() + QStringLiteral("/screen%1.json").arg(c.width);
        QFile f(config);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("{\"windowFrameMargins\": false, \"screens\": [{\"name\": \"s\", \"x\": 0, \"y\": 0, "
                               "\"width\": %1, \"height\": %2, \"logicalDpi\": 96}]}")
                    .arg(c.width)
                    .arg(c.height)
                    .toUtf8());
        f.close();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        env.insert(QStringLiteral("QUORBIT_EXPECT_LAYOUT"), QStringLiteral("%1 %2 %3 %4 %5")
                                                                .arg(c.width)
                                                                .arg(c.height)
                                                                .arg(c.board)
                                                                .arg(c.clientWidth)
                                                                .arg(c.clientHeight));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=LayoutTest.ChildStartUpFitsTheScreenGiven")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QLatin1String("[  PASSED  ] 1 test"))) << out.toStdString();
        EXPECT_FALSE(out.contains(QLatin1String("SKIPPED"))) << out.toStdString();
    }
}

// ---- Layout ----

TEST_F(LayoutTest, ResizeBoardMatchesTableForEveryBoardSize) {
    struct Row {
        Integer size;
        int field, frame, bannerLeft, bannerTop, clientWidth;
        int tops[6];  // Image6 up to Image1
    };
    const Row table[] = {{10, 400, 420, 50, 150, 620, {372, 336, 300, 264, 228, 192}},
                         {11, 440, 460, 70, 170, 660, {412, 374, 336, 298, 260, 222}},
                         {12, 480, 500, 90, 190, 700, {452, 412, 372, 332, 292, 252}},
                         {13, 520, 540, 110, 210, 740, {492, 450, 408, 366, 324, 282}},
                         {14, 560, 580, 130, 230, 780, {532, 488, 444, 400, 356, 312}},
                         {15, 600, 620, 150, 250, 820, {572, 526, 480, 434, 388, 342}}};
    const QPoint corner = form->pos();
    // Up, down and up again: each layout depends on the board size alone.
    const int order[] = {0, 1, 2, 3, 4, 5, 2, 0, 5, 3};
    for (int i : order) {
        const Row& r = table[i];
        SCOPED_TRACE(r.size);
        BoardSize = r.size;
        form->ResizeBoard();
        EXPECT_EQ(form->backPic->geometry(), QRect(10, 10, r.field, r.field));
        EXPECT_EQ(form->Picture1->geometry(), QRect(0, 0, r.frame, r.frame));
        EXPECT_DOUBLE_EQ(form->GmOv->Left(), r.bannerLeft);
        EXPECT_DOUBLE_EQ(form->GmOv->Top(), r.bannerTop);
        EXPECT_EQ(form->GmOv->size(), QSize(300, 100));
        EXPECT_EQ(form->SideBar->geometry(), QRect(r.frame, 0, 200, r.frame));
        EXPECT_EQ(form->size(), QSize(r.clientWidth, r.frame));
        EXPECT_EQ(form->minimumSize(), form->maximumSize());  // the player cannot resize it
        const ImageBox* buttons[] = {form->Image6, form->Image5, form->Image4,
                                     form->Image3, form->Image2, form->Image1};
        for (int b = 0; b < 6; ++b) {
            EXPECT_EQ(buttons[b]->Top(), r.tops[b]) << "Image" << 6 - b;
            EXPECT_EQ(buttons[b]->Left(), 10);
            EXPECT_EQ(buttons[b]->Height(), 36);
        }
        EXPECT_EQ(form->pos(), corner);  // grows and shrinks around its top-left corner
        EXPECT_FALSE(form->GmOv->Visible());
    }
}

TEST_F(LayoutTest, BannerIsCentredAsRealNumbersAtItsCurrentSize) {
    form->GmOv->SetWidth(31);
    form->GmOv->SetHeight(11);
    BoardSize = 10;
    form->ResizeBoard();
    EXPECT_DOUBLE_EQ(form->GmOv->Left(), 184.5);
    EXPECT_DOUBLE_EQ(form->GmOv->Top(), 194.5);
    EXPECT_EQ(form->GmOv->size(), QSize(31, 11));
}

// ---- Score caption ----

TEST_F(FoundationTest, ScoreCaptionFormatsItselfInAtMostTwoRuns) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    int runs = 0;
    form->ScoreLabel->OnChange = [&] {
        ++runs;
        form->ScoreLabel_Change();
    };
    form->ScoreLabel->SetCaption(QStringLiteral("5000"));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("5,000"));
    EXPECT_EQ(runs, 2);

    runs = 0;
    form->ScoreLabel->SetCaption(QStringLiteral("999"));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("999"));
    EXPECT_EQ(runs, 1);

    runs = 0;
    form->ScoreLabel->SetCaption(QStringLiteral("0"));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("0"));
    EXPECT_EQ(runs, 1);
    form->ScoreLabel->SetCaption(QStringLiteral("0"));
    EXPECT_EQ(runs, 1);

    runs = 0;
    form->ScoreLabel->SetCaption(QStringLiteral("1234567"));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("1,234,567"));
    EXPECT_EQ(runs, 2);

    // Points are added to the caption read as a number and written back formatted.
    EXPECT_TRUE(form->AddToScore(1000));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("1,235,567"));
    form->ScoreLabel->SetCaption(QStringLiteral("2,147,483,000"));
    EXPECT_FALSE(form->AddToScore(1000));  // would leave 32 bits: the step is skipped
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("2,147,483,000"));
    form->ScoreLabel->SetCaption(QStringLiteral("abc"));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("abc"));
    EXPECT_FALSE(form->AddToScore(10));
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("abc"));
    QLocale::setDefault(saved);
}

// ---- Focus keeping ----

TEST_F(FoundationTest, FrameAndSideBarHandTheFocusBackToThePlayField) {
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);

    int sideBarVisits = 0, frameVisits = 0;
    form->SideBar->OnGotFocus = [&] {
        ++sideBarVisits;
        form->SideBar_GotFocus();
    };
    form->Picture1->OnGotFocus = [&] {
        ++frameVisits;
        form->Picture1_GotFocus();
    };

    form->Picture1->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);
    form->SideBar->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);
    EXPECT_EQ(frameVisits, 1);
    EXPECT_EQ(sideBarVisits, 1);

    // Tab with the banner hidden goes to the side bar, which sends it straight back.
    QTest::keyClick(form->backPic, Qt::Key_Tab);
    EXPECT_EQ(sideBarVisits, 2);
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);
    QTest::keyClick(form->backPic, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(frameVisits, 2);
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);

    // A click on the frame or on the side bar.
    QTest::mouseClick(form->Picture1, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);
    QTest::mouseClick(form->SideBar, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(QApplication::focusWidget(), form->backPic);
    EXPECT_EQ(sideBarVisits, 3);
    EXPECT_FALSE(form->GameTimer.Enabled());  // no click started anything
}

// ---- Settings ----

TEST_F(SettingsTest, FirstRunLoadsDefaultsAndWritesNothing) {
    EXPECT_EQ(MaxLevel, 5);
    for (size_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(TopScore[i], QStringLiteral("0")) << i;
        EXPECT_EQ(TopScoreName[i], QStringLiteral("---")) << i;
    }
    EXPECT_TRUE(TopScore[11].isEmpty());
    EXPECT_TRUE(TopScoreName[11].isEmpty());
    EXPECT_FALSE(QFile::exists(home.File()));
    EXPECT_EQ(TestSupport::EndCount(), 0);
}

TEST_F(SettingsTest, UnloadWritesAll21ValuesAndEnds) {
    MaxLevel = -3;
    TopScore[11] = QStringLiteral("99");
    TopScoreName[11] = QStringLiteral("Pushed out");
    form->Form_Unload();
    EXPECT_EQ(TestSupport::EndCount(), 1);
    EXPECT_TRUE(Program::Ended());
    ASSERT_TRUE(QFile::exists(home.File()));

    QStringList want{QStringLiteral("MaxLevel")};
    for (int i = 1; i <= 10; ++i) want << QStringLiteral("TopScore%1").arg(i) << QStringLiteral("TopScoreName%1").arg(i);
    QStringList keys = StoredKeys();
    keys.sort();
    want.sort();
    EXPECT_EQ(keys, want);
    EXPECT_EQ(Stored(QStringLiteral("MaxLevel")), QStringLiteral("-3"));
    EXPECT_EQ(Stored(QStringLiteral("TopScore10")), QStringLiteral("0"));
    EXPECT_EQ(Stored(QStringLiteral("TopScoreName10")), QStringLiteral("---"));

    // Unchanged values are written again every time.
    QFile::remove(home.File());
    Program::Reset();
    form->Form_Unload();
    EXPECT_EQ(StoredKeys().size(), 21);
}

TEST_F(SettingsTest, TableTextsRoundTripUnchanged) {
    const QString longName(10000, QLatin1Char('n'));
    const QString controls = QStringLiteral("tab\tbell\x07 nl\n cr\r \x01\x1f end");
    const std::pair<QString, QString> entries[] = {
        {QStringLiteral("5,000"), QStringLiteral("Ann")},
        {QStringLiteral("1,234,567"), longName},
        {QStringLiteral("999"), controls},
        {QStringLiteral("0"), QStringLiteral("  Bob  ")},
        {QStringLiteral("12"), QString()},
        {QStringLiteral("7"), QStringLiteral("a=b; c, \"d\" \\e [Quorbit]")},
        {QStringLiteral("3"), QStringLiteral("@Variant(weird)")},
        {QStringLiteral("not a number"), QString::fromUtf8("Zo\xc3\xab \xe6\x97\xa5")},
        {QStringLiteral("2"), QStringLiteral("#comment")},
        {QStringLiteral("1"), QStringLiteral("---")},
    };
    std::vector<std::pair<QString, QString>> stored{{QStringLiteral("MaxLevel"), QStringLiteral("37")}};
    for (size_t i = 1; i <= 10; ++i) {
        stored.emplace_back(QStringLiteral("TopScore%1").arg(i), entries[i - 1].first);
        stored.emplace_back(QStringLiteral("TopScoreName%1").arg(i), entries[i - 1].second);
    }
    TestSupport::Store(stored);

    Restart();
    EXPECT_EQ(MaxLevel, 37);
    for (size_t i = 1; i <= 10; ++i) {
        EXPECT_EQ(TopScore[i], entries[i - 1].first) << i;
        EXPECT_EQ(TopScoreName[i], entries[i - 1].second) << i;
    }

    // Saved again as loaded.
    form->Form_Unload();
    EXPECT_EQ(Stored(QStringLiteral("TopScoreName2")), longName);
    EXPECT_EQ(Stored(QStringLiteral("TopScoreName3")), controls);
    EXPECT_EQ(Stored(QStringLiteral("MaxLevel")), QStringLiteral("37"));
}

TEST_F(SettingsTest, BadMaxLevelLoadsAsAPlayableLevel) {
    const std::pair<const char*, Integer> cases[] = {{"abc", 5},    {"", 5},         {"99999", 5},  {"0", 1},
                                                     {"-7", 1},     {" 12 ", 12},    {"32767", 32767},
                                                     {"32768", 5},  {"-32769", 5},   {"7.5", 5},    {"1e2", 5},
                                                     {"0x10", 5},   {"8", 8},        {"1", 1}};
    for (auto [text, want] : cases) {
        TestSupport::Store({{QStringLiteral("MaxLevel"), QString::fromLatin1(text)}});
        MaxLevel = 0;
        form->LoadSettings();
        EXPECT_EQ(MaxLevel, want) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, CloseBoxSavesAndEndsWithoutAsking) {
    int windowsShown = 0;
    Modal::SetHook([&](QDialog&) { ++windowsShown; });
    MaxLevel = 9;
    Settings::NoteNewEntry(QStringLiteral("700"), QStringLiteral("Dee"));
    // A running game's score does not enter the table on the way out.
    form->ScoreLabel->SetCaption(QStringLiteral("5000"));
    form->close();
    EXPECT_EQ(windowsShown, 0);
    EXPECT_EQ(TestSupport::EndCount(), 1);
    EXPECT_EQ(Stored(QStringLiteral("MaxLevel")), QStringLiteral("9"));
    EXPECT_EQ(Stored(QStringLiteral("TopScore1")), QStringLiteral("700"));
    EXPECT_EQ(Stored(QStringLiteral("TopScoreName1")), QStringLiteral("Dee"));
    EXPECT_EQ(Stored(QStringLiteral("TopScore2")), QStringLiteral("0"));
    EXPECT_EQ(StoredKeys().size(), 21);
}

// ---- Board operations ----

TEST_F(BoardTest, PlaceBlockMakesAHiddenCountedBlockInItsCell) {
    BoardSize = 13;
    form->ResizeBoard();
    form->Board[4][4].Removing = true;

    form->PlaceBlock(1, 1, QStringLiteral("G"));
    EXPECT_EQ(form->BlockCount, 1);
    PictureBox* goblin = form->BlockAt(0);
    ASSERT_NE(goblin, nullptr);
    EXPECT_EQ(goblin->objectName(), QStringLiteral("newBlock0"));
    EXPECT_EQ(goblin->parentWidget(), form->backPic);
    EXPECT_FALSE(goblin->Visible());
    EXPECT_EQ(goblin->geometry(), QRect(0, 0, 40, 40));
    EXPECT_TRUE(form->IsGoblinAlive(0));
    EXPECT_TRUE(goblin->GetPicture().Is(form->ImageListGoblin0, QStringLiteral("goblin1")));
    EXPECT_EQ(form->Board[1][1].Face, QStringLiteral("G"));
    EXPECT_EQ(form->Board[1][1].BlockIndex, 0);

    form->PlaceBlock(13, 12, QStringLiteral("7"));
    EXPECT_EQ(form->BlockCount, 2);
    EXPECT_EQ(form->BlockAt(1)->objectName(), QStringLiteral("newBlock1"));
    EXPECT_EQ(form->BlockAt(1)->geometry(), QRect(480, 440, 40, 40));
    EXPECT_TRUE(form->BlockAt(1)->GetPicture().Is(form->ImageListBlue, QStringLiteral("seven")));
    EXPECT_FALSE(form->IsGoblinAlive(1));
    EXPECT_EQ(form->Board[12][13].BlockIndex, 1);

    // Stars and bombs get their pictures elsewhere; the mark of a cell is left alone.
    form->PlaceBlock(5, 3, QStringLiteral("S"));
    EXPECT_TRUE(form->BlockAt(2)->GetPicture().IsNull());
    form->PlaceBlock(4, 4, QStringLiteral("+"));
    EXPECT_TRUE(form->Board[4][4].Removing);
    EXPECT_EQ(form->Board[4][4].Face, QStringLiteral("+"));
    EXPECT_EQ(form->BlockCount, 4);

    // The cell decides the place, whatever the board size.
    for (Integer size = 10; size <= 15; ++size) {
        SCOPED_TRACE(size);
        BoardSize = size;
        form->ClearBoard();
        form->CreateBlock();  // a falling block enters at the top of the centre column
        EXPECT_EQ(form->BlockAt(0)->geometry(), QRect((size / 2) * 40, 0, 40, 40));
        EXPECT_FALSE(form->BlockAt(0)->Visible());
        EXPECT_EQ(form->BlockCount, 0);
        form->PlaceBlock(size, size, QStringLiteral("9"));
        EXPECT_EQ(form->BlockAt(0)->geometry(), QRect((size - 1) * 40, (size - 1) * 40, 40, 40));
        form->PlaceBlock(2, 1, QStringLiteral("="));
        EXPECT_EQ(form->BlockAt(1)->geometry(), QRect(40, 0, 40, 40));
        EXPECT_EQ(BlockBoxes(), 2);  // the entering block was replaced, not leaked
    }
}

TEST_F(BoardTest, SetBlockPictureFollowsTheFaceTable) {
    SetBoard({"1..", "...", "..."});
    const std::pair<const char*, const char*> faces[] = {
        {"0", "zero"}, {"1", "one"},  {"2", "two"},   {"3", "three"}, {"4", "four"},  {"5", "five"},
        {"6", "six"},  {"7", "seven"}, {"8", "eight"}, {"9", "nine"},  {"+", "plus"}, {"-", "minus"},
        {"*", "mult"}, {"/", "div"},  {"=", "equal"}};
    for (const PictureList* list : {&form->ImageListBlue, &form->ImageListBlue2, &form->ImageListRed}) {
        for (auto [face, key] : faces) {
            form->SetBlockPicture(*list, QLatin1String(face), 0, true);
            EXPECT_TRUE(form->BlockAt(0)->GetPicture().Is(*list, QLatin1String(key)))
                << list->Name().toStdString() << " " << face;
        }
    }

    form->SetBlockPicture(form->ImageListBlue, QStringLiteral("5"), 0, false);
    for (const char* face : {"S", "B", "", "x", "55", "G "}) {
        form->SetBlockPicture(form->ImageListRed, QLatin1String(face), 0, true);
        EXPECT_TRUE(form->BlockAt(0)->GetPicture().Is(form->ImageListBlue, QStringLiteral("five"))) << face;
    }

    // Goblins always come from the goblin list.
    form->SetBlockPicture(form->ImageListRed, QStringLiteral("G"), 0, false);
    EXPECT_TRUE(form->BlockAt(0)->GetPicture().Is(form->ImageListGoblin0, QStringLiteral("goblin1")));
    form->SetBlockPicture(form->ImageListRed, QStringLiteral("G"), 0, true);
    EXPECT_TRUE(form->BlockAt(0)->GetPicture().Is(form->ImageListGoblin0, QStringLiteral("goblin5")));
    form->SetBlockPicture(form->ImageListBlue2, QStringLiteral("G"), 0, false);
    EXPECT_TRUE(form->BlockAt(0)->GetPicture().Is(form->ImageListGoblin0, QStringLiteral("goblin1")));

    // No block at the index: nothing to draw on.
    for (Long index : {1, -1, 50000, 2000000000}) form->SetBlockPicture(form->ImageListBlue, QStringLiteral("1"), index, false);
    EXPECT_EQ(form->BlockAt(1), nullptr);
}

TEST_F(BoardTest, ClearCellEmptiesOnlyTheRecord) {
    SetBoard({"...", "..5", "..."});
    form->Board[2][3].Removing = true;
    PictureBox* box = form->BlockAt(0);
    form->ClearCell(2, 3);
    EXPECT_FALSE(form->Board[2][3].Removing);
    EXPECT_TRUE(form->Board[2][3].Face.isEmpty());
    EXPECT_EQ(form->Board[2][3].BlockIndex, 0);
    EXPECT_EQ(form->BlockAt(0), box);
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(form->BlockCount, 1);
    // Outside the board array: nothing happens.
    form->ClearCell(-1, 0);
    form->ClearCell(19, 19);
    form->ClearCell(0, 32767);
}

TEST_F(BoardTest, ClearBoardRemovesEveryBoxAndGoblinFlag) {
    SetBoard({"GG..", "G1..", "..+.", "...."});
    GoblinCount = 3;
    form->SetGoblinAlive(3, true);  // the flag at GoblinCount itself is cleared too
    form->Board[0][2].Removing = true;
    form->Board[5][5].Face = QStringLiteral("9");  // the ring
    form->CreateBlock();                             // the falling block
    const QPointer<PictureBox> falling = form->BlockAt(form->BlockCount);
    const QPointer<PictureBox> first = form->BlockAt(0);
    ASSERT_FALSE(falling.isNull());
    EXPECT_EQ(BlockBoxes(), 6);

    form->ClearBoard();
    EXPECT_TRUE(falling.isNull());
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(BlockBoxes(), 0);
    for (Long i = 0; i <= 5; ++i) EXPECT_EQ(form->BlockAt(i), nullptr) << i;
    for (Long i = 0; i <= 3; ++i) EXPECT_FALSE(form->IsGoblinAlive(i)) << i;
    EXPECT_EQ(form->BlockCount, 0);
    for (int r = 0; r <= 5; ++r)
        for (int c = 0; c <= 5; ++c) {
            EXPECT_TRUE(form->Board[r][c].Face.isEmpty()) << r << "," << c;
            EXPECT_FALSE(form->Board[r][c].Removing);
        }
    // Twice in a row is harmless.
    form->ClearBoard();
    EXPECT_EQ(form->BlockCount, 0);
}

TEST_F(BoardTest, SmallerBoardAfterLargerStartsEmptyInsideTheRing) {
    BoardSize = 15;
    form->ResizeBoard();
    form->ClearBoard();
    for (Integer r = 1; r <= 15; ++r)
        for (Integer c = 1; c <= 15; ++c) form->PlaceBlock(c, r, QStringLiteral("1"));
    EXPECT_EQ(form->BlockCount, 225);

    BoardSize = 10;
    form->ResizeBoard();
    form->ResetGame();
    for (int r = 0; r <= 11; ++r)
        for (int c = 0; c <= 11; ++c) EXPECT_TRUE(form->Board[r][c].Face.isEmpty()) << r << "," << c;
    EXPECT_EQ(BlockBoxes(), 0);  // every box went, wherever its cell
    EXPECT_EQ(form->BlockCount, 0);
    SetBoard({"1.........", "..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", ".........2"});
    EXPECT_EQ(BoardRows().back(), ".........2");
    EXPECT_EQ(form->BlockAt(1)->geometry(), QRect(360, 360, 40, 40));
}

TEST_F(BoardTest, HideAndShowLeaveTheFallingBlockAlone) {
    // With nothing counted there is nothing to show.
    form->CreateBlock();
    form->ShowBlocks();
    EXPECT_FALSE(form->BlockAt(0)->Visible());
    form->ClearBoard();

    SetBoard({"12.", "G..", "..."});
    for (Long i = 0; i < 3; ++i) EXPECT_TRUE(form->BlockAt(i)->Visible());
    form->CreateBlock();
    PictureBox* falling = form->BlockAt(form->BlockCount);
    falling->SetVisible(true);

    form->HideBlocks();
    for (Long i = 0; i < 3; ++i) EXPECT_FALSE(form->BlockAt(i)->Visible());
    EXPECT_TRUE(falling->Visible());

    falling->SetVisible(false);
    delete form->BlockAt(1);  // a block that vanished leaves its entry empty
    form->SetBlockAt(1, nullptr);
    form->ShowBlocks();
    EXPECT_TRUE(form->BlockAt(0)->Visible());
    EXPECT_TRUE(form->BlockAt(2)->Visible());
    EXPECT_FALSE(falling->Visible());
}

TEST_F(BoardTest, ResetGameStartsCleanButKeepsTheLevelCounters) {
    SetBoard({"G5.", "...", "..."});
    form->BombCounter = 3;
    form->StarCounter = 4;
    GoblinCount = 5;
    form->DropInterval = 250;
    form->BlueBlinkCount = 7;
    form->IsBlueBlock = true;
    form->GmOv->SetVisible(true);
    form->ScoreLabel->SetCaption(QStringLiteral("5000"));

    form->ResetGame();
    EXPECT_EQ(form->BlockCount, 0);
    EXPECT_EQ(BlockBoxes(), 0);
    EXPECT_TRUE(form->Board[1][1].Face.isEmpty());
    EXPECT_EQ(form->DropInterval, 1000);
    EXPECT_EQ(form->BlueBlinkCount, 0);
    EXPECT_FALSE(form->IsBlueBlock);
    EXPECT_FALSE(form->GmOv->Visible());
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("0"));
    EXPECT_EQ(form->BombCounter, 3);
    EXPECT_EQ(form->StarCounter, 4);
    EXPECT_EQ(GoblinCount, 5);
    EXPECT_FALSE(form->IsGoblinAlive(0));
}

TEST_F(BoardTest, GrowingArraysNeverLeaveTheirBounds) {
    auto* far = new PictureBox(form->backPic);
    form->SetBlockAt(60000, far);
    EXPECT_EQ(form->BlockAt(60000), far);
    EXPECT_EQ(form->BlockAt(59999), nullptr);
    EXPECT_EQ(form->BlockAt(-1), nullptr);
    EXPECT_EQ(form->BlockAt(INT32_MAX), nullptr);
    EXPECT_EQ(form->BlockAt(INT32_MIN), nullptr);
    form->SetBlockAt(-5, far);
    EXPECT_EQ(form->BlockAt(-5), nullptr);

    form->SetGoblinAlive(500, true);
    EXPECT_TRUE(form->IsGoblinAlive(500));
    EXPECT_FALSE(form->IsGoblinAlive(499));
    EXPECT_FALSE(form->IsGoblinAlive(-1));
    EXPECT_FALSE(form->IsGoblinAlive(1000000));
    form->SetGoblinAlive(-3, true);
    EXPECT_FALSE(form->IsGoblinAlive(-3));
    form->SetGoblinAlive(1000000, false);
    EXPECT_FALSE(form->IsGoblinAlive(1000000));

    // A goblin made beyond the first 201 blocks is counted and cleared like any other.
    BoardSize = 13;
    form->BlockCount = 300;
    form->PlaceBlock(2, 2, QStringLiteral("G"));
    EXPECT_TRUE(form->IsGoblinAlive(300));
    EXPECT_EQ(form->BlockCount, 301);
    GoblinCount = 300;
    form->ClearBoard();
    EXPECT_FALSE(form->IsGoblinAlive(300));

    // The 16-bit block count stops at its top instead of wrapping.
    form->BlockCount = 32767;
    form->PlaceBlock(3, 3, QStringLiteral("4"));
    EXPECT_EQ(form->BlockCount, 32767);
    ASSERT_NE(form->BlockAt(32767), nullptr);
    EXPECT_EQ(form->BlockAt(32767)->geometry(), QRect(80, 80, 40, 40));
    form->ClearBoard();
    EXPECT_EQ(form->BlockAt(32767), nullptr);
}
