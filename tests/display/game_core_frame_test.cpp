// What a frame costs and what it reaches: after loading, updates and
// renders make no collected objects (only the temporary strings of text,
// which are not collected), and with the home call's gate closed (as it
// ships) the game opens no network socket and prints no home-call line.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <string>

#include "game/globals.h"
#include "net/asyncevent.h"
#include "support/game_rig.h"

namespace {

using namespace testing_support;

// Inodes of the process's open sockets that are TCP sockets (IPv4 or IPv6).
int OpenTcpSockets() {
  std::set<unsigned long> inodes;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  while (dirent* e = readdir(dir)) {
    char link[256] = {};
    std::string path = std::string("/proc/self/fd/") + e->d_name;
    ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    unsigned long inode = 0;
    if (n > 0 && std::sscanf(link, "socket:[%lu]", &inode) == 1) inodes.insert(inode);
  }
  closedir(dir);
  int tcp = 0;
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
      // sl local rem st tx:rx tr:when retrnsmt uid timeout inode
      char fields[10][64];
      unsigned long inode = 0;
      if (std::sscanf(line.c_str(), "%63s %63s %63s %63s %63s %63s %63s %63s %63s %lu", fields[0],
                      fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7],
                      fields[8], &inode) == 10 &&
          inodes.count(inode)) {
        ++tcp;
      }
    }
  }
  return tcp;
}

TEST(GameCoreFrame, WithTheGateClosedNoHomeCallIsMade) {
  ASSERT_EQ(OpenTcpSockets(), 0);
  testing::internal::CaptureStdout();
  {
    GameRig rig;
    EXPECT_EQ(rv_Quenmor_J_On_Allow, 0);
    rig.RunUntilLoaded();
    rig.Step(30);
    EXPECT_EQ(rig.App()->m_homeRequest, nullptr);
    EXPECT_EQ(rig.App()->m_homeText, String("N/A"));
    EXPECT_EQ(rv_asyncevent__sources ? rv_asyncevent__sources->p_Length() : 0, 0);
    EXPECT_EQ(OpenTcpSockets(), 0);
  }
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("Requesting URL"), std::string::npos) << out;
  EXPECT_EQ(out.find("Http GET complete!"), std::string::npos) << out;
  EXPECT_EQ(rv_Quenmor_J_On_Able, 0);
}

TEST(GameCoreFrame, FramesMakeNoCollectedObjects) {
  GameRig rig;
  c_MyApp* app = rig.App();
  rig.RunUntilLoaded();
  rig.Step(5);
  // The delegate's own update and render, without the collector step the
  // host adds after each: what the frame allocates stays counted.
  auto newBytesOver = [&](int frames) {
    long long before = gc_new_bytes;
    for (int i = 0; i < frames; ++i) {
      rig.AdvanceClock(1.0 / 60);
      rv_app__delegate->UpdateGame();
      rv_app__delegate->RenderGame();
    }
    return gc_new_bytes - before;
  };
  EXPECT_EQ(newBytesOver(60), 0) << "menu";
  rv_Quenmor_DebugMode = 1;  // text every frame: strings only
  EXPECT_EQ(newBytesOver(60), 0) << "overlay";
  rv_Quenmor_DebugMode = 0;
  app->m_mode = 11;
  rig.Step();  // a game starts (its own allocations are the level's)
  EXPECT_EQ(app->m_mode, 10);
  EXPECT_EQ(newBytesOver(60), 0) << "game";
  app->m_paused = 1;
  EXPECT_EQ(newBytesOver(30), 0) << "paused";
  app->m_paused = 0;
  // The effect passes, a number particle included.
  long long before = gc_new_bytes;
  float* p = app->m_particles.Data();
  p[0] = 99, p[7] = 1, p[9] = 1234;
  for (int i = 0; i < 30; ++i) {
    app->p_CLS2D(0, 0, 0, 1);
    app->p_DoStars(1.5f, -2);
    app->p_DoParticles(1);
  }
  EXPECT_EQ(gc_new_bytes - before, 0) << "stars and particles";
  // The loading screen alone (the stage after the last one).
  app->m_loadStage = 14;
  before = gc_new_bytes;
  app->p_Loader();
  EXPECT_EQ(gc_new_bytes - before, 0) << "loading screen";
}

}  // namespace
