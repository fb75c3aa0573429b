// Real X input reaching the framework's input device: the probe
// application prints what its device sees in each update (hits, key state
// changes, characters, the mouse) while the Player injects keys and buttons
// through XTest. Each key is followed by a middle click, which X delivers
// after everything sent before it: what lies between two clicks is what
// that key did.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "support/player.h"

namespace {

using namespace testing_support;

class InputTranslation : public ::testing::Test {
 protected:
  Player p;
  std::size_t marks = 0;

  void Launch(const std::string& option = "") {
    ASSERT_TRUE(p.Start({{ToolPath("kestro_probe"), "input", option}, {}, ""})) << p.Output();
    ASSERT_TRUE(WaitUntil([&] { return Out().find("ready 640 480\n") != std::string::npos; }, 10)) << Out();
    Mark();
  }
  std::string Out() { return p.Process().Stdout(); }
  int Count(const std::string& what) {  // lines ending in `what`
    const std::string text = Out(), tail = " " + what + "\n";
    int n = 0;
    for (std::size_t at = 0; (at = text.find(tail, at)) != std::string::npos; at += tail.size()) ++n;
    return n;
  }
  // Observations in order with their update number ("hit 65 1"), without
  // the pointer's moves and the marks' button state.
  std::vector<std::pair<int, std::string>> Lines() {
    std::vector<std::pair<int, std::string>> out;
    std::istringstream text(Out());
    for (std::string line; std::getline(text, line);) {
      const std::string s = line.substr(std::min(line.find(' ') + 1, line.size()));
      if (line[0] == 'u' && s.rfind("mouse ", 0) != 0 && s != "down 3" && s != "up 3") {
        out.emplace_back(std::atoi(line.c_str() + 1), s);
      }
    }
    return out;
  }
  // What was seen of `kind` since the previous mark: the updates after the
  // previous mark's, up to this one's (a key sent before the mark may share
  // its update; one sent after it cannot).
  std::map<std::string, std::vector<std::string>> Mark() {
    p.Button(2, true);
    p.Button(2, false);
    ++marks;
    std::vector<int> at;
    EXPECT_TRUE(WaitUntil([&] {
      at.clear();
      for (const auto& l : Lines()) {
        if (l.second == "hit 3 1") at.push_back(l.first);
      }
      return at.size() >= marks;
    }, 10)) << Out();
    std::map<std::string, std::vector<std::string>> seen;
    for (const auto& l : Lines()) {
      if (at.size() >= marks && l.second != "hit 3 1" && l.first <= at[marks - 1] &&
          (marks < 2 || l.first > at[marks - 2])) {
        seen[l.second.substr(0, l.second.find(' '))].push_back(l.second);
      }
    }
    return seen;
  }
  static std::vector<std::string> Each(const std::string& kind, const std::vector<int>& values) {
    std::vector<std::string> out;
    for (int v : values) out.push_back(kind + " " + std::to_string(v) + (kind == "hit" ? " 1" : ""));
    return out;
  }
};

TEST_F(InputTranslation, EveryKeyGivesItsCodeAndCharacter) {
  Launch();
  // X key name(s) pressed in order, then the hits and characters expected.
  const struct {
    std::vector<std::string> keys;
    std::vector<int> hits, chars;
  } table[] = {
      {{"a"}, {65}, {'a'}}, {{"z"}, {90}, {'z'}}, {{"0"}, {48}, {'0'}}, {{"9"}, {57}, {'9'}},
      {{"space"}, {32}, {' '}}, {{"comma"}, {188}, {','}}, {{"minus"}, {189}, {'-'}},
      {{"period"}, {190}, {'.'}}, {{"slash"}, {191}, {'/'}}, {{"semicolon"}, {186}, {';'}},
      {{"equal"}, {187}, {'='}}, {{"bracketleft"}, {219}, {'['}}, {{"backslash"}, {220}, {'\\'}},
      {{"bracketright"}, {221}, {']'}}, {{"grave"}, {192}, {'`'}}, {{"apostrophe"}, {222}, {'\''}},
      {{"F1"}, {112}, {}}, {{"F5"}, {116}, {}}, {{"F12"}, {123}, {}},
      // Editing keys type their editing characters, once each.
      {{"Left"}, {37}, {65573}}, {{"Up"}, {38}, {65574}}, {{"Right"}, {39}, {65575}},
      {{"Down"}, {40}, {65576}}, {{"Delete"}, {46}, {127}}, {{"Insert"}, {45}, {65581}},
      {{"Home"}, {36}, {65572}}, {{"End"}, {35}, {65571}}, {{"Prior"}, {33}, {65569}},
      {{"Next"}, {34}, {65570}}, {{"Escape"}, {27}, {27}}, {{"Tab"}, {9}, {9}},
      {{"Return"}, {13}, {13}}, {{"BackSpace"}, {8}, {8}},
      // Num Lock is off under Xvfb: the digit keys send navigation symbols
      // and must still be the keypad digits.
      {{"KP_Insert"}, {96}, {}}, {{"KP_End"}, {97}, {}}, {{"KP_Begin"}, {101}, {}},
      {{"KP_Prior"}, {105}, {}}, {{"KP_Delete"}, {110}, {}}, {{"KP_Divide"}, {111}, {'/'}},
      {{"KP_Multiply"}, {106}, {'*'}}, {{"KP_Subtract"}, {109}, {'-'}}, {{"KP_Add"}, {107}, {'+'}},
      // Both shift and control keys, the right-hand ones alone by keycode.
      {{"Shift_L"}, {16}, {}}, {{"#62"}, {16}, {}}, {{"Control_L"}, {17}, {}}, {{"#105"}, {17}, {}},
      {{"Shift_L", "a", "apostrophe"}, {16, 65, 222}, {'A', '"'}},
      // Alt (the right one by keycode) and unmapped keys give nothing.
      {{"#108"}, {}, {}}, {{"Alt_L"}, {}, {}}, {{"Super_L"}, {}, {}}, {{"Menu"}, {}, {}}, {{"F13"}, {}, {}},
  };
  for (const auto& row : table) {
    for (const std::string& k : row.keys) p.KeyDown(k);
    for (auto k = row.keys.rbegin(); k != row.keys.rend(); ++k) p.KeyUp(*k);
    auto seen = Mark();
    EXPECT_EQ(seen["hit"], Each("hit", row.hits)) << row.keys.back();
    EXPECT_EQ(seen["char"], Each("char", row.chars)) << row.keys.back();
  }
}

TEST_F(InputTranslation, AHeldKeyRepeatsItsCharacterButIsHitOnce) {
  Launch();
  for (const auto& [key, code, ch] : {std::tuple<const char*, int, int>{"b", 66, 98}, {"Left", 37, 65573}}) {
    const int before = Count("char " + std::to_string(ch));
    p.KeyDown(key);
    EXPECT_TRUE(WaitUntil([&] { return Count("char " + std::to_string(ch)) >= before + 5; }, 10)) << "no repeat";
    p.KeyUp(key);
    auto seen = Mark();
    EXPECT_EQ(seen["hit"], Each("hit", {code}));
    EXPECT_EQ(seen["down"], Each("down", {code}));
    EXPECT_EQ(seen["up"], Each("up", {code}));
    EXPECT_EQ(seen["char"], std::vector<std::string>(seen["char"].size(), "char " + std::to_string(ch)));
  }
}

TEST_F(InputTranslation, KeysHeldWhileTheWindowIsReopenedAreReleased) {
  Launch("reopen");
  // Read from the probe's output alone: a mark clicked into the new window
  // could miss it while it still moves to its place.
  auto after = [&](const std::string& first, const std::string& then) {
    const std::string text = Out();
    const std::size_t at = text.find(" " + first + "\n");
    return at != std::string::npos && text.find(" " + then + "\n", at) != std::string::npos;
  };
  p.KeyDown("d");
  p.KeyDown("Left");
  ASSERT_TRUE(WaitUntil([&] { return Count("down 68") + Count("down 37") == 2; }, 10)) << Out();
  p.Tap("F11");
  EXPECT_TRUE(WaitUntil([&] { return after("reopened", "up 68") && after("reopened", "up 37"); }, 10))
      << Out();
  p.KeyUp("d");
  p.KeyUp("Left");
}

}  // namespace
