// The falling block: spawn, its face, the keys that move and change it, and the end of the game.
#include "game/frmMain.h"
#include "platform/Pacing.h"
#include "platform/Random.h"

using namespace Module1;

namespace {
bool IsDigitFace(const QString& face) { return face.size() == 1 && face.at(0).isDigit(); }
}

void frmMain::SpawnBlock() {
    CreateBlock();
    ChooseNextFace();
    CurCol = static_cast<Integer>(BoardSize / 2 + 1);
    CurRow = 1;
    if (PictureBox* b = BlockAt(BlockCount)) b->SetVisible(true);
    if (EntryCellTaken()) GameOver();
}

bool frmMain::EntryCellTaken() const { return InBoard(1, CurCol) && !Board[1][CurCol].Face.isEmpty(); }

void frmMain::GameOver() {
    GameTimer.SetEnabled(false);
    Image2->SetEnabled(false);
    KeysLocked = true;
    GameOverZoom = 20.0f;
    GmOv->ZOrder0();
    PlaySoundEffect(QStringLiteral("game_over.wav"));
    Image1->SetEnabled(false);
    GameOverTimer.SetEnabled(true);
}

void frmMain::ChooseNextFace() {
    Randomize();
    // The star draw happens on every call, due or not.
    const int starDraw = RndInt(10);
    if (StarCounter >= 7 || starDraw == 5) {
        StarCounter = 0;
        CurFace = kStar;
        if (PictureBox* b = BlockAt(BlockCount)) b->SetPicture(ImageListGoblin0.ListImages(QStringLiteral("star")));
        LightTimer.SetEnabled(true);
        return;
    }
    // A bomb due while a star came keeps its count and comes with the next block.
    if (BombCounter >= 5) {
        BombCounter = 0;
        CurFace = kBomb;
        if (PictureBox* b = BlockAt(BlockCount)) b->SetPicture(ImageListGoblin0.ListImages(QStringLiteral("bomb1")));
        BombTimer.SetEnabled(true);
        return;
    }
    // The block's number within the level, set-up blocks included.
    const Long n = static_cast<Long>(BlockCount) + 1;
    if (n % 4 == 0) {
        CurFace = kEquals;
        SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
        return;
    }
    if (RndInt(3) == 0) {
        IsBlueBlock = true;
        BlueBlockTimer.SetEnabled(true);
    }
    if (n % 2 != 0) {
        CurFace = QString::number(RndInt(10));
        SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
    } else {
        SetOperPic(static_cast<Integer>(RndInt(4)));
    }
}

void frmMain::SetOperPic(Integer whichPic) {
    if (whichPic < 0 || whichPic > 3) return;
    CurFace = QString(kOperators.at(whichPic));
    SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
}

void frmMain::backPic_KeyDown(Integer KeyCode, Integer /*Shift*/) {
    if (KeysLocked) {
        SkipAnimation = true;
    } else {
        switch (KeyCode) {
        case vbKeyRight: MoveRight(); break;
        case vbKeyLeft: MoveLeft(); break;
        case vbKeyUp:
        case vbKeyDown: {
            if (!IsBlueBlock) break;
            bool isOperator = false;
            IsOperator(CurFace, isOperator);
            if (isOperator) {
                CycleOperator(KeyCode == vbKeyUp ? 33 : 34);
            } else if (IsDigitFace(CurFace)) {
                const int d = CurFace.at(0).digitValue();
                CurFace = QString::number(KeyCode == vbKeyUp ? (d + 1) % 10 : (d + 9) % 10);
                SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
            }
            break;
        }
        case vbKeySpace:
            // Restarting the timer keeps a held, repeating Space at full speed.
            GameTimer.SetEnabled(false);
            GameTimer.SetInterval(1);
            GameTimer.SetEnabled(true);
            break;
        default: break;
        }
    }
    // The side-bar hot keys work whether or not the game keys are locked.
    HotKeys(KeyCode);
}

void frmMain::backPic_KeyUp(Integer KeyCode, Integer /*Shift*/) {
    if (KeyCode == vbKeySpace) GameTimer.SetInterval(DropInterval);
}

void frmMain::CycleOperator(Integer direction) {
    const qsizetype i = CurFace.size() == 1 ? kOperators.indexOf(CurFace.at(0)) : -1;
    if (i < 0) return;
    const qsizetype next = direction == 33 ? (i + 1) % 4 : (i + 3) % 4;
    CurFace = QString(kOperators.at(next));
    SetBlockPicture(ImageListBlue, CurFace, BlockCount, false);
}

void frmMain::MoveRight() {
    PictureBox* b = BlockAt(BlockCount);
    if (!b || !InBoard(CurRow, CurCol) || !InBoard(CurRow, CurCol + 1)) return;
    const bool inField = b->Left() + 40 < backPic->Width();
    const bool free = Board[CurRow][CurCol + 1].Face.isEmpty();
    if (!inField || !free) return;
    for (int i = 0; i < 8; ++i) {
        b->Move(b->Left() + 5, b->Top());
        backPic->Refresh();
        Pacing::Sleep(10);
    }
    CurCol = static_cast<Integer>(CurCol + 1);
}

void frmMain::MoveLeft() {
    PictureBox* b = BlockAt(BlockCount);
    if (!b || !InBoard(CurRow, CurCol) || !InBoard(CurRow, CurCol - 1)) return;
    const bool inField = b->Left() - 40 >= 0;
    const bool free = Board[CurRow][CurCol - 1].Face.isEmpty();
    if (!inField || !free) return;
    for (int i = 0; i < 8; ++i) {
        b->Move(b->Left() - 5, b->Top());
        backPic->Refresh();
        Pacing::Sleep(10);
    }
    CurCol = static_cast<Integer>(CurCol - 1);
}
