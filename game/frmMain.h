#pragma once
#include "game/Module1.h"
#include "game/Settings.h"
#include "platform/ImageBox.h"
#include "platform/Label.h"
#include "platform/MediaPlayer.h"
#include "platform/PictureBox.h"
#include "platform/PictureList.h"
#include "platform/Timer.h"
#include "platform/Types.h"

#include <QString>
#include <QWidget>
#include <algorithm>
#include <vector>

class frmCustomInput;

// One cell of the play field.
struct BoardCell {
    bool Removing = false;  // marked for removal
    QString Face;           // "" empty, "0" to "9", or one of the faces below
    Long BlockIndex = 0;    // the cell's entry in Blocks while Face is not empty
};

// The faces besides the digits.
inline const QString kGoblin = QStringLiteral("G");
inline const QString kStar = QStringLiteral("S");
inline const QString kBomb = QStringLiteral("B");
inline const QString kEquals = QStringLiteral("=");
inline const QString kPlus = QStringLiteral("+");
inline const QString kMinus = QStringLiteral("-");
inline const QString kTimes = QStringLiteral("*");
inline const QString kDivide = QStringLiteral("/");
// The operators in the order Up steps through them and SetOperPic numbers them.
inline const QString kOperators = kPlus + kMinus + kTimes + kDivide;

// Board is the field, rows and columns 1 to FieldSize(), inside a ring of cells that stay empty.
constexpr int kBoardCells = 19;
// BoardSize as the field's side, at most what leaves room for the ring (FieldSize() + 1) in Board.
inline int FieldSize() { return std::clamp<int>(Module1::BoardSize, 0, kBoardCells - 2); }
// Any cell of Board, ring included: the guard before an index that might leave the array.
constexpr bool InBoard(int row, int col) { return row >= 0 && row < kBoardCells && col >= 0 && col < kBoardCells; }

// Virtual-key codes the play field understands.
enum KeyCodes : Integer {
    vbKeyNone = 0,  // any key the play field does not know
    vbKeySpace = 32,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
    vbKeyA = 65,
    vbKeyE = 69,
    vbKeyH = 72,
    vbKeyI = 73,
    vbKeyN = 78,
    vbKeyP = 80,
};

