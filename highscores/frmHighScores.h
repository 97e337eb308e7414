#pragma once
#include "dialogs/WindowKit.h"
#include "platform/ImageBox.h"

#include <QLabel>
#include <QPushButton>
#include <array>

// The ten best scores; after a new entry its row is red and it can be submitted to the score board.
class frmHighScores : public TiledDialog {
    Q_OBJECT
public:
    explicit frmHighScores(QWidget* parent = nullptr);
    ~frmHighScores() override;

    ImageBox* Image1 = nullptr;
    ImageBox* Image2 = nullptr;
    QLabel* Label3 = nullptr;  // "Score" heading
    QLabel* Label4 = nullptr;  // "Name" heading
    std::array<QLabel*, 10> Label1{};  // scores, row k is place k + 1
    std::array<QLabel*, 10> Label2{};  // names
    QPushButton* Command1 = nullptr;  // online top scores
    QPushButton* Command2 = nullptr;  // submit the new score
    QPushButton* Command3 = nullptr;  // close

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Form_Unload();

    void done(int result) override;

private:
    bool unloaded_ = false;
};
