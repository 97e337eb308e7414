#include "platform/Label.h"

Label::Label(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
}

void Label::SetCaption(const QString& caption) {
    if (caption == text()) return;
    setText(caption);
    if (OnChange) OnChange();
}
