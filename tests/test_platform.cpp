// The platform stand-ins: timers, picture boxes and lists, labels, numbers, randomness, the settings
// store, the music and effect players, and the sound-effect gate.
#include "TestSupport.h"

#include "game/Module1.h"
#include "platform/AudioDevice.h"
#include "platform/CallLog.h"
#include "platform/Label.h"
#include "platform/MediaPlayer.h"
#include "platform/NumberFormat.h"
#include "platform/PictureBox.h"
#include "platform/PictureList.h"
#include "platform/Program.h"
#include "platform/Random.h"
#include "platform/Registry.h"
#include "platform/SoundPlayer.h"
#include "platform/Timer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <climits>
#include <sys/stat.h>
#include <vector>

namespace {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { TestSupport::QuietEnvironment(); }
    void TearDown() override {
        Timer::SetManual(true);
        Program::Reset();
    }
};

using TestSupport::ScopedConfigHome;

QColor PixelAt(const PictureBox& box, int x, int y) {
    const QImage img = box.Canvas().toImage();
    const qreal ratio = box.Canvas().devicePixelRatio();
    return img.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
}

// A plain red picture to paint with, drawn at its own size or smaller.
Picture SolidRed() {
    QPixmap pix(40, 40);
    pix.fill(Qt::red);
    return Picture{&Pictures::ImageListRed(), QStringLiteral("zero"), pix};
}
bool IsReddish(const QColor& c) { return c.red() > 200 && c.green() < 40 && c.blue() < 40; }

}  // namespace

// ---- Timer ----

TEST_F(PlatformTest, TimerRestartsOnNewIntervalAndIgnoresRepeatedEnable) {
    // Judged by the order of ticks and by lower bounds only, so that a loaded machine cannot fail it.
    Timer::SetManual(false);
    QElapsedTimer clock;
    std::vector<const char*> order;
    qint64 restartedAt = -1, restartedTick = -1;
    int zeroTicks = 0, disabledTicks = 0;
    Timer restarted(400), kept(400), zero(0), disabled(400);
    restarted.OnTimer = [&] {
        if (restartedTick < 0) restartedTick = clock.elapsed();
        order.push_back("restarted");
    };
    kept.OnTimer = [&] { order.push_back("kept"); };
    zero.OnTimer = [&] { ++zeroTicks; };
    disabled.OnTimer = [&] { ++disabledTicks; };
    clock.start();
    restarted.SetEnabled(true);  // started first: unless restarted, it would tick first
    kept.SetEnabled(true);
    zero.SetEnabled(true);

    QThread::msleep(250);  // no events: nothing can tick before the changes below
    restartedAt = clock.elapsed();
    restarted.SetInterval(400);  // counts from here again
    kept.SetEnabled(true);       // already running: left alone, so it ticks first
    disabled.SetInterval(20);    // a new interval does not start a stopped timer
    ASSERT_TRUE(QTest::qWaitFor([&] { return restartedTick >= 0; }, 10000));
    ASSERT_GE(order.size(), 2u);
    EXPECT_STREQ(order[0], "kept");
    EXPECT_GE(restartedTick, restartedAt + 400);
    EXPECT_EQ(zeroTicks, 0);
    EXPECT_EQ(disabledTicks, 0);
    EXPECT_TRUE(zero.Enabled());
    EXPECT_FALSE(disabled.Enabled());
    EXPECT_EQ(disabled.Interval(), 20);

    restarted.SetEnabled(false);
    kept.SetEnabled(false);
    const size_t before = order.size();
    QTest::qWait(500);
    EXPECT_EQ(order.size(), before);
}

TEST_F(PlatformTest, TimerFireRunsHandlerUntilProgramEnds) {
    Timer t(1000);
    int ticks = 0;
    t.Fire();  // no handler yet: nothing happens
    t.OnTimer = [&] { ++ticks; };
    t.Fire();
    t.Fire();
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(t.Enabled());  // firing by hand is no enabling

    Program::End();
    EXPECT_EQ(TestSupport::EndCount(), 1);
    EXPECT_TRUE(Program::Ended());
    t.Fire();
    EXPECT_EQ(ticks, 2);

    // A real timer that falls due after the end runs nothing either.
    Timer::SetManual(false);
    Timer live(10);
    live.OnTimer = [&] { ++ticks; };
    live.SetEnabled(true);
    QTest::qWait(100);
    live.SetEnabled(false);
    EXPECT_EQ(ticks, 2);
}

