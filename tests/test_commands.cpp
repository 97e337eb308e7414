// The side-bar commands: button pictures, hot keys, New, pause and the four windows over the game.
#include "TestSupport.h"

#include "dialogs/frmCustomInput.h"
#include "dialogs/frmLogo.h"
#include "dialogs/frmOptions.h"
#include "game/Settings.h"
#include "platform/MediaPlayer.h"
#include "platform/Modal.h"
#include "platform/Program.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <xcb/xcb.h>

using namespace Module1;

namespace {
const std::vector<std::string> kBoard{
    "..........", "..........", "..........", "..........", "..........",
    "..........", "..........", "..........", "..3.......", "G.1+2=3..G",
};
}

class CommandsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MediaPlayer::Instance().SetVolume(-300);
        MediaPlayer::Instance().Calls().clear();
    }

    // A game in play on a 10 x 10 board, with its falling block at the top.
    void StartPlay() {
        SetBoard(kBoard);
        GoblinCount = 2;
        Level = 1;
        form->CreateBlock();
        falling = form->BlockAt(form->BlockCount);
        falling->SetVisible(true);
        form->KeysLocked = false;
        form->Image2->SetEnabled(true);
        form->GameTimer.SetEnabled(true);
        form->GoblinTimer.SetEnabled(true);
        form->ScoreLabel->SetCaption(QStringLiteral("120"));
    }

    // Play stopped as the game over leaves it, then the banner run to its end.
    void EndGame() {
        form->GameOver();
        for (int i = 0; i < 100 && form->GameOverTimer.Enabled(); ++i) form->GameOverTimer.Fire();
    }

    // Windows are answered by `answer`; every window shown is listed by its class.
    void Answer(std::function<void(QDialog&)> answer = {}) {
        Modal::SetHook([this, answer](QDialog& d) {
            shown.push_back(d.metaObject()->className());
            if (answer) answer(d);
        });
    }

    bool BoardBlocksVisible() const {
        for (Long i = 0; i < form->BlockCount; ++i)
            if (!form->BlockAt(i)->Visible()) return false;
        return form->BlockCount > 0;
    }
    bool BoardBlocksHidden() const {
        for (Long i = 0; i < form->BlockCount; ++i)
            if (form->BlockAt(i)->Visible()) return false;
        return true;
    }
    static std::int32_t Volume() { return MediaPlayer::Instance().Volume(); }

    PictureBox* falling = nullptr;
    std::vector<std::string> shown;
};

// ---- Button pictures ----

TEST_F(CommandsTest, ButtonsShowPressedPictureWhileHeldAndReleasedAfter) {
    struct Case {
        ImageBox* button;
        void (frmMain::*down)();
        void (frmMain::*up)();
        const char* pressed;
        const char* released;
    };
    const Case cases[] = {
        {form->Image1, &frmMain::Image1_MouseDown, &frmMain::Image1_MouseUp, "new2", "new1"},
        {form->Image2, &frmMain::Image2_MouseDown, &frmMain::Image2_MouseUp, "pause2", "pause1"},
        {form->Image3, &frmMain::Image3_MouseDown, &frmMain::Image3_MouseUp, "audio2", "audio1"},
        {form->Image4, &frmMain::Image4_MouseDown, &frmMain::Image4_MouseUp, "instruct2", "instruct1"},
        {form->Image5, &frmMain::Image5_MouseDown, &frmMain::Image5_MouseUp, "high2", "high1"},
        {form->Image6, &frmMain::Image6_MouseDown, &frmMain::Image6_MouseUp, "exit2", "exit1"},
    };
    for (const Case& c : cases) {
        (form.get()->*c.down)();
        EXPECT_TRUE(c.button->GetPicture().Is(form->ImageList1, c.pressed)) << c.pressed;
        (form.get()->*c.up)();
        EXPECT_TRUE(c.button->GetPicture().Is(form->ImageList1, c.released)) << c.released;
    }

    // Any mouse button presses an enabled button; a disabled one does not change.
    QTest::mousePress(form->Image4, Qt::RightButton);
    EXPECT_TRUE(form->Image4->GetPicture().Is(form->ImageList1, "instruct2"));
    Answer();
    QTest::mouseRelease(form->Image4, Qt::RightButton);
    EXPECT_TRUE(form->Image4->GetPicture().Is(form->ImageList1, "instruct1"));
    EXPECT_EQ(shown, std::vector<std::string>{"frmInstruct"});

    QTest::mousePress(form->Image2, Qt::LeftButton);
    EXPECT_TRUE(form->Image2->GetPicture().Is(form->ImageList1, "pause1"));

    // A hot key runs the command without touching the picture.
    shown.clear();
    form->HotKeys(vbKeyA);
    EXPECT_EQ(shown, std::vector<std::string>{"frmAudio"});
    EXPECT_TRUE(form->Image3->GetPicture().Is(form->ImageList1, "audio1"));
}

