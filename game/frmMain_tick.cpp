#include "game/frmMain.h"

using namespace Module1;

void frmMain::GameTimer_Timer() {}
void frmMain::MoveBlockDown() {}
void frmMain::GoblinsRemain(bool& result) { result = false; }
