// The process-level tests' program on the real host, by mode:
//   error MSG | signal N: a bare delegate printing "started", raising MSG or
//     signal N in its first update
//   input [reopen]: an application printing what its input device sees, by
//     update: "ready W H", "uN hit KEY COUNT", "uN down KEY", "uN up KEY",
//     "uN char C", "uN mouse X Y"; with reopen F11 reopens the window
//   path P | open P | image P | save TEXT: the host's file operations; image
//     adds " largest-malloc <bytes>", the largest request while loading (-1
//     when sanitized)
//   saveloop DIR: writes two large texts' bytes to DIR/{a,b}.expected, then
//     saves a, b, a, ... forever
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "host/glfw_game.h"

// glibc lets a program replace malloc: these forward to glibc's own and note
// the largest request. Sanitizers replace malloc themselves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PROBE_WATCH 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PROBE_WATCH 0
#endif
#endif
#ifndef PROBE_WATCH
#define PROBE_WATCH 1
#endif

namespace {
bool g_watching = false;
std::size_t g_largest = 0;
[[maybe_unused]] void note(std::size_t n) {
  if (g_watching && n > g_largest) g_largest = n;
}
}  // namespace

#if PROBE_WATCH
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t n) { return note(n), __libc_malloc(n); }
void* calloc(std::size_t a, std::size_t b) { return note(a * b), __libc_calloc(a, b); }
void* realloc(void* p, std::size_t n) { return note(n), __libc_realloc(p, n); }
void free(void* p) { __libc_free(p); }
}
#endif

namespace {

std::string mode, arg;

class ProbeDelegate : public RvGameDelegate {
 public:
  void StartGame() override {
    RvGame::_game->SetUpdateRate(60);
    std::printf("started\n");
    std::fflush(stdout);
  }
  void UpdateGame() override {
    if (mode == "error") rvError(String(arg.c_str()));
    if (mode == "signal") std::raise(std::atoi(arg.c_str()));
  }
};

class c_InputApp : public c_App {
 public:
  int updates = 0;
  bool wasDown[c_InputDevice::kKeyCount] = {};
  float lastX = 0, lastY = 0;

  int p_OnCreate() override {
    rv_app_SetUpdateRate(60);
    std::printf("ready %d %d\n", rv_app_DeviceWidth(), rv_app_DeviceHeight());
    std::fflush(stdout);
    return 0;
  }
  int p_OnUpdate() override {
    ++updates;
    for (int key = 0; key < c_InputDevice::kKeyCount; ++key) {
      if (int hits = rv_input_KeyHit(key)) std::printf("u%d hit %d %d\n", updates, key, hits);
      if (rv_input_KeyDown(key) != wasDown[key]) {
        wasDown[key] = !wasDown[key];
        std::printf("u%d %s %d\n", updates, wasDown[key] ? "down" : "up", key);
      }
    }
    while (int ch = rv_input_GetChar()) std::printf("u%d char %d\n", updates, ch);
    if (rv_input_MouseX() != lastX || rv_input_MouseY() != lastY) {
      lastX = rv_input_MouseX(), lastY = rv_input_MouseY();
      std::printf("u%d mouse %g %g\n", updates, lastX, lastY);
    }
    if (arg == "reopen" && rv_input_KeyHit(122)) {
      rv_app__game->SetDeviceWindow(640, 480, 0);
      std::printf("u%d reopened\n", updates);
    }
    std::fflush(stdout);
    return 0;
  }
};

// Texts of different lengths with characters of every UTF-8 width, so a
// torn or mixed file never passes for either one.
String LongText(char16_t first, int units) {
  std::u16string s;
  for (int i = 0; i < units; ++i) {
    const char16_t cycle[] = {first, u'\u00e9', u'\u20ac', (char16_t)('0' + i % 10)};
    s.push_back(i % 7 < 4 ? cycle[i % 7] : (char16_t)('a' + (i / 7) % 26));
  }
  return String(s.data(), (int)s.size());
}

int SaveLoop() {
  const String a = LongText(u'A', 700000), b = LongText(u'B', 450000);
  for (const auto& [name, text] : {std::pair{"/a.expected", &a}, {"/b.expected", &b}}) {
    FILE* f = std::fopen((arg + name).c_str(), "wb");
    const std::string bytes = text->ToUtf8();
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f)) return 2;
  }
  RvGlfwGame* game = new RvGlfwGame();
  for (;;) {
    if (game->SaveState(a) != 0 || game->SaveState(b) != 0) return 3;
  }
}

int Files() {
  const String path = String::FromBytes(reinterpret_cast<const unsigned char*>(arg.data()), arg.size());
  RvGlfwGame* game = new RvGlfwGame();
  if (mode == "path") {
    std::printf("%s\n", game->PathToFilePath(path).ToUtf8().c_str());
  } else if (mode == "open") {
    FILE* f = game->OpenFile(path, String("rb"));
    std::printf("%s\n", f ? "file" : "null");
    if (f) std::fclose(f);
  } else if (mode == "image") {
    int w = 0, h = 0, d = 0;
    g_watching = true;
    unsigned char* pixels = game->LoadImageData(path, &w, &h, &d);
    g_watching = false;
    pixels ? std::printf("%d %d %d", w, h, d) : std::printf("null");
    std::free(pixels);
    std::printf(" largest-malloc %lld\n", PROBE_WATCH ? (long long)g_largest : -1ll);
  } else if (mode == "save") {
    std::printf("%d\n", game->SaveState(path));
  } else {
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  mode = argc > 1 ? argv[1] : "";
  arg = argc > 2 ? argv[2] : "";
  if (mode == "saveloop") return SaveLoop();
  if (mode == "path" || mode == "open" || mode == "image" || mode == "save") return Files();
  RvKestroGame::createApp = [] {
    if (mode == "input") (new c_InputApp())->m_new();
    if (mode != "input") RvGame::_game->SetDelegate(new ProbeDelegate());
  };
  RvKestroGame::Main(argc, argv);
  return 0;
}
