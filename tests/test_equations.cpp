// The equation pass: scans, pair matching, scoring and the repeated cycle.
#include "TestSupport.h"

#include "platform/NumberFormat.h"
#include "platform/Program.h"

#include <QTimer>

namespace {
using TestSupport::Bottom;

std::vector<std::string> Empty(size_t n = 10) { return std::vector<std::string>(n, std::string(n, '.')); }

// An empty 10 x 10 board with `text` written from (row, col), each step one column right and dRow rows down.
std::vector<std::string> Along(int row, int col, int dRow, const std::string& text) {
    std::vector<std::string> rows = Empty();
    for (int i = 0; i < static_cast<int>(text.size()); ++i)
        rows[static_cast<size_t>(row + dRow * i)][static_cast<size_t>(col + i)] = text[static_cast<size_t>(i)];
    return rows;
}

class EquationTest : public GameTest {
protected:
    void Fresh(const std::vector<std::string>& rows) {
        SetBoard(rows);
        form->ScoreLabel->SetCaption(QStringLiteral("0"));
        form->BombCounter = 0;
        form->StarCounter = 0;
        form->EqLeft.clear();
        form->EqRight.clear();
    }
    QString Score() const { return form->ScoreLabel->Caption(); }
};

struct LineCase {
    std::vector<std::string> board;
    std::vector<std::string> marks;
    qint64 score;
    int counters;
};

}  // namespace

TEST_F(EquationTest, RowsAreReadLeftToRightAndTheLastMatchingPairDecidesTheMarks) {
    const std::vector<LineCase> cases = {
        {Bottom({"1+1=2"}), Bottom({"XXXXX"}), 1000, 1},
        {Bottom({"3=3+0"}), Bottom({"XXXXX"}), 1000, 2},
        {Bottom({"5+3=3"}), Bottom({".XXXX"}), 800, 2},
        {Bottom({"2=6/3"}), Bottom({"XXXXX"}), 2000, 1},
        {Bottom({"3/6=2"}), Empty(), 0, 0},
        {Bottom({"1/3=2/6"}), Bottom({"XXXXXXX"}), 2800, 1},
        {Bottom({"7/10*3=21/10"}, 12), Bottom({"XXXXXXXXXXXX"}, 12), 4800, 1},
        {Bottom({"1/0=5"}), Empty(), 0, 0},
        {Bottom({"1+1=2=2"}), Bottom({"XXXXXXX"}), 1300, 2},
        {Bottom({"-3=-3"}), Bottom({"XXXXX"}), 1000, 1},
        {Bottom({"00=0"}), Bottom({"XXXX"}), 400, 2},
        {Bottom({"G3=3"}), Bottom({".XXX"}), 300, 1},
        {Bottom({"1+1=", "..=2"}), Empty(), 0, 0},
        // The first and last "=" a row scan visits: columns 2 and N - 1, top row included.
        {{"4=4....7=7"}, {"XXX....XXX"}, 600, 2},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.board.back());
        std::vector<std::string> board = c.board, marks = c.marks;
        if (board.size() == 1) {  // a one-row case stands in the top row of an otherwise empty board
            board = Empty();
            board[0] = c.board[0];
            marks = Empty();
            marks[0] = c.marks[0];
        }
        Fresh(board);
        const auto before = BoardRows();
        form->ScanRows();
        EXPECT_EQ(MarkRows(), marks);
        EXPECT_EQ(Score(), FormatNumber(c.score));
        EXPECT_EQ(form->BombCounter, c.counters);
        EXPECT_EQ(form->StarCounter, c.counters);
        EXPECT_EQ(BoardRows(), before);  // scans only mark
    }

    Fresh(Bottom({"5+3=3"}));
    form->ScanRows();
    EXPECT_EQ(form->EqLeft, "+3");
    EXPECT_EQ(form->EqRight, "3");
    Fresh(Bottom({"3=3+0"}));
    form->ScanRows();
    EXPECT_EQ(form->EqRight, "3+0");
}

