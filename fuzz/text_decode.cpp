// Text-file decoding (state file and every text file): any bytes give a
// string whose length is bounded by the input, and re-encoding never fails.
#include <cstddef>
#include <cstdint>

#include "runtime/kestro.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  String s = String::FromBytes(data, size);
  if ((size_t)s.Length() > size) __builtin_trap();
  (void)s.ToUtf8();
  return 0;
}
