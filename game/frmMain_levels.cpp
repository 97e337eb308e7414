#include "game/frmMain.h"

using namespace Module1;

void frmMain::StartNewGame() {}
void frmMain::StartRound() {}
void frmMain::NextLevel() {}
void frmMain::SetupLevel() {}
void frmMain::FillAroundGoblins() {}
QString frmMain::RandomFace() { return QStringLiteral("1"); }
void frmMain::ShrinkBoard() {}
void frmMain::DropBoardIn() {}
