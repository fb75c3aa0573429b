// Real X input reaching the framework's input device: the probe
// application prints what its device sees in each update (hits, key state
// changes, characters, the mouse) while the Player injects keys and buttons
// through XTest. Each key is followed by a middle click, which X delivers
// after everything sent before it: what lies between two clicks is what
// that key did.
#include <gtest/gtest.h>

#include <algorithm>

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

  // Observations in order, each with its update number ("hit 65 1").
  std::vector<std::pair<int, std::string>> Lines(bool withPointer) {
    std::vector<std::pair<int, std::string>> out;
    const std::string text = Out();
    for (std::size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) {
      const std::string line = text.substr(at, nl - at);
      const std::size_t space = line.find(' ');
      if (line[0] != 'u' || space == std::string::npos) continue;
      const std::string s = line.substr(space + 1);
      if (withPointer || (s.rfind("mouse ", 0) != 0 && s != "down 3" && s != "up 3")) {
        out.emplace_back(std::atoi(line.c_str() + 1), s);
      }
    }
    return out;
  }
  std::vector<std::string> Seen(bool withPointer) {
    std::vector<std::string> out;
    for (const auto& l : Lines(withPointer)) out.push_back(l.second);
    return out;
  }
  // What was seen since the previous mark, without the marks and pointer:
  // the updates after the previous mark's, up to this one's (a key sent
  // before the mark may share its update; one sent after it cannot).
  std::vector<std::string> Mark() {
    p.Button(2, true);
    p.Button(2, false);
    ++marks;
    std::vector<int> at;
    EXPECT_TRUE(WaitUntil([&] {
      at.clear();
      for (const auto& l : Lines(false)) {
        if (l.second == "hit 3 1") at.push_back(l.first);
      }
      return at.size() >= marks;
    }, 10)) << Out();
    std::vector<std::string> out;
    if (at.size() < marks) return out;
    for (const auto& l : Lines(false)) {
      if (l.second != "hit 3 1" && l.first <= at[marks - 1] && (marks < 2 || l.first > at[marks - 2])) {
        out.push_back(l.second);
      }
    }
    return out;
  }
  static std::vector<std::string> Only(std::vector<std::string> seen, const std::string& kind) {
    seen.erase(std::remove_if(seen.begin(), seen.end(), [&](const std::string& s) { return s.rfind(kind, 0) != 0; }), seen.end());
    std::sort(seen.begin(), seen.end());
    return seen;
  }
};

TEST_F(InputTranslation, EveryKeyGivesItsCodeAndCharacter) {
  Launch();
  // X key name(s) pressed in order, then the hits and characters expected
  // (hits sorted by text, characters in order).
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
      {{"Shift_L", "a", "apostrophe"}, {16, 222, 65}, {'A', '"'}},
      // Alt (the right one by keycode) and unmapped keys give nothing.
      {{"#108"}, {}, {}}, {{"Alt_L"}, {}, {}}, {{"Super_L"}, {}, {}}, {{"Menu"}, {}, {}}, {{"F13"}, {}, {}},
  };
  for (const auto& row : table) {
    for (const std::string& k : row.keys) p.KeyDown(k);
    for (auto k = row.keys.rbegin(); k != row.keys.rend(); ++k) p.KeyUp(*k);
    const std::vector<std::string> seen = Mark();
    std::vector<std::string> hits, chars;
    for (int h : row.hits) hits.push_back("hit " + std::to_string(h) + " 1");
    for (int c : row.chars) chars.push_back("char " + std::to_string(c));
    std::sort(hits.begin(), hits.end());
    EXPECT_EQ(Only(seen, "hit"), hits) << row.keys.back();
    std::vector<std::string> typed;
    for (const std::string& s : seen) {
      if (s.rfind("char", 0) == 0) typed.push_back(s);
    }
    EXPECT_EQ(typed, chars) << row.keys.back();
  }
}

TEST_F(InputTranslation, AHeldKeyRepeatsItsCharacterButIsHitOnce) {
  Launch();
  for (const auto& [key, code, ch] : {std::tuple<const char*, int, int>{"b", 66, 98}, {"Left", 37, 65573}}) {
    const std::string c = "char " + std::to_string(ch);
    const std::size_t before = Only(Seen(false), c).size();
    p.KeyDown(key);
    EXPECT_TRUE(WaitUntil([&] { return Only(Seen(false), c).size() >= before + 5; }, 10)) << "no auto-repeat";
    p.KeyUp(key);
    const std::vector<std::string> seen = Mark();
    EXPECT_EQ(Only(seen, "hit"), std::vector<std::string>{"hit " + std::to_string(code) + " 1"});
    EXPECT_EQ(Only(seen, "down"), std::vector<std::string>{"down " + std::to_string(code)});
    EXPECT_EQ(Only(seen, "up"), std::vector<std::string>{"up " + std::to_string(code)});
    EXPECT_EQ(Only(seen, "char").size(), Only(seen, c).size());
  }
}

TEST_F(InputTranslation, MouseButtonsAreKeysAndTheLeftOneIsTheFirstFinger) {
  Launch();
  p.PointerTo(100, 50);
  for (const auto& [button, code] : {std::pair<int, int>{1, 384}, {3, 2}}) {
    p.Button(button, true);  // held until an update saw it
    EXPECT_TRUE(WaitUntil([&] { return Only(Seen(false), "down " + std::to_string(code)).size() > 0; }, 10));
    p.Button(button, false);
  }
  const std::vector<std::string> seen = Mark();
  EXPECT_EQ(Only(seen, "hit"), (std::vector<std::string>{"hit 1 1", "hit 2 1", "hit 384 1"}));
  EXPECT_EQ(Only(seen, "down"), (std::vector<std::string>{"down 1", "down 2", "down 384"}));
  EXPECT_EQ(Only(seen, "up"), (std::vector<std::string>{"up 1", "up 2", "up 384"}));
  const std::vector<std::string> all = Seen(true);
  EXPECT_NE(std::find(all.begin(), all.end(), "mouse 100 50"), all.end());
}

TEST_F(InputTranslation, KeysHeldWhileTheWindowIsReopenedAreReleased) {
  Launch("reopen");
  // Modifiers: X repeats no other held key, whose repeated press would reach
  // the new window in the update that should see the release.
  auto after = [&](const std::string& first, const std::string& then) {
    const std::vector<std::string> all = Seen(false);
    const auto at = std::find(all.begin(), all.end(), first);
    return at != all.end() && std::find(at, all.end(), then) != all.end();
  };
  p.KeyDown("Shift_L");
  p.KeyDown("Control_L");
  ASSERT_TRUE(WaitUntil([&] { return after("down 16", "down 17"); }, 10)) << Out();
  p.Tap("F11");
  EXPECT_TRUE(WaitUntil([&] { return after("reopened", "up 16") && after("reopened", "up 17"); }, 10))
      << Out();
  p.KeyUp("Shift_L");
  p.KeyUp("Control_L");
}

}  // namespace
