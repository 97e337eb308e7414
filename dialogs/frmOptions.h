#pragma once
#include "dialogs/WindowKit.h"
#include "platform/ImageBox.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

// The new-game dialog: board size and starting level.
class frmOptions : public TiledDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);

    ImageBox* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;  // level read-out
    QSlider* Slider2 = nullptr;  // starting level
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;  // size read-out
    QSlider* Slider1 = nullptr;  // cells per side
    QPushButton* Command1 = nullptr;  // Play!
    QPushButton* Command3 = nullptr;  // Cancel

    // The text Slider1_Scroll keeps for the size slider.
    QString Slider1Text;

    void Form_Load();
    void Command1_Click();
    void Command3_Click();
    void Slider1_MouseUp();
    void Slider2_MouseUp();
    void Slider1_Scroll();
    void Slider2_Scroll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
