// The game at real speed on a shown window: its own GameTimer, real pauses, and what reaches the
// screen. Bounds on time are lower bounds only (a loaded machine can only lengthen them).
#include "TestSupport.h"

#include "platform/Pacing.h"

#include <QScreen>
#include <QTest>

namespace {
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
        GameTest::TearDown();
    }

    // The window as it is on the screen now.
    QImage Screen() const { return form->screen()->grabWindow(form->winId()).toImage(); }
};

}  // namespace

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
