// The state file through the host's real load path: the fuzz input becomes
// ./.kestrostate in a private directory and is read with LoadState. Whatever
// the bytes, the text has at most one unit per byte, and saving it (as UTF-8)
// and decoding that again gives the same text, except that a leading U+FEFF
// is read back as a byte-order mark and dropped.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/glfw_game.h"
#include "support/fuzz_support.h"

namespace {

RvGlfwGame* host() {
  static RvGlfwGame* game = [] {
    fuzz_support::EnterScratchDir("kestro-fuzz-state");
    return new RvGlfwGame();
  }();
  return game;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RvGlfwGame* game = host();
  fuzz_support::WriteStateFile(data, size);

  String text = game->LoadState();
  if ((size_t)text.Length() > size) __builtin_trap();
  std::string saved = text.ToUtf8();
  String again = String::FromBytes(reinterpret_cast<const unsigned char*>(saved.data()),
                                   saved.size());
  String expected = text.Length() > 0 && text[0] == 0xFEFF ? text.Slice(1) : text;
  if (again != expected) __builtin_trap();
  return 0;
}
