#include "game/frmMain.h"

using namespace Module1;

void frmMain::SpawnBlock() {}
void frmMain::GameOver() {}
void frmMain::ChooseNextFace() {}
void frmMain::SetOperPic(Integer) {}
void frmMain::backPic_KeyDown(Integer, Integer) {}
void frmMain::backPic_KeyUp(Integer, Integer) {}
void frmMain::CycleOperator(Integer) {}
void frmMain::MoveRight() {}
void frmMain::MoveLeft() {}
