#include "game/frmMain.h"

using namespace Module1;

void frmMain::GoblinTimer_Timer() {}
void frmMain::LightTimer_Timer() {}
void frmMain::BombTimer_Timer() {}
void frmMain::BlueBlockTimer_Timer() {}
