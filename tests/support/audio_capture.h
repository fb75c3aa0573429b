// Hearing what OpenAL Soft mixed: its wave-writer backend writes the device's
// output to a WAV file in real time, and AudioCapture reads that file back
// (also while it is still being written) to measure loudness per ear and the
// level of a given tone over a stretch of time.
//
// OpenAL Soft reads its configuration once per process, at the first device
// open, so Configure (or DisableAudioBackends) must run before that, and each
// test that needs its own setup runs in its own process (ctest does so).
//
// Times are seconds of mixed sound since the device opened, read from the
// file's length: the mixer's own clock, so measurements stay consistent
// when the machine is slow. Only the small stdio buffer of the writer lags.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

class AudioCapture {
 public:
  // Writes an OpenAL Soft configuration into `dir` naming the wave writer
  // (44.1 kHz stereo float) and points this process at it. max_sources > 0
  // limits how many sources OpenAL will make. Returns the capture's path.
  static std::string Configure(const std::string& dir, int max_sources = 0);

  explicit AudioCapture(std::string path) : path_(std::move(path)) {}

  // Seconds of sound written so far.
  double Now() const;
  // Blocks until `seconds` more of sound have been written (at most
  // `timeout` seconds of wall time); gives the capture time reached.
  double WaitFor(double seconds, double timeout = 30) const;

  // Reads every frame written so far; false when the file is not a wave
  // writer capture.
  bool Load();
  double Duration() const;
  int Rate() const { return rate_; }

  // Measurements over [from, to) seconds; channel 0 left, 1 right, -1 both.
  double Rms(double from, double to, int channel = -1) const;
  // Amplitude of the `hertz` component (Goertzel), 0 for silence, about the
  // sine's amplitude for a pure tone.
  double ToneLevel(double hertz, double from, double to, int channel = -1) const;

 private:
  std::string path_;
  int rate_ = 44100;
  std::vector<float> left_, right_;
};

// Leaves OpenAL Soft no backend at all for this process: no device opens.
void DisableAudioBackends();

// Media made by sox: "sox -r RATE -c CHANNELS -n -b BITS PATH synth " +
// synth_and_effects (for example "0.3 sine 440 vol 0.5"; "1000s" is a length
// in samples). Fails the test (and gives false) when sox fails.
bool MakeSound(const std::string& path, int rate, int channels, int bits,
               const std::string& synth_and_effects);

}  // namespace testing_support
