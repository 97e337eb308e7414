// The game at real speed on a shown window: its own GameTimer, real pauses, and what reaches the
// screen. Bounds on time are lower bounds only (a loaded machine can only lengthen them).
#include "RealPlay.h"
#include "TestSupport.h"

#include "platform/Pacing.h"
#include "platform/Timer.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QTest>

namespace {
using RealPlay::DisableWatch;
using TestSupport::Bottom;

class RealPacing : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        Pacing::SetInstant(false);
    }
    void TearDown() override {
        Pacing::SetInstant(true);
        Timer::SetManual(true);
        GameTest::TearDown();
    }

    // The falling block moved up or down to `row` of its column.
    void FallingAt(int row) {
        form->CurRow = static_cast<Integer>(row);
        PictureBox* b = form->BlockAt(form->BlockCount);
        b->Move(b->Left(), (row - 1) * 40);
    }

    // A fast drop of the falling block from `row`: the window on the screen as the removal's pause
    // ends, which is what it showed all through the pause (nothing draws while it lasts). The rest of
    // the removal runs at instant pacing.
    QImage ScreenThroughPause(int row) {
        QImage seen;
        const DisableWatch watch(form->Image2, [&] {
            seen = Screen();
            Pacing::SetInstant(true);
        });
        form->Image2->SetEnabled(true);
        FallingAt(row);
        QElapsedTimer clock;
        clock.start();
        RealPlay::PlayUntilLanded(*form, 1, clock);
        Pacing::SetInstant(false);
        return seen;
    }

    // The window as it is on the screen now.
    QImage Screen() const { return form->screen()->grabWindow(form->winId()).toImage(); }

    // Whether the cell shows `picture` on its black ground on `screen`.
    bool Shows(const QImage& screen, int row, int col, const Picture& picture) const {
        const qreal ratio = picture.pixmap.devicePixelRatio();
        QPixmap tile(QSize(40, 40) * ratio);
        tile.setDevicePixelRatio(ratio);
        tile.fill(Qt::black);
        QPainter(&tile).drawPixmap(0, 0, picture.pixmap);
        const QPoint at = form->backPic->mapTo(form.get(), QPoint((col - 1) * 40, (row - 1) * 40)) * ratio;
        const QImage cell = screen.copy(QRect(at, tile.size())).convertToFormat(QImage::Format_RGB32);
        return cell == tile.toImage().convertToFormat(QImage::Format_RGB32);
    }
};

}  // namespace

TEST_F(RealPacing, RemovalPauseShowsTheRedEquationAndTheBeatenGoblinOnScreen) {
    // A blue block caught in its light phase completes 1+1=2.
    Start(Bottom({"G1+1="}), "2", true);
    form->BlueBlockTimer_Timer();
    const QImage equation = ScreenThroughPause(9);
    ASSERT_FALSE(equation.isNull());
    const std::pair<int, const char*> red[] = {{2, "one"}, {3, "plus"}, {4, "one"}, {5, "equal"}, {6, "two"}};
    for (auto [col, key] : red) EXPECT_TRUE(Shows(equation, 10, col, form->ImageListRed.ListImages(key))) << key;
    // The score the equation earned is on the screen with it, not only after the first shrink.
    const QRect label(form->ScoreLabel->mapTo(form.get(), QPoint(0, 0)), form->ScoreLabel->size());
    const QImage score = form->grab(label).toImage().convertToFormat(QImage::Format_RGB32);
    const QRect seen(label.topLeft() * score.devicePixelRatio(), score.size());
    EXPECT_EQ(equation.copy(seen).convertToFormat(QImage::Format_RGB32), score);

    // A star comes down onto a goblin: the next cycle's pause shows it beaten, the star unchanged.
    Start(Bottom({"G....G"}), "S");
    const QImage goblin = ScreenThroughPause(8);
    ASSERT_FALSE(goblin.isNull());
    EXPECT_TRUE(Shows(goblin, 10, 6, form->ImageListGoblin0.ListImages("goblin5")));
    EXPECT_TRUE(Shows(goblin, 9, 6, form->ImageListGoblin0.ListImages("star")));
}

TEST_F(RealPacing, PauseAfterANormalFallLastsAWholeSecond) {
    QElapsedTimer clock;
    clock.start();
    qint64 pauseEnded = -1;
    DisableWatch watch(form->Image2, [&] {
        pauseEnded = clock.elapsed();
        Pacing::SetInstant(true);
    });
    form->Image2->SetEnabled(true);
    Start(Bottom({"G1+1="}), "2");
    FallingAt(9);
    // One slide, then the landing a fall interval later (level 15's pace): the pause follows a wait in
    // the event loop that is shorter than itself.
    const qint64 landing = RealPlay::PlayUntilLanded(*form, 300, clock);
    ASSERT_GE(pauseEnded, 0);
    EXPECT_GE(pauseEnded - landing, 1000);
}

TEST_F(RealPacing, DisabledButtonsLookAsEnabled) {
    ImageBox* const buttons[] = {form->Image1, form->Image2, form->Image3, form->Image4, form->Image5, form->Image6};
    auto shown = [&] {
        form->repaint();
        return Screen();
    };
    for (ImageBox* b : buttons) b->SetEnabled(true);
    const QImage enabled = shown();
    for (ImageBox* b : buttons) b->SetEnabled(false);
    const QImage disabled = shown();
    for (ImageBox* b : buttons) {
        const QRect r(b->mapTo(form.get(), QPoint(0, 0)) * b->devicePixelRatioF(), b->size() * b->devicePixelRatioF());
        EXPECT_TRUE(enabled.copy(r) == disabled.copy(r)) << b->GetPicture().key.toStdString();
    }
}
