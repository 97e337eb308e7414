#include "game/frmMain.h"

using namespace Module1;

void frmMain::Image1_Click() {}
void frmMain::Image2_Click() {}
void frmMain::Image1_MouseDown() {}
void frmMain::Image1_MouseUp() {}
void frmMain::Image2_MouseDown() {}
void frmMain::Image2_MouseUp() {}
void frmMain::Image3_MouseDown() {}
void frmMain::Image3_MouseUp() {}
void frmMain::Image4_MouseDown() {}
void frmMain::Image4_MouseUp() {}
void frmMain::Image5_MouseDown() {}
void frmMain::Image5_MouseUp() {}
void frmMain::Image6_MouseDown() {}
void frmMain::Image6_MouseUp() {}
void frmMain::PauseTimer_Timer() {}
void frmMain::HotKeys(Integer) {}
void frmMain::Image3_Click() {}
void frmMain::Image4_Click() {}
void frmMain::Image5_Click() {}
void frmMain::Image6_Click() {}
