// The rules of play, driven through the real game object frame by frame with
// key events through the host (the game rig). Where reaching a state by play
// would take long, the test places runners, tiles or the camera directly and
// then drives the rule itself with keys.
//
// Keys (keyboard style): the left runner hops with K (left) and L (right),
// the right runner with A/Left and D/Right.
#include <gtest/gtest.h>

#include <vector>

#include "audio/audio_device.h"
#include "game/globals.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

constexpr int kKeyK = 75, kKeyL = 76, kKeyA = 65, kKeyD = 68, kKeyRight = 39;

// m_player fields: a runner's field plus 0 (left) or 10 (right).
constexpr int kCol = 1, kRow = 2, kShownCol = 3, kShownRow = 4, kHop = 5, kState = 6;
constexpr int kLeft = 0, kRight = 10;

class GameplayRules : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = nullptr;

  void SetUp() override {
    ASSERT_GT(rig.RunUntilLoaded(), 0);
    app = rig.App();
  }

  void StartLevel(int level) {
    app->m_level = level;
    app->m_controlStyle = 0;
    app->m_mode = 11;
    rig.Step();
    ASSERT_EQ(app->m_mode, 10);
  }

  float& P(int i) { return app->m_player[i]; }
  float& Tile(int row, int col) { return app->m_grid[(row * 20 + col) * 10]; }
  float& Coin(int row, int col) { return app->m_grid[(row * 20 + col) * 10 + 1]; }

  void Place(int runner, int col, int row) {
    P(runner + kCol) = P(runner + kShownCol) = (float)col;
    P(runner + kRow) = P(runner + kShownRow) = (float)row;
  }

  // Steps one frame and gives the sound slots started in it, in order.
  std::vector<int> StepSounds() {
    int from = app->m_sfxChannel;
    rig.Step();
    std::vector<int> slots;
    for (int c = from; c != app->m_sfxChannel;) {
      c = (c + 1) % 24;
      gxtkSample* s = rv_audio_device->channels[app->m_channelMap[c]].sample;
      for (int slot = 0; slot < 100; ++slot) {
        c_Sound* snd = app->m_sounds[slot];
        if (snd && snd->m_sample == s) slots.push_back(slot);
      }
    }
    return slots;
  }

  // Steps until the end sequence has drawn a while and gives the texts.
  void StepIntoEndSequence() {
    for (int i = 0; i < 200 && app->m_endTime < 30; ++i) rig.Step();
  }
};

using Sounds = std::vector<int>;

TEST_F(GameplayRules, ARunnerHopsOnlyWithinItsHalf) {
  StartLevel(1);
  Place(kLeft, 0, 0);
  Place(kRight, 19, 0);
  rig.KeyDown(kKeyK);
  rig.KeyDown(kKeyD);
  rig.Step(15);
  EXPECT_EQ(P(kLeft + kCol), 0);
  EXPECT_EQ(P(kLeft + kRow), 0);
  EXPECT_EQ(P(kRight + kCol), 19);
  EXPECT_EQ(P(kRight + kRow), 0);
  rig.KeyUp(kKeyK);
  rig.KeyUp(kKeyD);
  rig.Step();
  rig.KeyDown(kKeyL);
  EXPECT_EQ(StepSounds(), Sounds{1});
  EXPECT_EQ(P(kLeft + kCol), 1);
  EXPECT_EQ(P(kLeft + kRow), 1);
}

TEST_F(GameplayRules, HoldingADirectionHopsOnceUntilReleased) {
  StartLevel(1);
  rig.KeyDown(kKeyD);
  EXPECT_EQ(StepSounds(), Sounds{2});
  rig.Step(40);
  EXPECT_EQ(P(kRight + kRow), 1);
  EXPECT_EQ(P(kRight + kCol), 15);
  rig.KeyUp(kKeyD);
  rig.Step();
  rig.KeyDown(kKeyA);  // the other way: a new press
  rig.Step();
  EXPECT_EQ(P(kRight + kRow), 2);
  EXPECT_EQ(P(kRight + kCol), 14);
  rig.KeyUp(kKeyA);
  rig.Step(9);
  rig.KeyDown(kKeyA);
  rig.Step();
  EXPECT_EQ(P(kRight + kRow), 3);
}

