// Writing the generated sound to disk: 16-bit PCM WAV for the effects and
// Ogg Vorbis (libvorbisenc) for the tunes.
//
// Samples arrive as floats in [-1, 1]; anything beyond is clamped, which the
// generator's own level checks make sure never happens. The Ogg stream uses
// a fixed serial number and no metadata that depends on time, so the same
// samples always give the same bytes.
#pragma once

#include <string>
#include <vector>

namespace sounds {

// Mono 16-bit PCM with the plain 16-byte fmt chunk. Returns false when the
// file cannot be written.
bool WriteWav(const std::string& path, const std::vector<float>& samples, int sample_rate);

// Interleaved stereo, variable bit rate at `quality` (-0.1 .. 1.0).
bool WriteOgg(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, int sample_rate, float quality,
              int serial);

}  // namespace sounds
