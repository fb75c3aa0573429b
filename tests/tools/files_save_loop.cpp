// Saves two large, different state texts in turn, forever, through the real
// host, so a test can kill it at any moment and inspect the state file.
//   files_save_loop OUT_DIR
// First writes the UTF-8 bytes each text must produce to OUT_DIR/a.expected
// and OUT_DIR/b.expected, prints "ready", then saves a, b, a, b, ... in the
// current directory, printing nothing more. Any save that does not return 0
// ends the program with exit code 3.
#include <cstdio>
#include <string>

#include "host/glfw_game.h"

namespace {

// Texts of different lengths and characters of every UTF-8 width, so a
// torn or mixed file can never pass for either one.
String make_text(char16_t first, int units) {
  std::u16string s;
  s.reserve((std::size_t)units);
  for (int i = 0; i < units; ++i) {
    switch (i % 7) {
      case 0: s.push_back(first); break;
      case 1: s.push_back(u'\u00e9'); break;
      case 2: s.push_back(u'\u20ac'); break;
      case 3: s.push_back((char16_t)('0' + i % 10)); break;
      default: s.push_back((char16_t)('a' + (i / 7) % 26)); break;
    }
  }
  return String(s.data(), (int)s.size());
}

bool write_file(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string out = argv[1];
  String a = make_text(u'A', 700000);
  String b = make_text(u'B', 450000);
  if (!write_file(out + "/a.expected", a.ToUtf8()) || !write_file(out + "/b.expected", b.ToUtf8())) {
    return 2;
  }
  RvGlfwGame* game = new RvGlfwGame();
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    if (game->SaveState(a) != 0) return 3;
    if (game->SaveState(b) != 0) return 3;
  }
}
