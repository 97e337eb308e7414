#include "dialogs/frmCustomInput.h"
#include "dialogs/WindowKit.h"
#include "game/Module1.h"

#include <QCloseEvent>
#include <QKeyEvent>

using namespace Module1;

frmCustomInput::frmCustomInput(QWidget* parent) : TiledDialog(parent), Text1(new QLineEdit(Text1Preset(), this)) {
    SetUpFixedWindow(*this, "frmCustomInput", QStringLiteral("Enter Name:"), {345, 169});

    Label1 = MakeControl<QLabel>(this, "Label1", {0, 8, 345, 57}, QString());
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);
    // The message is shown as written, never read as markup.
    Label1->setTextFormat(Qt::PlainText);
    SetTextColour(Label1, kDarkBlue);

    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(48, 72, 249, 32);
    Text1->setFont(ArialBoldPt(18));
    Text1->setMaxLength(10);
    Text1->installEventFilter(this);

    Command2 = MakeControl<QPushButton>(this, "Command2", {96, 72, 153, 33}, QStringLiteral("Yes"));
    Command2->hide();
    Command1 = MakeControl<QPushButton>(this, "Command1", {96, 120, 153, 33}, QStringLiteral("OK"));

    SetTabOrder({Text1, Command1, Command2});
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
}

void frmCustomInput::Form_Load() {
    PaintTileBackground();
    if (PromptMode != 1) {
        Text1->selectAll();
    } else {
        Command2->setVisible(true);
        Text1->setVisible(false);
        Command1->setText(QStringLiteral("No"));
    }
    Label1->setText(PromptText);
    setWindowTitle(PromptCaption);
}

void frmCustomInput::Command1_Click() {
    AnsweredYes = false;
    hide();
}

void frmCustomInput::Command2_Click() {
    AnsweredYes = true;
    hide();
}

void frmCustomInput::Text1_KeyPress(int keyAscii) {
    if (keyAscii == 13) Command1_Click();
}

void frmCustomInput::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // First in the tab order that can take the focus.
    if (Text1->isVisibleTo(this)) Text1->setFocus(Qt::OtherFocusReason);
    else Command1->setFocus(Qt::OtherFocusReason);
}

bool frmCustomInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text1_KeyPress(13);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmCustomInput::closeEvent(QCloseEvent* event) {
    // The close box answers as Command1: no, and the name as it stands.
    Command1_Click();
    event->accept();
}

void frmCustomInput::keyPressEvent(QKeyEvent* event) {
    // Escape closes as the close box does.
    if (event->key() == Qt::Key_Escape) {
        Command1_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

