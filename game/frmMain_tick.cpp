// The game tick: the fall of the block, its landing and the end of a level.
#include "game/frmMain.h"
#include "platform/Pacing.h"
#include "platform/Program.h"

using namespace Module1;

namespace {
// Holds TickRunning for the length of one tick, whatever way the tick leaves.
class TickGuard {
public:
    explicit TickGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TickGuard() { flag_ = false; }
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;

private:
    bool& flag_;
};

// 100 for "0" and every face that is no number, else ten times the digit.
int LandingPoints(const QString& face) {
    if (face.size() == 1 && face.at(0).isDigit() && face.at(0) != QLatin1Char('0'))
        return 10 * face.at(0).digitValue();
    return 100;
}
}

void frmMain::GameTimer_Timer() {
    // The timer keeps running while a landing lets events through: a tick due meanwhile does nothing.
    if (TickRunning) return;
    TickGuard guard(TickRunning);
    MoveBlockDown();
}

void frmMain::MoveBlockDown() {
    PictureBox* falling = BlockAt(BlockCount);
    if (!InBoard(CurRow, CurCol) || !InBoard(CurRow + 1, CurCol)) return;

    const bool belowEmpty = Board[CurRow + 1][CurCol].Face.isEmpty();
    const bool aboveBottom = falling && falling->Top() + 40 < backPic->Height();
    if (belowEmpty && aboveBottom) {
        for (int i = 0; i < 8; ++i) {
            falling->Move(falling->Left(), falling->Top() + 5);
            backPic->Refresh();
            Pacing::Sleep(10);
        }
        CurRow = static_cast<Integer>(CurRow + 1);
        return;
    }

    // Landing.
    PlaySoundEffect(CurFace == kStar ? QStringLiteral("star_click.wav") : QStringLiteral("block_click.wav"));
    BlueBlockTimer.SetEnabled(false);
    SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
    BlueBlinkCount = 0;
    IsBlueBlock = false;
    GameTimer.SetInterval(DropInterval);
    AddToScore(LandingPoints(CurFace));
    Board[CurRow][CurCol].Face = CurFace;
    Board[CurRow][CurCol].BlockIndex = BlockCount;
    Integer next = 0;
    if (ToInteger(static_cast<long long>(BlockCount) + 1, next)) BlockCount = next;

    KeysLocked = true;
    ProcessEquations();
    if (Program::Ended()) return;
    KeysLocked = false;

    bool remain = false;
    GoblinsRemain(remain);
    if (remain) {
        SpawnBlock();
        return;
    }

    // Level end: every block shrinks away in turn; a key shortens the rest.
    Image2->SetEnabled(false);
    Image1->SetEnabled(false);
    KeysLocked = true;
    SkipAnimation = false;
    backPic->Refresh();
    const Long last = BlockCount;
    for (Long i = 0; i <= last; ++i) {
        PictureBox* b = BlockAt(i);
        if (!b) continue;
        if (!SkipAnimation)
            ShrinkBlock(b);
        else
            Pacing::Sleep(40);
        Pacing::DoEvents();
        if (Program::Ended()) return;
        if (PictureBox* still = BlockAt(i)) still->SetVisible(false);
    }

    Integer bonus = 0;
    if (ToInteger(static_cast<long long>(Level) * 100, bonus)) AddToScore(bonus);
    backPic->Refresh();

    if (MusicOn && RandomMusic) {
        const Long saved = MediaPlayer1.Volume();
        for (int i = 0; i < 900; ++i) {
            Long quieter = 0;
            if (ToLong(static_cast<long long>(MediaPlayer1.Volume()) - 2, quieter)) MediaPlayer1.SetVolume(quieter);
            Pacing::Sleep(1);
        }
        MediaPlayer1.Pause();
        MediaPlayer1.SetVolume(saved);
    }

    ClearBoard();
    Image2->SetEnabled(true);
    Image1->SetEnabled(true);
    StartRound();
}

void frmMain::GoblinsRemain(bool& result) {
    result = false;
    if (GoblinCount < 0) return;
    for (Long i = 0; i <= GoblinCount; ++i)
        if (IsGoblinAlive(i)) result = true;
}