TEST_F(EquationTest, ColumnsAreReadDownwardsThenUpwardsAndScoredPerReading) {
    // 1, 2, =, 1, 2: 12=12 downwards and 21=21 upwards.
    Fresh(Bottom({"1", "2", "=", "1", "2"}));
    form->ScanColumns();
    EXPECT_EQ(MarkRows(), Bottom({"X", "X", "X", "X", "X"}));
    EXPECT_EQ(Score(), FormatNumber(1000));
    EXPECT_EQ(form->BombCounter, 2);
    EXPECT_EQ(form->StarCounter, 2);
    EXPECT_EQ(form->EqLeft, "21");
    EXPECT_EQ(form->EqRight, "21");

    // 6, /, 3, =, 2: true downwards only.
    Fresh(Bottom({"6", "/", "3", "=", "2"}));
    form->ScanColumns();
    EXPECT_EQ(MarkRows(), Bottom({"X", "X", "X", "X", "X"}));
    EXPECT_EQ(Score(), FormatNumber(2000));
    EXPECT_EQ(form->BombCounter, 1);

    // -, 4, =, 4: both readings match 4 with 4; the sign stays unmarked and adds no factor.
    Fresh(Bottom({"-", "4", "=", "4"}));
    form->ScanColumns();
    EXPECT_EQ(MarkRows(), Bottom({".", "X", "X", "X"}));
    EXPECT_EQ(Score(), FormatNumber(600));
    EXPECT_EQ(form->BombCounter, 2);

    // Rows 2 and N - 1 in columns 1 and N are visited.
    Fresh(Bottom({"5........2", "=........=", "5........2", "", "", "", "", "3........8", "=........=", "3........8"}));
    form->ScanColumns();
    const std::string x = "X........X";
    EXPECT_EQ(MarkRows(), Bottom({x, x, x, "", "", "", "", x, x, x}));
    EXPECT_EQ(Score(), FormatNumber(8 * 300));

    // A row equation is no column equation.
    Fresh(Bottom({"1+1=2"}));
    form->ScanColumns();
    EXPECT_EQ(MarkRows(), Empty());
}

TEST_F(EquationTest, DiagonalsAreReadInTheirOneDirectionOnly) {
    // Top left to bottom right, and bottom left to top right with its "=" in the last row the scan
    // visits: 2=6/3 is true each way along its own diagonal only, 3/6=2 is not.
    struct Diagonal {
        int row, col, dRow;
        void (frmMain::*scan)();
        void (frmMain::*otherScan)();
    };
    for (const Diagonal& d : {Diagonal{0, 0, 1, &frmMain::ScanDiagonalsDown, &frmMain::ScanDiagonalsUp},
                              Diagonal{9, 4, -1, &frmMain::ScanDiagonalsUp, &frmMain::ScanDiagonalsDown}}) {
        SCOPED_TRACE(d.dRow);
        Fresh(Along(d.row, d.col, d.dRow, "2=6/3"));
        (form.get()->*d.otherScan)();
        EXPECT_EQ(MarkRows(), Empty());
        (form.get()->*d.scan)();
        EXPECT_EQ(MarkRows(), Along(d.row, d.col, d.dRow, "XXXXX"));
        EXPECT_EQ(Score(), FormatNumber(2000));

        Fresh(Along(d.row, d.col, d.dRow, "3/6=2"));
        (form.get()->*d.scan)();
        EXPECT_EQ(MarkRows(), Empty());
    }
}

