#include "dialogs/frmOptions.h"

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {}
