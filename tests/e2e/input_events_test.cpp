// Real X input reaching the input device: the probe application prints what
// its input device sees in each update while keys, characters and mouse
// clicks are injected into the X server (xdotool, XTest). Also how the game
// and the probe end on a window close request.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/xvfb.h"

namespace {

using namespace testing_support;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  return out;
}

class InputProbe : public ::testing::Test {
 protected:
  ChildProcess probe;
  unsigned long window = 0;
  int marks = 0;

  void Launch(int updatesPerSecond = 60, const std::string& option = "") {
    StartXvfb();
    probe.Start({ToolPath("input_probe"), std::to_string(updatesPerSecond), option});
    window = WaitForWindow("Tazmelo");
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitFor([&] { return probe.Stdout().find("ready 640 480\n") != std::string::npos; }))
        << probe.Stdout();
  }

  void TearDown() override {
    if (probe.Pid() && probe.Running()) probe.Kill(9);
  }

  template <class F>
  bool WaitFor(F done, double timeout = 15) {
    for (double t = 0; t < timeout; t += 0.05) {
      if (done()) return true;
      if (!probe.Running()) return done();
      SleepSeconds(0.05);
    }
    return done();
  }

  // Observations in order, without their update numbers ("hit 65 1").
  std::vector<std::string> Seen() {
    std::vector<std::string> out;
    for (const std::string& line : Lines(probe.Stdout())) {
      if (line.size() > 1 && line[0] == 'u') {
        std::size_t space = line.find(' ');
        if (space != std::string::npos) out.push_back(line.substr(space + 1));
      }
    }
    return out;
  }

  // Observations between the previous mark and this one, without the marks
  // and the pointer moves. A mark is a middle-button click (key 3); X delivers
  // it after everything injected before it.
  static bool IsMark(const std::string& s) { return s.rfind("hit 3 ", 0) == 0; }
  std::vector<std::string> Mark() {
    ++marks;
    Xdotool({"click", "2"});
    bool arrived = WaitFor([&] {
      auto seen = Seen();
      return std::count_if(seen.begin(), seen.end(), IsMark) >= marks;
    });
    EXPECT_TRUE(arrived) << probe.Stdout();
    std::vector<std::string> out;
    int mark = 0;
    for (const std::string& s : Seen()) {
      if (IsMark(s)) {
        ++mark;
        continue;
      }
      if (mark != marks - 1) continue;
      if (s == "down 3" || s == "up 3" || s.rfind("mouse ", 0) == 0) continue;
      out.push_back(s);
    }
    return out;
  }

  static std::vector<std::string> Only(const std::vector<std::string>& seen,
                                       const std::string& kind) {
    std::vector<std::string> out;
    for (const std::string& s : seen) {
      if (s.rfind(kind, 0) == 0) out.push_back(s);
    }
    return out;
  }
  static std::vector<std::string> Hits(const std::vector<int>& keys) {
    std::vector<std::string> out;
    for (int k : keys) out.push_back("hit " + std::to_string(k) + " 1");
    return out;
  }
  static std::vector<std::string> Chars(const std::vector<int>& chars) {
    std::vector<std::string> out;
    for (int c : chars) out.push_back("char " + std::to_string(c));
    return out;
  }
  // Hits sorted by key within an update come out in key order; compare sets.
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(InputProbe, LettersDigitsPunctuationAndFunctionKeys) {
  Launch();
  Mark();
  ASSERT_EQ(Xdotool({"key", "--delay", "30", "a", "z", "0", "9", "space", "comma", "minus",
                     "period", "slash", "semicolon", "equal", "bracketleft", "backslash",
                     "bracketright", "grave", "apostrophe"}),
            0);
  std::vector<std::string> seen = Mark();
  EXPECT_EQ(Sorted(Only(seen, "hit")),
            Sorted(Hits({65, 90, 48, 57, 32, 188, 189, 190, 191, 186, 187, 219, 220, 221, 192,
                         222})));
  EXPECT_EQ(Only(seen, "char"), Chars({'a', 'z', '0', '9', ' ', ',', '-', '.', '/', ';', '=',
                                       '[', '\\', ']', '`', '\''}));

  ASSERT_EQ(Xdotool({"key", "--delay", "30", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9",
                     "F10", "F11", "F12"}),
            0);
  seen = Mark();
  EXPECT_EQ(Sorted(Only(seen, "hit")),
            Sorted(Hits({112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123})));
  EXPECT_EQ(Only(seen, "char"), Chars({}));

  // Shifted characters arrive as typed; the shift keys are key 16.
  ASSERT_EQ(Xdotool({"type", "--delay", "30", "A\"~"}), 0);
  seen = Mark();
  EXPECT_EQ(Only(seen, "char"), Chars({'A', '"', '~'}));
  EXPECT_NE(std::find(seen.begin(), seen.end(), "hit 16 1"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "hit 222 1"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "hit 192 1"), seen.end());
}

