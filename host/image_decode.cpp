// The one translation unit that compiles stb_image, restricted to PNG.
// The header is read with stbi_info first so the size limits of
// image_decode.h are enforced before stb allocates anything for pixels;
// 16-bit files come out as 8 bits per channel, palettes as RGB or RGBA.
#include "host/image_decode.h"

#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS kMaxImageSide
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

// Every chunk up to IEND must lie inside the buffer. stb sizes its IDAT
// buffer from the chunk length fields before it reads the data, so a
// 100-byte file claiming a 1 GiB chunk would otherwise make it reserve 1 GiB.
bool chunks_in_bounds(const unsigned char* p, std::size_t size) {
  std::size_t at = 8;
  while (size - at >= 12) {
    std::size_t len = (std::size_t)p[at] << 24 | (std::size_t)p[at + 1] << 16 |
                      (std::size_t)p[at + 2] << 8 | p[at + 3];
    if (len > size - at - 12) return false;
    if (std::memcmp(p + at + 4, "IEND", 4) == 0) return true;
    at += len + 12;
  }
  return false;
}

}  // namespace

bool IsPngSignature(const unsigned char* bytes, std::size_t size) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  return bytes && size >= 8 && std::memcmp(bytes, kSignature, 8) == 0;
}

unsigned char* DecodePng(const unsigned char* bytes, std::size_t size, int* width, int* height,
                         int* depth) {
  if (!IsPngSignature(bytes, size) || size > 0x7fffffff || !chunks_in_bounds(bytes, size)) {
    return nullptr;
  }
  int w = 0, h = 0, n = 0;
  if (!stbi_info_from_memory(bytes, (int)size, &w, &h, &n)) return nullptr;
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide ||
      (long long)w * h > kMaxImagePixels || n < 1 || n > 4) {
    return nullptr;
  }
  unsigned char* pixels = stbi_load_from_memory(bytes, (int)size, &w, &h, &n, 0);
  if (!pixels) return nullptr;
  *width = w;
  *height = h;
  *depth = n;
  return pixels;  // stb allocates with malloc: the caller frees with free()
}
