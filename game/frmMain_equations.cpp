#include "game/frmMain.h"

using namespace Module1;

void frmMain::ProcessEquations() {}
void frmMain::ScanRows() {}
void frmMain::ScanColumns() {}
void frmMain::ScanDiagonalsDown() {}
void frmMain::ScanDiagonalsUp() {}
void frmMain::CheckEquation(const QString&, const QString&, Integer, bool& ok) { ok = false; }
void frmMain::ScoreEquation() {}
void frmMain::IsOperator(const QString&, bool& result) { result = false; }