// ---- Hot keys ----

TEST_F(CommandsTest, HotKeyRunsOnlyWhileItsButtonIsEnabled) {
    Answer([](QDialog& d) { d.close(); });
    // Before a game the pause button is off: P does nothing.
    form->HotKeys(vbKeyP);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(form->PauseTimer.Enabled());

    form->HotKeys(vbKeyN);
    form->HotKeys(vbKeyA);
    form->HotKeys(vbKeyI);
    form->HotKeys(vbKeyH);
    form->HotKeys(vbKeyE);
    EXPECT_EQ(shown, (std::vector<std::string>{"frmOptions", "frmAudio", "frmInstruct", "frmHighScores",
                                               "frmCustomInput"}));

    // Other codes, the lower-case character codes among them, run nothing.
    shown.clear();
    for (Integer code : {Integer(81), Integer(110), Integer(97), Integer(vbKeySpace), Integer(13)})
        form->HotKeys(code);
    EXPECT_TRUE(shown.empty());

    // A disabled button's letter does nothing; the others still work.
    form->Image3->SetEnabled(false);
    form->Image6->SetEnabled(false);
    form->HotKeys(vbKeyA);
    form->HotKeys(vbKeyE);
    EXPECT_TRUE(shown.empty());
    form->HotKeys(vbKeyI);
    EXPECT_EQ(shown, std::vector<std::string>{"frmInstruct"});
}

TEST_F(CommandsTest, HotKeysWorkWithLockedKeysAndPauseWinsOverNew) {
    StartPlay();
    Answer([](QDialog& d) { d.close(); });
    form->KeysLocked = true;
    form->HotKeys(vbKeyH);
    EXPECT_EQ(shown, std::vector<std::string>{"frmHighScores"});

    // With every button on, P pauses and opens nothing.
    shown.clear();
    form->KeysLocked = false;
    form->HotKeys(vbKeyP);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(form->PauseTimer.Enabled());
    EXPECT_FALSE(form->GameTimer.Enabled());
}

// Keys as the window system delivers them to the play field.
TEST_F(CommandsTest, OnlyTheGameKeysActAndLettersKeepTheirKeyOnAnyLayout) {
    StartPlay();
    form->IsBlueBlock = true;
    form->CurFace = QStringLiteral("5");
    const double left = falling->Left();
    const int interval = form->GameTimer.Interval();
    // Qt's codes for ' % & ( are the arrows' codes; a French layout has & ' ( on 1, 4 and 5.
    for (Qt::Key k : {Qt::Key_Apostrophe, Qt::Key_Percent, Qt::Key_Ampersand, Qt::Key_ParenLeft}) {
        QTest::keyClick(form->backPic, k);
        EXPECT_EQ(falling->Left(), left) << k;
        EXPECT_EQ(form->CurFace, QStringLiteral("5")) << k;
    }
    EXPECT_EQ(form->GameTimer.Interval(), interval);

    QTest::keyClick(form->backPic, Qt::Key_Right);
    EXPECT_EQ(falling->Left(), left + 40);
    QTest::keyClick(form->backPic, Qt::Key_Up);
    EXPECT_EQ(form->CurFace, QStringLiteral("6"));
    QTest::keyPress(form->backPic, Qt::Key_Space);
    EXPECT_EQ(form->GameTimer.Interval(), 1);
    QTest::keyRelease(form->backPic, Qt::Key_Space);

    Answer([](QDialog& d) { d.close(); });
    QTest::keyClick(form->backPic, Qt::Key_N);
    QTest::keyClick(form->backPic, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(form->backPic, 'i');
    QTest::keyClick(form->backPic, 'h');
    QTest::keyClick(form->backPic, Qt::Key_E);
    // A Russian layout: the N key (X keycode 57) gives Cyrillic te and still opens New. On a French
    // layout A sits where Q is elsewhere (keycode 24), and the layout's letter counts. A Latin letter
    // outside A-Z is nothing: Turkish F has g-breve on the E key, Latvian ergonomic c-caron on P.
    QKeyEvent te(QEvent::KeyPress, 0x0422, Qt::NoModifier, 57, 0x6d4, 0, QStringLiteral("\u0442"));
    QKeyEvent azertyA(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 24, 'a', 0, QStringLiteral("a"));
    QKeyEvent gBreve(QEvent::KeyPress, 0x011e, Qt::NoModifier, 26, 0x2bb, 0, QStringLiteral("\u011f"));
    QKeyEvent cCaron(QEvent::KeyPress, 0x010c, Qt::NoModifier, 33, 0x1e8, 0, QStringLiteral("\u010d"));
    for (QKeyEvent* e : {&te, &azertyA, &gBreve, &cCaron}) QCoreApplication::sendEvent(form->backPic, e);
    EXPECT_EQ(shown, (std::vector<std::string>{"frmOptions", "frmAudio", "frmInstruct", "frmHighScores",
                                               "frmCustomInput", "frmOptions", "frmAudio"}));
    QTest::keyClick(form->backPic, 'p');
    EXPECT_TRUE(form->PauseTimer.Enabled());
}

// ---- Windows on the screen ----

namespace {
// What the window manager is told: a plain Qt::Window without CustomizeWindowHint gets every
// button, maximise among them.
bool OffersMaximise(Qt::WindowFlags f) {
    return f.testFlag(Qt::WindowMaximizeButtonHint) ||
           ((f & Qt::WindowType_Mask) == Qt::Window && !f.testFlag(Qt::CustomizeWindowHint));
}
}

// The headless screen gives every window a thin frame, so a window centred by its client size is off.
TEST_F(CommandsTest, EveryWindowOpensWithItsFrameCentredAndNoMaximise) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto expectCentred = [&screen](const QWidget& w) {
        const QRect frame = w.frameGeometry();
        EXPECT_EQ(std::pair(frame.x(), frame.y()),
                  std::pair((screen.width() - frame.width()) / 2, (screen.height() - frame.height()) / 2))
            << w.objectName().toStdString();
    };
    ASSERT_NE(form->frameGeometry().size(), form->size());
    expectCentred(*form);
    EXPECT_FALSE(OffersMaximise(form->windowFlags()));

    std::map<std::string, Qt::WindowFlags> flags;
    Answer([&](QDialog& d) {
        expectCentred(d);
        flags[d.metaObject()->className()] = d.windowFlags();
        d.close();
    });
    for (Integer key : {vbKeyN, vbKeyA, vbKeyI, vbKeyH, vbKeyE}) form->HotKeys(key);
    frmLogo splash;
    Modal::Show(splash);
    ASSERT_EQ(flags.size(), 6u);
    for (const auto& [window, f] : flags) {
        EXPECT_FALSE(OffersMaximise(f)) << window;
        const Qt::WindowType type = window == "frmOptions" ? Qt::Tool : Qt::Dialog;
        EXPECT_EQ(f & Qt::WindowType_Mask, type) << window;
    }
    EXPECT_TRUE(flags["frmLogo"].testFlag(Qt::FramelessWindowHint));
}

