#include "game/frmMain.h"

using namespace Module1;

void frmMain::GameOverTimer_Timer() {}