// The main window: the board, the blocks, the side bar and every rule of play.
class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;
    // The one main window, for the other windows that reach it.
    static frmMain* Instance();

    // ---- Controls ----
    PictureBox* Picture1 = nullptr;  // the frame
    PictureBox* backPic = nullptr;   // the play field
    PictureBox* GmOv = nullptr;      // the pause and game-over banner
    PictureBox* SideBar = nullptr;
    Label* ScoreLabel = nullptr;
    Label* LevelLabel = nullptr;
    ImageBox* Image1 = nullptr;  // New
    ImageBox* Image2 = nullptr;  // Pause
    ImageBox* Image3 = nullptr;  // Audio
    ImageBox* Image4 = nullptr;  // Instructions
    ImageBox* Image5 = nullptr;  // High scores
    ImageBox* Image6 = nullptr;  // Exit
    MediaPlayer& MediaPlayer1;
    Timer GameTimer{1000};
    Timer GoblinTimer{1000};
    Timer PauseTimer{750};
    Timer BlueBlockTimer{300};
    Timer LightTimer{250};
    Timer BombTimer{150};
    Timer GameOverTimer{10};
    PictureList& ImageListGoblin0;
    PictureList& ImageListRed;
    PictureList& ImageListBlue;
    PictureList& ImageListBlue2;
    PictureList& ImageList1;
    PictureList& ImageList2;

    // ---- Fields ----
    bool SkipAnimation = false;
    Integer BlueBlinkCount = 0;
    bool IsBlueBlock = false;
    Integer BombCounter = 0;
    Integer StarCounter = 0;
    std::vector<bool> GoblinAlive;  // by block index; grows as needed
    bool KeysLocked = false;
    QString EqLeft;
    QString EqRight;
    QString CurFace;
    Single GameOverZoom = 0;
    Integer CurCol = 0;
    Integer CurRow = 0;
    Integer BlockCount = 0;
    Integer DropInterval = 0;
    std::vector<PictureBox*> Blocks;  // by block index; grows as needed
    BoardCell Board[kBoardCells][kBoardCells];

    // Safe access to the growing arrays: an index never leaves them.
    PictureBox* BlockAt(Long index) const;
    void SetBlockAt(Long index, PictureBox* box);
    bool IsGoblinAlive(Long index) const;
    void SetGoblinAlive(Long index, bool alive);
    // Reads the score caption, adds points and writes the sum back as plain digits; false (and the
    // caption unchanged) when the caption is no number or the sum leaves 32 bits.
    bool AddToScore(qint64 points);
    // A tick of GameTimer is running (ticks never nest).
    bool TickRunning = false;
    // The equation pass is running (it never nests).
    bool EquationsRunning = false;

    // ---- Board, blocks and block pictures ----
    void CreateBlock();
    void PlaceBlock(Integer col, Integer row, const QString& face);
    void SetBlockPicture(const PictureList& imageList, const QString& face, Long blockIndex, bool hit);
    void ClearCell(Integer row, Integer col);
    void ClearBoard();
    void ResetGame();
    void HideBlocks();
    void ShowBlocks();

    // ---- Start-up, layout and shutdown ----
    void Form_Load();
    void Form_Unload();
    void LoadSettings();
    Settings::Outcome SaveSettings();
    void ResizeBoard();
    void ScoreLabel_Change();
    void Picture1_GotFocus();
    void SideBar_GotFocus();

    // ---- Levels ----
    void StartNewGame();
    void StartRound();
    void NextLevel();
    void SetupLevel();
    void FillAroundGoblins();
    QString RandomFace();
    void ShrinkBoard();
    void DropBoardIn();

    // ---- Falling block ----
    void SpawnBlock();
    // A block stands in the entry cell: SpawnBlock ends the game on it.
    bool EntryCellTaken() const;
    void GameOver();
    void ChooseNextFace();
    void SetOperPic(Integer whichPic);
    void backPic_KeyDown(Integer KeyCode, Integer Shift);
    void backPic_KeyUp(Integer KeyCode, Integer Shift);
    void CycleOperator(Integer direction);
    void MoveRight();
    void MoveLeft();

    // ---- Removal and settling ----
    void RemoveMarkedCells();
    void ShrinkBlock(PictureBox* box);
    void SettleBoard(bool& changed);

    // ---- Equation pass ----
    void ProcessEquations();
    void ScanRows();
    void ScanColumns();
    void ScanDiagonalsDown();
    void ScanDiagonalsUp();
    void CheckEquation(const QString& first, const QString& second, Integer direction, bool& ok);
    void ScoreEquation();
    void IsOperator(const QString& face, bool& result);

    // ---- Game tick ----
    void GameTimer_Timer();
    void MoveBlockDown();
    void GoblinsRemain(bool& result);

    // ---- Animation timers ----
    void GoblinTimer_Timer();
    void LightTimer_Timer();
    void BombTimer_Timer();
    void BlueBlockTimer_Timer();

    // ---- Side bar, new game and pause ----
    void Image1_Click();
    void Image2_Click();
    void Image1_MouseDown();
    void Image1_MouseUp();
    void Image2_MouseDown();
    void Image2_MouseUp();
    void Image3_MouseDown();
    void Image3_MouseUp();
    void Image4_MouseDown();
    void Image4_MouseUp();
    void Image5_MouseDown();
    void Image5_MouseUp();
    void Image6_MouseDown();
    void Image6_MouseUp();
    void PauseTimer_Timer();
    void HotKeys(Integer KeyCode);

    // ---- Audio, instructions, high-score and exit commands ----
    void Image3_Click();
    void Image4_Click();
    void Image5_Click();
    void Image6_Click();

    // ---- Game-over banner and high-score table ----
    void GameOverTimer_Timer();
    void RecordHighScore();
    QString AskPlayerName(Integer place);
    // The name prompt while it is open: if the program ends meanwhile, the entry is saved with the
    // text the prompt holds.
    frmCustomInput* OpenNamePrompt = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