// ---- Windows on real desktops ----
// The test binary runs the game in a child on a private display: X11 under a window manager, or a
// Wayland compositor. The child reports what it saw on standard output.

namespace {
qint64 MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void Report(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Events are handled until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// The window's frame on the screen, as the X server and the window manager tell it: the client
// area's place and the frame extents the window manager set (none while it has set none). Nothing
// while the window is not on the screen: a window manager moves it about while it takes it on.
std::optional<QRect> FrameOnScreen(QWidget& w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(w.winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_FRAME_EXTENTS";
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    auto* state = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    auto* place = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
    auto* size = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    auto* extents = atom ? xcb_get_property_reply(c, xcb_get_property(c, 0, id, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr)
                         : nullptr;
    std::optional<QRect> frame;
    if (state && state->map_state == XCB_MAP_STATE_VIEWABLE && place && size) {
        frame = QRect(place->dst_x, place->dst_y, size->width, size->height);
        if (extents && xcb_get_property_value_length(extents) == 16) {
            const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(extents));
            frame = frame->adjusted(-static_cast<int>(v[0]), -static_cast<int>(v[2]), static_cast<int>(v[1]),
                                    static_cast<int>(v[3]));
        }
    }
    for (void* reply : {static_cast<void*>(atom), static_cast<void*>(state), static_cast<void*>(place),
                        static_cast<void*>(size), static_cast<void*>(extents)})
        std::free(reply);
    return frame;
}

// The window's frame once it is on the screen, framed by the window manager (a window that asks for
// no frame may be framed for a moment all the same) and centred by the game; the frame as it stands
// when that never happens.
QRect SettledFrame(QWidget& w, int ms = 5000) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const bool framed = !w.windowFlags().testFlag(Qt::FramelessWindowHint);
    QRect seen;
    auto centred = [&] {
        const std::optional<QRect> f = FrameOnScreen(w);
        if (!f) return false;
        seen = *f;
        return (f->size() != w.size() || !framed) && std::abs(f->x() - (screen.width() - f->width()) / 2) <= 2 &&
               std::abs(f->y() - (screen.height() - f->height()) / 2) <= 2;
    };
    PumpUntil(centred, ms);
    return seen;
}

QString FrameLine(const QWidget& w, QRect f) {
    return QStringLiteral("FRAME %1 %2 %3 %4 %5")
        .arg(QLatin1String(w.metaObject()->className()))
        .arg(f.x())
        .arg(f.y())
        .arg(f.width())
        .arg(f.height());
}

// Tells how long after its making the splash is first on the screen.
class SplashWatch : public QObject {
public:
    SplashWatch() : madeAt_(MonotonicMs()) { qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Expose || !watched->isWindowType()) return false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == watched && qobject_cast<frmLogo*>(w) && !seen_) {
                seen_ = true;
                Report(QStringLiteral("SPLASH %1").arg(MonotonicMs() - madeAt_));
                // Within the splash's three seconds.
                QTimer::singleShot(0, w, [w] { Report(FrameLine(*w, SettledFrame(*w, 2000))); });
            }
        return false;
    }

private:
    qint64 madeAt_;
    bool seen_ = false;
};

