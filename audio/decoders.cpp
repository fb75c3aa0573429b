// The WAV and Ogg Vorbis readers behind the host's LoadAudioData.
//
// WAV: "RIFF", size, "WAVE", then the "fmt " chunk right away (as the files
// we ship are written), uncompressed PCM only, then chunks until "data".
// Decisions beyond the bare format, all because the bytes come from outside:
//  - 0 channels, a sample width that is not 8/16/24/32 bits, a block size
//    that disagrees with channels x width, a rate of 0 or a fmt chunk shorter
//    than 16 bytes are refused;
//  - at most kMaxChunks chunks are examined before "data";
//  - skipped chunks are read through a small scratch buffer, never into
//    memory, and the data block grows only as bytes actually arrive, so a
//    size field that lies costs no more than the file holds;
//  - a data chunk above kMaxDecodedBytes or cut short by the end of the file
//    is refused. A data size that is not a whole number of frames keeps its
//    trailing bytes in the block; length counts whole frames.
//  Limit: chunks are not padded to even sizes (writers we meet never write an
//  odd chunk before "data").
//
// Ogg: libvorbisfile in its streaming mode (no seeking: only the bytes
// before the end of the sound are read), our own read callback and no close
// callback, so the caller's FILE* stays open. Decoding stops at the end of
// the stream, at a decode error (what came before is kept) or where a chained
// stream changes its channel count or rate; a result above the size cap is
// refused whole rather than cut.
#include "audio/decoders.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// ---- Tunables ---------------------------------------------------------------
constexpr int kMaxChunks = 1024;                       // chunks searched for "data"
constexpr std::size_t kSkipBlock = 4096;               // scratch for skipped chunks
constexpr std::size_t kFirstDataBlock = 64 << 10;      // data read before the block grows
constexpr std::size_t kOggStepFrames = 4096;           // room kept free per decode call
constexpr int kMaxOggHoles = 64;                       // consecutive gaps before giving up

// ---- Little-endian reads ----------------------------------------------------
bool read_exact(FILE* f, void* dst, std::size_t n) { return std::fread(dst, 1, n, f) == n; }

bool read_u16(FILE* f, unsigned* v) {
  unsigned char b[2];
  if (!read_exact(f, b, 2)) return false;
  *v = b[0] | (unsigned)b[1] << 8;
  return true;
}

bool read_u32(FILE* f, std::uint32_t* v) {
  unsigned char b[4];
  if (!read_exact(f, b, 4)) return false;
  *v = b[0] | (std::uint32_t)b[1] << 8 | (std::uint32_t)b[2] << 16 | (std::uint32_t)b[3] << 24;
  return true;
}

bool expect_tag(FILE* f, const char* tag) {
  char got[4];
  return read_exact(f, got, 4) && std::memcmp(got, tag, 4) == 0;
}

// Reads past n bytes; false when the file ends first.
bool skip(FILE* f, std::uint32_t n) {
  unsigned char scratch[kSkipBlock];
  while (n > 0) {
    std::size_t step = std::min<std::size_t>(n, sizeof scratch);
    if (!read_exact(f, scratch, step)) return false;
    n -= (std::uint32_t)step;
  }
  return true;
}

// Reads exactly n bytes into a new block; null when the file ends first or
// the heap says no. The block doubles as the bytes arrive.
unsigned char* read_block(FILE* f, std::size_t n) {
  std::size_t cap = std::min(n, kFirstDataBlock);
  unsigned char* buf = static_cast<unsigned char*>(std::malloc(cap > 0 ? cap : 1));
  if (!buf) return nullptr;
  std::size_t got = 0;
  while (got < n) {
    if (got == cap) {
      std::size_t bigger = std::min(cap * 2, n);
      unsigned char* grown = static_cast<unsigned char*>(std::realloc(buf, bigger));
      if (!grown) break;
      buf = grown;
      cap = bigger;
    }
    std::size_t want = cap - got;
    std::size_t r = std::fread(buf + got, 1, want, f);
    got += r;
    if (r < want) break;
  }
  if (got < n) {
    std::free(buf);
    return nullptr;
  }
  return buf;
}

size_t ogg_read(void* ptr, size_t size, size_t nmemb, void* source) {
  return std::fread(ptr, size, nmemb, static_cast<FILE*>(source));
}

}  // namespace