TEST_F(GameplayRules, AHopLandsWhenItsTimerFallsBelowTwentyAndACoinPaysFive) {
  StartLevel(1);
  Coin(1, 5) = 1;
  int score = app->m_score;
  rig.KeyDown(kKeyL);
  rig.Step();  // the hop: timer 90 -> 80
  EXPECT_EQ(P(kLeft + kHop), 80);
  rig.Step(6);  // 70 .. 20: still in the air
  EXPECT_EQ(P(kLeft + kHop), 20);
  EXPECT_EQ(app->m_score, score);
  EXPECT_EQ(Coin(1, 5), 1);
  EXPECT_EQ(StepSounds(), Sounds{5});  // 10: landed
  EXPECT_EQ(app->m_score, score + 5);
  EXPECT_EQ(Coin(1, 5), 0);
  EXPECT_EQ(Tile(1, 5), 2) << "the left runner marks the floor it lands on";
  rig.Step();
  EXPECT_TRUE(rig.HasText("00000005")) << rig.AllText();
}

TEST_F(GameplayRules, ADeadlyTileLosesTheRunnerAndFailsTheLevelThirtyOneFramesLater) {
  StartLevel(1);
  Tile(1, 15) = 12;
  rig.KeyDown(kKeyD);
  rig.Step(7);
  EXPECT_EQ(P(kRight + kState), 0);
  EXPECT_EQ(StepSounds(), Sounds{4});
  EXPECT_EQ(P(kRight + kState), 1);
  float row = P(kRight + kShownRow);
  rig.Step(29);
  EXPECT_GT(P(kRight + kShownRow), row + 10) << "a lost runner slides down";
  EXPECT_EQ(app->m_gameOverTime, 0);
  rig.Step();
  EXPECT_EQ(app->m_gameOverTime, 1);
  EXPECT_EQ(app->m_gameResult, 1);

  // The end sequence: 90 frames in all, then the result is recorded.
  int frames = 1;
  while (app->m_mode == 10 && frames < 200) {
    rig.Step();
    ++frames;
    if (app->m_endTime == 40) {
      EXPECT_TRUE(rig.HasText("Bad")) << rig.AllText();
      EXPECT_TRUE(rig.HasText("Luck"));
    }
  }
  EXPECT_EQ(frames, 90);
  EXPECT_NE(app->m_mode, 10);
}

TEST_F(GameplayRules, BothRunnersHomeCompleteTheLevel) {
  StartLevel(1);
  Place(kLeft, 4, 49);
  Place(kRight, 14, 49);
  app->m_camY = app->m_camTargetY = 24 * 49 - 200;
  rig.KeyDown(kKeyL);
  rig.KeyDown(kKeyD);
  rig.Step(7);
  // Left home first while the right one still runs, then the second home.
  EXPECT_EQ(StepSounds(), (Sounds{6, 8}));
  EXPECT_EQ(P(kLeft + kState), 2);
  EXPECT_EQ(P(kRight + kState), 2);
  rig.Step(29);
  EXPECT_EQ(app->m_gameOverTime, 0);
  rig.Step();
  EXPECT_EQ(app->m_gameOverTime, 1);
  EXPECT_EQ(app->m_gameResult, 2);
  StepIntoEndSequence();
  EXPECT_TRUE(rig.HasText("Level")) << rig.AllText();
  EXPECT_TRUE(rig.HasText("Complete"));
}

TEST_F(GameplayRules, LosingOneRunnerAfterTheOtherGotHomeStillFails) {
  StartLevel(1);
  Place(kLeft, 4, 49);
  Place(kRight, 14, 20);
  Tile(21, 13) = 9;
  Coin(21, 13) = 0;
  app->m_camY = app->m_camTargetY = 24 * 20 - 200;
  rig.KeyDown(kKeyL);
  rig.Step(7);
  EXPECT_EQ(StepSounds(), Sounds{6});
  rig.KeyDown(kKeyA);
  rig.Step(7);
  EXPECT_EQ(StepSounds(), Sounds{4});
  EXPECT_EQ(P(kLeft + kState), 2);
  EXPECT_EQ(P(kRight + kState), 1);
  rig.Step(30);
  EXPECT_EQ(app->m_gameResult, 1);
  StepIntoEndSequence();
  EXPECT_TRUE(rig.HasText("Bad")) << rig.AllText();
}

TEST_F(GameplayRules, ARunnerOvertakenByTheTopEdgeIsLost) {
  StartLevel(1);
  Place(kLeft, 4, 10);
  app->m_camY = app->m_camTargetY = 40;  // the right runner's row 0 is 40 above the top
  EXPECT_EQ(StepSounds(), Sounds{4});
  EXPECT_EQ(P(kRight + kState), 1);
  EXPECT_EQ(P(kLeft + kState), 0);
}

