#include "game/frmMain.h"

using namespace Module1;

void frmMain::RemoveMarkedCells() {}
void frmMain::SettleBoard(bool& changed) { changed = false; }
