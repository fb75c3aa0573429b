// The one translation unit that compiles stb_image, restricted to PNG.
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

unsigned char* DecodePng(const unsigned char* bytes, std::size_t size, int* width, int* height,
                         int* depth) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (!bytes || size < 8 || size > 0x7fffffff || std::memcmp(bytes, kSignature, 8) != 0) {
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
