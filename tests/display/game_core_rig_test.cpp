// The test rig itself: the game started through the host, the clock the test
// owns, events reaching the input device through the host, the draw list
// read back as records and texts, and screenshots.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "game/globals.h"
#include "support/game_rig.h"
#include "support/process.h"

namespace {

using namespace testing_support;

TEST(GameCoreRig, StartsTheGameThroughTheHost) {
  GameRig rig;
  c_MyApp* app = rig.App();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(rv_app__app, app);
  EXPECT_TRUE(rig.Host()->Started());
  EXPECT_NE(rv_graphics_device, nullptr);
  EXPECT_NE(rv_audio_device, nullptr);
  EXPECT_NE(rv_input_device, nullptr);
  EXPECT_EQ(rv_app_DeviceWidth(), 640);
  EXPECT_EQ(rv_app_DeviceHeight(), 480);
  EXPECT_EQ(rig.Host()->UpdateRate(), 60);

  // The clock is the test's: one step is one sixtieth of a second.
  int before = rig.Millisecs();
  EXPECT_EQ(rv_app_Millisecs(), before);
  rig.Step(60);
  EXPECT_EQ(rv_app_Millisecs() - before, 1000);
}

TEST(GameCoreRig, EventsGoThroughTheHost) {
  GameRig rig;
  rig.KeyDown(65);
  EXPECT_TRUE(rv_input_KeyDown(65));
  rig.KeyUp(65);
  EXPECT_FALSE(rv_input_KeyDown(65));
  rig.MouseMove(100, 50);
  rig.MouseDown(0);
  EXPECT_TRUE(rv_input_KeyDown(1));
  EXPECT_EQ(rv_input_MouseX(), 100);
  EXPECT_EQ(rv_input_MouseY(), 50);
  rig.MouseUp(0);
  EXPECT_FALSE(rv_input_KeyDown(1));

  // A scripted pad is polled by the next update.
  ScriptedPad& pad = rig.Plug(0, 6, 12);
  pad.Press(0);
  rig.Step();
  bool anyButton = false;
  for (int b = 0; b < 32; ++b) anyButton |= rv_input_KeyDown(256 + b);
  EXPECT_TRUE(anyButton);
}

TEST(GameCoreRig, ReadsTheDrawListBack) {
  GameRig rig;
  c_MyApp* app = rig.App();
  app->m_fontSlot = 90;
  app->m_imageInfo[270] = 7;
  // "Hi there" as the text renderer lays it out at size 2: glyphs 7 units
  // apart times the size, "i" kerned by -3, one space skipped.
  auto put = [&](float type, float x, float y, float size, int frame) {
    float* r = app->m_drawList.Data() + app->m_drawCount;
    for (int k = 0; k < 15; ++k) r[k] = 0;
    r[0] = type, r[1] = x, r[2] = y, r[4] = r[5] = size, r[6] = (float)frame, r[7] = 1;
    app->m_drawCount += 15;
  };
  app->m_drawCount = 0;
  put(-3717, 1, 2, 3, 0);
  put(90, 100, 50, 2, 'H' - 32);
  put(90, 114, 50, 2, 'i' - 32);
  put(90, 136, 50, 2, 't' - 32);
  put(90, 148, 50, 2, 'h' - 32);
  put(90, 162, 50, 2, 'e' - 32);
  put(90, 200, 70, 1, 123);  // a button glyph on a new line
  ASSERT_EQ(rig.Records().size(), 7u);
  EXPECT_EQ(rig.RecordsOfType(-3717).size(), 1u);
  EXPECT_EQ(rig.ImageRecords(90).size(), 6u);
  EXPECT_EQ(rig.ImageRecords(90, 123).size(), 1u);
  std::vector<DrawnText> texts = rig.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Hi the");
  EXPECT_EQ(texts[0].x, 100);
  EXPECT_EQ(texts[0].size, 2);
  EXPECT_EQ(texts[1].text, "\xc2\xac[123]");
  EXPECT_TRUE(rig.HasText("Hi th"));
  EXPECT_FALSE(rig.HasText("Hit"));
}

TEST(GameCoreRig, SavesScreenshots) {
  GameRig rig;
  rig.Step();
  int w = 0, h = 0;
  std::vector<uint32_t> pixels = rig.ReadWindow(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  ASSERT_EQ(pixels.size(), 640u * 480u);
  std::string path = rig.Dir() + "/shot.png";
  ASSERT_TRUE(rig.SaveScreenshot(path));
  RunResult id = RunCommand({"identify", "-format", "%w %h", path});
  EXPECT_EQ(id.out, "640 480");
}

}  // namespace