struct Child {
    std::unique_ptr<QProcess> process;
    QString out;
    bool Finish() {
        const bool finished = process->waitForFinished(90000);
        if (!finished) process->kill();
        out = QString::fromLocal8Bit(process->readAllStandardOutput());
        return finished;
    }
};

Child StartChild(const char* test, const std::vector<std::pair<QString, QString>>& env, const QStringList& drop = {}) {
    Child child{std::make_unique<QProcess>(), {}};
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& name : drop) e.remove(name);
    for (const auto& [name, value] : env) e.insert(name, value);
    e.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.warning=false"));
    child.process->setProcessEnvironment(e);
    child.process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + test});
    return child;
}
}

// The game's start-up for real (the splash's three seconds included) on an X display, then the
// new-game and high-score windows; with QUORBIT_CHILD_BLOCKER another window stands in the middle of
// the screen first, as on any desktop in use.
TEST(WindowsChild, OpensEveryWindowOnTheDisplay) {
    if (!qEnvironmentVariableIsSet("QUORBIT_CHILD_WINDOWS")) GTEST_SKIP() << "runs only as a child of WindowsOnX11";
    std::unique_ptr<QWidget> blocker;
    if (qEnvironmentVariableIsSet("QUORBIT_CHILD_BLOCKER")) {
        blocker = std::make_unique<QWidget>();
        blocker->setGeometry(312, 234, 400, 300);
        blocker->show();
        PumpUntil([&] { return FrameOnScreen(*blocker).value_or(blocker->geometry()).size() != blocker->size(); });
    }
    // From the start of the start-up: the time to load the program varies far more on a busy machine.
    SplashWatch watch;
    frmMain form;
    form.Form_Load();
    Report(FrameLine(form, SettledFrame(form)));
    // Each window is shown modally, as in play, then measured and closed from inside its own loop.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&closer] {
        if (QWidget* d = QApplication::activeModalWidget()) {
            closer.stop();
            Report(FrameLine(*d, SettledFrame(*d)));
            d->close();
        }
    });
    for (Integer key : {vbKeyN, vbKeyH}) {
        closer.start(20);
        form.HotKeys(key);
    }
    Report(QStringLiteral("DONE"));
}

TEST(WindowsOnX11, NoWaitForTheWindowManagerAndEveryFrameCentredWhateverElseIsOnTheScreen) {
    struct Row {
        QString manager;
        bool blocker;  // another window in the middle of the screen
    };
    // Twice each of the two window managers whose start-up times are compared.
    const std::vector<Row> rows{{QStringLiteral("openbox"), false}, {QStringLiteral("fluxbox"), false},
                                {QStringLiteral("openbox"), false}, {QStringLiteral("fluxbox"), false},
                                {QStringLiteral("openbox"), true},  {QStringLiteral("icewm"), false}};
    std::vector<std::unique_ptr<TestSupport::PrivateX>> displays;
    std::vector<Child> children;
    // All at once, so that a busy machine slows every row alike.
    for (const Row& row : rows) {
        displays.push_back(std::make_unique<TestSupport::PrivateX>(row.manager));
        ASSERT_EQ(displays.back()->Problem(), QString());
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::pair<QString, QString>> env{
            {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")},
            {QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(displays[i]->Display())},
            {QStringLiteral("QUORBIT_CHILD_WINDOWS"), QStringLiteral("1")}};
        if (rows[i].blocker) env.emplace_back(QStringLiteral("QUORBIT_CHILD_BLOCKER"), QStringLiteral("1"));
        children.push_back(StartChild("WindowsChild.OpensEveryWindowOnTheDisplay", env));
    }
    std::map<QString, qint64> fastestSplash;
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].manager.toStdString() + (rows[i].blocker ? " with another window" : ""));
        ASSERT_TRUE(children[i].Finish());
        const QString& out = children[i].out;
        ASSERT_TRUE(out.contains(QLatin1String("DONE"))) << out.toStdString();
        std::set<QString> seen;
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char(' '));
            if (f.size() == 2 && f[0] == QLatin1String("SPLASH")) {
                const qint64 ms = f[1].toLongLong();
                auto [it, added] = fastestSplash.emplace(rows[i].manager, ms);
                if (!added) it->second = std::min(it->second, ms);
            }
            if (f.size() != 6 || f[0] != QLatin1String("FRAME")) continue;
            seen.insert(f[1]);
            // Within 2 pixels of the middle of the 1024 x 768 screen, frame included.
            EXPECT_NEAR(f[2].toInt(), (1024 - f[4].toInt()) / 2, 2) << line.toStdString();
            EXPECT_NEAR(f[3].toInt(), (768 - f[5].toInt()) / 2, 2) << line.toStdString();
        }
        EXPECT_EQ(seen, (std::set<QString>{QStringLiteral("frmLogo"), QStringLiteral("frmMain"),
                                           QStringLiteral("frmOptions"), QStringLiteral("frmHighScores")}));
    }
    // A window manager that never answers the frame request holds up nothing: the splash comes as
    // soon as under one that answers at once (a half-second wait for each of the two windows made
    // before it would show).
    ASSERT_EQ(fastestSplash.count(QStringLiteral("fluxbox")), 1u);
    EXPECT_LT(fastestSplash[QStringLiteral("fluxbox")], fastestSplash[QStringLiteral("openbox")] + 500);
}

