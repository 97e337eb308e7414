#pragma once
#include "dialogs/WindowKit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The one prompt: a Yes/No question (PromptMode 1) or a name entry (any other mode). It hides itself
// when answered; the caller reads AnsweredYes or Text1 and then destroys it.
class frmCustomInput : public TiledDialog {
    Q_OBJECT
public:
    explicit frmCustomInput(QWidget* parent = nullptr);
    // What Text1 holds when the prompt opens.
    static QString Text1Preset() { return QStringLiteral("Name"); }
    bool AnsweredYes = false;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command2 = nullptr;  // Yes
    QPushButton* Command1 = nullptr;  // OK, or No

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Text1_KeyPress(int keyAscii);

protected:
    void showEvent(QShowEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
