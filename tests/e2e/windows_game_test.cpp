// The Windows build played like the Linux one: tazmelo.exe under Wine on the
// test's Xvfb shows its loading screen and menu, plays level 1 to "Level
// Complete" and quits with F4; its state file passes the Linux checks, loads
// in the Linux game, and the file the Linux game writes back loads in the
// Windows game, which saves the very same bytes and ends at the close button.
// The menu's blip and confirm sounds are heard through the wave writer of
// the OpenAL Soft linked into the executable.
//
// Runs when TAZMELO_WINDOWS_GAME names a command that starts the Windows
// game (scripts/test-windows makes one, with a fresh Wine prefix); skipped
// otherwise. Screenshots: windows_e2e_*.png in the screenshot folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/audio_capture.h"
#include "support/game_rig.h"  // ScreenshotDir
#include "support/game_session.h"
#include "support/process.h"
#include "support/soak_game.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

std::string WindowsGame() {
  const char* command = std::getenv("TAZMELO_WINDOWS_GAME");
  return command ? command : "";
}

// Black at the left edge like a game, with the studio logo and the rings
// drawn in the middle.
bool LoadingScreen(const std::string& png) {
  Rgb centre = AverageColour(png, 220, 140, 200, 200);
  return GameSession::GameScreen(png) && centre.r + centre.g + centre.b > 30;
}

// The end-of-game overlay's yellow bar across the left margin.
bool OverlayShown(const std::string& png) {
  Rgb c = AverageColour(png, 4, 212, 60, 8);
  return c.r > 90 && c.g > 90 && c.b < 60;
}

// Fully open (it takes keys only then): its brown panel reaches the top.
bool OptionBox(const std::string& png) {
  Rgb c = AverageColour(png, 55, 4, 10, 10);
  return c.r > c.g + 10 && c.g > c.b;
}

