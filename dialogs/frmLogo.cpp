#include "dialogs/frmLogo.h"

frmLogo::frmLogo(QWidget* parent) : QDialog(parent) {}
