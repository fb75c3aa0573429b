// The frame loop's scheduling, driven by an injected clock: catch-up bounded
// to four updates, rate 0, a rate change inside an update, focus-driven
// suspend and resume, guarded events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/glfw_game.h"

namespace {

class Recorder : public RvGameDelegate {
 public:
  std::vector<std::string> log;
  int updates = 0;
  int renders = 0;
  int change_rate_on_update = -1;  // calls SetUpdateRate in that update
  void StartGame() override { log.push_back("start"); }
  void SuspendGame() override { log.push_back("suspend"); }
  void ResumeGame() override { log.push_back("resume"); }
  void UpdateGame() override {
    ++updates;
    if (updates == change_rate_on_update) RvGame::_game->SetUpdateRate(60);
  }
  void RenderGame() override { ++renders; }
  void KeyEvent(int event, int data) override {
    log.push_back("key " + std::to_string(event) + " " + std::to_string(data));
  }
};

class FakeHost : public RvGlfwGame {
 public:
  double clock = 10.0;
  double render_cost = 0.001;      // seconds a frame's render takes
  std::vector<double> frame_costs;  // overrides render_cost per iteration
  double slept = 0;
  int sleeps = 0;
  int waits = 0;
  bool active = true;
  int iteration = 0;

  double Now() override { return clock; }
  void SleepFor(double s) override {
    slept += s;
    ++sleeps;
    clock += s;
  }
  bool WindowOpen() override { return true; }
  bool WindowActive() override { return active; }
  void SwapBuffers() override {
    clock += iteration < (int)frame_costs.size() ? frame_costs[iteration] : render_cost;
    ++iteration;
  }
  void PollEvents() override {}
  void WaitEvents() override { ++waits; }
  void SetGlfwWindow(int, int, int, int, int, int, int, int, bool) override {}

  double NextUpdate() const { return _nextUpdate; }
};

class HostLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    host = new FakeHost();
    delegate = new Recorder();
    host->SetDelegate(delegate);
  }
  void TearDown() override { delete host; }
  // Runs one iteration and returns the updates it made.
  int Step() {
    int before = delegate->updates;
    host->LoopIteration();
    return delegate->updates - before;
  }
  FakeHost* host;
  Recorder* delegate;
};

TEST_F(HostLoop, EventsBeforeStartAreDropped) {
  host->KeyEvent(c_RvGameEvent::KeyDown, 65);
  host->UpdateGame();
  host->RenderGame();
  EXPECT_TRUE(delegate->log.empty());
  EXPECT_EQ(delegate->updates + delegate->renders, 0);
  host->StartGame();
  host->StartGame();  // only once
  host->KeyEvent(c_RvGameEvent::KeyDown, 65);
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"start", "key 1 65"}));
}

TEST_F(HostLoop, SteadyRateRunsOneUpdatePerSixtiethAndSleepsBetween) {
  host->StartGame();
  host->SetUpdateRate(60);
  int total = 0;
  for (int i = 0; i < 600; ++i) total += Step();
  // 600 iterations at 1 ms render each: the loop sleeps the rest of each period.
  EXPECT_NEAR(total, 600, 2);
  EXPECT_GT(host->sleeps, 590);
  EXPECT_NEAR(host->clock - 10.0, 10.0, 0.05);
}

TEST_F(HostLoop, SlowFrameCatchesUpFourUpdatesThenRestarts) {
  host->StartGame();
  host->SetUpdateRate(60);
  EXPECT_EQ(Step(), 1);  // schedule starts
  host->frame_costs.assign(host->iteration, 0.001);
  host->frame_costs.push_back(0.100);  // the next render takes 100 ms
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(host->NextUpdate(), 0);  // backlog dropped
  EXPECT_EQ(Step(), 1);              // fresh schedule
  EXPECT_GT(host->NextUpdate(), host->clock);
}

TEST_F(HostLoop, ModestLagIsCaughtUpExactly) {
  host->StartGame();
  host->SetUpdateRate(60);
  Step();
  host->frame_costs.assign(host->iteration, 0.001);
  host->frame_costs.push_back(0.060);  // about three periods late
  EXPECT_EQ(Step(), 3);
  EXPECT_NE(host->NextUpdate(), 0);
}

TEST_F(HostLoop, RateZeroUpdatesOncePerRenderWithoutSleeping) {
  host->StartGame();
  host->SetUpdateRate(0);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(Step(), 1);
  EXPECT_EQ(delegate->renders, 50);
  EXPECT_EQ(host->sleeps, 0);
}

TEST_F(HostLoop, RateChangeInsideAnUpdateEndsTheCatchUp) {
  host->StartGame();
  host->SetUpdateRate(60);
  Step();
  delegate->change_rate_on_update = delegate->updates + 2;
  host->frame_costs.assign(host->iteration, 0.001);
  host->frame_costs.push_back(0.100);
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(host->NextUpdate(), 0);
}

TEST_F(HostLoop, FocusLossSuspendsOnceAndRegainResumesOnce) {
  host->StartGame();
  host->SetUpdateRate(60);
  Step();
  host->active = false;
  EXPECT_EQ(Step(), 0);
  EXPECT_EQ(Step(), 0);
  EXPECT_EQ(Step(), 0);
  EXPECT_GE(host->waits, 2);  // blocks in the event wait while suspended
  EXPECT_TRUE(host->Suspended());
  int renders = delegate->renders;
  host->active = true;
  EXPECT_EQ(Step(), 1);
  EXPECT_FALSE(host->Suspended());
  EXPECT_EQ(delegate->renders, renders + 1);
  int suspends = 0, resumes = 0;
  for (auto& e : delegate->log) {
    suspends += e == "suspend";
    resumes += e == "resume";
  }
  EXPECT_EQ(suspends, 1);
  EXPECT_EQ(resumes, 1);
}

TEST_F(HostLoop, DateFillsAtMostSevenFields) {
  Array<int> date(9);
  host->GetDate(date);
  EXPECT_GE(date[0], 2024);
  EXPECT_GE(date[1], 1);
  EXPECT_LE(date[1], 12);
  EXPECT_EQ(date[6], 0);
  EXPECT_EQ(date[7], 0);
  host->GetDate(Array<int>());  // an empty array is left alone
}

class Thrower : public RvGameDelegate {
 public:
  void UpdateGame() override { throw new ThrowableObject(); }
};

TEST(HostLoopDeathTest, UncaughtExceptionEndsTheProcess) {
  EXPECT_EXIT(
      {
        FakeHost host;
        host.SetDelegate(new Thrower());
        host.StartGame();
        host.UpdateGame();
      },
      ::testing::ExitedWithCode(255), "");
}

}  // namespace