// On a Wayland compositor, the maximise box Qt draws on the title bar asks for a state the game's
// fixed-size windows cannot take: the compositor would end the game for it.
TEST(WindowsChild, KeepsItsSizeWhenAskedToMaximise) {
    if (!qEnvironmentVariableIsSet("QUORBIT_CHILD_MAXIMISE")) GTEST_SKIP() << "runs only as a child of WindowsOnWayland";
    TestSupport::QuietEnvironment();
    Modal::SetHook([](QDialog& d) { d.close(); });
    frmMain form;
    form.Form_Load();
    auto maximise = [](QWidget& w) {
        PumpUntil([&] { return w.windowHandle() && w.windowHandle()->isExposed(); });
        const QSize before = w.size();
        // What the title bar's maximise box does.
        w.windowHandle()->setWindowStates(w.windowHandle()->windowStates() ^ Qt::WindowMaximized);
        PumpUntil([] { return false; }, 300);
        const bool kept = w.size() == before && !w.windowHandle()->windowStates().testFlag(Qt::WindowMaximized);
        Report(QStringLiteral("%1 %2").arg(kept ? QLatin1String("KEPT") : QLatin1String("GREW"),
                                           QLatin1String(w.metaObject()->className())));
    };
    maximise(form);
    maximise(form);  // a second click is a second request
    Modal::SetHook([&](QDialog& d) {
        if (qobject_cast<frmOptions*>(&d)) maximise(d);
        // The next window's first frame comes after the compositor has dealt with all of the above.
        PumpUntil([&] { return d.windowHandle() && d.windowHandle()->isExposed(); });
        d.close();
    });
    form.HotKeys(vbKeyN);
    form.HotKeys(vbKeyH);
    Report(QStringLiteral("DONE"));
}

TEST(WindowsOnWayland, AMaximiseRequestLeavesEveryWindowAtItsSize) {
    TestSupport::PrivateWayland compositor;
    ASSERT_EQ(compositor.Problem(), QString());
    Child child = StartChild("WindowsChild.KeepsItsSizeWhenAskedToMaximise",
                             {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland")},
                              {QStringLiteral("XDG_RUNTIME_DIR"), compositor.RuntimeDir()},
                              {QStringLiteral("WAYLAND_DISPLAY"), compositor.SocketPath()},
                              {QStringLiteral("QUORBIT_CHILD_MAXIMISE"), QStringLiteral("1")},
                              // The graphics driver Qt loads for OpenGL, which the game never draws
                              // with, is unloaded at the end still holding a block: not ours to report.
                              {QStringLiteral("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION"), QStringLiteral("none")}},
                             {QStringLiteral("DISPLAY")});
    ASSERT_TRUE(child.Finish());
    const QString errors = QString::fromLocal8Bit(child.process->readAllStandardError());
    EXPECT_EQ(child.process->exitCode(), 0) << errors.toStdString() << compositor.Log().toStdString();
    EXPECT_EQ(child.out.count(QLatin1String("KEPT frmMain")), 2) << child.out.toStdString();
    EXPECT_EQ(child.out.count(QLatin1String("KEPT frmOptions")), 1) << child.out.toStdString();
    EXPECT_TRUE(child.out.contains(QLatin1String("DONE"))) << child.out.toStdString();
    EXPECT_FALSE(compositor.Log().contains(QLatin1String("error"))) << compositor.Log().toStdString();
}

