// The desktop host without a window: the frame loop on an injected clock, the
// state file, raw data, PNG images and data-folder paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/glfw_game.h"
#include "host/image_decode.h"
#include "support/printers.h"
#include "support/process.h"

namespace {

using namespace testing_support;

struct Recorder : RvGameDelegate {
  std::vector<std::string> log;
  int updates = 0, renders = 0, change_rate_on = -1;
  void StartGame() override { log.push_back("start"); }
  void SuspendGame() override { log.push_back("suspend"); }
  void ResumeGame() override { log.push_back("resume"); }
  void UpdateGame() override {
    if (++updates == change_rate_on) RvGame::_game->SetUpdateRate(60);
  }
  void RenderGame() override { ++renders; }
  void KeyEvent(int event, int data) override {
    log.push_back("key " + std::to_string(event) + " " + std::to_string(data));
  }
};

// The loop's hooks on a clock of our own: a frame costs what the test says.
class ClockedHost : public RvGlfwGame {
 public:
  double clock = 10, frame_cost = 0.001;
  int waits = 0;
  bool active = true;
  Recorder* rec = new Recorder();
  ClockedHost() { SetDelegate(rec); }
  double NextUpdate() const { return _nextUpdate; }
  int Step(double cost = 0.001) {  // one iteration; the updates it ran
    int before = rec->updates;
    frame_cost = cost;
    LoopIteration();
    return rec->updates - before;
  }

 protected:
  double Now() override { return clock; }
  void SleepFor(double s) override { clock += s; }
  bool WindowOpen() override { return true; }
  bool WindowActive() override { return active; }
  void SwapBuffers() override { clock += frame_cost; }
  void PollEvents() override {}
  void WaitEvents() override { ++waits; }
  void SetGlfwWindow(int, int, int, int, int, int, int, int, bool) override {}
};

TEST(FrameLoop, ASlowFrameCatchesUpAtMostFourUpdatesThenDropsTheBacklog) {
  const struct {
    double cost;
    int updates;
    bool dropped;
  } cases[] = {{0.001, 1, false}, {0.040, 2, false}, {0.060, 3, false},
               {0.075, 4, false}, {0.100, 4, true},  {2.0, 4, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cost);
    ClockedHost host;
    host.StartGame();
    host.SetUpdateRate(60);
    EXPECT_EQ(host.Step(), 1);  // the schedule starts
    EXPECT_EQ(host.Step(c.cost), c.updates);
    EXPECT_EQ(host.NextUpdate() == 0, c.dropped);
    EXPECT_EQ(host.Step(), 1);  // a dropped backlog starts a fresh schedule
    EXPECT_GT(host.NextUpdate(), host.clock);
  }
}

TEST(FrameLoop, SteadyRateAndARateChangeInsideAnUpdate) {
  ClockedHost host;
  host.StartGame();
  host.SetUpdateRate(60);
  int total = 0;
  for (int i = 0; i < 600; ++i) total += host.Step();
  EXPECT_NEAR(total, 600, 2);  // one update a period, the rest of it slept
  EXPECT_NEAR(host.clock - 10, 10, 0.05);
  host.rec->change_rate_on = host.rec->updates + 2;
  EXPECT_EQ(host.Step(0.100), 2);  // the new rate ends the catch-up
  EXPECT_EQ(host.NextUpdate(), 0);
}

TEST(FrameLoop, EventsWaitForTheStartAndFocusSuspendsAndResumesOnce) {
  ClockedHost host;
  host.KeyEvent(c_RvGameEvent::KeyDown, 65);
  host.UpdateGame();
  host.RenderGame();
  EXPECT_EQ(host.rec->updates + host.rec->renders, 0);
  host.StartGame();
  host.StartGame();
  host.KeyEvent(c_RvGameEvent::KeyDown, 65);
  host.SetUpdateRate(60);
  host.Step();
  host.active = false;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(host.Step(), 0);
  EXPECT_GE(host.waits, 2);  // blocked in the event wait, not spinning
  host.active = true;
  EXPECT_EQ(host.Step(), 1);
  EXPECT_EQ(host.rec->log, (std::vector<std::string>{"start", "key 1 65", "suspend", "resume"}));
}

// Sends an event to its own host from inside the update, as reopening the
// window does when it releases the keys still held.
class NestingDelegate : public RvGameDelegate {
 public:
  long long flipsInside = -1;
  bool localSurvived = false;
  void UpdateGame() override {
    Array<int> local(256);  // only this frame's stack knows it
    gc_ext_malloced(kGcBudgetBytes + 1);  // any collector step now flips
    long long flips = gc_stats.flips;
    RvGame::_game->KeyEvent(c_RvGameEvent::KeyUp, 65);
    flipsInside = gc_stats.flips - flips;
    localSurvived = gc_is_live(local.GetRep());
  }
};

TEST(FrameLoop, AnEventSentInsideAnUpdateDoesNotCollect) {
  rvInit();
  RvGame host;
  auto* delegate = new NestingDelegate();
  host.SetDelegate(delegate);
  host.StartGame();
  host.UpdateGame();
  EXPECT_EQ(delegate->flipsInside, 0);
  EXPECT_TRUE(delegate->localSurvived);
  // The outer dispatch still takes its step once the update is over.
  long long flips = gc_stats.flips;
  gc_ext_malloced(kGcBudgetBytes + 1);
  host.KeyEvent(c_RvGameEvent::KeyDown, 65);
  EXPECT_EQ(gc_stats.flips, flips + 1);
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir("files");
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override { EXPECT_EQ(chdir(cwd), 0); }
  std::string Make(const std::string& name, const std::string& bytes) {
    WriteFile(dir + "/" + name, bytes);
    return dir + "/" + name;
  }
  std::string Png(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    args.back() = args.back() + dir + "/" + name;
    RunResult r = RunCommand(args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return dir + "/" + name;
  }
  static String S(const std::string& s) { return String(s.c_str()); }
  RvGlfwGame host;
  std::string dir;
  char cwd[4096];
};

TEST_F(Files, TheStateRoundTripsAsUtf8AndEachSaveReplacesTheFile) {
  EXPECT_TRUE(host.LoadState().Empty());  // no file yet
  String state(u"settings caf\u00e9 \u20ac\U0001F600 end");
  ASSERT_EQ(host.SaveState(state), 0);
  EXPECT_EQ(ReadFile(".kestrostate").substr(0, 14), "settings caf\xC3\xA9");
  EXPECT_EQ(host.LoadState(), state);
  ASSERT_EQ(host.SaveState(String("x")), 0);
  EXPECT_EQ(ReadFile(".kestrostate"), "x");
  ASSERT_EQ(host.SaveState(String()), 0);
  EXPECT_EQ(ReadFile(".kestrostate"), "");
}

TEST_F(Files, DataComesBackWholeAndIsCountedAsExternalMemory) {
  for (int size : {0, 1, 4095, 4096, 4097, 100001}) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes.push_back((char)(i * 7 + size));
    long long before = gc_ext_new_bytes.load();
    int length = -1;
    unsigned char* data = host.LoadData(S(Make("blob", bytes)), &length);
    ASSERT_NE(data, nullptr) << size;
    EXPECT_EQ(gc_ext_new_bytes.load() - before, size);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), (std::size_t)length), bytes);
    std::free(data);
  }
  int length = -7;
  for (const std::string& p : {dir + "/missing", dir, std::string("kestro://cache/blob")}) {
    EXPECT_EQ(host.LoadData(S(p), &length), nullptr) << p;
  }
  EXPECT_EQ(length, -7);
}

