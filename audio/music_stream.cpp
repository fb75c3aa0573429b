// MusicStream: see music_stream.h.
#include "audio/music_stream.h"

#include <climits>

namespace {

constexpr int kMaxOggHoles = 64;  // consecutive gaps before giving up, as LoadOGG

size_t stream_read(void* ptr, size_t size, size_t nmemb, void* source) {
  return std::fread(ptr, size, nmemb, static_cast<FILE*>(source));
}

}  // namespace

bool MusicStream::Open(FILE* file) {
  Close();
  if (!file) return false;
  file_ = file;
  if (!Start()) {
    Close();
    return false;
  }
  vorbis_info* info = ov_info(&vf_, -1);
  if (!info || info->channels < 1 || info->rate < 1 || info->rate > INT_MAX) {
    Close();
    return false;
  }
  channels_ = info->channels;
  rate_ = info->rate;
  ended_ = false;
  return true;
}

void MusicStream::Close() {
  if (decoding_) ov_clear(&vf_);
  decoding_ = false;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  ended_ = true;
}

bool MusicStream::Start() {
  if (decoding_) ov_clear(&vf_);
  decoding_ = false;
  since_start_ = 0;
  if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
  // No close callback: the FILE* stays ours.
  ov_callbacks callbacks = {stream_read, nullptr, nullptr, nullptr};
  if (ov_open_callbacks(file_, &vf_, nullptr, 0, callbacks) != 0) return false;
  decoding_ = true;
  return true;
}

std::size_t MusicStream::Read(unsigned char* out, std::size_t bytes, bool loop) {
  std::size_t got = 0;
  int holes = 0;
  while (got < bytes && !ended_) {
    int link = 0;
    int room = (int)(bytes - got > (std::size_t)INT_MAX / 2 ? INT_MAX / 2 : bytes - got);
    long n = ov_read(&vf_, reinterpret_cast<char*>(out + got), room, 0, 2, 1, &link);
    if (n == OV_HOLE && ++holes <= kMaxOggHoles) continue;
    if (n > 0) {
      vorbis_info* now = ov_info(&vf_, -1);
      if (!now || now->channels != channels_ || now->rate != rate_) n = 0;
    }
    if (n <= 0) {
      // The end of what decodes: start again, or stop there.
      if (loop && since_start_ > 0 && Start()) continue;
      ended_ = true;
      break;
    }
    holes = 0;
    got += (std::size_t)n;
    since_start_ += (std::size_t)n;
  }
  return got;
}
