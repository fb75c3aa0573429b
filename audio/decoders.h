// Sound file decoders used by the host's LoadAudioData: whole file to
// interleaved PCM in one malloc'ed block, with its length in sample frames,
// channel count, bytes per sample and rate; null when the file is refused.
//
// Both readers take a FILE* positioned at the start of the file and leave it
// open. Outside input is checked before anything is allocated: a reader never
// allocates much more than the file actually holds (WAV) or than
// kMaxDecodedBytes (Ogg), and refuses any header whose numbers disagree.
#pragma once

#include <cstddef>
#include <cstdio>

// Largest PCM block either reader gives: 256 MiB is about 25 minutes of
// 44.1 kHz 16-bit stereo, far beyond any game sound or tune.
constexpr std::size_t kMaxDecodedBytes = std::size_t(256) << 20;

// RIFF/WAVE with uncompressed PCM (8, 16, 24 or 32 bits; format = bytes per
// sample). 8-bit data is unsigned, wider data signed little-endian, as stored.
unsigned char* LoadWAV(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz);

// Ogg Vorbis through libvorbisfile, decoded whole to signed 16-bit
// little-endian samples (format 2).
unsigned char* LoadOGG(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz);

namespace audio_detail {
// LoadOGG with its own cap on the decoded size (tests and fuzzing use a
// small one).
unsigned char* LoadOGGLimited(FILE* f, int* plength, int* pchannels, int* pformat, int* phertz,
                              std::size_t max_bytes);
}  // namespace audio_detail