TEST_F(Files, AnythingButAWholePngIsRefused) {
  std::string png = Png("a.png", {"-size", "8x8", "xc:red", ""});
  std::string whole = ReadFile(png);
  std::vector<std::string> refused = {Png("a.jpg", {"-size", "8x8", "xc:red", ""}),
                                      Make("cut.png", whole.substr(0, whole.size() - 20)),
                                      Make("text.png", "not a picture"),
                                      Make("sig.png", whole.substr(0, 8)),
                                      dir + "/missing.png",
                                      dir};
  for (const std::string& p : refused) {
    int w, h, d;
    EXPECT_EQ(host.LoadImageData(S(p), &w, &h, &d), nullptr) << p;
  }
  // Sizes patched into a real header are refused before decoding (stb does
  // not check CRCs).
  std::string one = ReadFile(Png("one.png", {"-size", "1x1", "xc:white", "PNG32:"}));
  const std::pair<unsigned, unsigned> sizes[] = {
      {16384, 16384}, {kMaxImageSide + 1u, 1}, {1, 100000}, {0x7fffffffu, 0x7fffffffu}, {0, 1}};
  for (auto size : sizes) {
    std::string s = one;
    for (int i = 0; i < 4; ++i) {
      s[16 + i] = (char)(size.first >> (24 - 8 * i));
      s[20 + i] = (char)(size.second >> (24 - 8 * i));
    }
    int w, h, d;
    EXPECT_EQ(DecodePng(reinterpret_cast<const unsigned char*>(s.data()), s.size(), &w, &h, &d),
              nullptr)
        << size.first << " x " << size.second;
  }
}

TEST(DataPaths, BareNamesGoToTheDataFolderOthersStay) {
  const std::pair<const char*, const char*> cases[] = {
      {"gfx/a.png", "kestro://data/gfx/a.png"}, {"C:/x.png", "C:/x.png"},
      {"./x.png", "./x.png"},                   {"/x.png", "/x.png"},
      {"http://host/x", "http://host/x"},       {"kestro://data/x", "kestro://data/x"},
      {"a/b:/c.png", "kestro://data/a/b:/c.png"}, {"x:y.png", "kestro://data/x:y.png"},
      {"", "kestro://data/"}};
  for (const auto& c : cases) EXPECT_EQ(rv_data_FixDataPath(String(c.first)), String(c.second));
  RvGlfwGame host;
  String data = host.PathToFilePath(String("kestro://data/gfx/menu.png"));
  EXPECT_TRUE(data.StartsWith(String("/")) && data.EndsWith(String("/data/gfx/menu.png")));
  EXPECT_TRUE(host.PathToFilePath(String("kestro://cache/x")).Empty());
  EXPECT_TRUE(host.PathToFilePath(String("kestro:x")).Empty());
  EXPECT_EQ(host.OpenFile(String("kestro://cache/x"), String("rb")), nullptr);
  EXPECT_EQ(host.PathToFilePath(String("some/file")), String("some/file"));
}

}  // namespace
