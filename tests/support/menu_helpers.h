// Helpers of the menu, option box, pause menu and badge tests on top of the
// game rig: reaching the settled main menu, stepping until a condition,
// the ring's item records, and counting state-file saves as the kernel
// sees them (inotify).
#pragma once

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/game_rig.h"

namespace testing_support {

// Key codes of the framework.
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;

// Steps until `done` holds (checked after each frame); gives the number of
// frames stepped, or -1 after `maxFrames`.
inline int StepUntil(GameRig& rig, const std::function<bool()>& done, int maxFrames = 600) {
  for (int i = 1; i <= maxFrames; ++i) {
    rig.Step();
    if (done()) return i;
  }
  return -1;
}

// Loads, parks the pointer over the logo (away from the ring, the gear and
// the side panel) and waits for the menu's slide-in to end.
inline void ReachMenu(GameRig& rig) {
  ASSERT_GT(rig.RunUntilLoaded(), 0);
  rig.MouseMove(250, 120);
  ASSERT_GT(StepUntil(rig, [&] { return rig.App()->m_menuSlide == 0; }, 120), 0);
  rig.Step(20);  // the ring settles
  ASSERT_EQ(rig.App()->m_mode, 1);
}

// A game rig at the settled main menu.
class AtMenu : public ::testing::Test {
 protected:
  GameRig rig;
  c_MyApp* app = nullptr;

  void SetUp() override {
    ReachMenu(rig);
    app = rig.App();
  }
};

// A line of text drawn exactly so (leading blanks are not drawn).
inline bool HasLine(const GameRig& rig, const std::string& line) {
  for (const DrawnText& t : rig.Texts()) {
    if (t.text == line) return true;
  }
  return false;
}

// The ring's level buttons in the order they are drawn (item
// max(selection - 3, 0) first): image 95, frames 0 (open), 1 (completed),
// 2 (locked).
inline std::vector<DrawRecord> RingItems(const GameRig& rig) {
  std::vector<DrawRecord> out;
  for (const DrawRecord& r : rig.ImageRecords(95)) {
    if (r.Frame() <= 2) out.push_back(r);
  }
  return out;
}

// The draw record of ring item k (which must be on screen).
inline DrawRecord RingItem(const GameRig& rig, int k) {
  int first = rig.App()->m_menuLevelSel - 3;
  if (first < 0) first = 0;
  std::vector<DrawRecord> items = RingItems(rig);
  if (k - first < 0 || k - first >= (int)items.size()) {
    ADD_FAILURE() << "ring item " << k << " is not drawn";
    return DrawRecord{};
  }
  return items[k - first];
}

// Counts how often the state file is replaced (the host writes a temporary
// file and renames it over ./.kestrostate).
class SaveCounter {
 public:
  explicit SaveCounter(const std::string& dir) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
  }
  ~SaveCounter() {
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }
  // Saves seen since the last call.
  int Take() {
    int count = 0;
    alignas(inotify_event) char buf[8192];
    for (;;) {
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      for (char* p = buf; p < buf + n;) {
        inotify_event* e = reinterpret_cast<inotify_event*>(p);
        if (e->len && std::strcmp(e->name, ".kestrostate") == 0) ++count;
        p += sizeof(inotify_event) + e->len;
      }
    }
    return count;
  }

 private:
  int fd_ = -1;
};

}  // namespace testing_support
