#pragma once
#include "platform/PictureBox.h"

#include <QDialog>
#include <QPushButton>

// The instructions: four stacked pages brought to the front by a row of tab buttons.
class frmInstruct : public QDialog {
    Q_OBJECT
public:
    explicit frmInstruct(QWidget* parent = nullptr);

    PictureBox* Picture1 = nullptr;  // Objective
    PictureBox* Picture2 = nullptr;  // Controls
    PictureBox* Picture3 = nullptr;  // Items
    PictureBox* Picture4 = nullptr;  // Scoring
    QPushButton* Command1 = nullptr;  // Objective tab
    QPushButton* Command2 = nullptr;  // Controls tab
    QPushButton* Command4 = nullptr;  // Items tab
    QPushButton* Command5 = nullptr;  // Scoring tab
    QPushButton* Command3 = nullptr;  // Close

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void Command3_Click();

    // The page in front of the other three.
    PictureBox* FrontPage() const;
    // A button's back colour as shown.
    static QColor BackColor(const QPushButton* button);

private:
    void ShowTab(PictureBox* page, QPushButton* tab);
    static void SetBackColor(QPushButton* button, const QColor& colour);
    void BuildObjective();
    void BuildControls();
    void BuildItems();
    void BuildScoring();
};
