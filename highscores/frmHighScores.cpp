#include "highscores/frmHighScores.h"

frmHighScores::frmHighScores(QWidget* parent) : QDialog(parent) {}
