// The game as a player starts it: build/bin/tazmelo in its own process under
// Xvfb, driven by real X input. F4 and the window's close button end it with
// exit code 0; F1 shows the debug overlay; F11 switches to full screen and
// back; a new window size reloads and the game goes on; the logo jingle is
// heard once (OpenAL Soft's wave writer). Screenshots of each stage are kept
// in build/tests/screenshots.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/audio_capture.h"
#include "support/game_rig.h"
#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

class GameCoreProcess : public ::testing::Test {
 protected:
  ChildProcess game;
  std::string dir;
  unsigned long window = 0;

  void Launch(const std::vector<std::string>& env = {}) {
    StartXvfb();
    dir = MakeTempDir("game-e2e");
    game.Start({GamePath()}, env, dir);
    window = WaitForWindow("Tazmelo");
    ASSERT_NE(window, 0u) << game.Stdout();
    SleepSeconds(1.5);  // loaded: 14 frames and the first menu frames
    ASSERT_TRUE(game.Running()) << game.Stdout();
  }
  void TearDown() override {
    if (game.Pid() && game.Running()) game.Kill(9);
    if (!dir.empty()) RunCommand({"rm", "-rf", dir});
  }

  std::string Geometry(unsigned long w) {
    return RunCommand({"xwininfo", "-id", std::to_string(w)}).out;
  }

  // The window's pixels (0xRRGGBB), also saved as PNG under `name`.
  std::vector<uint32_t> Shot(const std::string& name, int* width, int* height) {
    std::string png = ScreenshotDir() + "/" + name + ".png";
    std::string raw = dir + "/" + name + ".rgb";
    std::vector<uint32_t> out;
    if (!Screenshot(window, png)) return out;
    RunResult size = RunCommand({"identify", "-format", "%w %h", png});
    if (std::sscanf(size.out.c_str(), "%d %d", width, height) != 2) return out;
    RunCommand({"convert", png, "-depth", "8", "rgb:" + raw});
    std::string bytes = ReadFile(raw);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
      out.push_back((uint32_t)(unsigned char)bytes[i] << 16 |
                    (uint32_t)(unsigned char)bytes[i + 1] << 8 | (unsigned char)bytes[i + 2]);
    }
    return out;
  }

  static int WhitePixels(const std::vector<uint32_t>& px, int width, int x0, int y0, int x1,
                         int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        uint32_t p = px[(std::size_t)y * width + x];
        n += (p >> 16 & 0xff) > 220 && (p >> 8 & 0xff) > 220 && (p & 0xff) > 220;
      }
    }
    return n;
  }

  static int Lit(const std::vector<uint32_t>& px) {
    int n = 0;
    for (uint32_t p : px) n += p != 0;
    return n;
  }

  bool Ends(double seconds = 10) { return game.Wait(seconds); }

  // F4 to the focused window: the program ends with exit code 0.
  void QuitWithF4() {
    Xdotool({"key", "F4"});
    ASSERT_TRUE(Ends());
    EXPECT_EQ(game.ExitCode(), 0);
  }

  // After F11 the window is opened again: waits (up to 5 s) for one other
  // than `old`, `width` pixels wide, and makes it `window`; gives its
  // xwininfo.
  std::string Reopened(unsigned long old, const std::string& width) {
    std::string geo;
    for (int i = 0; i < 50; ++i) {
      SleepSeconds(0.1);
      window = WaitForWindow("Tazmelo", 5);
      geo = Geometry(window);
      if (window != old && geo.find("Width: " + width) != std::string::npos) break;
    }
    return geo;
  }
};

TEST_F(GameCoreProcess, F4EndsTheGameWithExitCodeZero) {
  Launch();
  Xdotool({"key", "--window", std::to_string(window), "F4"});
  ASSERT_TRUE(Ends()) << game.Stdout();
  EXPECT_EQ(game.ExitCode(), 0);
  EXPECT_EQ(game.Stdout().find("Runtime Error"), std::string::npos) << game.Stdout();
}

TEST_F(GameCoreProcess, TheCloseButtonEndsTheGameWithExitCodeZero) {
  Launch();
  RequestClose(window);
  ASSERT_TRUE(Ends()) << game.Stdout();
  EXPECT_EQ(game.ExitCode(), 0);
}

