#include "dialogs/frmCustomInput.h"

frmCustomInput::frmCustomInput(QWidget* parent) : QDialog(parent), Text1(new QLineEdit(QStringLiteral("Name"), this)) {}