TEST_F(InputProbe, EditingKeysTypeTheirEditingCharacters) {
  Launch();
  Mark();
  ASSERT_EQ(Xdotool({"key", "--delay", "30", "Left", "Up", "Right", "Down", "Delete", "Insert",
                     "Home", "End", "Prior", "Next", "Escape", "Tab", "Return", "BackSpace"}),
            0);
  std::vector<std::string> seen = Mark();
  EXPECT_EQ(Sorted(Only(seen, "hit")),
            Sorted(Hits({37, 38, 39, 40, 46, 45, 36, 35, 33, 34, 27, 9, 13, 8})));
  // One character per key, none doubled by the platform's own text input.
  EXPECT_EQ(Only(seen, "char"),
            Chars({65573, 65574, 65575, 65576, 127, 65581, 65572, 65571, 65569, 65570, 27, 9,
                   13, 8}));

  // Both shift and both control keys; right-hand ones sent alone by keycode.
  ASSERT_EQ(Xdotool({"key", "--delay", "30", "Shift_L", "Control_L"}), 0);
  ASSERT_EQ(RunCommand({ToolPath("input_xtest"), "+62", "-62", "+105", "-105"}).exit_code, 0);
  seen = Mark();
  EXPECT_EQ(Only(seen, "hit"), Hits({16, 17, 16, 17}));
}

TEST_F(InputProbe, KeypadKeys) {
  Launch();
  Mark();
  // Num Lock is off under Xvfb: the digit keys send their navigation
  // symbols, and must still be the keypad digits.
  ASSERT_EQ(Xdotool({"key", "--delay", "30", "KP_Insert", "KP_End", "KP_Down", "KP_Next",
                     "KP_Left", "KP_Begin", "KP_Right", "KP_Home", "KP_Up", "KP_Prior",
                     "KP_Delete", "KP_Divide", "KP_Multiply", "KP_Subtract", "KP_Add",
                     "KP_Enter"}),
            0);
  std::vector<std::string> seen = Mark();
  EXPECT_EQ(Sorted(Only(seen, "hit")),
            Sorted(Hits({96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 110, 111, 106, 109, 107})));
  EXPECT_EQ(Only(seen, "char"), Chars({'/', '*', '-', '+'}));
}

TEST_F(InputProbe, AltAndOtherUnmappedKeysAreIgnored) {
  Launch();
  Mark();
  ASSERT_EQ(RunCommand({ToolPath("input_xtest"), "+108", "-108"}).exit_code, 0);  // right Alt
  ASSERT_EQ(Xdotool({"key", "--delay", "30", "Alt_L", "Super_L", "Menu", "F13"}), 0);
  EXPECT_EQ(Mark(), std::vector<std::string>());
}

TEST_F(InputProbe, HeldKeyRepeatsItsCharactersButIsHitOnce) {
  Launch();
  Mark();
  ASSERT_EQ(Xdotool({"keydown", "b"}), 0);
  SleepSeconds(1.5);
  ASSERT_EQ(Xdotool({"keyup", "b"}), 0);
  std::vector<std::string> seen = Mark();
  EXPECT_EQ(Only(seen, "hit"), Hits({66}));
  EXPECT_EQ(Only(seen, "down"), std::vector<std::string>({"down 66"}));
  EXPECT_EQ(Only(seen, "up"), std::vector<std::string>({"up 66"}));
  EXPECT_GE(Only(seen, "char 98").size(), 5u) << "no auto-repeat seen";

  ASSERT_EQ(Xdotool({"keydown", "Left"}), 0);
  SleepSeconds(1.5);
  ASSERT_EQ(Xdotool({"keyup", "Left"}), 0);
  seen = Mark();
  EXPECT_EQ(Only(seen, "hit"), Hits({37}));
  EXPECT_GE(Only(seen, "char 65573").size(), 5u);
  EXPECT_EQ(Only(seen, "char").size(), Only(seen, "char 65573").size());
}

TEST_F(InputProbe, PressReleasePressBeforeOneUpdateIsTwoHits) {
  // One update per second, each announced: right after one, the three
  // events (40 ms apart, so none looks like auto-repeat) land well before
  // the next.
  Launch(1, "ticks");
  auto ticks = [&] {
    auto seen = Seen();
    return std::count(seen.begin(), seen.end(), "tick");
  };
  long before = ticks();
  ASSERT_TRUE(WaitFor([&] { return ticks() > before; }));
  ASSERT_EQ(RunCommand({ToolPath("input_xtest"), "+a", "=40", "-a", "=40", "+a", "=40", "-a"})
                .exit_code,
            0);
  long after = ticks();
  ASSERT_TRUE(WaitFor([&] { return ticks() > after; }));
  std::vector<std::string> seen;
  for (const std::string& s : Seen()) {
    if (s != "tick" && s.rfind("mouse ", 0) != 0) seen.push_back(s);
  }
  EXPECT_EQ(seen, std::vector<std::string>({"hit 65 2", "char 97", "char 97"}));
}