// ---- PictureBox ----

TEST_F(PlatformTest, PictureBoxKeepsRealGeometryAndShowsItRounded) {
    QWidget parent;
    PictureBox box(&parent);
    box.Move(12.5, 7.4);
    box.SetWidth(40.6);
    box.SetHeight(39.5);
    EXPECT_DOUBLE_EQ(box.Left(), 12.5);
    EXPECT_DOUBLE_EQ(box.Top(), 7.4);
    EXPECT_DOUBLE_EQ(box.Width(), 40.6);
    EXPECT_DOUBLE_EQ(box.Height(), 39.5);
    EXPECT_EQ(box.geometry(), QRect(13, 7, 41, 40));

    box.SetLeft(-3.5);
    box.SetTop(150);
    EXPECT_EQ(box.pos(), QPoint(-4, 150));
    EXPECT_DOUBLE_EQ(box.Left(), -3.5);

    // A negative size is no size; a huge one stays bounded.
    box.SetWidth(-10);
    EXPECT_DOUBLE_EQ(box.Width(), 0);
    EXPECT_EQ(box.width(), 0);
    box.SetLeft(1e300);
    EXPECT_EQ(box.x(), 1000000);
}

TEST_F(PlatformTest, PictureBoxCanvasKeepsPaintingUntilPictureOrColourIsSet) {
    QWidget parent;
    PictureBox box(&parent);
    box.SetBackColor(Qt::black);
    box.SetWidth(40);
    box.SetHeight(40);
    ASSERT_FALSE(box.Canvas().isNull());
    EXPECT_EQ(PixelAt(box, 20, 20), QColor(Qt::black));

    const Picture red = SolidRed();
    box.PaintPicture(red, 0, 0, 20, 20);
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));
    EXPECT_EQ(PixelAt(box, 30, 30), QColor(Qt::black));
    // Painting is not the box's picture.
    EXPECT_TRUE(box.GetPicture().IsNull());
    box.Refresh();
    box.update();
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));

    // A move keeps what was painted.
    box.Move(100, 100);
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));

    // Growing keeps the painting, the new part takes the back colour.
    box.SetWidth(80);
    EXPECT_EQ(box.Canvas().deviceIndependentSize().toSize(), QSize(80, 40));
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));
    EXPECT_EQ(PixelAt(box, 70, 20), QColor(Qt::black));

    // A shrink shows less but forgets nothing: the next growth shows it again.
    box.PaintPicture(red, 60, 0, 20, 20);
    box.SetWidth(30);
    box.SetHeight(30);
    EXPECT_EQ(box.Canvas().deviceIndependentSize().toSize(), QSize(30, 30));
    box.SetWidth(80);
    box.SetHeight(40);
    EXPECT_EQ(box.Canvas().deviceIndependentSize().toSize(), QSize(80, 40));
    EXPECT_TRUE(IsReddish(PixelAt(box, 70, 10)));
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));
    EXPECT_EQ(PixelAt(box, 70, 30), QColor(Qt::black));

    // Nothing to paint, or an empty rectangle: the canvas is left as it is.
    const QImage before = box.Canvas().toImage();
    box.PaintPicture(Picture{}, 0, 0, 40, 40);
    box.PaintPicture(red, 0, 0, 0, 40);
    box.PaintPicture(red, 0, 0, 40, -1);
    EXPECT_EQ(box.Canvas().toImage(), before);

    // A new back colour wipes the painting.
    box.SetBackColor(Qt::white);
    EXPECT_EQ(PixelAt(box, 2, 2), QColor(Qt::white));

    // So does a picture, which is shown from the top-left corner at its own size.
    box.PaintPicture(red, 0, 0, 40, 40);
    EXPECT_TRUE(IsReddish(PixelAt(box, 2, 2)));
    const Picture blue = Pictures::ImageListBlue().ListImages(QStringLiteral("five"));
    box.SetPicture(blue);
    EXPECT_TRUE(box.GetPicture().Is(Pictures::ImageListBlue(), QStringLiteral("five")));
    EXPECT_FALSE(IsReddish(PixelAt(box, 2, 2)));
    EXPECT_EQ(PixelAt(box, 70, 20), QColor(Qt::white));
    box.ClearPicture();
    EXPECT_TRUE(box.GetPicture().IsNull());
    EXPECT_EQ(PixelAt(box, 2, 2), QColor(Qt::white));
}

