// Badge names and details from the badge table; the score-board hooks of
// this build do nothing.
#include <gtest/gtest.h>

#include "game/myapp.h"

namespace {

TEST(BadgeTexts, NamesAndDetailsComeFromTheTable) {
  c_MyApp* app = new c_MyApp();
  EXPECT_EQ(app->p_BadgeName(0).ToUtf8(), "Test Badge");
  EXPECT_EQ(app->p_BadgeDetail(0).ToUtf8(), "This is a Test Badge which has no purpose.");
  for (int id : {1, 63, 64, 255, -1}) {
    EXPECT_EQ(app->p_BadgeName(id).ToUtf8(), "Odd Badge");
    EXPECT_EQ(app->p_BadgeDetail(id).ToUtf8(), "This badge hasn't been defined!");
  }
  EXPECT_EQ(app->p_GC_PostScore(100, 1), 0);
  EXPECT_EQ(app->p_GC_Badges(), 0);
}

}  // namespace