// The menu once it has slid in, its orange title drawn: keys pressed
// earlier are not taken (on a busy machine the slide takes seconds).
bool MenuSettled(const std::string& png) {
  Rgb title = AverageColour(png, 80, 100, 340, 30);
  return GameSession::MenuScreen(png) && title.r > title.g + 30;
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Starts a build in `dir` holding `state` and waits for its menu and for
// both records to be reported loaded.
void StartWithState(GameSession& game, const std::string& exe, const std::string& dir,
                    const std::string& state) {
  WriteFile(dir + "/.kestrostate", state);
  ASSERT_TRUE(game.Start(exe, dir));
  ASSERT_NE(game.WaitForScreen("windows_e2e_loaded_menu", MenuSettled, 60), "");
  ASSERT_TRUE(WaitUntil(
      [&] {
        std::string out = game.Process().Stdout();
        return out.find("Settings Loaded") != std::string::npos &&
               out.find("Highscores Loaded") != std::string::npos;
      },
      20))
      << game.Process().Stdout();
}

// Opens the option box from the menu and closes it with Esc, which saves;
// gives the file written (a new one replaces the old on every save).
std::string SaveThroughOptionBox(GameSession& game, const std::string& dir) {
  std::string path = dir + "/.kestrostate";
  ino_t before = Inode(path);
  for (const char* key : {"Left", "Left", "Left", "space"}) game.Press(key);
  EXPECT_NE(game.WaitForScreen("windows_e2e_options", OptionBox, 15), "") << "no option box";
  game.Press("Escape");
  EXPECT_TRUE(WaitUntil([&] { return Inode(path) != before && Inode(path) != 0; }, 15));
  return ReadFile(path);
}

// What a state file holds for the player, once its checks pass: the
// settings, then each level's status and top ten.
std::vector<int> Records(const std::string& text) {
  SavedText saved(text);
  EXPECT_TRUE(saved.Complete()) << saved.FieldCount();
  EXPECT_EQ(saved.ChecksumProblems(), "");
  std::vector<int> records;
  for (int slot = 0; slot < 25; ++slot) records.push_back(saved.Setting(slot));
  for (int level = 1; level <= 100; ++level) {
    records.push_back(saved.Status(level));
    for (int place = 0; place < 10; ++place) records.push_back(saved.Score(level, place));
  }
  return records;
}

TEST(WindowsGame, PlaysLevelOneAndSharesItsStateFileWithTheLinuxBuild) {
  if (WindowsGame().empty()) GTEST_SKIP() << "TAZMELO_WINDOWS_GAME is not set";
  StartXvfb();
  std::string played = MakeTempDir("windows_played");
  std::string state;
  {
    GameSession game;
    ASSERT_TRUE(game.Start(WindowsGame(), played))
        << "no window: " << game.Process().Stdout() << game.Process().Stderr();
    EXPECT_NE(game.WaitForScreen("windows_e2e_1_loading", LoadingScreen, 60), "")
        << "no loading screen";
    ASSERT_NE(game.WaitForScreen("windows_e2e_2_menu", GameSession::MenuScreen, 60), "");
    ASSERT_TRUE(game.StartLevel("windows_e2e_3_level")) << "level 1 did not start";
    bool ended = false;
    for (int hops = 0; hops < 140 && !ended && game.Running(); ++hops) {
      game.Hop(hops % 2 == 0);
      if (hops >= 46) ended = OverlayShown(game.Shot("windows_e2e_4_end"));
    }
    ASSERT_TRUE(ended) << "no \"Level Complete\" overlay";
    ASSERT_TRUE(WaitUntil([&] { return FileExists(played + "/.kestrostate"); }, 30));
    ASSERT_NE(game.WaitForScreen("windows_e2e_5_menu", GameSession::MenuScreen, 30), "");
    Xdotool({"key", "F4"});
    ASSERT_TRUE(game.Process().Wait(30));
    EXPECT_EQ(game.Process().ExitCode(), 0) << game.Process().Stderr();
    state = ReadFile(played + "/.kestrostate");
  }
  EXPECT_EQ(Records(state)[25], 1) << "level 1 is not recorded as complete";

  // The Windows file in the Linux game, and the Linux game's file back.
  std::string on_linux = MakeTempDir("windows_to_linux"), back = MakeTempDir("linux_to_windows");
  std::string linux_state;
  {
    GameSession game;
    StartWithState(game, GamePath(), on_linux, state);
    linux_state = SaveThroughOptionBox(game, on_linux);
    EXPECT_EQ(Records(state), Records(linux_state));
    Xdotool({"key", "F4"});
    ASSERT_TRUE(game.Process().Wait(30));
  }
  GameSession game;
  StartWithState(game, WindowsGame(), back, linux_state);
  EXPECT_EQ(SaveThroughOptionBox(game, back), linux_state) << "not the Linux build's bytes";
  ASSERT_TRUE(game.Close(30)) << "the close button did not end the game";
  EXPECT_EQ(game.Process().ExitCode(), 0) << game.Process().Stderr();
}

// The loud stretch (10 ms frames above silence) starting within `within`
// seconds after `from`: its length in seconds, 0 when nothing sounded.
double SoundAfter(AudioCapture& capture, double from, double within) {
  capture.WaitFor(within + 0.4);
  capture.Load();
  double t = from;
  while (t < from + within && capture.Rms(t, t + 0.01) < 0.002) t += 0.01;
  double start = t;
  while (t < capture.Duration() && capture.Rms(t, t + 0.01) >= 0.002) t += 0.01;
  return t - start;
}

TEST(WindowsGame, MenuBlipAndConfirmAreHeard) {
  if (WindowsGame().empty()) GTEST_SKIP() << "TAZMELO_WINDOWS_GAME is not set";
  StartXvfb();
  std::string dir = MakeTempDir("windows_sound");
  AudioCapture capture(AudioCapture::Configure(dir));
  ChildProcess game;
  game.Start({WindowsGame()}, {}, dir);
  unsigned long window = WaitForWindow("Tazmelo", 60);
  ASSERT_NE(window, 0u) << game.Stdout() << game.Stderr();
  std::string shot = ScreenshotDir() + "/windows_e2e_sound_menu.png";
  ASSERT_TRUE(WaitUntil([&] { return Screenshot(window, shot) && GameSession::MenuScreen(shot); },
                        60));
  // The logo jingle first; then the menu is silent until a key.
  ASSERT_TRUE(WaitUntil(
      [&] {
        capture.Load();
        double end = capture.Duration();
        return end > 2.5 && capture.Rms(end - 0.5, end) < 0.0005;
      },
      30))
      << "no capture, or no silence after the jingle: " << game.Stdout();
  auto press = [&](const char* key) {
    double at = capture.Now();
    Xdotool({"keydown", key, "sleep", "0.1", "keyup", key});
    return at;
  };
  double blip = SoundAfter(capture, press("Right"), 1.0);  // focus to the side panel
  EXPECT_GT(blip, 0.0) << "no blip";
  EXPECT_LT(blip, 0.13) << "the blip is a short tone";
  SoundAfter(capture, press("Left"), 1.0);  // back to the ring, heard out
  double confirm = SoundAfter(capture, press("space"), 1.0);  // plays level 1
  EXPECT_GT(confirm, 0.15) << "no two-note confirm";
  Xdotool({"key", "F4"});
  EXPECT_TRUE(game.Wait(30));
}

}  // namespace
