#include "game/frmMain.h"

using namespace Module1;

void frmMain::RecordHighScore() {}
QString frmMain::AskPlayerName(Integer) { return {}; }