// ---- PictureList ----

TEST_F(PlatformTest, PictureListsGiveEveryKeyAtItsListedSize) {
    struct ListCase {
        PictureList& list;
        QSize size;
        int keys;
    };
    const ListCase lists[] = {{Pictures::ImageListGoblin0(), {40, 40}, 9}, {Pictures::ImageListRed(), {40, 40}, 15},
                              {Pictures::ImageListBlue(), {40, 40}, 15},   {Pictures::ImageListBlue2(), {40, 40}, 15},
                              {Pictures::ImageList1(), {180, 36}, 12},     {Pictures::ImageList2(), {300, 100}, 5}};
    for (const ListCase& entry : lists) {
        EXPECT_EQ(entry.list.Keys().size(), entry.keys) << entry.list.Name().toStdString();
        EXPECT_EQ(QSize(entry.list.ImageWidth(), entry.list.ImageHeight()), entry.size);
        for (const QString& key : entry.list.Keys()) {
            SCOPED_TRACE(entry.list.Name().toStdString() + " " + key.toStdString());
            const Picture p = entry.list.ListImages(key);
            ASSERT_FALSE(p.IsNull());
            const QSize want = key.startsWith(QLatin1String("tile")) ? QSize(200, 620) : entry.size;
            EXPECT_EQ(p.Size(), want);
            EXPECT_EQ(p.pixmap.deviceIndependentSize().toSize(), want);
            EXPECT_TRUE(p.Is(entry.list, key));
            // Our own art for every key, not the stand-in box for a missing file.
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/pictures/%1/%2.svg")
                                          .arg(entry.list.Name() == QLatin1String("ImageListGoblin") ? "goblin"
                                               : entry.list.Name() == QLatin1String("ImageListRed")  ? "red"
                                               : entry.list.Name() == QLatin1String("ImageListBlue") ? "blue"
                                               : entry.list.Name() == QLatin1String("ImageListBlue2") ? "blue2"
                                               : entry.list.Name() == QLatin1String("ImageList1")    ? "buttons"
                                                                                                     : "banners",
                                               key)));
        }
    }
    EXPECT_TRUE(Pictures::ImageList1().ListImages(QStringLiteral("new3")).IsNull());
    EXPECT_TRUE(Pictures::ImageListBlue().ListImages(QString()).IsNull());
}

TEST_F(PlatformTest, PictureIdentityComparesListAndKey) {
    const Picture five = Pictures::ImageListBlue().ListImages(QStringLiteral("five"));
    EXPECT_TRUE(five.Is(Pictures::ImageListBlue(), QStringLiteral("five")));
    EXPECT_FALSE(five.Is(Pictures::ImageListBlue2(), QStringLiteral("five")));
    EXPECT_FALSE(five.Is(Pictures::ImageListRed(), QStringLiteral("five")));
    EXPECT_FALSE(five.Is(Pictures::ImageListBlue(), QStringLiteral("six")));
    EXPECT_FALSE(Picture{}.Is(Pictures::ImageListBlue(), QString()));
    // The same key twice is the same picture, rendered once.
    const Picture again = Pictures::ImageListBlue().ListImages(QStringLiteral("five"));
    EXPECT_EQ(again.pixmap.cacheKey(), five.pixmap.cacheKey());
    // The light blue differs from the dark blue, or the flash could not be seen.
    const Picture light = Pictures::ImageListBlue2().ListImages(QStringLiteral("five"));
    EXPECT_NE(light.pixmap.toImage(), five.pixmap.toImage());
}

