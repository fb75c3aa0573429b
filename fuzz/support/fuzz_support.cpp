#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "host/glfw_game.h"
#include "runtime/kestro.h"

namespace fuzz_support {

int AddDefaultFlag(int* argc, char*** argv, const char* flag) {
  static std::deque<std::string> flags;  // stable: libFuzzer keeps the pointers
  static std::vector<char*> args;
  flags.push_back(flag);
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + 1, &flags.back()[0]);
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();
  return 0;
}

void StartRuntime() {
  gc_init_lists();
  rvInit();
  gc_mark();
}

namespace {
std::string g_dir;

void RemoveScratchDir() {
  if (chdir("/") != 0) return;
  unlink((g_dir + "/" + kStateFileName).c_str());
  rmdir(g_dir.c_str());
}
}  // namespace

void EnterScratchDir(const char* tag) {
  std::string shm = std::string("/dev/shm/") + tag + "-XXXXXX";
  std::string tmp = std::string("/tmp/") + tag + "-XXXXXX";
  const char* dir = mkdtemp(&shm[0]);
  if (!dir) dir = mkdtemp(&tmp[0]);
  if (!dir || chdir(dir) != 0) std::abort();
  g_dir = dir;
  std::atexit(RemoveScratchDir);
}

void WriteStateFile(const unsigned char* data, unsigned long size) {
  FILE* f = std::fopen(kStateFileName, "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace fuzz_support
