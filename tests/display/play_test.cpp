// The rules of play, through the real game frame by frame with key events.
// Where reaching a state by play would take long, a test places runners,
// tiles or the camera and then plays the rule itself. Keys: the left runner
// hops with K (left) and L (right), the right one with A/Left and D/Right.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;
using Sounds = std::vector<int>;

constexpr int kK = 75, kL = 76, kA = 65, kD = 68;
// m_player fields, plus 0 for the left runner or 10 for the right one.
constexpr int kCol = 1, kRow = 2, kHop = 5, kState = 6, kLeftRunner = 0, kRightRunner = 10;

class Play : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = rig.app;
  void SetUp() override { ASSERT_GT(rig.RunUntilLoaded(), 0); }
  void StartLevel(int level) {
    app->m_level = level, app->m_controlStyle = 0, app->m_mode = 11;
    rig.Step();
    ASSERT_EQ(app->m_mode, 10);
  }
  float& P(int i) { return app->m_player[i]; }
  float& Cell(int row, int col, int field = 0) { return app->m_grid[(row * 20 + col) * 10 + field]; }  // 1: coin
  void Place(int runner, int col, int row) {
    P(runner + kCol) = P(runner + 3) = (float)col;  // where it is and where it is shown
    P(runner + kRow) = P(runner + 4) = (float)row;
  }
  Sounds StepSounds() {  // one frame; the sound slots started in it
    int from = app->m_sfxChannel;
    rig.Step();
    Sounds slots;
    for (int c = from; c != app->m_sfxChannel;) {
      c = (c + 1) % 24;
      for (int slot = 0; slot < 100; ++slot)
        if (app->m_sounds[slot] && app->m_sounds[slot]->m_sample == rv_audio_device->channels[app->m_channelMap[c]].sample)
          slots.push_back(slot);
    }
    return slots;
  }
};

TEST_F(Play, ARunnerHopsOnceAPressAndOnlyWithinItsHalf) {
  StartLevel(1);
  rig.KeyDown(kD);
  EXPECT_EQ(StepSounds(), Sounds{2});
  rig.Step(40);
  EXPECT_EQ(P(kRightRunner + kRow), 1) << "held: one hop";
  EXPECT_EQ(P(kRightRunner + kCol), 15);
  rig.KeyUp(kD), rig.Step();
  rig.Tap(kA);  // a new press, the other way
  EXPECT_EQ(P(kRightRunner + kRow) * 100 + P(kRightRunner + kCol), 214);
  Place(kLeftRunner, 0, 0);
  Place(kRightRunner, 19, 0);
  rig.KeyDown(kK), rig.KeyDown(kD), rig.Step(15);
  EXPECT_EQ(P(kLeftRunner + kRow) + P(kLeftRunner + kCol) + P(kRightRunner + kRow), 0);
  EXPECT_EQ(P(kRightRunner + kCol), 19);
}

TEST_F(Play, AHopLandsAfterSevenFramesAndACoinPaysFive) {
  StartLevel(1);
  Cell(1, 5, 1) = 1;
  rig.KeyDown(kL), rig.Step(7);
  EXPECT_EQ(P(kLeftRunner + kHop), 20) << "still in the air";
  EXPECT_EQ(app->m_score, 0);
  EXPECT_EQ(StepSounds(), Sounds{5});
  EXPECT_EQ(app->m_score, 5);
  EXPECT_EQ(Cell(1, 5, 1), 0);
  EXPECT_EQ(Cell(1, 5), 2) << "the left runner marks the floor it lands on";
  rig.Step();
  EXPECT_TRUE(rig.HasText("00000005")) << rig.AllText();
}

TEST_F(Play, ADeadlyTileLosesTheRunnerAndTheLevel) {
  StartLevel(1);
  Cell(1, 15) = 12;
  rig.KeyDown(kD), rig.Step(7);
  EXPECT_EQ(StepSounds(), Sounds{4});
  EXPECT_EQ(P(kRightRunner + kState), 1);
  rig.Step(29);
  EXPECT_GT(P(kRightRunner + 4), 11) << "a lost runner slides down";
  EXPECT_EQ(app->m_gameOverTime, 0);
  rig.Step();
  EXPECT_EQ(app->m_gameResult, 1);
}

TEST_F(Play, OneRunnerHomeDoesNotCompleteTheLevel) {
  StartLevel(1);
  Place(kLeftRunner, 4, 49);
  Place(kRightRunner, 14, 20);
  Cell(21, 13) = 9, Cell(21, 13, 1) = 0;
  app->m_camY = app->m_camTargetY = 24 * 20 - 200;
  rig.KeyDown(kL), rig.Step(7);
  EXPECT_EQ(StepSounds(), Sounds{6});
  rig.KeyDown(kA), rig.Step(7);
  EXPECT_EQ(StepSounds(), Sounds{4});
  rig.Step(30);
  EXPECT_EQ(app->m_gameResult, 1) << "lost";
}

TEST_F(Play, ASwingingBlockLosesTheRunnerItTouches) {
  StartLevel(5);
  for (int cell = 0; cell < 51 * 20; ++cell) app->m_grid[cell * 10 + 2] = 0;
  Place(kLeftRunner, 4, 5);
  Place(kRightRunner, 14, 5);
  // Type 1 swings sideways by 24 sin(phase): at phase 90 it stands one
  // column right of its cell, on the left runner.
  Cell(5, 3, 2) = 1, Cell(5, 3, 3) = 90, Cell(5, 3, 4) = 0;
  rig.Step();  // drawn there; the block tests last frame's place
  EXPECT_EQ(rig.Records(2, 36).size(), 1u);
  EXPECT_EQ(StepSounds(), Sounds{3});
  EXPECT_EQ(P(kLeftRunner + kState), 1);
  EXPECT_EQ(P(kRightRunner + kState), 0);
}

TEST_F(Play, EachControlStyleSteersAndTheFirstTwoLevelsShowTheKeys) {
  StartLevel(1);
  rig.Step();
  for (const char* glyph : {"\xc2\xac[113]", "\xc2\xac[114]", "\xc2\xac[123]", "\xc2\xac[124]"})  // K L, A D
    EXPECT_TRUE(rig.HasText(glyph)) << glyph << " in " << rig.AllText();
  app->m_controlStyle = 1;  // joypad: the directions steer the left runner
  rig.KeyDown(kRight);
  rig.KeyDown(kK);  // button 2 is right for the right runner
  rig.Step(10);
  EXPECT_EQ(P(kLeftRunner + kCol) * 100 + P(kRightRunner + kCol), 515);
  rig.KeyUp(kRight), rig.KeyUp(kK);
  StartLevel(2);
  app->m_controlStyle = 2;  // started with the pointer: steered and hinted as the keyboard
  rig.KeyDown(kL), rig.KeyDown(kA), rig.Step();
  EXPECT_EQ(P(kLeftRunner + kCol) * 100 + P(kRightRunner + kCol), 513);
  EXPECT_TRUE(rig.HasText("\xc2\xac[113]")) << rig.AllText();
  StartLevel(3);
  rig.Step();
  EXPECT_FALSE(rig.HasText("\xc2\xac")) << rig.AllText();
}

}  // namespace