TEST_F(PlatformTest, PictureDrawnLargerIsRenderedFreshAndSmallerIsScaled) {
    const PictureList& list = Pictures::ImageListGoblin0();
    // Rendered ahead on worker threads: the same pictures as rendered on the spot.
    list.Prepare(QStringLiteral("goblin1"), {120, 120});
    const Picture p = list.ListImages(QStringLiteral("goblin1"));
    const QPixmap big = p.At({120, 120});
    EXPECT_EQ(big.deviceIndependentSize().toSize(), QSize(120, 120));
    EXPECT_EQ(big.toImage(), list.Render(QStringLiteral("goblin1"), {120, 120}).toImage());
    const QPixmap small = p.At({20, 10});
    EXPECT_EQ(small.deviceIndependentSize().toSize(), QSize(20, 10));
    EXPECT_EQ(p.At({40, 40}).cacheKey(), p.pixmap.cacheKey());
    EXPECT_TRUE(p.At({0, 40}).isNull());
    EXPECT_TRUE(Picture{}.At({40, 40}).isNull());
}

// ---- Label ----

TEST_F(PlatformTest, LabelChangeHandlerRunsOnlyOnRealChange) {
    Label label;
    int runs = 0;
    label.OnChange = [&] { ++runs; };
    label.SetCaption(QStringLiteral("0"));
    EXPECT_EQ(runs, 1);
    label.SetCaption(QStringLiteral("0"));
    EXPECT_EQ(runs, 1);
    label.SetCaption(QStringLiteral("12"));
    label.SetCaption(QString());
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(label.Caption(), QString());
    label.SetCaption(QString());
    EXPECT_EQ(runs, 3);
    // A handler that writes the caption back sees it settle.
    label.OnChange = [&] {
        ++runs;
        label.SetCaption(QStringLiteral("fixed"));
    };
    label.SetCaption(QStringLiteral("x"));
    EXPECT_EQ(runs, 5);
    EXPECT_EQ(label.Caption(), QStringLiteral("fixed"));
}

// ---- NumberFormat ----

class PlatformNumberFormat : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        saved_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        QLocale::setDefault(saved_);
        PlatformTest::TearDown();
    }
    QLocale saved_;
};

TEST_F(PlatformNumberFormat, CaptionsFormatAsGroupedWholeNumbers) {
    EXPECT_EQ(FormatNumber(5000), QStringLiteral("5,000"));
    EXPECT_EQ(FormatNumber(0), QStringLiteral("0"));
    EXPECT_EQ(FormatNumber(999), QStringLiteral("999"));
    EXPECT_EQ(FormatNumber(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(FormatCaption(QStringLiteral("5000")), QStringLiteral("5,000"));
    EXPECT_EQ(FormatCaption(QStringLiteral("5,000")), QStringLiteral("5,000"));
    EXPECT_EQ(FormatCaption(QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(FormatCaption(QStringLiteral("-1234")), QStringLiteral("-1,234"));
    EXPECT_EQ(FormatCaption(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(FormatCaption(QString()), QString());
    EXPECT_EQ(FormatCaption(QStringLiteral("12.5")), QStringLiteral("12.5"));
    EXPECT_EQ(FormatCaption(QStringLiteral("2147483648")), QStringLiteral("2,147,483,648"));

    // Another locale groups with its own separator and reads it back.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatCaption(QStringLiteral("5000")), QStringLiteral("5.000"));
    qint32 v = 0;
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("5.000"), v));
    EXPECT_EQ(v, 5000);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("5,000"), v));
    EXPECT_EQ(v, 5000);
}

TEST_F(PlatformNumberFormat, ReadingWholeNumbersStaysWithin32Bits) {
    qint32 v = -1;
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("5,000"), v));
    EXPECT_EQ(v, 5000);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("1,234,567"), v));
    EXPECT_EQ(v, 1234567);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral(" 42 "), v));
    EXPECT_EQ(v, 42);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("-1,234"), v));
    EXPECT_EQ(v, -1234);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("2,147,483,647"), v));
    EXPECT_EQ(v, INT32_MAX);
    ASSERT_TRUE(ReadWholeNumber(QStringLiteral("-2147483648"), v));
    EXPECT_EQ(v, INT32_MIN);

    v = 77;
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("2147483648"), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("2,147,483,648"), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("-2147483649"), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("99999999999999999999999"), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("abc"), v));
    EXPECT_FALSE(ReadWholeNumber(QString(), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("   "), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("12.5"), v));
    EXPECT_FALSE(ReadWholeNumber(QStringLiteral("1e3"), v));
    EXPECT_FALSE(ReadWholeNumber(QString(100000, QLatin1Char('9')), v));
    EXPECT_EQ(v, 77);  // a failed read leaves the target alone
}

