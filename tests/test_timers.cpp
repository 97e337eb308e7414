// The four animation timers: goblins, stars, the falling bomb and the falling blue block.
#include "TestSupport.h"

#include "platform/Random.h"

using namespace Module1;

class AnimationTimers : public GameTest {
protected:
    void Show(Long index, PictureList& list, const char* key) {
        form->BlockAt(index)->SetPicture(list.ListImages(QLatin1String(key)));
    }
    bool Shows(Long index, const PictureList& list, const char* key) const {
        const PictureBox* b = form->BlockAt(index);
        return b && b->GetPicture().Is(list, QLatin1String(key));
    }
};

TEST_F(AnimationTimers, GoblinsSwapWithinTheirPairOnOneDrawPerIndex) {
    // Blocks 0..3 are goblins; 2 is beaten. The digit is block 4.
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "GGGG5....."});
    PictureList& g = form->ImageListGoblin0;
    Show(1, g, "goblin3");
    form->SetGoblinAlive(2, false);
    Show(2, g, "goblin5");
    GoblinCount = 3;

    // Expected: one draw per index 0..GoblinCount, goblin or not; a live goblin swaps on r >= 0.5.
    SeedRandom(99);
    const int ticks = 60;
    std::vector<std::array<bool, 4>> swaps;
    for (int t = 0; t < ticks; ++t) {
        std::array<bool, 4> s{};
        for (int i = 0; i <= 3; ++i) s[static_cast<size_t>(i)] = Rnd() >= 0.5 && i != 2;
        swaps.push_back(s);
    }
    SeedRandom(99);
    bool odd[4] = {};
    int switches = 0;
    for (int t = 0; t < ticks; ++t) {
        form->GoblinTimer_Timer();
        for (int i = 0; i <= 3; ++i)
            if (swaps[static_cast<size_t>(t)][static_cast<size_t>(i)]) {
                odd[i] = !odd[i];
                ++switches;
            }
        EXPECT_TRUE(Shows(0, g, odd[0] ? "goblin2" : "goblin1")) << "tick " << t;
        EXPECT_TRUE(Shows(1, g, odd[1] ? "goblin4" : "goblin3")) << "tick " << t;
        EXPECT_TRUE(Shows(2, g, "goblin5")) << "a beaten goblin never changes";
        EXPECT_TRUE(Shows(3, g, odd[3] ? "goblin2" : "goblin1")) << "index GoblinCount is included";
        EXPECT_TRUE(Shows(4, form->ImageListBlue, "five"));
    }
    EXPECT_GT(switches, 60);
    EXPECT_LT(switches, 120);

    // Beyond GoblinCount nothing is visited.
    GoblinCount = 2;
    Show(3, g, "goblin1");
    for (int t = 0; t < 20; ++t) form->GoblinTimer_Timer();
    EXPECT_TRUE(Shows(3, g, "goblin1"));
}

TEST_F(AnimationTimers, StarsSwitchEverywhereUpToTheFallingBlock) {
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "S.........", "GS7S......"});
    // Blocks: 0 "S" (row 9), 1 "G", 2 "S", 3 "7", 4 "S". Block 2 was removed.
    PictureList& g = form->ImageListGoblin0;
    Show(0, g, "star");
    Show(4, g, "star2");
    delete form->BlockAt(2);
    form->SetBlockAt(2, nullptr);
    form->KeysLocked = false;
    form->SpawnBlock();
    const Long falling = form->BlockCount;
    Show(falling, g, "star");
    // A box past the falling block is not the timer's business.
    form->BlockCount = static_cast<Integer>(falling + 1);
    form->CreateBlock();
    Show(falling + 1, g, "star");
    form->BlockCount = static_cast<Integer>(falling);

    form->LightTimer_Timer();
    EXPECT_TRUE(Shows(0, g, "star2"));
    EXPECT_TRUE(Shows(4, g, "star"));
    EXPECT_TRUE(Shows(falling, g, "star2"));
    EXPECT_TRUE(Shows(1, g, "goblin1"));
    EXPECT_TRUE(Shows(3, form->ImageListBlue, "seven"));
    EXPECT_TRUE(Shows(falling + 1, g, "star"));
    form->LightTimer_Timer();
    EXPECT_TRUE(Shows(0, g, "star"));
    EXPECT_TRUE(Shows(4, g, "star2"));
    EXPECT_TRUE(Shows(falling, g, "star"));

    // Right after a landing the entry at BlockCount has no block yet.
    form->BlockCount = static_cast<Integer>(falling + 2);
    form->LightTimer_Timer();
    EXPECT_TRUE(Shows(falling + 1, g, "star2"));
}

TEST_F(AnimationTimers, BombSwitchesOnlyTheFallingBlock) {
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "GB........"});
    PictureList& g = form->ImageListGoblin0;
    Show(1, g, "bomb1");
    form->KeysLocked = false;
    form->SpawnBlock();
    const Long falling = form->BlockCount;
    Show(falling, g, "bomb1");
    form->BombTimer_Timer();
    EXPECT_TRUE(Shows(falling, g, "bomb2"));
    EXPECT_TRUE(Shows(1, g, "bomb1"));
    form->BombTimer_Timer();
    EXPECT_TRUE(Shows(falling, g, "bomb1"));
    // A falling block that is no bomb is left alone.
    form->SetBlockPicture(form->ImageListBlue, "6", falling, false);
    form->BombTimer_Timer();
    EXPECT_TRUE(Shows(falling, form->ImageListBlue, "six"));
}

TEST_F(AnimationTimers, BlueBlockAlternatesLightOnOddTicks) {
    SetBoard({"..........", "..........", "..........", "..........", "..........", "..........",
              "..........", "..........", "..........", "G........."});
    form->KeysLocked = false;
    form->SpawnBlock();
    const Long falling = form->BlockCount;
    form->CurFace = "3";
    form->IsBlueBlock = true;
    form->BlueBlinkCount = 0;
    form->SetBlockPicture(form->ImageListBlue, "3", falling, false);
    form->BlueBlockTimer_Timer();
    EXPECT_EQ(form->BlueBlinkCount, 1);
    EXPECT_TRUE(Shows(falling, form->ImageListBlue2, "three"));
    form->BlueBlockTimer_Timer();
    EXPECT_TRUE(Shows(falling, form->ImageListBlue, "three"));
    // The face changed by a key shows at the next tick.
    form->backPic_KeyDown(vbKeyUp, 0);
    form->BlueBlockTimer_Timer();
    EXPECT_TRUE(Shows(falling, form->ImageListBlue2, "four"));
    // Past the 16-bit top the alternation goes on.
    form->BlueBlinkCount = 32767;
    form->BlueBlockTimer_Timer();
    EXPECT_EQ(form->BlueBlinkCount % 2, 0);
    EXPECT_TRUE(Shows(falling, form->ImageListBlue, "four"));
    form->BlueBlockTimer_Timer();
    EXPECT_TRUE(Shows(falling, form->ImageListBlue2, "four"));
}
