// Rules for blocks at rest: removing marked cells, gravity, goblins, bombs and stars.
#include "game/frmMain.h"
#include "platform/Pacing.h"
#include "platform/Program.h"

using namespace Module1;

void frmMain::RemoveMarkedCells() {
    const int n = FieldSize();
    bool anyMarked = false;
    bool goblinMarked = false;
    bool bombMarked = false;

    // Red pass: everything about to go is shown at once.
    for (int col = 1; col <= n; ++col) {
        for (int row = 1; row <= n; ++row) {
            const BoardCell& cell = Board[row][col];
            if (!cell.Removing) continue;
            SetBlockPicture(ImageListRed, cell.Face, cell.BlockIndex, true);
            anyMarked = true;
            if (cell.Face == kGoblin)
                goblinMarked = true;
            else if (cell.Face == kBomb)
                bombMarked = true;
        }
    }

    if (goblinMarked)
        PlaySoundEffect(QStringLiteral("star.wav"));
    else if (bombMarked)
        PlaySoundEffect(QStringLiteral("bomb.wav"));
    else if (anyMarked)
        PlaySoundEffect(QStringLiteral("equation.wav"));

    if (anyMarked) {
        // The pause blocks all drawing: the red pictures (and the landed block's own) must be on
        // screen before it begins.
        backPic->Refresh();
        Pacing::Sleep(1000);
        Image2->SetEnabled(false);
        Image1->SetEnabled(false);
    }

    // Removal pass: one block after the other, each shrinking to nothing.
    for (int col = 1; col <= n; ++col) {
        for (int row = 1; row <= n; ++row) {
            if (!Board[row][col].Removing) continue;
            PlaySoundEffect(QStringLiteral("row_disappear.wav"));
            const Long index = Board[row][col].BlockIndex;
            ShrinkBlock(BlockAt(index));
            Pacing::DoEvents();
            if (Program::Ended()) return;

            const BoardCell& below = Board[row + 1][col];
            if (below.Face == kGoblin) {
                if (PictureBox* goblin = BlockAt(below.BlockIndex))
                    goblin->SetPicture(ImageListGoblin0.ListImages(QStringLiteral("goblin3")));
            }
            // Looked up again: pending events may have run since the shrink.
            delete BlockAt(index);
            SetBlockAt(index, nullptr);
            ClearCell(static_cast<Integer>(row), static_cast<Integer>(col));
        }
    }

    if (!Image1->Enabled()) {
        Image1->SetEnabled(true);
        Image2->SetEnabled(true);
    }
}

// The block's picture shrinks to nothing about its centre, on black: 26 frames 10 ms apart. Without a
// picture box only the drawing is skipped; the pacing stays.
void frmMain::ShrinkBlock(PictureBox* box) {
    const Picture picture = box ? box->GetPicture() : Picture{};
    if (box) box->SetBackColor(Qt::black);
    const double w = box ? box->Width() : 40.0;
    const double h = box ? box->Height() : 40.0;
    for (int k = 0; k <= 25; ++k) {
        const Single f = 1.0f + 0.2f * static_cast<Single>(k);
        if (box) {
            box->ClearPicture();
            box->PaintPicture(picture, (w - 40.0 / f) / 2, (h - 40.0 / f) / 2, w / f, h / f);
        }
        backPic->Refresh();
        Pacing::Sleep(10);
    }
}

void frmMain::SettleBoard(bool& changed) {
    const int n = FieldSize();
    bool didChange = false;

    // Gravity: each column from the right, each block from the bottom up, one slide at a time.
    for (int col = n; col >= 1; --col) {
        for (int row = n - 1; row >= 1; --row) {
            const BoardCell& cell = Board[row][col];
            if (cell.Face.isEmpty() || !Board[row + 1][col].Face.isEmpty()) continue;
            int k = 1;
            for (int i = 2; i <= n; ++i) {
                if (row + i - 1 >= n || !Board[row + i][col].Face.isEmpty()) break;
                k = i;
            }
            BoardCell& landing = Board[row + k][col];
            landing.Removing = cell.Removing;
            landing.Face = cell.Face;
            landing.BlockIndex = cell.BlockIndex;

            // A star landing on a goblin is left to the star rule below.
            const BoardCell& under = Board[row + k + 1][col];
            if (under.Face == kGoblin && landing.Face != kStar) {
                if (PictureBox* goblin = BlockAt(under.BlockIndex))
                    goblin->SetPicture(ImageListGoblin0.ListImages(QStringLiteral("goblin1")));
            }

            PictureBox* box = BlockAt(landing.BlockIndex);
            for (int step = 0; step < k * 8; ++step) {
                if (box) box->Move(box->Left(), box->Top() + 5);
                backPic->Refresh();
                Pacing::Sleep(10);
            }
            PlaySoundEffect(QStringLiteral("block_click.wav"));
            ClearCell(static_cast<Integer>(row), static_cast<Integer>(col));
            didChange = true;
        }
    }

    // Rules: they test faces only, so the visiting order decides only the order of effects.
    for (int col = 1; col <= n; ++col) {
        for (int row = 1; row <= n; ++row) {
            BoardCell& cell = Board[row][col];
            const QString& face = cell.Face;
            BoardCell& above = Board[row - 1][col];
            BoardCell& below = Board[row + 1][col];
            BoardCell& right = Board[row][col + 1];
            BoardCell& left = Board[row][col - 1];

            if (face == kGoblin) {
                if (PictureBox* goblin = BlockAt(cell.BlockIndex))
                    goblin->SetPicture(ImageListGoblin0.ListImages(above.Face.isEmpty() ? QStringLiteral("goblin3")
                                                                                        : QStringLiteral("goblin1")));
            }

            if (face == kBomb) {
                cell.Removing = true;
                // Never the cell above, never a goblin.
                if (row < n && !below.Face.isEmpty() && below.Face != kGoblin) below.Removing = true;
                if (col < n && !right.Face.isEmpty() && right.Face != kGoblin) right.Removing = true;
                if (col > 1 && !left.Face.isEmpty() && left.Face != kGoblin) left.Removing = true;
                didChange = true;
                BombTimer.SetEnabled(false);
            }

            if (face == kGoblin && (above.Face == kStar || right.Face == kStar || left.Face == kStar)) {
                cell.Removing = true;
                SetGoblinAlive(cell.BlockIndex, false);
                didChange = true;
                AddToScore(5000);
            }

            if (face == kGoblin) {
                if (above.Face == kStar) above.Removing = true;
                if (right.Face == kStar) right.Removing = true;
                if (left.Face == kStar) left.Removing = true;
            }
        }
    }

    backPic->Refresh();
    changed = didChange;
}
