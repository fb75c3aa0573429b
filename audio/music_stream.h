// An Ogg Vorbis tune read a little at a time, for the music channel's
// buffer queue (audio/audio_device.cpp).
//
// It decodes exactly as LoadOGG does (libvorbisfile, no seeking, signed
// 16-bit little-endian samples) and stops where LoadOGG stops: at the end of
// the stream, after too many gaps in a damaged one, or where a chained
// stream changes its channel count or rate. A looping read starts again
// from the file's beginning right there, so the loop point has no gap; a
// stream that gave nothing since its start does not loop, so a tune that
// decodes to nothing ends at once instead of spinning.
//
// Main thread only; the file stays open until Close.
#pragma once

#include <vorbis/vorbisfile.h>

#include <cstddef>
#include <cstdio>

class MusicStream {
 public:
  MusicStream() = default;
  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;
  ~MusicStream() { Close(); }

  // Takes the file (closed here on failure too); false when it is not an Ogg
  // Vorbis stream we can play.
  bool Open(FILE* file);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // True once the tune has nothing more to give.
  bool Ended() const { return ended_; }

  int Channels() const { return channels_; }
  int Rate() const { return (int)rate_; }

  // Fills up to `bytes` (a whole number of frames) and gives how many it
  // wrote; less than asked only at the end of the tune.
  std::size_t Read(unsigned char* out, std::size_t bytes, bool loop);

 private:
  bool Start();  // (re)opens the decoder at the file's beginning

  FILE* file_ = nullptr;
  OggVorbis_File vf_{};
  bool decoding_ = false;
  bool ended_ = false;
  int channels_ = 0;
  long rate_ = 0;
  std::size_t since_start_ = 0;  // bytes given since the last (re)start
};
