#include "dialogs/frmAudio.h"

frmAudio::frmAudio(QWidget* parent) : QDialog(parent) {}
