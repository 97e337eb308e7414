// The board, the block picture boxes and their pictures.
#include "game/frmMain.h"

using namespace Module1;

namespace {
const QString& KeyOfFace(const QString& face) {
    static const QHash<QString, QString> keys{
        {"0", "zero"}, {"1", "one"},   {"2", "two"},   {"3", "three"}, {"4", "four"},
        {"5", "five"}, {"6", "six"},   {"7", "seven"}, {"8", "eight"}, {"9", "nine"},
        {kPlus, "plus"}, {kMinus, "minus"}, {kTimes, "mult"}, {kDivide, "div"}, {kEquals, "equal"}};
    static const QString none;
    auto it = keys.constFind(face);
    return it == keys.constEnd() ? none : *it;
}
}

void frmMain::CreateBlock() {
    if (BlockCount < 0) return;
    auto* box = new PictureBox(backPic);
    box->setObjectName(QStringLiteral("newBlock%1").arg(BlockCount));
    box->SetVisible(false);
    box->SetHeight(40);
    box->SetWidth(40);
    box->SetLeft((BoardSize / 2 + 1) * 40 - 40);
    // A box left over at this index (only possible once the 16-bit count is exhausted) goes first.
    delete BlockAt(BlockCount);
    SetBlockAt(BlockCount, box);
}

void frmMain::PlaceBlock(Integer col, Integer row, const QString& face) {
    if (!InBoard(row, col)) return;
    CreateBlock();
    if (face == kGoblin) SetGoblinAlive(BlockCount, true);
    Board[row][col].Face = face;
    Board[row][col].BlockIndex = BlockCount;
    SetBlockPicture(ImageListBlue, face, BlockCount, false);
    if (PictureBox* b = BlockAt(BlockCount))
        b->Move(b->Left() + (col - (BoardSize / 2 + 1)) * 40, b->Top() + (row - 1) * 40);
    Integer next = 0;
    if (ToInteger(static_cast<long long>(BlockCount) + 1, next)) BlockCount = next;
}

void frmMain::SetBlockPicture(const PictureList& imageList, const QString& face, Long blockIndex, bool hit) {
    PictureBox* b = BlockAt(blockIndex);
    if (!b) return;
    if (face == kGoblin) {
        b->SetPicture(ImageListGoblin0.ListImages(hit ? QStringLiteral("goblin5") : QStringLiteral("goblin1")));
        return;
    }
    const QString& key = KeyOfFace(face);
    if (key.isEmpty()) return;
    b->SetPicture(imageList.ListImages(key));
}

void frmMain::ClearCell(Integer row, Integer col) {
    if (!InBoard(row, col)) return;
    Board[row][col] = BoardCell{};
}

void frmMain::ClearBoard() {
    const int last = std::min<int>(BoardSize + 1, kBoardCells - 1);
    for (int row = 0; row <= last; ++row)
        for (int col = 0; col <= last; ++col) ClearCell(static_cast<Integer>(row), static_cast<Integer>(col));
    for (Long i = 0; i <= BlockCount; ++i) {
        if (PictureBox* b = BlockAt(i)) {
            delete b;
            SetBlockAt(i, nullptr);
        }
    }
    for (Long i = 0; i <= GoblinCount; ++i) SetGoblinAlive(i, false);
    BlockCount = 0;
}

void frmMain::ResetGame() {
    ClearBoard();
    DropInterval = 1000;
    BlueBlinkCount = 0;
    GmOv->SetVisible(false);
    IsBlueBlock = false;
    ScoreLabel->SetCaption(QStringLiteral("0"));
}

void frmMain::HideBlocks() {
    for (Long i = 0; i < BlockCount; ++i)
        if (PictureBox* b = BlockAt(i)) b->SetVisible(false);
}

void frmMain::ShowBlocks() {
    for (Long i = 0; i < BlockCount; ++i)
        if (PictureBox* b = BlockAt(i)) b->SetVisible(true);
}
