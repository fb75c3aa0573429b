// Faults a framework user would meet: a collection inside the application's
// own update, the debugger inspecting an array, collected blocks copied, and
// a failed save that looked like a success.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "game/myapp.h"
#include "support/process.h"

namespace {

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

TEST(FrameworkFaults, AnEventSentInsideAnUpdateDoesNotCollect) {
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

TEST(FrameworkFaults, DebuggerAnswersAnArraysAddressWithoutCrashing) {
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

TEST(FrameworkFaults, CollectedBlocksCannotBeCopied) {
  EXPECT_FALSE(std::is_copy_constructible_v<gc_object>);
  EXPECT_FALSE(std::is_copy_assignable_v<gc_object>);
}

// The state file lives where the test says.
class PathHost : public RvGame {
 public:
  std::string path;
  String PathToFilePath(String) override { return String(path.c_str()); }
};

// How a save can fail: a folder that does not exist, or a disk that takes
// no more bytes (a file-size limit, which holds for root too).
enum class Failure { kNoFolder, kDiskFull };

class FailedSave : public ::testing::TestWithParam<Failure> {};

TEST_P(FailedSave, IsReportedOnceAndKeepsThePreviousFile) {
  rvInit();
  std::string dir = testing_support::MakeTempDir("failed-save");
  PathHost host;
  rv_app__game = &host;
  host.path = dir + (GetParam() == Failure::kNoFolder ? "/gone/state" : "/state");
  testing_support::WriteFile(dir + "/state", "previous|");
  c_MyApp* app = new c_MyApp();

  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  if (GetParam() == Failure::kDiskFull) {
    struct rlimit small = {1, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
  // Standard error goes to a pipe: the size limit does not apply to it.
  int fds[2], saved = dup(2);
  ASSERT_EQ(pipe(fds), 0);
  dup2(fds[1], 2);
  close(fds[1]);
  int first = rv_app_SaveState(String("x|"));
  int result = app->p_Save();
  dup2(saved, 2);
  close(saved);
  std::string err(4096, '\0');
  err.resize((size_t)std::max<ssize_t>(0, read(fds[0], &err[0], err.size())));
  close(fds[0]);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  rv_app__game = nullptr;

  EXPECT_LT(first, 0);
  EXPECT_LT(result, 0);
  // One line naming the file and what is lost.
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find(host.path), std::string::npos) << err;
  EXPECT_NE(err.find("progress since the last good save is not stored"), std::string::npos);
  EXPECT_EQ(testing_support::ReadFile(dir + "/state"), "previous|");
}

INSTANTIATE_TEST_SUITE_P(Ways, FailedSave,
                         ::testing::Values(Failure::kNoFolder, Failure::kDiskFull));

}  // namespace