// ---- Pause and resume ----

TEST_F(CommandsTest, PauseStopsPlayAndBlinksTheBannerUntilResumed) {
    StartPlay();
    Answer([](QDialog& d) { d.close(); });
    form->HotKeys(vbKeyP);

    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_TRUE(form->PauseTimer.Enabled());
    EXPECT_TRUE(form->GoblinTimer.Enabled());  // only play stops
    EXPECT_EQ(Volume(), -600);
    EXPECT_TRUE(form->Image2->Enabled());
    for (ImageBox* b : {form->Image1, form->Image3, form->Image4, form->Image5, form->Image6})
        EXPECT_FALSE(b->Enabled()) << b->objectName().toStdString();
    EXPECT_TRUE(BoardBlocksHidden());
    EXPECT_TRUE(falling->Visible());
    EXPECT_TRUE(form->GmOv->GetPicture().Is(form->ImageList2, "pause"));

    // The banner first shows after one blink period, then alternates.
    EXPECT_FALSE(form->GmOv->Visible());
    form->PauseTimer.Fire();
    EXPECT_TRUE(form->GmOv->Visible());
    form->PauseTimer.Fire();
    EXPECT_FALSE(form->GmOv->Visible());
    form->PauseTimer.Fire();
    EXPECT_TRUE(form->GmOv->Visible());

    // Nothing but P works while paused, by key or by click.
    for (Integer code : {vbKeyN, vbKeyA, vbKeyI, vbKeyH, vbKeyE}) form->HotKeys(code);
    for (ImageBox* b : {form->Image1, form->Image3, form->Image4, form->Image5, form->Image6})
        QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->Image3->GetPicture().Is(form->ImageList1, "audio1"));

    // A click on the pause button resumes, hiding the banner in whatever phase it was.
    QTest::mouseClick(form->Image2, Qt::LeftButton);
    EXPECT_FALSE(form->GmOv->Visible());
    EXPECT_FALSE(form->PauseTimer.Enabled());
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_FALSE(form->KeysLocked);
    EXPECT_EQ(Volume(), -300);
    for (ImageBox* b : {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6})
        EXPECT_TRUE(b->Enabled()) << b->objectName().toStdString();
    EXPECT_TRUE(BoardBlocksVisible());
    EXPECT_TRUE(falling->Visible());

    // Pause again and resume in the hidden phase: the banner stays hidden.
    form->Image2_Click();
    form->PauseTimer.Fire();
    form->PauseTimer.Fire();
    form->Image2_Click();
    EXPECT_FALSE(form->GmOv->Visible());
    EXPECT_EQ(Volume(), -300);
}

// ---- New ----

TEST_F(CommandsTest, NewDuringPlayThenCancelGoesOnWithTheSameGame) {
    StartPlay();
    const Integer blocks = form->BlockCount;
    Answer([&](QDialog& d) {
        EXPECT_FALSE(form->GameTimer.Enabled());
        EXPECT_TRUE(BoardBlocksHidden());
        EXPECT_EQ(Volume(), -600);
        auto* options = dynamic_cast<frmOptions*>(&d);
        ASSERT_NE(options, nullptr);
        options->Slider1->setValue(12);  // moved, then cancelled
        options->Command3_Click();
    });
    QTest::mouseClick(form->Image1, Qt::LeftButton);

    EXPECT_EQ(shown, std::vector<std::string>{"frmOptions"});
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_TRUE(BoardBlocksVisible());
    EXPECT_EQ(form->BlockCount, blocks);
    EXPECT_EQ(form->BlockAt(form->BlockCount), falling);
    EXPECT_TRUE(falling->Visible());
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("120"));
    EXPECT_FALSE(form->KeysLocked);
    EXPECT_EQ(BoardSize, 10);
    EXPECT_EQ(Volume(), -300);
}

TEST_F(CommandsTest, NewBeforeAnyGameThenCancelChangesNothing) {
    const QSize size = form->size();
    const Integer boardSize = BoardSize;
    Answer([&](QDialog& d) {
        EXPECT_EQ(Volume(), -600);
        auto* options = dynamic_cast<frmOptions*>(&d);
        ASSERT_NE(options, nullptr);
        options->Slider1->setValue(10);
        options->Slider2->setValue(3);
        options->Command3_Click();
    });
    form->Image1_Click();

    EXPECT_EQ(shown, std::vector<std::string>{"frmOptions"});
    EXPECT_EQ(form->size(), size);
    EXPECT_EQ(BoardSize, boardSize);
    EXPECT_EQ(Level, 1);
    EXPECT_FALSE(NewGameRequested);
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->KeysLocked);
    EXPECT_FALSE(form->Image2->Enabled());
    EXPECT_EQ(form->BlockCount, 0);
    EXPECT_EQ(form->LevelLabel->Caption(), QStringLiteral("-"));
    EXPECT_EQ(MediaPlayer::Instance().Calls(), (QStringList{"Volume -600", "Volume -300"}));
}

