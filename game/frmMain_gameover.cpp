// The game-over banner: "GamO" grows from a twentieth of its size, then the score goes to the table.
#include "game/frmMain.h"
#include "platform/Modal.h"

using namespace Module1;

void frmMain::GameOverTimer_Timer() {
    const Picture banner = ImageList2.ListImages(QStringLiteral("GamO"));
    const Single w = static_cast<Single>(ImageList2.ImageWidth());
    const Single h = static_cast<Single>(ImageList2.ImageHeight());

    // Once the zoom has reached full size the ticks only wait for the hand-over below, so the
    // divisor is never below 1.
    if (GameOverZoom >= 1.0f) {
        const Single z = GameOverZoom;
        GmOv->SetWidth(w / z);
        GmOv->SetHeight(h / z);
        GmOv->SetVisible(true);
        const Single x = (static_cast<Single>(GmOv->Width()) - w / z) / 2;
        const Single y = (static_cast<Single>(GmOv->Height()) - h / z) / 2;
        GmOv->PaintPicture(banner, x, y, w / z, h / z);
        GameOverZoom = z - 0.5f;
    }
    if (GameOverZoom >= 1.0f) return;

    // The hand-over opens windows of its own: with a side-bar window still up it waits for the
    // first tick after that window has closed.
    if (Modal::Depth() > 0) return;

    GmOv->PaintPicture(banner, 0, 0, w, h);
    GameOverTimer.SetEnabled(false);
    Image1->SetEnabled(true);
    RecordHighScore();
}
