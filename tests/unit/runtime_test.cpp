// The runtime as a caller meets it: strings, text decoded from outside bytes
// (one table through every decoder), the collector, console output and the
// exit code of every way a program ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/app.h"
#include "host/glfw_game.h"
#include "runtime/kestro.h"
#include "support/checks.h"
#include "support/printers.h"
#include "support/process.h"

namespace {

using testing_support::ForceCollection;

std::string U8(const String& s) { return s.ToUtf8(); }

TEST(Strings, WhatSavedTextsAndNumbersRelyOn) {
  EXPECT_EQ(String("a,,b").Split(String(",")).Length(), 3);
  EXPECT_EQ(String("aaaa").Split(String("aa")).Length(), 3);  // no overlap
  String text("1|2||3|");
  EXPECT_EQ(String("|").Join(text.Split(String("|"))), text);
  const std::pair<const char*, int> ints[] = {
      {"  42xyz", 42}, {"abc", 0}, {"-17", -17}, {"+5", 5}, {"", 0}};
  for (const auto& c : ints) EXPECT_EQ(String(c.first).ToInt(), c.second) << c.first;
  // Only the first 63 units count; out of range narrows without trapping.
  EXPECT_EQ((String(std::string(63, ' ').c_str()) + String("7")).ToInt(), 0);
  (void)String("99999999999999999999999").ToInt();
  EXPECT_EQ(U8(String(3.0f)) + " " + U8(String(1.5f)) + " " + U8(String(0.1f)),
            "3.0 1.5 0.10000000149011612");
  EXPECT_EQ(String(u"\u00e9\u20ac").ToUtf8(), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(String(u"\U0001F600").ToUtf8().size(), 6u);  // each surrogate alone
}

// ---- Text from outside bytes ------------------------------------------------------
// Files and the state file honour byte-order marks. Invalid UTF-8 falls back
// to one character per byte, whole.

struct Decoding {
  std::string bytes;
  std::u16string text;
};

const std::vector<Decoding> kDecodings = {
    {"", u""},
    {"caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00e9 \u20ac"},
    {"caf\xE9 ok", u"caf\u00e9 ok"},
    {"\xF0\x9F\x98\x80", u"\u00f0\u009f\u0098\u0080"},
    {"\xE2\x82", u"\u00e2\u0082"},
    {"\xC3\xA9\x80", u"\u00c3\u00a9\u0080"},
    {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"\xEF\xBB\xBFhi", u"hi"},
    {"\xEF\xBB\xBF\xE9", u"\u00e9"},
    {"\xEF\xBB", u"\u00ef\u00bb"},
    {std::string("\xFE\xFF\x00\x41\x20\xAC", 6), u"A\u20ac"},
    {std::string("\xFF\xFE\x41\x00\xE9\x00\x7F", 7), u"A\u00e9"},
    {"\xFE\xFF", u""},
};

String Text(const std::u16string& s) { return String(s.data(), (int)s.size()); }

TEST(TextDecoding, EveryDecoderOfOutsideBytes) {
  std::string dir = testing_support::MakeTempDir("decode");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  RvGlfwGame host;
  std::vector<Decoding> rows = kDecodings;
  std::string longText;  // multi-byte sequences straddle the read blocks
  for (int i = 0; i < 5000; ++i) longText += "\xC3\xA9";
  rows.push_back({longText, std::u16string(5000, u'\u00e9')});
  for (const Decoding& d : rows) {
    SCOPED_TRACE(testing::PrintToString(d.bytes.substr(0, 16)));
    const auto* p = reinterpret_cast<const unsigned char*>(d.bytes.data());
    EXPECT_EQ(String::FromBytes(p, d.bytes.size()), Text(d.text));
    testing_support::WriteFile(dir + "/t.txt", d.bytes);
    EXPECT_EQ(host.LoadString(String((dir + "/t.txt").c_str())), Text(d.text));
    testing_support::WriteFile(".kestrostate", d.bytes);
    EXPECT_EQ(host.LoadState(), Text(d.text));
  }
  EXPECT_TRUE(host.LoadString(String((dir + "/missing").c_str())).Empty());
  EXPECT_TRUE(host.LoadString(String(dir.c_str())).Empty());  // a folder reads as nothing
  ASSERT_EQ(chdir(cwd), 0);
}

int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  Array<Node*> children;
  ~Node() override { ++destroyed; }
  void mark() override { gc_mark_q(next), gc_mark_q(children); }
};

Node* test_root = nullptr;
rv_module test_roots(1000, nullptr, [] { gc_mark_q(test_root); });

TEST(Collector, ReachableObjectsSurviveAndTheRestDieLazily) {
  gc_assign(test_root, new Node());
  ForceCollection();  // the root is old and black now
  Node* child = new Node();
  gc_assign(test_root->next, child);  // through the write barrier
  child->children = Array<Node*>(50);
  for (int i = 0; i < 50; ++i) gc_assign(child->children[i], new Node());
  (void)new Node();  // unreachable
  int before = destroyed;
  ForceCollection(2, false);
  EXPECT_EQ(destroyed, before);  // not at the flip: later allocations pay for it
  ForceCollection(0, true);
  EXPECT_EQ(destroyed, before + 1);
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(gc_is_live(child->children[i]));
  test_root = nullptr;
}

TEST(Collector, ArraysStartClearedAndReleaseTheirStrings) {
  Array<int> empty, zero(0);
  EXPECT_EQ(empty.GetRep(), zero.GetRep());  // shared, never collected
  EXPECT_EQ(Array<Node*>(-5).Length(), 0);
  Array<float> f(4);
  Array<String> s(3);
  EXPECT_EQ(f[3], 0.0f);
  String text("kept");
  s[1] = text;
  EXPECT_EQ(text.GetRep()->refs, 2);
  s = Array<String>();
  ForceCollection();
  EXPECT_EQ(text.GetRep()->refs, 1);
  EXPECT_EQ(Array<int>().GetRep(), empty.GetRep());
}

static_assert(!std::is_copy_constructible_v<gc_object> && !std::is_copy_assignable_v<gc_object>,
              "a copied block would be collected twice");

TEST(CollectorDeathTest, VerifierCatchesAStoreWithoutTheBarrier) {
  EXPECT_DEATH(
      {
        gc_verify_enabled = true;
        gc_assign(test_root, new Node());
        ForceCollection(1, false);
        gc_mark_queued(1ll << 40);  // the root is black now
        test_root->next = new Node();
        ForceCollection(1, false);
      },
      "was not marked");
}

struct Thrower : RvGameDelegate {
  void UpdateGame() override { throw new ThrowableObject(); }
};

class QuitApp : public c_App {};

// The debugger's '@' answers an array's address (a block that is no Object)
// without calling an object's debug output on it.
TEST(Debugger, AnswersAnArraysAddressWithoutCrashing) {
  EXPECT_EXIT(
      {
        Array<int> numbers(8);
        char commands[64];
        std::snprintf(commands, sizeof commands, "@%p\nq\n", (void*)numbers.GetRep());
        int fds[2];
        if (pipe(fds) != 0) std::_Exit(2);
        if (write(fds[1], commands, std::strlen(commands)) < 0) std::_Exit(2);
        close(fds[1]);
        dup2(fds[0], 0);
        dbg_stop();  // 'q' leaves with 0
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ExitCodesDeathTest, EveryWayAProgramEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* what;
    std::function<void()> run;
    int code;
    const char* output;
  } cases[] = {
      {"empty error", [] { rvError(String()); }, 0, "^$"},
      {"runtime error", [] { rvError(String("bad thing")); }, 255, "Runtime Error : bad thing"},
      {"out of memory", [] { (void)Array<double>(0x7fffffff); }, 255, ""},
      {"huge string", [] { (void)String::Rep::alloc(-1); }, 255, ""},
      {"uncaught exception",
       [] {
         RvGame host;
         host.SetDelegate(new Thrower());
         host.StartGame();
         host.UpdateGame();
       },
       255, "Uncaught Kestro Exception"},
      {"back key", [] { rv_app__delegate->KeyEvent(c_RvGameEvent::KeyDown, 416); }, 0, ""},
      {"back key already down (a lost release)",
       [] {
         rv_app__delegate->_input->_keyDown[416] = true;
         rv_app__delegate->KeyEvent(c_RvGameEvent::KeyDown, 416);
       },
       0, ""},
      {"close key", [] { rv_app__delegate->KeyEvent(c_RvGameEvent::KeyDown, 432); }, 0, ""},
      {"second app", [] { (new QuitApp())->m_new(); }, 255, "App has already been created"},
  };
  rvInit();
  RvGame host;
  (new QuitApp())->m_new();
  gc_assign(rv_app__delegate->_input, (new c_InputDevice())->m_new());
  rv_input_SetInputDevice(rv_app__delegate->_input);
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          testing_support::PrepareForRuntimeError();
          c.run();
        },
        ::testing::ExitedWithCode(c.code), c.output)
        << c.what;
  }
  rv_input_SetInputDevice(nullptr);
}

}  // namespace
