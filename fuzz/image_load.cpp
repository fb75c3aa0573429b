// PNG decoding as the host's image loader does it: any bytes either give a
// buffer of exactly width x height x depth bytes within the size limits, or
// null. Every pixel byte is read so the sanitizer checks the buffer's size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int w = -1, h = -1, d = -1;
  unsigned char* px = DecodePng(data, size, &w, &h, &d);
  if (!px) return 0;
  if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide || d < 1 || d > 4 ||
      (long long)w * h > kMaxImagePixels) {
    __builtin_trap();
  }
  std::size_t n = (std::size_t)w * h * d;
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += px[i];
  volatile unsigned sink = sum;
  (void)sink;
  std::free(px);
  return 0;
}
