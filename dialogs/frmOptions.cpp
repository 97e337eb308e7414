#include "dialogs/frmOptions.h"
#include "dialogs/WindowKit.h"
#include "game/Module1.h"
#include "platform/PictureList.h"

#include <QEvent>
#include <algorithm>

using namespace Module1;

namespace {
const QColor kGreen(0, 128, 0);

QLabel* MakeLabel(QWidget* parent, const char* name, QRect r, const QColor& colour, const QString& text) {
    auto* l = MakeControl<QLabel>(parent, name, r, text);
    SetTextColour(l, colour);
    return l;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int top, int min, int max) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setGeometry(24, top, 313, 41);
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    return s;
}

}

frmOptions::frmOptions(QWidget* parent) : TiledDialog(parent) {
    SetUpFixedWindow(*this, "frmOptions", QStringLiteral("Quorbit!"), {362, 353}, QColor(), Qt::Tool);

    Image1 = MakeImage(this, "Image1", {144, 8, 71, 145}, Pictures::Art().ListImages(QStringLiteral("wizard_tall")));

    Label1 = MakeLabel(this, "Label1", {24, 136, 56, 25}, kDarkBlue, QStringLiteral("Level:"));
    Label3 = MakeLabel(this, "Label3", {80, 136, 105, 25}, kGreen, QStringLiteral("Level:"));
    Slider2 = MakeSlider(this, "Slider2", 160, 1, 10);
    Label2 = MakeLabel(this, "Label2", {24, 216, 181, 25}, kDarkBlue, QStringLiteral("Game Dimension Size:"));
    Label4 = MakeLabel(this, "Label4", {205, 216, 105, 25}, kGreen, QStringLiteral("0 x 0"));
    Slider1 = MakeSlider(this, "Slider1", 240, 10, 15);
    Command1 = MakeControl<QPushButton>(this, "Command1", {24, 304, 137, 33}, QStringLiteral("Play!"));
    Command3 = MakeControl<QPushButton>(this, "Command3", {200, 304, 137, 33}, QStringLiteral("Cancel"));

    SetTabOrder({Command1, Command3, Slider1, Slider2});
    Command1->setDefault(true);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    // Any change of value refreshes the read-outs, by mouse or by key.
    connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Scroll(); });
    connect(Slider2, &QSlider::valueChanged, this, [this] { Slider2_Scroll(); });
    Slider1->installEventFilter(this);
    Slider2->installEventFilter(this);

    Form_Load();
    Command1->setFocus(Qt::OtherFocusReason);
}

void frmOptions::Form_Load() {
    PaintTileBackground();
    // A stored MaxLevel below 1 would leave the slider with no valid value.
    Slider2->setMaximum(std::max<int>(1, MaxLevel));
    Slider2->setValue(Level);
    Label3->setText(QString::number(Slider2->value()));
    Slider1->setValue(BoardSize);
    Slider1_Scroll();
}

void frmOptions::Command1_Click() {
    NewGameRequested = true;
    Level = static_cast<Integer>(Slider2->value() - 1);
    BoardSize = static_cast<Integer>(Slider1->value());
    accept();
}

void frmOptions::Command3_Click() { reject(); }

void frmOptions::Slider1_MouseUp() { Command1->setFocus(Qt::MouseFocusReason); }
void frmOptions::Slider2_MouseUp() { Command1->setFocus(Qt::MouseFocusReason); }

void frmOptions::Slider1_Scroll() {
    const QString n = QString::number(Slider1->value());
    Slider1Text = n + QStringLiteral(" x ") + n;
    Label4->setText(Slider1Text);
}

void frmOptions::Slider2_Scroll() { Label3->setText(QString::number(Slider2->value())); }

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        // The slider still gets the release, so a drag ends normally.
        if (watched == Slider1) Slider1_MouseUp();
        if (watched == Slider2) Slider2_MouseUp();
    }
    return QDialog::eventFilter(watched, event);
}