TEST_F(EquationTest, CheckEquationTriesEveryPairAndCountsEachMatch) {
    Fresh(Empty());
    bool ok = true;
    form->CheckEquation("5+3", "3", 1, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(form->EqLeft, "+3");
    EXPECT_EQ(form->EqRight, "3");
    EXPECT_EQ(form->BombCounter, 2);
    EXPECT_EQ(form->StarCounter, 2);

    // Upwards: A is taken from the start of the first text, B from the end of the second.
    form->CheckEquation("21", "21", 0, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(form->EqLeft, "21");
    EXPECT_EQ(form->EqRight, "21");
    EXPECT_EQ(form->BombCounter, 3);

    // Failures are silent and leave the last match alone; ok is reset whatever it held.
    ok = true;
    form->CheckEquation("1/0", "5", 1, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(form->EqLeft, "21");
    EXPECT_EQ(form->BombCounter, 3);

    // Equal to fifteen significant digits is equal.
    form->CheckEquation("1/3", "2/6", 1, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(form->EqRight, "2/6");

    // A 16-bit counter at its top stays there; the other still counts.
    form->BombCounter = 32767;
    form->StarCounter = 5;
    form->CheckEquation("4", "4", 1, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(form->BombCounter, 32767);
    EXPECT_EQ(form->StarCounter, 6);

    bool op = false;
    for (const char* face : {"-", "+", "*", "/"}) {
        form->IsOperator(face, op);
        EXPECT_TRUE(op) << face;
    }
    for (const char* face : {"", "=", "1", "G", "S", "B", "++"}) {
        form->IsOperator(face, op);
        EXPECT_FALSE(op) << face;
    }
}

TEST_F(EquationTest, ScoreDoublesForSignsQuadruplesForProductsAndNeverOverflows) {
    struct Case {
        const char* left;
        const char* right;
        qint64 points;
    };
    const Case cases[] = {
        {"3", "3", 300}, {"1+1", "2", 1000}, {"-3", "-3", 1000}, {"6/3", "2", 2000}, {"2*3-1", "5", 5600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        Fresh(Empty());
        form->ScoreLabel->SetCaption(QStringLiteral("12345"));
        form->EqLeft = c.left;
        form->EqRight = c.right;
        form->ScoreEquation();
        EXPECT_EQ(Score(), FormatNumber(12345 + c.points));
    }

    // A sum beyond 32 bits leaves the score alone.
    form->ScoreLabel->SetCaption(QStringLiteral("2147483600"));
    const QString shown = Score();
    form->EqLeft = "1+1";
    form->EqRight = "2";
    form->ScoreEquation();
    EXPECT_EQ(Score(), shown);
}

TEST_F(EquationTest, PassRepeatsWhileSettlingCompletesNewEquations) {
    // 1+1=2 goes; the 4 resting on its first 1 falls next to "4=" and makes 4=4.
    Fresh(Bottom({"..4", "4=1+1=2"}));
    form->ProcessEquations();
    EXPECT_EQ(BoardRows(), Empty());
    EXPECT_EQ(Score(), FormatNumber(1300));
    EXPECT_EQ(form->BombCounter, 2);
    const QStringList rd(5, QStringLiteral("row_disappear.wav"));
    QStringList expected{"equation.wav"};
    expected << rd << "block_click.wav" << "equation.wav" << rd.mid(0, 3);
    EXPECT_EQ(TestSupport::Sounds(), expected);
    EXPECT_FALSE(form->EquationsRunning);

    // Nothing true on the board: one cycle, nothing changes.
    Fresh(Bottom({"1+1=3"}));
    TestSupport::ClearSounds();
    form->ProcessEquations();
    EXPECT_EQ(BoardRows(), Bottom({"1+1=3"}));
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());
    EXPECT_EQ(Score(), "0");
}

TEST_F(EquationTest, EquationBombStarAndGoblinCascade) {
    // 3=3 goes; the star drops beside the goblin and beats it; the bomb drops and takes the 5.
    Fresh(Bottom({".S.B", "G3=35"}));
    form->BombTimer.SetEnabled(true);
    form->ProcessEquations();
    EXPECT_EQ(BoardRows(), Empty());
    EXPECT_EQ(Score(), FormatNumber(5300));
    EXPECT_FALSE(form->IsGoblinAlive(0));
    EXPECT_FALSE(form->BombTimer.Enabled());
    const QStringList rd(4, QStringLiteral("row_disappear.wav"));
    QStringList expected{"equation.wav"};
    expected << rd.mid(0, 3) << "block_click.wav" << "block_click.wav" << "star.wav" << rd;
    EXPECT_EQ(TestSupport::Sounds(), expected);
    for (Long i = 0; i < form->BlockCount; ++i) EXPECT_EQ(form->BlockAt(i), nullptr) << i;
}

TEST_F(EquationTest, PassIsNeverEnteredTwice) {
    Fresh(Bottom({"1+1=2"}));
    bool innerRan = false;
    QStringList soundsAtInner;
    std::vector<std::string> boardAtInner, marksAtInner, boardAfterInner, marksAfterInner;
    QTimer::singleShot(0, form.get(), [&] {
        innerRan = true;
        soundsAtInner = TestSupport::Sounds();
        boardAtInner = BoardRows();
        marksAtInner = MarkRows();
        form->ProcessEquations();
        boardAfterInner = BoardRows();
        marksAfterInner = MarkRows();
        EXPECT_EQ(TestSupport::Sounds(), soundsAtInner);
    });
    form->ProcessEquations();
    ASSERT_TRUE(innerRan);
    EXPECT_EQ(boardAfterInner, boardAtInner);
    EXPECT_EQ(marksAfterInner, marksAtInner);
    EXPECT_EQ(Score(), FormatNumber(1000));
    EXPECT_EQ(form->BombCounter, 1);
    EXPECT_EQ(BoardRows(), Empty());

    // The guard is down again afterwards.
    Fresh(Bottom({"2=2"}));
    form->ProcessEquations();
    EXPECT_EQ(Score(), FormatNumber(300));
}

TEST_F(EquationTest, PassStopsWhenTheProgramEndsDuringRemoval) {
    Fresh(Bottom({"....7", "1+1=2"}));
    QTimer::singleShot(0, form.get(), [] { Program::End(); });
    form->ProcessEquations();
    EXPECT_EQ(TestSupport::EndCount(), 1);
    // Nothing resumes after the first shrink: no other block goes, nothing falls.
    EXPECT_EQ(TestSupport::Sounds().count("row_disappear.wav"), 1);
    EXPECT_FALSE(TestSupport::Sounds().contains("block_click.wav"));
    EXPECT_EQ(BoardRows(), Bottom({"....7", "1+1=2"}));
    EXPECT_FALSE(form->EquationsRunning);
}
