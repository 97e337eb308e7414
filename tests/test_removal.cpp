// Removal of marked cells and settling: gravity, goblin pictures, bombs and stars.
#include "TestSupport.h"

#include "platform/NumberFormat.h"
#include "platform/Pacing.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <functional>
#include <utility>

namespace {
using TestSupport::Bottom;

// Records every move of the watched blocks, in order, by block index.
class MoveRecorder : public QObject {
public:
    void Watch(PictureBox* box, Long index) {
        box->setProperty("blockIndex", index);
        box->installEventFilter(this);
    }
    std::vector<Long> moves;
    std::function<void(Long)> onFirstMove;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Move) {
            const Long index = watched->property("blockIndex").toInt();
            if (onFirstMove && std::find(moves.begin(), moves.end(), index) == moves.end()) onFirstMove(index);
            moves.push_back(index);
        }
        return false;
    }
};

class RemovalTest : public GameTest {
protected:
    void Mark(int row, int col) { form->Board[row][col].Removing = true; }
    Long IndexAt(int row, int col) const { return form->Board[row][col].BlockIndex; }
    void Show(int row, int col, const char* key) {
        form->BlockAt(IndexAt(row, col))->SetPicture(form->ImageListGoblin0.ListImages(key));
    }
    bool ShowsGoblinList(Long index, const char* key) const {
        const PictureBox* b = form->BlockAt(index);
        return b && b->GetPicture().Is(form->ImageListGoblin0, key);
    }
    // The cells whose picture boxes are deleted, in order, while `scope` lives.
    void WatchDeletions(std::vector<std::pair<int, int>>& order, QObject& scope) {
        for (int r = 1; r <= Module1::BoardSize; ++r)
            for (int c = 1; c <= Module1::BoardSize; ++c)
                if (!form->Board[r][c].Face.isEmpty())
                    QObject::connect(form->BlockAt(IndexAt(r, c)), &QObject::destroyed, &scope,
                                     [&order, r, c] { order.emplace_back(r, c); });
    }
};

}  // namespace

TEST_F(RemovalTest, NothingMarkedRemovesNothingButStillReenablesTheButtons) {
    SetBoard(Bottom({"1+1=2"}));
    ASSERT_TRUE(form->Image1->Enabled());
    form->Image2->SetEnabled(false);
    form->RemoveMarkedCells();
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());
    EXPECT_EQ(BoardRows(), Bottom({"1+1=2"}));
    for (Long i = 0; i < 5; ++i) EXPECT_NE(form->BlockAt(i), nullptr);
    EXPECT_FALSE(form->Image2->Enabled());  // Image1 was enabled: the buttons are left alone

    form->Image1->SetEnabled(false);
    form->RemoveMarkedCells();
    EXPECT_TRUE(form->Image1->Enabled());
    EXPECT_TRUE(form->Image2->Enabled());

    // The one-second pause comes only with something marked.
    Pacing::SetInstant(false);
    QElapsedTimer clock;
    clock.start();
    form->RemoveMarkedCells();
    EXPECT_LT(clock.elapsed(), 1000);  // the pause alone would take that long
    Mark(10, 1);
    clock.restart();
    form->RemoveMarkedCells();
    EXPECT_GE(clock.elapsed(), 1000 + 26 * 10 - 20);
    Pacing::SetInstant(true);
    EXPECT_EQ(BoardRows(), Bottom({".+1=2"}));
}

