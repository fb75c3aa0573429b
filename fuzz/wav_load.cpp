// The WAV reader on arbitrary bytes, read through a FILE* as the host reads
// files: never a crash, never a large allocation (the limit below fails the
// run on any single allocation above 64 MiB, far more than any input holds),
// and a result whose numbers describe exactly the block handed out.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/decoders.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  return fuzz_support::AddDefaultFlag(argc, argv, "-malloc_limit_mb=64");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  FILE* f = fmemopen(copy.data(), size, "rb");
  if (!f) return 0;
  int length = -1, channels = -1, format = -1, hertz = -1;
  unsigned char* pcm = LoadWAV(f, &length, &channels, &format, &hertz);
  std::fclose(f);
  if (!pcm) return 0;
  if (length < 0 || channels < 1 || format < 1 || format > 4 || hertz < 1) __builtin_trap();
  size_t bytes = (size_t)length * channels * format;
  if (bytes > size) __builtin_trap();  // never more samples than the file holds
  unsigned sum = 0;
  for (size_t i = 0; i < bytes; ++i) sum += pcm[i];  // every byte is inside the block
  std::free(pcm);
  return (int)(sum & 0);
}
