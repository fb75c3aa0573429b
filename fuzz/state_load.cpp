// The state file through the host's real load path: the fuzz input becomes
// ./.kestrostate in a private directory and is read with LoadState. Whatever
// the bytes, the text has at most one unit per byte, and saving it (as UTF-8)
// and decoding that again gives the same text, except that a leading U+FEFF
// is read back as a byte-order mark and dropped.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/glfw_game.h"

namespace {

char g_dir[64];

void remove_dir() {
  if (chdir("/") == 0) {
    std::string file = std::string(g_dir) + "/" + kStateFileName;
    unlink(file.c_str());
    rmdir(g_dir);
  }
}

RvGlfwGame* host() {
  static RvGlfwGame* game = [] {
    // Memory-backed when the machine has it: a disk-backed rewrite per input
    // makes the run a hundred times slower.
    char shm[] = "/dev/shm/kestro-fuzz-state-XXXXXX";
    char tmp[] = "/tmp/kestro-fuzz-state-XXXXXX";
    const char* dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(tmp);
    if (!dir || chdir(dir) != 0) std::abort();
    std::snprintf(g_dir, sizeof g_dir, "%s", dir);
    std::atexit(remove_dir);
    return new RvGlfwGame();
  }();
  return game;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RvGlfwGame* game = host();
  FILE* f = std::fopen(kStateFileName, "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  String text = game->LoadState();
  if ((size_t)text.Length() > size) __builtin_trap();
  std::string saved = text.ToUtf8();
  String again = String::FromBytes(reinterpret_cast<const unsigned char*>(saved.data()),
                                   saved.size());
  String expected = text.Length() > 0 && text[0] == 0xFEFF ? text.Slice(1) : text;
  if (again != expected) __builtin_trap();
  return 0;
}
