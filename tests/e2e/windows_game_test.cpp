// The Windows build played like the Linux one: tazmelo.exe under Wine on the
// test's Xvfb shows its loading screen and menu, whose blip and confirm are
// heard through the wave writer of the OpenAL Soft linked into it, wins
// level 1 on its coin route and quits with F4; its state file loads in the
// Linux game with the same records, and the file the Linux game writes back
// loads in the Windows game, which saves the very same bytes and ends at the
// close button. Runs when TAZMELO_WINDOWS_GAME names a command that starts
// the Windows game (scripts/test-windows makes one); skipped otherwise.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/audio_capture.h"
#include "support/play.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

std::string WindowsGame() {
  const char* command = std::getenv("TAZMELO_WINDOWS_GAME");
  return command ? command : "";
}

// The studio logo and rings drawn in the middle of a black screen.
bool LoadingScreen(const Shot& s) {
  Rgb centre = s.Mean(220, 140, 200, 200);
  return GameScreen(s) && centre.r + centre.g + centre.b > 30;
}

// The menu once it has slid in, its orange title drawn: keys pressed
// earlier are not taken (under Wine on a busy machine the slide is slow).
bool MenuSettled(const Shot& s) {
  Rgb title = s.Mean(80, 100, 340, 30);
  return MenuScreen(s) && title.r > title.g + 30;
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts a build with `state` as its state file; its menu shows and both
// records are reported loaded (their checksums held).
void StartWithState(Player& p, const std::string& exe, const std::string& state) {
  const std::string dir = MakeTempDir("windows_state");
  WriteFile(dir + "/.kestrostate", state);
  ASSERT_TRUE(p.Start({{exe}, {"ALSOFT_DRIVERS=null"}, dir})) << p.Output();
  ASSERT_TRUE(p.WaitFor(MenuSettled)) << p.Output();
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::string out = p.Process().Stdout();
        return out.find("Settings Loaded") != std::string::npos &&
               out.find("Highscores Loaded") != std::string::npos;
      },
      Player::patience))
      << p.Output();
}

// Opens the option box with the menu's gear and closes it with Esc, which
// saves; gives the file written (every save replaces the file).
std::string SaveThroughOptionBox(Player& p) {
  const ino_t before = Inode(p.StatePath());
  p.PointerTo(38, 416);
  EXPECT_TRUE(p.Press({"button1"}, OptionBox)) << "no option box";
  EXPECT_TRUE(p.Press({"Escape"}, [](const Shot& s) { return !OptionBox(s); }));
  EXPECT_TRUE(WaitUntil([&] { return Inode(p.StatePath()) != before; }, Player::patience));
  EXPECT_TRUE(p.WaitState([](const SavedText&) { return true; }));
  return ReadFile(p.StatePath());
}

// What the file holds for the player: the settings, then each level's
// status and top ten.
std::vector<int> Records(const std::string& text) {
  SavedText saved(text);
  EXPECT_TRUE(saved.Complete());
  std::vector<int> records;
  for (int field = 0; field < 25; ++field) records.push_back(saved.Field(field));
  for (int field = 36; field < 36 + 21 * 100; ++field) records.push_back(saved.Field(field));
  return records;
}

// Seconds of sound (10 ms frames above silence) from within `within` after `from`.
double SoundAfter(AudioCapture& capture, double from, double within) {
  capture.WaitFor(within + 0.4);
  capture.Load();
  double t = from;
  while (t < from + within && capture.Rms(t, t + 0.01) < 0.002) t += 0.01;
  const double start = t;
  while (t < capture.Duration() && capture.Rms(t, t + 0.01) >= 0.002) t += 0.01;
  return t - start;
}

TEST(WindowsGame, PlaysLevelOneHeardAndSharesItsStateFileWithTheLinuxBuild) {
  if (WindowsGame().empty()) GTEST_SKIP() << "TAZMELO_WINDOWS_GAME is not set";
  StartXvfb();
  std::string state;
  {
    const std::string dir = MakeTempDir("windows_played");
    AudioCapture capture(AudioCapture::Configure(dir));  // the wave writer, by environment
    Player p;
    ASSERT_TRUE(p.Start({{WindowsGame()}, {}, dir})) << p.Output();
    EXPECT_TRUE(p.WaitFor(LoadingScreen)) << "no loading screen";
    ASSERT_TRUE(p.WaitFor(MenuSettled)) << p.Output();
    // The logo jingle first; then the menu is silent until a key.
    ASSERT_TRUE(WaitUntil(
        [&] {
          capture.Load();
          const double end = capture.Duration();
          return end > 2.5 && capture.Rms(end - 0.5, end) < 0.0005;
        },
        Player::patience))
        << "no capture, or no silence after the jingle" << p.Output();
    // The menu reads held keys: each is held until something is heard.
    auto press = [&](const char* key) {
      const double at = capture.Now();
      p.KeyDown(key);
      WaitUntil([&] { return capture.Load() && capture.Rms(at, capture.Duration()) >= 0.002; }, 3);
      p.KeyUp(key);
      return at;
    };
    const double blip = SoundAfter(capture, press("Right"), 1.0);  // focus to the side panel
    EXPECT_TRUE(blip > 0 && blip < 0.13) << "no short blip: " << blip;
    SoundAfter(capture, press("Left"), 1.0);  // back to the ring, heard out
    EXPECT_GT(SoundAfter(capture, press("space"), 1.0), 0.15) << "no two-note confirm";
    ASSERT_TRUE(p.WaitFor(GameScreen)) << "level 1 did not start";
    EXPECT_GT(WinLevel(p, 1), 0) << "the runners did not reach the goal";
    EXPECT_TRUE(p.WaitFor(EndOverlay)) << "no end of the level";
    p.Keep("windows_level_end");
    ASSERT_TRUE(p.WaitState([](const SavedText& s) { return s.Status(1) == 1; }))
        << "level 1 is not recorded as complete";
    ASSERT_TRUE(p.WaitFor(MenuScreen));
    p.Tap("F4");
    ASSERT_TRUE(p.Ended(Player::patience));
    EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();
    state = ReadFile(p.StatePath());
  }

  // The Windows file in the Linux game, and the Linux game's file back.
  std::string linux_state;
  {
    Player p;
    StartWithState(p, GamePath(), state);
    linux_state = SaveThroughOptionBox(p);
    EXPECT_EQ(Records(state), Records(linux_state));
    p.Tap("F4");
    ASSERT_TRUE(p.Ended(Player::patience));
  }
  Player p;
  StartWithState(p, WindowsGame(), linux_state);
  EXPECT_EQ(SaveThroughOptionBox(p), linux_state) << "not the Linux build's bytes";
  ASSERT_TRUE(p.Close()) << "the close button did not end the game";
  EXPECT_EQ(p.Process().ExitCode(), 0) << p.Output();
}

}  // namespace