TEST_F(CommandsTest, NewAfterGameOverThenPlayLaysOutTheChosenSize) {
    StartPlay();
    form->ScoreLabel->SetCaption(QStringLiteral("0"));
    EndGame();
    ASSERT_TRUE(form->Image1->Enabled());
    ASSERT_EQ(form->size(), QSize(620, 420));

    // Play! on a 12 x 12 field at level 1.
    Answer([](QDialog& d) {
        auto* options = dynamic_cast<frmOptions*>(&d);
        ASSERT_NE(options, nullptr);
        options->Slider1->setValue(12);
        options->Slider2->setValue(1);
        options->Command1_Click();
    });
    form->HotKeys(vbKeyN);

    EXPECT_EQ(shown, std::vector<std::string>{"frmOptions"});
    EXPECT_FALSE(NewGameRequested);
    EXPECT_EQ(form->width(), 700);
    EXPECT_EQ(form->height(), 500);
    EXPECT_EQ(form->backPic->Width(), 480);
    EXPECT_EQ(Volume(), -300);
    // The new game itself: banner gone, play running at level 1.
    EXPECT_FALSE(form->GmOv->Visible());
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_TRUE(form->Image2->Enabled());
    EXPECT_EQ(Level, 1);
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("0"));
}

TEST_F(CommandsTest, CommandsOpenNoSecondWindowAndNewWaitsForALanding) {
    StartPlay();
    Answer([&](QDialog& d) {
        if (shown.size() > 1) return;
        // A click or key that gets through while a window is up does nothing.
        form->Image1_Click();
        form->Image2_Click();
        form->Image4_Click();
        form->HotKeys(vbKeyH);
        form->Image6_Click();
        EXPECT_FALSE(form->PauseTimer.Enabled());
        d.close();
    });
    form->Image3_Click();
    EXPECT_EQ(shown, std::vector<std::string>{"frmAudio"});
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_EQ(Volume(), -300);

    // New chosen while a landing is still being processed is not taken.
    shown.clear();
    form->TickRunning = true;
    form->Image1_Click();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_TRUE(BoardBlocksVisible());
    form->TickRunning = false;
}

// ---- Audio, instructions, high scores ----

namespace {
struct WindowCommand {
    void (frmMain::*click)();
    const char* window;
    bool halves;  // the high-score window halves the volume itself
};
const WindowCommand kWindowCommands[] = {
    {&frmMain::Image3_Click, "frmAudio", true},
    {&frmMain::Image4_Click, "frmInstruct", true},
    {&frmMain::Image5_Click, "frmHighScores", false},
};
}

TEST_F(CommandsTest, WindowCommandsSuspendPlayAndResumeIt) {
    StartPlay();
    for (const WindowCommand& c : kWindowCommands) {
        shown.clear();
        Answer([&](QDialog& d) {
            EXPECT_FALSE(form->GameTimer.Enabled()) << c.window;
            EXPECT_TRUE(BoardBlocksHidden()) << c.window;
            EXPECT_TRUE(falling->Visible()) << c.window;
            EXPECT_TRUE(form->GoblinTimer.Enabled()) << c.window;
            EXPECT_EQ(Volume(), -600) << c.window;
            d.close();
        });
        (form.get()->*c.click)();
        EXPECT_EQ(shown, std::vector<std::string>{c.window});
        EXPECT_TRUE(form->GameTimer.Enabled()) << c.window;
        EXPECT_TRUE(BoardBlocksVisible()) << c.window;
        EXPECT_FALSE(form->KeysLocked) << c.window;
        if (c.halves) {
            EXPECT_EQ(Volume(), -300) << c.window;
        }
        MediaPlayer::Instance().SetVolume(-300);
    }
}

TEST_F(CommandsTest, WindowCommandsBeforeAGameLeavePlayOff) {
    for (const WindowCommand& c : kWindowCommands) {
        shown.clear();
        Answer([](QDialog& d) { d.close(); });
        (form.get()->*c.click)();
        EXPECT_EQ(shown, std::vector<std::string>{c.window});
        EXPECT_FALSE(form->GameTimer.Enabled()) << c.window;
        EXPECT_TRUE(form->KeysLocked) << c.window;
        EXPECT_FALSE(form->GmOv->Visible()) << c.window;
        if (c.halves) {
            EXPECT_EQ(Volume(), -300) << c.window;
        }
        MediaPlayer::Instance().SetVolume(-300);
    }
}