// ---- WAV --------------------------------------------------------------------
unsigned char* LoadWAV(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz) {
  std::uint32_t riff_size, fmt_size, hertz, byte_rate;
  unsigned audio_format, channels, block_align, bits;
  if (!f) return nullptr;
  if (!expect_tag(f, "RIFF") || !read_u32(f, &riff_size) || !expect_tag(f, "WAVE") ||
      !expect_tag(f, "fmt ")) {
    return nullptr;
  }
  if (!read_u32(f, &fmt_size) || fmt_size < 16) return nullptr;
  if (!read_u16(f, &audio_format) || audio_format != 1) return nullptr;
  if (!read_u16(f, &channels) || !read_u32(f, &hertz) || !read_u32(f, &byte_rate) ||
      !read_u16(f, &block_align) || !read_u16(f, &bits)) {
    return nullptr;
  }
  if (channels == 0 || bits == 0 || bits % 8 != 0 || bits > 32) return nullptr;
  const unsigned format = bits >> 3;
  if (block_align != channels * format) return nullptr;
  if (hertz == 0 || hertz > (std::uint32_t)INT_MAX) return nullptr;
  if (!skip(f, fmt_size - 16)) return nullptr;

  for (int i = 0; i < kMaxChunks; ++i) {
    char tag[4];
    std::uint32_t size;
    if (!read_exact(f, tag, 4) || !read_u32(f, &size)) return nullptr;
    if (std::memcmp(tag, "data", 4) != 0) {
      if (!skip(f, size)) return nullptr;
      continue;
    }
    if (size > kMaxDecodedBytes) return nullptr;
    unsigned char* data = read_block(f, size);
    if (!data) return nullptr;
    *plength = (int)(size / block_align);
    *pchannels = (int)channels;
    *pformat = (int)format;
    *phertz = (int)hertz;
    return data;
  }
  return nullptr;
}

// ---- Ogg Vorbis -------------------------------------------------------------
unsigned char* LoadOGG(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz) {
  return audio_detail::LoadOGGLimited(f, plength, pchannels, pformat, phertz, kMaxDecodedBytes);
}

unsigned char* audio_detail::LoadOGGLimited(FILE* f, int* plength, int* pchannels, int* pformat,
                                            int* phertz, std::size_t max_bytes) {
  if (!f) return nullptr;
  OggVorbis_File vf;
  ov_callbacks callbacks = {ogg_read, nullptr, nullptr, nullptr};
  if (ov_open_callbacks(f, &vf, nullptr, 0, callbacks) != 0) return nullptr;

  vorbis_info* info = ov_info(&vf, -1);
  if (!info || info->channels < 1 || info->rate < 1 || info->rate > INT_MAX) {
    ov_clear(&vf);
    return nullptr;
  }
  const int channels = info->channels;
  const long rate = info->rate;
  const std::size_t frame_bytes = (std::size_t)channels * 2;
  const std::size_t step = frame_bytes * kOggStepFrames;
  const std::size_t most = max_bytes + step;  // largest block we ever hold

  std::size_t cap = step, used = 0;
  unsigned char* buf = static_cast<unsigned char*>(std::malloc(cap));
  bool ok = buf != nullptr;
  int holes = 0;
  while (ok) {
    if (cap - used < step) {
      std::size_t bigger = std::min(cap * 2, most);
      unsigned char* grown = static_cast<unsigned char*>(std::realloc(buf, bigger));
      if (!grown) {
        ok = false;
        break;
      }
      buf = grown;
      cap = bigger;
    }
    int link = 0;
    int room = (int)std::min<std::size_t>(cap - used, INT_MAX / 2);
    long n = ov_read(&vf, reinterpret_cast<char*>(buf + used), room, 0, 2, 1, &link);
    if (n == OV_HOLE) {
      if (++holes > kMaxOggHoles) break;
      continue;
    }
    if (n <= 0) break;
    holes = 0;
    vorbis_info* now = ov_info(&vf, -1);
    if (!now || now->channels != channels || now->rate != rate) break;
    used += (std::size_t)n;
    if (used > max_bytes) ok = false;
  }
  ov_clear(&vf);
  if (!ok) {
    std::free(buf);
    return nullptr;
  }

  unsigned char* shrunk = static_cast<unsigned char*>(std::realloc(buf, used > 0 ? used : 1));
  if (shrunk) buf = shrunk;
  *plength = (int)(used / frame_bytes);
  *pchannels = channels;
  *pformat = 2;
  *phertz = (int)rate;
  return buf;
}
