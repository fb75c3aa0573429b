// Badge pop-ups in the running game: a pop-up's slide over its 240 frames,
// the rows of the slots, the unshown slots 13 and 14, and badges without
// art. The game itself queues none; the tests fill the slots as a badge
// rule would.
#include <gtest/gtest.h>

#include <vector>

#include "game/globals.h"
#include "support/game_rig.h"
#include "support/menu_helpers.h"

namespace {

using namespace testing_support;

// The pop-up boxes of this frame (rectangles in colour 0, 0, 80).
std::vector<DrawRecord> Boxes(const GameRig& rig) {
  std::vector<DrawRecord> out;
  for (const DrawRecord& r : rig.RecordsOfType(c_MyApp::kRectRecord)) {
    if (r.Red() == 0 && r.Green() == 0 && r.Blue() == 80) out.push_back(r);
  }
  return out;
}

class BadgePopups : public AtMenu {};

TEST_F(BadgePopups, NothingIsShownWhileEveryTimerIsZero) {
  rig.Step(5);
  EXPECT_TRUE(Boxes(rig).empty());
  EXPECT_FALSE(rig.HasText("Badge"));
}

TEST_F(BadgePopups, APopUpSlidesInRestsAndSlidesOutOver240Frames) {
  app->m_badgeShowId[0] = 0;
  app->m_badgeShowTime[0] = 1;
  std::vector<float> xs;
  for (int frame = 0; frame < 242; ++frame) {
    rig.Step();
    std::vector<DrawRecord> boxes = Boxes(rig);
    if (boxes.empty()) break;
    ASSERT_EQ(boxes.size(), 1u);
    xs.push_back(boxes[0].X());
    EXPECT_EQ(boxes[0].Y(), 480 - 34);  // slot 0's row
    EXPECT_FLOAT_EQ(boxes[0].v[4], 160);
    EXPECT_FLOAT_EQ(boxes[0].v[5], 32);
    EXPECT_FLOAT_EQ(boxes[0].Alpha(), 0.8f);
    if (frame == 20) {
      EXPECT_TRUE(HasLine(rig, "Test Badge")) << rig.AllText();
      ASSERT_EQ(rig.ImageRecords(80, 0).size(), 1u);  // the badge's art
      EXPECT_EQ(rig.ImageRecords(80, 0)[0].X(), 144);
      EXPECT_EQ(rig.ImageRecords(80, 0)[0].Y(), 480 - 34 + 16);
    }
  }
  // t = 2..241: in from -128 in steps of 16, at rest from t = 10 to 230,
  // then out to -176.
  std::vector<float> want;
  for (int t = 2; t <= 241; ++t) {
    int x = 16 * t - 160;
    if (t > 230) x = 16 * (240 - t) - 160;
    want.push_back((float)(x > 0 ? 0 : x));
  }
  EXPECT_EQ(xs, want);
  EXPECT_EQ(app->m_badgeShowTime[0], 0);
  rig.Step();
  EXPECT_TRUE(Boxes(rig).empty());
}

TEST_F(BadgePopups, SlotsStackUpFromTheBottomAndOnly13AreShown) {
  for (int s = 0; s < 15; ++s) {
    app->m_badgeShowId[s] = 70 + s;  // no art for these
    app->m_badgeShowTime[s] = 50;
  }
  rig.Step();
  std::vector<DrawRecord> boxes = Boxes(rig);
  ASSERT_EQ(boxes.size(), 13u);
  for (int s = 0; s < 13; ++s) EXPECT_EQ(boxes[s].Y(), 480 - 34 * (s + 1)) << s;
  EXPECT_TRUE(rig.ImageRecords(80).empty());
  EXPECT_TRUE(HasLine(rig, "Odd Badge"));
  EXPECT_EQ(app->m_badgeShowTime[12], 51);
  EXPECT_EQ(app->m_badgeShowTime[13], 50);  // never advanced
  EXPECT_EQ(app->m_badgeShowTime[14], 50);
}

TEST_F(BadgePopups, PopUpsRunDuringAGameToo) {
  rig.TapKey(kKeySpace);
  ASSERT_GT(StepUntil(rig, [&] { return app->m_mode == 10; }, 5), 0);
  app->m_badgeShowId[2] = 0;
  app->m_badgeShowTime[2] = 100;
  rig.Step();
  std::vector<DrawRecord> boxes = Boxes(rig);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].X(), 0);
  EXPECT_EQ(boxes[0].Y(), 480 - 34 * 3);
}

}  // namespace
