// Runs the desktop host's file operations in a process of its own, so tests
// can place the executable where they like and watch what it allocates.
//   files_probe path P        the real path of P ("" for none)
//   files_probe open P        "file" or "null"
//   files_probe image P       LoadImageData(P): "null" or "<w> <h> <depth>", then
//                             " largest-malloc <bytes>" (the largest single
//                             request made while loading; -1 in sanitizer builds)
//   files_probe save TEXT     SaveState(TEXT given as UTF-8): prints the result code
//   files_probe state         LoadState() as UTF-8
#include <cstdio>
#include <cstring>
#include <string>

#include "host/glfw_game.h"

// ---- Allocation watch --------------------------------------------------------
// glibc lets a program replace malloc; the replacements forward to glibc's own
// and remember the largest request. Sanitizers replace malloc themselves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FILES_PROBE_WATCH 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FILES_PROBE_WATCH 0
#endif
#endif
#ifndef FILES_PROBE_WATCH
#define FILES_PROBE_WATCH 1
#endif

namespace {
bool g_watching = false;
std::size_t g_largest = 0;
[[maybe_unused]] void note(std::size_t n) {
  if (g_watching && n > g_largest) g_largest = n;
}
}  // namespace

#if FILES_PROBE_WATCH
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) {
  note(n);
  return __libc_malloc(n);
}
void* calloc(std::size_t a, std::size_t b) {
  note(a * b);
  return __libc_calloc(a, b);
}
void* realloc(void* p, std::size_t n) {
  note(n);
  return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
}
#endif

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string cmd = argv[1];
  String arg = argc > 2 ? String::FromBytes(reinterpret_cast<const unsigned char*>(argv[2]),
                                            std::strlen(argv[2]))
                        : String();
  RvGlfwGame* game = new RvGlfwGame();
  if (cmd == "path") {
    std::printf("%s\n", game->PathToFilePath(arg).ToUtf8().c_str());
  } else if (cmd == "open") {
    FILE* f = game->OpenFile(arg, String("rb"));
    std::printf("%s\n", f ? "file" : "null");
    if (f) std::fclose(f);
  } else if (cmd == "image") {
    int w = 0, h = 0, d = 0;
    g_watching = true;
    unsigned char* pixels = game->LoadImageData(arg, &w, &h, &d);
    g_watching = false;
    if (pixels) {
      std::printf("%d %d %d", w, h, d);
      std::free(pixels);
    } else {
      std::printf("null");
    }
    std::printf(" largest-malloc %lld\n", FILES_PROBE_WATCH ? (long long)g_largest : -1ll);
  } else if (cmd == "save") {
    std::printf("%d\n", game->SaveState(arg));
  } else if (cmd == "state") {
    std::printf("%s\n", game->LoadState().ToUtf8().c_str());
  } else {
    return 2;
  }
  return 0;
}