// ---- Random ----

TEST_F(PlatformTest, RandomDrawsStayInRangeAndRepeatWhenSeeded) {
    SeedRandom(99);
    std::vector<int> counts(6, 0);
    for (int i = 0; i < 6000; ++i) {
        const int v = RndInt(6);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 6);
        ++counts[static_cast<size_t>(v)];
    }
    for (int c : counts) EXPECT_GT(c, 800);  // every value comes up, roughly equally
    for (int i = 0; i < 1000; ++i) {
        const double r = Rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    EXPECT_EQ(RndInt(1), 0);
    EXPECT_EQ(RndInt(0), 0);
    EXPECT_EQ(RndInt(-5), 0);

    auto draw = [] {
        std::vector<int> seq;
        for (int i = 0; i < 20; ++i) seq.push_back(RndInt(1000));
        return seq;
    };
    SeedRandom(7);
    const std::vector<int> first = draw();
    SeedRandom(7);
    EXPECT_EQ(draw(), first);
    SeedRandom(7);
    Randomize();  // clock mixing is off in tests
    EXPECT_EQ(draw(), first);
    SeedRandom(8);
    EXPECT_NE(draw(), first);

    SetClockMixing(true);
    SeedRandom(7);
    Randomize();
    const std::vector<int> mixed = draw();
    SetClockMixing(false);
    EXPECT_NE(mixed, first);
}

// ---- Registry ----

