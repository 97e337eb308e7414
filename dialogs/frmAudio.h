#pragma once
#include "dialogs/WindowKit.h"
#include "platform/ImageBox.h"

#include <QCheckBox>
#include <QPushButton>

// The audio options: music, sound effects, random music and the choice of a music file.
class frmAudio : public TiledDialog {
    Q_OBJECT
public:
    explicit frmAudio(QWidget* parent = nullptr);

    QCheckBox* Check2 = nullptr;  // Sound Effects
    QCheckBox* Check1 = nullptr;  // Background Music
    QPushButton* Command3 = nullptr;  // Select Background Music
    QCheckBox* Check3 = nullptr;  // Play Random Music
    QPushButton* Command1 = nullptr;  // OK
    ImageBox* Image1 = nullptr;

    void Form_Load();
    void Check1_Click();
    void Command1_Click();
    void Command3_Click();
};
