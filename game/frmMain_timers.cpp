// The four animation timers: goblins, stars, the falling bomb and the falling blue block.
#include "game/frmMain.h"
#include "platform/Random.h"

using namespace Module1;

namespace {
// Gives the box the partner of the first key of `pairs` it shows; a box showing none is left alone.
void SwapPicture(PictureBox* box, const PictureList& list,
                 std::initializer_list<std::pair<const char*, const char*>> pairs) {
    if (!box) return;
    for (const auto& [from, to] : pairs) {
        if (box->GetPicture().Is(list, QLatin1String(from))) {
            box->SetPicture(list.ListImages(QLatin1String(to)));
            return;
        }
    }
}
}

void frmMain::GoblinTimer_Timer() {
    for (Long i = 0; i <= GoblinCount; ++i) {
        // One draw per index, goblin or not.
        const bool visit = Rnd() >= 0.5;
        if (!visit || !IsGoblinAlive(i)) continue;
        SwapPicture(BlockAt(i), ImageListGoblin0,
                    {{"goblin1", "goblin2"}, {"goblin2", "goblin1"}, {"goblin3", "goblin4"}, {"goblin4", "goblin3"}});
    }
}

void frmMain::LightTimer_Timer() {
    const Long last = BlockCount;
    for (Long i = 0; i <= last; ++i)
        SwapPicture(BlockAt(i), ImageListGoblin0, {{"star", "star2"}, {"star2", "star"}});
}

void frmMain::BombTimer_Timer() {
    SwapPicture(BlockAt(BlockCount), ImageListGoblin0, {{"bomb1", "bomb2"}, {"bomb2", "bomb1"}});
}

void frmMain::BlueBlockTimer_Timer() {
    // Only the parity counts: past the 16-bit top it starts again at an even value, as 32768 would be.
    Integer next = 0;
    BlueBlinkCount = ToInteger(static_cast<long long>(BlueBlinkCount) + 1, next) ? next : 0;
    SetBlockPicture(BlueBlinkCount % 2 != 0 ? ImageListBlue2 : ImageListBlue, CurFace, BlockCount, false);
}