TEST_F(CommandsTest, WindowCommandsAfterGameOverKeepTheBlocksBehindTheBanner) {
    StartPlay();
    form->ScoreLabel->SetCaption(QStringLiteral("0"));
    EndGame();
    ASSERT_TRUE(form->GmOv->Visible());
    for (const WindowCommand& c : kWindowCommands) {
        shown.clear();
        Answer([&](QDialog& d) {
            EXPECT_TRUE(BoardBlocksVisible()) << c.window;
            d.close();
        });
        (form.get()->*c.click)();
        EXPECT_EQ(shown, std::vector<std::string>{c.window});
        EXPECT_FALSE(form->GameTimer.Enabled()) << c.window;
        EXPECT_TRUE(BoardBlocksVisible()) << c.window;
        EXPECT_TRUE(form->GmOv->Visible()) << c.window;
        if (c.halves) {
            EXPECT_EQ(Volume(), -300) << c.window;
        }
        MediaPlayer::Instance().SetVolume(-300);
    }
    // After the banner P stays off and N offers a new game.
    shown.clear();
    Answer([](QDialog& d) { d.close(); });
    form->HotKeys(vbKeyP);
    EXPECT_FALSE(form->PauseTimer.Enabled());
    form->HotKeys(vbKeyN);
    EXPECT_EQ(shown, std::vector<std::string>{"frmOptions"});
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(BoardBlocksVisible());
}

TEST_F(CommandsTest, HighScoreWindowBringsTheVolumeBackWhenItCloses) {
    StartPlay();
    Answer([](QDialog& d) {
        EXPECT_EQ(MediaPlayer::Instance().Volume(), -600);
        d.close();
    });
    form->HotKeys(vbKeyH);
    EXPECT_EQ(Volume(), -300);
    // Only the window halves: the command itself writes the volume once.
    EXPECT_EQ(MediaPlayer::Instance().Calls().count(QStringLiteral("Volume -600")), 1);
}

// ---- Exit ----

TEST_F(CommandsTest, ExitAnsweredNoResumesWhereItWas) {
    // Before any game nothing starts.
    Answer([](QDialog& d) { d.hide(); });
    form->Image6_Click();
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_EQ(TestSupport::EndCount(), 0);
    EXPECT_EQ(Volume(), -300);

    StartPlay();
    shown.clear();
    Answer([&](QDialog& d) {
        EXPECT_EQ(PromptText, QStringLiteral("Are you sure you want to exit 'Quorbit!'?"));
        EXPECT_EQ(PromptCaption, QStringLiteral("Exit Game?"));
        EXPECT_EQ(PromptMode, 1);
        EXPECT_EQ(Volume(), -600);
        EXPECT_TRUE(BoardBlocksHidden());
        EXPECT_FALSE(form->GameTimer.Enabled());
        d.hide();  // "No"
    });
    form->HotKeys(vbKeyE);
    EXPECT_EQ(shown, std::vector<std::string>{"frmCustomInput"});
    EXPECT_EQ(TestSupport::EndCount(), 0);
    EXPECT_TRUE(form->GameTimer.Enabled());
    EXPECT_TRUE(BoardBlocksVisible());
    EXPECT_EQ(form->ScoreLabel->Caption(), QStringLiteral("120"));
    EXPECT_EQ(Volume(), -300);
}

TEST_F(CommandsTest, ExitAnsweredYesSavesTheSettingsAndEndsAtOnce) {
    const QString app = QStringLiteral("Felmarch"), section = QStringLiteral("Quorbit");
    // The stored file would otherwise reach every later test's start-up.
    struct DropStore {
        QString path;
        ~DropStore() { QFile::remove(path); }
    } dropStore{Registry::FilePath(app)};
    QFile::remove(dropStore.path);
    StartPlay();
    MaxLevel = 9;
    Settings::NoteNewEntry(QStringLiteral("1,234"), QStringLiteral("Ann"));
    Answer([](QDialog& d) {
        auto* prompt = dynamic_cast<frmCustomInput*>(&d);
        ASSERT_NE(prompt, nullptr);
        prompt->AnsweredYes = true;
        prompt->hide();
    });
    form->Image6_Click();

    EXPECT_EQ(TestSupport::EndCount(), 1);
    // Nothing resumes after the end.
    EXPECT_FALSE(form->GameTimer.Enabled());
    EXPECT_TRUE(BoardBlocksHidden());
    EXPECT_EQ(Volume(), -300);

    const Registry::Session stored(app, Registry::Session::Access::Read);
    EXPECT_EQ(stored.Get(section, "MaxLevel", ""), QStringLiteral("9"));
    EXPECT_EQ(stored.Get(section, "TopScore1", ""), QStringLiteral("1,234"));
    EXPECT_EQ(stored.Get(section, "TopScoreName1", ""), QStringLiteral("Ann"));
    EXPECT_EQ(stored.Get(section, "TopScoreName10", ""), QStringLiteral("---"));
}
