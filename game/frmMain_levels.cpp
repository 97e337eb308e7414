// New game, round start and level set-up with its animation.
#include "game/frmMain.h"
#include "platform/Pacing.h"
#include "platform/Program.h"
#include "platform/Random.h"

#include <cmath>

using namespace Module1;

void frmMain::StartNewGame() {
    ResetGame();
    StartRound();
    if (Program::Ended()) return;
    if (!EntryCellTaken()) Image2->SetEnabled(true);
}

void frmMain::StartRound() {
    LightTimer.SetEnabled(false);
    GoblinTimer.SetEnabled(false);
    GameTimer.SetEnabled(false);
    BlueBlockTimer.SetEnabled(false);
    BombTimer.SetEnabled(false);
    NextLevel();
    if (Program::Ended()) return;
    SpawnBlock();
    const bool ended = EntryCellTaken();
    if (!ended) KeysLocked = false;
    backPic->setFocus(Qt::OtherFocusReason);
    if (!ended) GameTimer.SetEnabled(true);
    GoblinTimer.SetEnabled(true);
}

void frmMain::NextLevel() {
    if (RandomMusic) MusicFile = AudioFolder() + QStringLiteral("Quorbit%1.mid").arg(RndInt(5) + 1);
    const auto state = MediaPlayer1.PlayState();
    if ((state == 0 && MusicOn) || RandomMusic) {
        MediaPlayer1.SetFileName(MusicFile);
        MediaPlayer1.Play();
    }

    // Level still holds the previous level here: level L falls at 1000 - 50 x (L - 1) ms.
    Integer product = 0;
    Integer interval = 0;
    if (ToInteger(50LL * Level, product) && ToInteger(1000LL - product, interval)) DropInterval = interval;
    if (DropInterval < 1) DropInterval = 1;
    GameTimer.SetInterval(DropInterval);

    Integer next = 0;
    if (ToInteger(static_cast<long long>(Level) + 1, next)) Level = next;
    if (Level > MaxLevel) {
        MaxLevel = Level;
        // Stored as it rises: a display server that goes away may end the program with no handler run.
        SaveSettings();
    }
    LevelLabel->SetCaption(QString::number(Level));

    if (Level != 1000) {
        SetupLevel();
        return;
    }
    // The fixed arrangement assumes a 15 board; on a smaller one part of it lies beyond the field.
    PlaceBlock(1, 15, kGoblin);
    const char* column7 = "9=2-511";
    for (int i = 0; i < 7; ++i) PlaceBlock(7, static_cast<Integer>(15 - i), QString(QChar(column7[i])));
    for (Integer row = 8; row >= 2; --row) PlaceBlock(7, row, kDivide);
    for (Integer row = 15; row >= 12; --row) PlaceBlock(8, row, kTimes);
    PlaceBlock(8, 11, kEquals);
    for (Integer row = 15; row >= 12; --row) PlaceBlock(9, row, kTimes);
    PlaceBlock(9, 11, QStringLiteral("5"));
    ShowBlocks();
}

void frmMain::SetupLevel() {
    GoblinCount = 0;
    BombCounter = 0;
    StarCounter = 0;

    for (int g = 1; g <= Level; ++g) {
        const int col = RndInt(BoardSize) + 1;
        int row = RndInt(2) + BoardSize - 1;
        while (row >= 1) {
            if (row > FieldSize() || col > FieldSize()) break;  // beyond the field: given up
            if (Board[row][col].Face.isEmpty()) {
                PlaceBlock(static_cast<Integer>(col), static_cast<Integer>(row), kGoblin);
                Integer count = 0;
                if (ToInteger(static_cast<long long>(GoblinCount) + 1, count)) GoblinCount = count;
                break;
            }
            row -= RndInt(2) + 1;
        }
    }

    FillAroundGoblins();

    const double width = std::nearbyint(backPic->Width());
    const double height = std::nearbyint(backPic->Height());
    const double top = std::nearbyint(backPic->Top());
    const double left = std::nearbyint(backPic->Left());
    for (ImageBox* b : {Image1, Image2, Image3, Image4, Image5, Image6}) b->SetEnabled(false);

    ShrinkBoard();
    if (Program::Ended()) return;
    backPic->SetTop(top - 600);
    backPic->SetLeft(left);
    backPic->SetWidth(width);
    backPic->SetHeight(height);
    ShowBlocks();
    DropBoardIn();
    if (Program::Ended()) return;

    for (ImageBox* b : {Image1, Image2, Image3, Image4, Image5, Image6}) b->SetEnabled(true);
}

void frmMain::FillAroundGoblins() {
    const int n = FieldSize();
    auto empty = [this](int row, int col) { return Board[row][col].Face.isEmpty(); };
    auto place = [this](int col, int row) {
        PlaceBlock(static_cast<Integer>(col), static_cast<Integer>(row), RandomFace());
    };
    for (int row = 1; row <= n; ++row) {
        for (int col = 1; col <= n; ++col) {
            if (Board[row][col].Face != kGoblin) continue;
            if (row < n && empty(row + 1, col)) place(col, row + 1);
            if (row > 1 && empty(row - 1, col)) place(col, row - 1);
            if (col < n && empty(row, col + 1))
                for (int r = row; r <= n; ++r)
                    if (empty(r, col + 1)) place(col + 1, r);
            if (col > 1 && empty(row, col - 1))
                for (int r = row; r <= n; ++r)
                    if (empty(r, col - 1)) place(col - 1, r);
        }
    }
}

QString frmMain::RandomFace() {
    Randomize();
    if (RndInt(2) != 0) {
        static const QString faces[] = {kPlus, kMinus, kTimes, kDivide, kEquals};
        return faces[RndInt(5)];
    }
    return QString::number(RndInt(10));
}

void frmMain::ShrinkBoard() {
    // A counter, not an accumulated float, so that there are always 39 steps ending at 1.38.
    for (int k = 0; k <= 38; ++k) {
        const Single f = 1.0f + 0.01f * static_cast<Single>(k);
        backPic->SetLeft((Picture1->Width() - backPic->Width()) / 2);
        backPic->SetTop((Picture1->Height() - backPic->Height()) / 2);
        backPic->SetWidth(backPic->Width() / f);
        backPic->SetHeight(backPic->Height() / f);
        backPic->Refresh();
        Pacing::DoEvents();
        if (Program::Ended()) return;
        Pacing::Sleep(10);
    }
}

void frmMain::DropBoardIn() {
    for (int i = 0; i < 60; ++i) {
        backPic->SetTop(backPic->Top() + 10);
        backPic->Refresh();
        Pacing::DoEvents();
        if (Program::Ended()) return;
        Pacing::Sleep(10);
    }
    PlaySoundEffect(QStringLiteral("bomb.wav"));
}
