// Paths, file loading and the persisted state file.
//
// "kestro://data/", "kestro://internal/" and "kestro://external/" map below
// the executable's directory; other "kestro:" areas open nothing; any other
// path is used as it is. The state is one string kept as UTF-8 in
// ".kestrostate" in the current directory, replaced atomically on save so an
// interrupted save never leaves a partial file.
//
// Decisions: a read error part-way through a file, or a heap that cannot
// hold it, gives the same empty result as a missing file (never a truncated
// buffer). Image files are checked for the PNG signature before the rest is
// read, and larger files than any image we accept are refused unread.
#include <cstdlib>
#include <cstring>

#include "audio/decoders.h"
#include "host/glfw_game.h"
#include "host/image_decode.h"
#include "host/platform.h"

const char* const kStateFileName = "./.kestrostate";

namespace {

constexpr std::size_t kReadBlock = 4096;
// Loaded buffers carry an int length.
constexpr std::size_t kMaxDataBytes = 0x7fffffff;
// A PNG within the decoder's pixel limit compresses far below this.
constexpr std::size_t kMaxImageFileBytes = 256u << 20;

// Reads the rest of an open file into one malloc'ed block of exactly its
// size (at least one byte is allocated, so an empty file is not null).
// Null when the file is larger than `limit`, a read fails, or the heap
// cannot hold it. `prefix` bytes already read are put in front.
unsigned char* read_all(FILE* f, std::size_t* size, std::size_t limit,
                        const unsigned char* prefix = nullptr, std::size_t prefix_len = 0) {
  std::size_t cap = kReadBlock + prefix_len, len = prefix_len;
  unsigned char* buf = static_cast<unsigned char*>(std::malloc(cap));
  if (!buf) return nullptr;
  if (prefix_len) std::memcpy(buf, prefix, prefix_len);
  for (;;) {
    if (cap - len < kReadBlock) {
      unsigned char* bigger = static_cast<unsigned char*>(std::realloc(buf, cap * 2));
      if (!bigger) {
        std::free(buf);
        return nullptr;
      }
      buf = bigger;
      cap *= 2;
    }
    std::size_t got = std::fread(buf + len, 1, kReadBlock, f);
    len += got;
    if (len > limit || std::ferror(f)) {
      std::free(buf);
      return nullptr;
    }
    if (got < kReadBlock) break;
  }
  if (len + kReadBlock < cap) {  // give back the doubling slack
    unsigned char* exact = static_cast<unsigned char*>(std::realloc(buf, len ? len : 1));
    if (exact) buf = exact;
  }
  *size = len;
  return buf;
}

bool ends_with_ci(const String& path, const char* ext) {
  return path.ToLower().EndsWith(String(ext));
}

}  // namespace

String rv_data_FixDataPath(String path) {
  int i = path.Find(String(":/"));
  if (i != -1 && path.Find(String("/")) == i + 1 && path.Find(String(":")) == i) return path;
  if (path.StartsWith(String("./")) || path.StartsWith(String("/"))) return path;
  return String("kestro://data/") + path;
}

String RvGlfwGame::PathToFilePath(String path) {
  if (!path.StartsWith(String("kestro:"))) return path;
  if (path.StartsWith(String("kestro://data/"))) {
    return _baseDir + String("/data/") + path.Slice(14);
  }
  if (path.StartsWith(String("kestro://internal/"))) {
    return _internalDir + String("/") + path.Slice(18);
  }
  if (path.StartsWith(String("kestro://external/"))) {
    return _baseDir + String("/external/") + path.Slice(18);
  }
  return String();
}

FILE* RvGame::OpenFile(String path, String mode) {
  String real = PathToFilePath(path);
  if (real.Empty()) return nullptr;
  return platform::OpenFile(real, mode);
}

String RvGame::LoadString(String path) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return String();
  String text = String::Load(f);
  std::fclose(f);
  return text;
}

unsigned char* RvGame::LoadData(String path, int* plength) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return nullptr;
  std::size_t size = 0;
  unsigned char* data = read_all(f, &size, kMaxDataBytes);
  std::fclose(f);
  if (!data) return nullptr;
  *plength = (int)size;
  gc_ext_malloced((long long)size);
  return data;
}

unsigned char* RvGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return nullptr;
  // Refuse anything that is not a PNG before reading the rest of it.
  unsigned char head[8];
  std::size_t size = std::fread(head, 1, sizeof head, f);
  unsigned char* bytes = nullptr;
  if (size == sizeof head && IsPngSignature(head, size)) {
    bytes = read_all(f, &size, kMaxImageFileBytes, head, sizeof head);
  }
  std::fclose(f);
  if (!bytes) return nullptr;
  unsigned char* pixels = DecodePng(bytes, size, width, height, depth);
  std::free(bytes);
  if (pixels) gc_ext_malloced((long long)*width * *height * *depth);
  return pixels;
}

unsigned char* RvGlfwGame::LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return nullptr;
  unsigned char* data = nullptr;
  if (ends_with_ci(path, ".wav")) {
    data = LoadWAV(f, length, channels, format, hertz);
  } else if (ends_with_ci(path, ".ogg")) {
    data = LoadOGG(f, length, channels, format, hertz);
  }
  std::fclose(f);
  if (data) gc_ext_malloced((long long)*length * *channels * *format);
  return data;
}

int RvGame::SaveState(String state) {
  std::string bytes = state.ToUtf8();
  return platform::WriteFileAtomically(PathToFilePath(String(kStateFileName)), bytes.data(),
                                       bytes.size());
}

String RvGame::LoadState() {
  FILE* f = OpenFile(String(kStateFileName), String("rb"));
  if (!f) return String();
  String text = String::Load(f);
  std::fclose(f);
  return text;
}