TEST_F(GameCoreProcess, F1ShowsTheDebugOverlay) {
  Launch();
  int w = 0, h = 0;
  std::vector<uint32_t> before = Shot("game_core_e2e_before_f1", &w, &h);
  ASSERT_EQ(w, 640);
  Xdotool({"key", "F1"});
  SleepSeconds(0.5);
  std::vector<uint32_t> after = Shot("game_core_e2e_f1", &w, &h);
  ASSERT_EQ(after.size(), before.size());
  // White text at x 16, on the line from y 464: "<rate>:1.0,1.0".
  int textBefore = WhitePixels(before, w, 16, 462, 130, 476);
  int textAfter = WhitePixels(after, w, 16, 462, 130, 476);
  EXPECT_GT(textAfter, textBefore + 40) << textBefore << " " << textAfter;
  QuitWithF4();
}

TEST_F(GameCoreProcess, F11GoesFullScreenAndBack) {
  Launch();
  Xdotool({"key", "F11"});
  // The window is opened again: a new one, the size of the screen.
  const unsigned long old = window;
  std::string geo = Reopened(old, "1280");
  EXPECT_NE(window, old);
  EXPECT_NE(geo.find("Width: 1280"), std::string::npos) << geo;
  EXPECT_NE(geo.find("Height: 720"), std::string::npos) << geo;
  SleepSeconds(1.5);
  int w = 0, h = 0;
  std::vector<uint32_t> full = Shot("game_core_e2e_fullscreen", &w, &h);
  EXPECT_EQ(w, 1280);
  ASSERT_TRUE(game.Running()) << game.Stdout();

  Xdotool({"windowfocus", "--sync", std::to_string(window)});
  Xdotool({"key", "F11"});
  geo = Reopened(window, "640");
  EXPECT_NE(geo.find("Width: 640"), std::string::npos) << geo;
  EXPECT_NE(geo.find("Height: 480"), std::string::npos) << geo;
  SleepSeconds(1.5);
  std::vector<uint32_t> back = Shot("game_core_e2e_windowed_again", &w, &h);
  ASSERT_EQ(w, 640);
  // Textures were rebuilt: the picture is not blank and not a white sheet.
  int white = 0;
  for (uint32_t p : back) white += p == 0xffffff;
  EXPECT_GT(Lit(back), 640 * 480 / 10);
  EXPECT_LT(white, 640 * 480 / 3);
  ASSERT_TRUE(game.Running()) << game.Stdout();
  QuitWithF4();
}

TEST_F(GameCoreProcess, ANewWindowSizeReloadsAndTheGameGoesOn) {
  Launch();
  Xdotool({"windowsize", std::to_string(window), "800", "600"});
  SleepSeconds(1.5);
  std::string geo = Geometry(window);
  EXPECT_NE(geo.find("Width: 800"), std::string::npos) << geo;
  int w = 0, h = 0;
  std::vector<uint32_t> px = Shot("game_core_e2e_resized", &w, &h);
  ASSERT_EQ(w, 800);
  EXPECT_GT(Lit(px), 800 * 600 / 10);
  ASSERT_TRUE(game.Running()) << game.Stdout();
  QuitWithF4();
}

TEST_F(GameCoreProcess, TheLogoJingleIsHeardOnce) {
  StartXvfb();
  std::string capDir = MakeTempDir("game-e2e-sound");
  std::string wav = capDir + "/mix.wav";
  std::string conf = capDir + "/alsoft.conf";
  WriteFile(conf, "[general]\ndrivers=wave\n[wave]\nfile=" + wav + "\n");
  Launch({"ALSOFT_CONF=" + conf});
  SleepSeconds(3.5);
  ASSERT_NO_FATAL_FAILURE(QuitWithF4());
  AudioCapture capture(wav);
  ASSERT_TRUE(capture.Load());
  ASSERT_GT(capture.Duration(), 4.0);
  // Sound from the first moments for about 1.9 s, then silence: the jingle
  // plays at the loader's fourth stage and never again.
  double onset = -1;
  for (double t = 0; t < 2.0 && onset < 0; t += 0.02) {
    if (capture.Rms(t, t + 0.02) > 0.005) onset = t;
  }
  ASSERT_GE(onset, 0);
  EXPECT_GT(capture.Rms(onset, onset + 1.6), 0.01);
  EXPECT_LT(capture.Rms(onset + 2.1, capture.Duration() - 0.1), 0.0005);
  RunCommand({"rm", "-rf", capDir});
}

}  // namespace
