// Hearing what OpenAL Soft mixed: its wave writer writes the device's output
// to a WAV file in real time (configured before the first device opens).
// Times are seconds of mixed sound, read from the file's length: the mixer's
// own clock.
#pragma once

#include <string>
#include <vector>

#include "support/process.h"

namespace testing_support {

class AudioCapture {
 public:
  // Names the wave writer (44.1 kHz stereo float, at most `sources`
  // sources when > 0) for this process; gives the capture's path.
  static std::string Configure(const std::string& dir, int sources = 0);
  explicit AudioCapture(std::string path) : path_(std::move(path)) {}
  double Now() const;                    // seconds written so far
  double WaitFor(double seconds) const;  // until that much more is written
  bool Load();                           // every frame written so far
  double Duration() const { return (double)left_.size() / 44100; }
  const std::vector<float>& Left() const { return left_; }  // after Load
  // Over [from, to) seconds; channel 0 left, 1 right, -1 both.
  double Rms(double from, double to, int channel = -1) const;
  // Amplitude of the `hertz` component: about a pure sine's amplitude.
  double ToneLevel(double hertz, double from, double to, int channel = -1) const;

 private:
  std::string path_;
  std::vector<float> left_, right_;
};

// sox -r RATE -c CHANNELS -n -b BITS PATH synth SYNTH ("0.3 sine 440 vol 0.5").
bool MakeSound(const std::string& path, int rate, int channels, int bits, const std::string& synth);

}  // namespace testing_support