TEST_F(GameplayRules, ASwingingBlockLosesTheRunnerItTouches) {
  StartLevel(5);
  for (int r = 0; r < 51; ++r)
    for (int c = 0; c < 20; ++c) app->m_grid[(r * 20 + c) * 10 + 2] = 0;
  Place(kLeft, 4, 5);
  Place(kRight, 14, 5);
  // Type 1 swings sideways by 24 sin(phase): at phase 90 it stands one
  // column right of its cell, on the left runner.
  float* cell = app->m_grid.Data() + (5 * 20 + 3) * 10;
  cell[2] = 1, cell[3] = 90, cell[4] = 0;
  rig.Step();  // the runner is drawn there; the block tests last frame's place
  EXPECT_EQ(rig.ImageRecords(2, 36).size(), 1u);
  int flames = 0;
  for (const DrawRecord& r : rig.RecordsOfType(-3716)) flames += r.Alpha() < 0.7f;
  EXPECT_EQ(flames, 5);
  EXPECT_EQ(P(kLeft + kState), 0);
  EXPECT_EQ(StepSounds(), Sounds{3});
  EXPECT_EQ(P(kLeft + kState), 1);
  EXPECT_EQ(P(kRight + kState), 0);
}

TEST_F(GameplayRules, AJoypadSteersTheLeftRunnerWithTheDirections) {
  StartLevel(1);
  app->m_controlStyle = 1;
  rig.KeyDown(kKeyRight);
  rig.Step();
  EXPECT_EQ(P(kLeft + kCol), 5);
  EXPECT_EQ(P(kRight + kCol), 14);
  rig.KeyDown(kKeyK);  // button 2 is right for the right runner
  rig.Step(10);
  EXPECT_EQ(P(kRight + kCol), 15);
}

// The desktop has no touch steering: a game started by clicking Play
// (pointer style) steers, and is hinted, as the keyboard style.
TEST_F(GameplayRules, APointerStartedGameSteersWithTheKeys) {
  StartLevel(2);
  app->m_controlStyle = 2;
  rig.KeyDown(kKeyL);
  rig.KeyDown(kKeyA);
  rig.Step();
  EXPECT_EQ(P(kLeft + kCol), 5);
  EXPECT_EQ(P(kRight + kCol), 13);
  std::string all = rig.AllText();
  EXPECT_NE(all.find("\xc2\xac[113]"), std::string::npos) << all;
  EXPECT_EQ(app->m_controlStyle, 2);
}

TEST_F(GameplayRules, TheFirstTwoLevelsShowTheSteeringKeys) {
  StartLevel(1);
  rig.Step();
  std::string all = rig.AllText();
  // Keyboard glyphs: K 113, L 114 beside the left runner, A 123, D 124
  // beside the right one.
  for (const char* glyph : {"\xc2\xac[113]", "\xc2\xac[114]", "\xc2\xac[123]", "\xc2\xac[124]"}) {
    EXPECT_NE(all.find(glyph), std::string::npos) << glyph << " in " << all;
  }
  StartLevel(3);
  rig.Step();
  EXPECT_EQ(rig.AllText().find("\xc2\xac"), std::string::npos);
}

TEST_F(GameplayRules, AScoreEqualToTheBestIsAnnouncedAsFirst) {
  StartLevel(1);
  app->m_scores[0] = 5;
  Coin(1, 15) = 1;
  rig.KeyDown(kKeyD);
  rig.Step(8);
  EXPECT_EQ(app->m_score, 5);
  rig.Step();
  EXPECT_TRUE(rig.HasText("2nd 00000005")) << rig.AllText();  // the score to beat
  app->m_camY = app->m_camTargetY = 200;  // both runners overtaken
  rig.Step(31);
  StepIntoEndSequence();
  EXPECT_TRUE(rig.HasText("New Highscore")) << rig.AllText();
  EXPECT_TRUE(rig.HasText("1st!"));
}

TEST_F(GameplayRules, TheGameStepAllocatesNothingCollected) {
  StartLevel(20);
  rig.Step(5);
  long long before = gc_new_bytes;
  for (int i = 0; i < 300; ++i) app->p_Game();
  EXPECT_EQ(gc_new_bytes, before);
}

}  // namespace
