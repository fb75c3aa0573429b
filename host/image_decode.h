// PNG decoding for the host's image loader, on stb_image built for PNG only.
//
// Limits: only PNG (the signature is checked before the decoder sees a
// byte); at most kMaxImageSide pixels per side and kMaxImagePixels in all,
// checked against the header before any pixel memory is taken, so a hostile
// header cannot ask for gigabytes. No conversion: depth is the file's own
// channel count (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA).
#pragma once

#include <cstddef>

constexpr int kMaxImageSide = 16384;
constexpr long long kMaxImagePixels = 32ll << 20;  // 128 MiB as RGBA

// True when the bytes begin with the 8-byte PNG signature.
bool IsPngSignature(const unsigned char* bytes, std::size_t size);

// Gives a malloc'ed block of width x height x depth bytes, top row first, or
// null when the bytes are not an acceptable PNG.
unsigned char* DecodePng(const unsigned char* bytes, std::size_t size, int* width, int* height,
                         int* depth);