TEST_F(PlatformTest, RegistryKeepsAwkwardTextsUnchanged) {
    ScopedConfigHome home;
    const QString app = QStringLiteral("Felmarch"), section = QStringLiteral("Quorbit");
    const std::vector<QString> values{
        QStringLiteral("plain"),
        QStringLiteral("5,000"),
        QStringLiteral("Ann, Bob, Cy"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("a=b=c"),
        QStringLiteral("[Quorbit]"),
        QStringLiteral("semi;colon #hash"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("@Variant(x)"),
        QStringLiteral("@"),
        QStringLiteral("  spaced  "),
        QString(),
        QString::fromUtf8("Zo\xc3\xab \xe2\x98\x85 \xe6\x97\xa5"),
        QStringLiteral("tab\there\nnew line\r\x01\x1f\x7f end"),
        QString(10000, QLatin1Char('x')) + QStringLiteral(",\"="),
    };
    {
        Registry::Session store(app, Registry::Session::Access::Change);
        for (size_t i = 0; i < values.size(); ++i) store.Set(section, QStringLiteral("Key%1").arg(i), values[i]);
        ASSERT_TRUE(store.Commit()) << qPrintable(store.Problem());
    }

    const QString file = home.Path() + QStringLiteral("/Felmarch/Quorbit.conf");
    EXPECT_EQ(Registry::FilePath(app), file);
    ASSERT_TRUE(QFile::exists(file));
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_TRUE(raw.childGroups().contains(QStringLiteral("Quorbit")));

    const Registry::Session stored(app, Registry::Session::Access::Read);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(stored.Get(section, QStringLiteral("Key%1").arg(i), QStringLiteral("default")), values[i])
            << "value " << i;
    EXPECT_EQ(stored.Get(section, QStringLiteral("Missing"), QStringLiteral("---")), QStringLiteral("---"));
    EXPECT_EQ(stored.Get(QStringLiteral("Other"), QStringLiteral("Key0"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(PlatformTest, RegistryReadsHandWrittenValuesAsOneText) {
    ScopedConfigHome home;
    QDir().mkpath(home.Path() + QStringLiteral("/Felmarch"));
    QFile f(home.Path() + QStringLiteral("/Felmarch/Quorbit.conf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Quorbit]\nTopScoreName1=Ann, Bob\nMaxLevel=7\nEmpty=\n");
    f.close();
    const Registry::Session stored(QStringLiteral("Felmarch"), Registry::Session::Access::Read);
    EXPECT_EQ(stored.Get("Quorbit", "TopScoreName1", "---"), QStringLiteral("Ann, Bob"));
    EXPECT_EQ(stored.Get("Quorbit", "MaxLevel", "5"), QStringLiteral("7"));
    EXPECT_EQ(stored.Get("Quorbit", "Empty", "x"), QString());
}

// ---- MediaPlayer ----

TEST_F(PlatformTest, VolumeDoublingThenHalvingGivesBackTheValue) {
    MediaPlayer& player = MediaPlayer::Instance();
    for (std::int32_t v : {0, -1, -2, -3, -5, -7, -1000, -1799, -10001, -1073741824, 1, 3}) {
        player.SetVolume(v);
        DoubleVolume(player);
        EXPECT_EQ(player.Volume(), v * 2) << v;
        HalveVolume(player);
        EXPECT_EQ(player.Volume(), v) << v;
    }

    // A doubling that would leave 32 bits is skipped.
    for (std::int32_t v : {INT32_MIN, -1073741825, 1073741824, INT32_MAX}) {
        player.SetVolume(v);
        player.Calls().clear();
        DoubleVolume(player);
        EXPECT_EQ(player.Volume(), v);
        EXPECT_TRUE(player.Calls().isEmpty());
    }

    // Halving rounds to the nearest whole number, an exact half to the even one.
    const std::pair<std::int32_t, std::int32_t> halves[] = {{-3, -2}, {-5, -2}, {-1, 0}, {1, 0}, {3, 2},
                                                            {5, 2},   {-7, -4}, {-6, -3}, {0, 0}, {INT32_MIN, -1073741824}};
    for (auto [value, half] : halves) {
        player.SetVolume(value);
        HalveVolume(player);
        EXPECT_EQ(player.Volume(), half) << value;
    }
}

TEST_F(PlatformTest, MediaPlayerPlaysOnlyWhenToldAndOnlyExistingFiles) {
    MediaPlayer& player = MediaPlayer::Instance();
    const QString track = Module1::AudioFolder() + QStringLiteral("Quorbit1.mid");
    ASSERT_TRUE(QFile::exists(track)) << track.toStdString();
    EXPECT_EQ(player.PlayState(), 0);

    player.SetFileName(track);
    EXPECT_EQ(player.FileName(), track);
    EXPECT_EQ(player.PlayState(), 0);
    EXPECT_EQ(player.Calls(), QStringList{QStringLiteral("FileName ") + track});

    player.Pause();  // nothing to pause
    EXPECT_EQ(player.PlayState(), 0);
    player.Play();
    EXPECT_NE(player.PlayState(), 0);
    player.Pause();
    EXPECT_NE(player.PlayState(), 0);  // paused is still loaded
    const std::int32_t paused = player.PlayState();
    player.Play();
    EXPECT_NE(player.PlayState(), 0);
    EXPECT_NE(player.PlayState(), paused);

    // A new file stops what played before and does not start by itself.
    const QString other = Module1::AudioFolder() + QStringLiteral("Quorbit2.mid");
    player.SetFileName(other);
    EXPECT_EQ(player.PlayState(), 0);

    // A missing file cannot play.
    const QString missing = Module1::AudioFolder() + QStringLiteral("no_such_track.mid");
    player.SetFileName(missing);
    player.Play();
    EXPECT_EQ(player.PlayState(), 0);
    player.SetFileName(QString());
    player.Play();
    EXPECT_EQ(player.PlayState(), 0);

    player.Reset();
    EXPECT_TRUE(player.Calls().isEmpty());
    EXPECT_EQ(player.FileName(), QString());
    EXPECT_EQ(player.Volume(), 0);
}

// ---- SoundPlayer and the sound-effect gate ----

TEST_F(PlatformTest, SoundPlayerRecordsEveryRequestAndStaysSilentOnMissingFiles) {
    const QString bomb = Module1::AudioFolder() + QStringLiteral("bomb.wav");
    const QString missing = Module1::AudioFolder() + QStringLiteral("missing.wav");
    SoundPlayer::PlayAsync(bomb);
    SoundPlayer::PlayAsync(missing);
    SoundPlayer::PlayAsync(missing);
    SoundPlayer::PlayAsync(QString());
    SoundPlayer::PlayAsync(bomb);
    EXPECT_EQ(SoundPlayer::History(), (QStringList{bomb, missing, missing, QString(), bomb}));

    // Real play keeps no log.
    CallLog::SetRecording(false);
    SoundPlayer::PlayAsync(bomb);
    MediaPlayer::Instance().Play();
    CallLog::SetRecording(true);
    EXPECT_EQ(SoundPlayer::History().size(), 5);
    EXPECT_TRUE(MediaPlayer::Instance().Calls().isEmpty());
}

// What the audio thread hands to the device: the game's own files, and nothing that would make the
// synthesiser read it again and again.
TEST_F(PlatformTest, OnlyPlayableSoundFilesReachTheDevice) {
    auto read = [](const QString& path) {
        bool exists = false;
        return SoundFiles::Read(QFile::encodeName(path), exists);
    };
    for (int i = 1; i <= 5; ++i)
        EXPECT_TRUE(SoundFiles::IsPlayableMidi(read(Module1::AudioFolder() + QStringLiteral("Quorbit%1.mid").arg(i)))) << i;
    const QByteArray oneTick("MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0\x08\0\x90\x3c\x40\x01\xff\x2f\0", 30);
    EXPECT_TRUE(SoundFiles::IsPlayableMidi(oneTick));
    QByteArray endsAtOnce = oneTick;
    endsAtOnce[26] = 0;  // the track's end moved to its start
    EXPECT_FALSE(SoundFiles::IsPlayableMidi(endsAtOnce));
    EXPECT_FALSE(SoundFiles::IsPlayableMidi(oneTick.left(oneTick.size() - 1)));
    EXPECT_FALSE(SoundFiles::IsPlayableMidi(oneTick.left(14)));
    EXPECT_FALSE(SoundFiles::IsPlayableMidi(QByteArray()));
    const QByteArray wave = read(Module1::AudioFolder() + QStringLiteral("bomb.wav"));
    EXPECT_TRUE(SoundFiles::IsWave(wave));
    EXPECT_FALSE(SoundFiles::IsWave(wave.left(11)));
    EXPECT_FALSE(SoundFiles::IsWave(oneTick));

    // Folders and pipes exist but are never opened for reading; a missing file is no damage.
    QTemporaryDir dir;
    const QByteArray pipe = QFile::encodeName(dir.path() + QStringLiteral("/pipe.mid"));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    for (const QByteArray& path : {QFile::encodeName(dir.path()), pipe}) {
        bool exists = false;
        EXPECT_TRUE(SoundFiles::Read(path, exists).isEmpty());
        EXPECT_TRUE(exists);
    }
    bool exists = true;
    EXPECT_TRUE(SoundFiles::Read(pipe + ".missing", exists).isEmpty());
    EXPECT_FALSE(exists);

    // The player learns what the audio thread found: an unplayable file plays as a missing one does.
    MediaPlayer& player = MediaPlayer::Instance();
    player.SetFileName(QString::fromLocal8Bit(pipe));
    player.Play();
    ASSERT_TRUE(AudioDevice::Drain(10000));
    EXPECT_EQ(player.PlayState(), 0);
    player.Play();
    EXPECT_EQ(player.PlayState(), 0);
    player.SetFileName(Module1::AudioFolder() + QStringLiteral("Quorbit2.mid"));
    player.Play();
    ASSERT_TRUE(AudioDevice::Drain(10000));
    EXPECT_EQ(player.PlayState(), 2);
}

TEST_F(PlatformTest, SoundEffectGateDecidesPerCall) {
    Module1::SoundEffectsOn = false;
    PlaySoundEffect(QStringLiteral("bomb.wav"));
    PlaySoundEffect(QStringLiteral("star.wav"));
    EXPECT_TRUE(SoundPlayer::History().isEmpty());

    Module1::SoundEffectsOn = true;
    EXPECT_TRUE(SoundPlayer::History().isEmpty());  // nothing held back plays late
    PlaySoundEffect(QStringLiteral("equation.wav"));
    EXPECT_EQ(SoundPlayer::History(), QStringList{Module1::AudioFolder() + QStringLiteral("equation.wav")});
    EXPECT_TRUE(Module1::AudioFolder().endsWith(QLatin1String("/audio/")));

    Module1::SoundEffectsOn = false;
    PlaySoundEffect(QStringLiteral("game_over.wav"));
    EXPECT_EQ(SoundPlayer::History().size(), 1);
    EXPECT_EQ(TestSupport::Sounds(), QStringList{QStringLiteral("equation.wav")});
}