TEST_F(InputProbe, LeftMouseButtonIsKeyOneAndTheFirstFinger) {
  Launch();
  Mark();
  ASSERT_EQ(Xdotool({"mousemove", "--window", std::to_string(window), "100", "50"}), 0);
  ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
  ASSERT_TRUE(WaitFor([&] {
    auto seen = Seen();
    return std::find(seen.begin(), seen.end(), "down 384") != seen.end();
  })) << probe.Stdout();
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  ASSERT_EQ(Xdotool({"mousedown", "3"}), 0);  // right button: key 2, no finger
  ASSERT_TRUE(WaitFor([&] {
    auto seen = Seen();
    return std::find(seen.begin(), seen.end(), "down 2") != seen.end();
  })) << probe.Stdout();
  ASSERT_EQ(Xdotool({"mouseup", "3"}), 0);
  std::vector<std::string> all = Seen();
  std::vector<std::string> seen = Mark();
  EXPECT_EQ(Sorted(Only(seen, "hit")), Sorted(Hits({1, 384, 2})));
  EXPECT_EQ(Sorted(Only(seen, "down")), Sorted({"down 1", "down 384", "down 2"}));
  EXPECT_EQ(Sorted(Only(seen, "up")), Sorted({"up 1", "up 384", "up 2"}));
  EXPECT_NE(std::find(all.begin(), all.end(), "mouse 100 50"), all.end());
}

TEST_F(InputProbe, KeysHeldWhileTheWindowIsReopenedAreReleased) {
  Launch(60, "reopen");
  Mark();
  ASSERT_EQ(Xdotool({"keydown", "d"}), 0);
  ASSERT_EQ(Xdotool({"keydown", "Left"}), 0);
  ASSERT_EQ(Xdotool({"key", "F11"}), 0);
  ASSERT_TRUE(WaitFor([&] {
    auto seen = Seen();
    return std::find(seen.begin(), seen.end(), "reopened") != seen.end();
  })) << probe.Stdout();
  std::vector<std::string> seen = Mark();
  ASSERT_EQ(Xdotool({"keyup", "d"}), 0);
  ASSERT_EQ(Xdotool({"keyup", "Left"}), 0);
  auto at = [&](const std::string& s) { return std::find(seen.begin(), seen.end(), s); };
  EXPECT_NE(at("up 68"), seen.end()) << probe.Stdout();
  EXPECT_NE(at("up 37"), seen.end());
  EXPECT_LT(at("reopened"), at("up 68"));
}

TEST_F(InputProbe, CloseRequestEndsTheApplicationWithZero) {
  Launch();
  RequestClose(window);
  ASSERT_TRUE(probe.Wait(10));
  EXPECT_EQ(probe.ExitCode(), 0);
}

TEST_F(InputProbe, ApplicationRunsSixtyUpdatesPerSecond) {
  Launch(60);
  auto updateOfMark = [&](int n) {
    int seen = 0;
    for (const std::string& line : Lines(probe.Stdout())) {
      int u = 0;
      if (std::sscanf(line.c_str(), "u%d", &u) == 1 && line.find(" hit 3 ") != std::string::npos &&
          ++seen == n) {
        return u;
      }
    }
    return -1;
  };
  using Clock = std::chrono::steady_clock;
  Mark();
  auto t0 = Clock::now();
  SleepSeconds(3.0);
  Mark();
  double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  int updates = updateOfMark(2) - updateOfMark(1);
  // Wide margin: the machine may be busy; a wrong rate (0, 5) is far off.
  EXPECT_NEAR(updates / seconds, 60.0, 10.0) << updates << " updates in " << seconds << " s";
}

TEST(Game, OpensItsWindowAndEndsOnCloseRequest) {
  StartXvfb();
  ChildProcess game;
  game.Start({GamePath()});
  unsigned long w = WaitForWindow("Tazmelo");
  ASSERT_NE(w, 0u);
  RunResult geo = RunCommand({"xwininfo", "-id", std::to_string(w)});
  EXPECT_NE(geo.out.find("Width: 640"), std::string::npos) << geo.out;
  EXPECT_NE(geo.out.find("Height: 480"), std::string::npos);
  SleepSeconds(0.5);
  EXPECT_TRUE(game.Running());
  RequestClose(w);
  ASSERT_TRUE(game.Wait(10));
  EXPECT_EQ(game.ExitCode(), 0);
}

}  // namespace
