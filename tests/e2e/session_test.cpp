// A short session of the real game, played as a player would: level 1 quit
// from the pause menu, the close button ending the program with exit code 0,
// and the next start in the same folder reading the record back and keeping
// it through its own save. The sanitized long session (options, window
// changes, a lost level) is the soak; winning a level is proven in-process.
#include <gtest/gtest.h>

#include "support/play.h"

namespace {

using namespace testing_support;

TEST(Session, AQuitLevelIsRecordedAndOutlivesARestart) {
  Player p;
  ASSERT_TRUE(p.Start()) << p.Output();
  ASSERT_TRUE(StartLevel(p)) << "no level 1" << p.Output();
  ASSERT_TRUE(PauseAndQuit(p)) << "no quit from the pause menu";
  p.Keep("session_1_level1_quit");
  ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(1) == -1; }));
  ASSERT_TRUE(p.WaitFor(MenuScreen));
  ASSERT_TRUE(p.Close()) << "the close button did not end the program";
  EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();

  Player again;
  ASSERT_TRUE(again.Start({{GamePath()}, {"ALSOFT_DRIVERS=null"}, p.Dir()}));
  ASSERT_TRUE(StartLevel(again));
  EXPECT_NE(again.Process().Stdout().find("Settings Loaded\nBadges Loaded\nHighscores Loaded\n"),
            std::string::npos) << again.Output();
  ASSERT_TRUE(PauseAndQuit(again));
  ASSERT_TRUE(again.WaitState([](const SavedText& s) { return s.Status(1) == -2; }))
      << "the first failure was forgotten";
  ASSERT_TRUE(again.Close());
  EXPECT_EQ(again.Process().ExitCode(), 0);
}

}  // namespace
