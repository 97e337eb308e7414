#include "dialogs/frmInstruct.h"

frmInstruct::frmInstruct(QWidget* parent) : QDialog(parent) {}