TEST_F(RemovalTest, OneSoundByGoblinBombEquationPrecedenceThenOneClickPerBlock) {
    struct Case {
        std::string row;
        QString sound;
    };
    const Case cases[] = {
        {"GB7", "star.wav"}, {"G12", "star.wav"}, {"7B8", "bomb.wav"}, {"B", "bomb.wav"},
        {"1=1", "equation.wav"}, {"S", "equation.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        SetBoard(Bottom({c.row + "9"}));
        TestSupport::ClearSounds();
        for (int col = 1; col <= static_cast<int>(c.row.size()); ++col) Mark(10, col);
        bool buttonsOffMeanwhile = false;
        QTimer::singleShot(0, form.get(),
                           [&] { buttonsOffMeanwhile = !form->Image1->Enabled() && !form->Image2->Enabled(); });
        form->RemoveMarkedCells();
        QStringList expected{c.sound};
        for (size_t i = 0; i < c.row.size(); ++i) expected << "row_disappear.wav";
        EXPECT_EQ(TestSupport::Sounds(), expected);
        EXPECT_TRUE(buttonsOffMeanwhile);
        EXPECT_TRUE(form->Image1->Enabled());
        EXPECT_TRUE(form->Image2->Enabled());
        // Only the unmarked 9 is left, its block and cell untouched.
        EXPECT_EQ(BoardRows(), Bottom({std::string(c.row.size(), '.') + "9"}));
        EXPECT_EQ(MarkRows(), Bottom({""}));
        for (Long i = 0; i < static_cast<Long>(c.row.size()); ++i) EXPECT_EQ(form->BlockAt(i), nullptr);
        EXPECT_EQ(KeyAt(10, static_cast<int>(c.row.size()) + 1), "nine");
    }
}

TEST_F(RemovalTest, RedPassShowsRedTilesAndTheBeatenGoblinButKeepsStarsAndBombs) {
    SetBoard(Bottom({"7SBG85"}));
    Show(10, 2, "star");
    Show(10, 3, "bomb1");
    for (int col = 1; col <= 5; ++col) Mark(10, col);
    const Long star = IndexAt(10, 2), bomb = IndexAt(10, 3), goblin = IndexAt(10, 4), eight = IndexAt(10, 5),
               five = IndexAt(10, 6);
    bool seen = false;
    QTimer::singleShot(0, form.get(), [&] {
        seen = true;  // the 7 has just shrunk; the others are still waiting
        EXPECT_TRUE(ShowsGoblinList(star, "star"));
        EXPECT_TRUE(ShowsGoblinList(bomb, "bomb1"));
        EXPECT_TRUE(ShowsGoblinList(goblin, "goblin5"));
        EXPECT_TRUE(form->BlockAt(eight)->GetPicture().Is(form->ImageListRed, "eight"));
        EXPECT_TRUE(form->BlockAt(five)->GetPicture().Is(form->ImageListBlue, "five"));
    });
    form->RemoveMarkedCells();
    EXPECT_TRUE(seen);
    EXPECT_EQ(BoardRows(), Bottom({".....5"}));
}

TEST_F(RemovalTest, RemovalGoesColumnByColumnTopToBottom) {
    SetBoard(Bottom({"12", "34", "56", "", "", "", "", "", "", ""}));
    Mark(2, 1);
    Mark(1, 2);
    Mark(3, 1);
    std::vector<std::pair<int, int>> order;
    QObject scope;
    WatchDeletions(order, scope);
    form->RemoveMarkedCells();
    const std::vector<std::pair<int, int>> expected{{2, 1}, {3, 1}, {1, 2}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(TestSupport::Sounds().count("row_disappear.wav"), 3);
}

TEST_F(RemovalTest, GoblinUnderARemovedCellIsLeftWithNothingOnIt) {
    // A star on a goblin, both marked; a marked 4 on a goblin that stays.
    SetBoard(Bottom({"S4", "GG"}));
    Mark(9, 1);
    Mark(10, 1);
    Mark(9, 2);
    const Long beaten = IndexAt(10, 1), spared = IndexAt(10, 2);
    form->BlockAt(spared)->SetPicture(form->ImageListGoblin0.ListImages("goblin1"));
    bool redSeen = false, starGoneSeen = false;
    QTimer::singleShot(0, form.get(), [&] {
        redSeen = true;
        EXPECT_TRUE(ShowsGoblinList(beaten, "goblin5"));
    });
    QObject scope;
    QObject::connect(form->BlockAt(IndexAt(9, 1)), &QObject::destroyed, &scope, [&] {
        starGoneSeen = true;
        EXPECT_TRUE(ShowsGoblinList(beaten, "goblin3"));  // and it shrinks with this picture
    });
    form->RemoveMarkedCells();
    EXPECT_TRUE(redSeen);
    EXPECT_TRUE(starGoneSeen);
    EXPECT_EQ(form->BlockAt(beaten), nullptr);
    EXPECT_TRUE(ShowsGoblinList(spared, "goblin3"));
    EXPECT_EQ(TestSupport::Sounds().first(), "star.wav");
}

TEST_F(RemovalTest, BlocksFallOneAtATimeThroughEveryGapBelow) {
    // Column 1: blocks in rows 3, 4, 5, 9 and 10; column 2: one block in row 1; column 3: one in row 10.
    SetBoard(Bottom({".7", "", "1", "2", "3", "", "", "", "4", "5.8"}));
    MoveRecorder recorder;
    for (Long i = 0; i < form->BlockCount; ++i) recorder.Watch(form->BlockAt(i), i);
    const Long seven = IndexAt(1, 2), one = IndexAt(3, 1), two = IndexAt(4, 1), three = IndexAt(5, 1);
    bool changed = false;
    form->SettleBoard(changed);
    EXPECT_TRUE(changed);

    std::vector<Long> expected(72, seven);  // columns from the right: the 7 first, nine cells
    for (Long b : {three, two, one}) expected.insert(expected.end(), 24, b);  // then bottom up, three cells each
    EXPECT_EQ(recorder.moves, expected);
    EXPECT_EQ(TestSupport::Sounds(), QStringList(4, "block_click.wav"));

    EXPECT_EQ(BoardRows(), Bottom({"1", "2", "3", "4", "578"}));
    EXPECT_EQ(form->BlockAt(seven)->Top(), 360);
    EXPECT_EQ(form->BlockAt(one)->Top(), 200);
    EXPECT_EQ(form->BlockAt(three)->Top(), 280);
    EXPECT_EQ(form->Board[6][1].BlockIndex, one);

    // Settled already: nothing moves and nothing changed, whatever the caller's flag held.
    recorder.moves.clear();
    TestSupport::ClearSounds();
    changed = true;
    form->SettleBoard(changed);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(recorder.moves.empty());
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());
}

TEST_F(RemovalTest, FallingDigitCoversAGoblinBeforeItsSlideButAStarDoesNot) {
    SetBoard(Bottom({"6S", "", "", "", "", "", "", "", "", "GG"}));
    const Long underDigit = IndexAt(10, 1), underStar = IndexAt(10, 2);
    form->BlockAt(underDigit)->SetPicture(form->ImageListGoblin0.ListImages("goblin3"));
    form->BlockAt(underStar)->SetPicture(form->ImageListGoblin0.ListImages("goblin3"));
    MoveRecorder recorder;
    const Long digit = IndexAt(1, 1), star = IndexAt(1, 2);
    recorder.Watch(form->BlockAt(digit), digit);
    recorder.Watch(form->BlockAt(star), star);
    std::vector<QString> seenAtFirstMove;
    recorder.onFirstMove = [&](Long index) {
        seenAtFirstMove.push_back(KeyOf(index == digit ? underDigit : underStar));
    };
    bool changed = false;
    form->SettleBoard(changed);
    const std::vector<QString> expected{"goblin3", "goblin1"};  // the star's column falls first
    EXPECT_EQ(seenAtFirstMove, expected);
    // Afterwards both hold something up; the star beats its goblin.
    EXPECT_TRUE(ShowsGoblinList(underDigit, "goblin1"));
    EXPECT_TRUE(ShowsGoblinList(underStar, "goblin1"));
    EXPECT_TRUE(form->IsGoblinAlive(underDigit));
    EXPECT_FALSE(form->IsGoblinAlive(underStar));
}

TEST_F(RemovalTest, StarAboveOrBesideBeatsAGoblinOnceAndIsSpent) {
    // Star on a goblin; a star between two goblins; a goblin with stars above and left.
    SetBoard(Bottom({"S....S", "GGSGSG"}));
    form->ScoreLabel->SetCaption("12345");
    ASSERT_EQ(form->ScoreLabel->Caption(), FormatNumber(12345));
    bool changed = false;
    form->SettleBoard(changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(MarkRows(), Bottom({"X....X", "XXXXXX"}));
    EXPECT_EQ(form->ScoreLabel->Caption(), FormatNumber(12345 + 4 * 5000));
    for (int col : {1, 2, 4, 6}) {
        EXPECT_FALSE(form->IsGoblinAlive(IndexAt(10, col))) << col;
        EXPECT_EQ(KeyAt(10, col).toStdString(), col == 1 || col == 6 ? "goblin1" : "goblin3") << col;
    }
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());

    // 12,345 becomes 17,345 for one goblin.
    SetBoard(Bottom({"S", "G"}));
    form->ScoreLabel->SetCaption("12345");
    form->SettleBoard(changed);
    EXPECT_EQ(form->ScoreLabel->Caption(), FormatNumber(17345));

    // A sum beyond 32 bits leaves the caption alone; the goblin is beaten all the same.
    SetBoard(Bottom({"S", "G"}));
    form->ScoreLabel->SetCaption("2147480000");
    const QString before = form->ScoreLabel->Caption();
    form->SettleBoard(changed);
    EXPECT_EQ(form->ScoreLabel->Caption(), before);
    EXPECT_EQ(MarkRows(), Bottom({"X", "X"}));
    EXPECT_FALSE(form->IsGoblinAlive(IndexAt(10, 1)));
}

TEST_F(RemovalTest, StarBelowOrDiagonalSparesTheGoblin) {
    // A goblin on a star; a star diagonally above a goblin (resting on a 1).
    SetBoard(Bottom({"G...S", "S..G1"}));
    form->ScoreLabel->SetCaption("0");
    bool changed = true;
    form->SettleBoard(changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(MarkRows(), Bottom({""}));
    EXPECT_EQ(form->ScoreLabel->Caption(), "0");
    EXPECT_TRUE(form->IsGoblinAlive(IndexAt(9, 1)));
    EXPECT_TRUE(form->IsGoblinAlive(IndexAt(10, 4)));
    EXPECT_TRUE(ShowsGoblinList(IndexAt(9, 1), "goblin3"));
    EXPECT_TRUE(ShowsGoblinList(IndexAt(10, 4), "goblin3"));
}

TEST_F(RemovalTest, BombMarksBelowAndBesideButNeverAboveNorAGoblin) {
    // Bottom-left and bottom-right corners, and one in the middle with a star on its left and an
    // empty cell on its right; a block rests on each bomb.
    const auto board = Bottom({"....9", "7..SB....8", "B5.234..GB"});
    SetBoard(board);
    form->BombTimer.SetEnabled(true);
    bool changed = false;
    form->SettleBoard(changed);
    EXPECT_TRUE(changed);  // although nothing fell
    EXPECT_TRUE(TestSupport::Sounds().isEmpty());
    EXPECT_FALSE(form->BombTimer.Enabled());
    EXPECT_EQ(MarkRows(), Bottom({"", "...XX", "XX..X....X"}));
    EXPECT_TRUE(form->IsGoblinAlive(IndexAt(10, 9)));
    EXPECT_EQ(BoardRows(), board);
}

TEST_F(RemovalTest, MarkedCellWhosePictureBoxIsGoneIsStillCleared) {
    SetBoard(Bottom({"4", "G7"}));
    const Long four = IndexAt(9, 1);
    delete form->BlockAt(four);
    form->SetBlockAt(four, nullptr);
    Mark(9, 1);
    Mark(10, 2);
    form->RemoveMarkedCells();
    EXPECT_EQ(BoardRows(), Bottom({"", "G"}));
    EXPECT_EQ(MarkRows(), Bottom({""}));
    EXPECT_TRUE(ShowsGoblinList(IndexAt(10, 1), "goblin3"));
    EXPECT_EQ(TestSupport::Sounds().count("row_disappear.wav"), 2);
}
