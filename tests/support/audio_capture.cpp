#include "support/audio_capture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace testing_support {

std::string AudioCapture::Configure(const std::string& dir, int sources) {
  std::string wav = dir + "/capture.wav", conf = dir + "/alsoft.conf";
  std::ofstream(conf) << "[general]\ndrivers=wave\nfrequency=44100\nchannels=stereo\nsample-type=float32\n"
                      << "hrtf=false\n" << (sources > 0 ? "sources=" + std::to_string(sources) + "\n" : "")
                      << "[wave]\nfile=" << wav << "\n";
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  setenv("ALSOFT_DRIVERS", "wave", 1);  // outranks any user configuration
  return wav;
}

double AudioCapture::Now() const {
  struct stat st;  // a 68-byte header, then 8 bytes a frame
  return stat(path_.c_str(), &st) != 0 || st.st_size < 68 ? 0 : (double)(st.st_size - 68) / (8.0 * 44100);
}

double AudioCapture::WaitFor(double seconds) const {
  double target = Now() + seconds;
  WaitUntil([&] { return Now() >= target; }, 30);
  return Now();
}

bool AudioCapture::Load() {
  std::string bytes = ReadFile(path_);  // sizes stay 0 until the device closes: find the chunks
  std::size_t fmt = bytes.find("fmt "), data = bytes.find("data") + 8;
  if (bytes.compare(0, 4, "RIFF") != 0 || fmt > 200 || data > 208 || bytes[fmt + 10] != 2 || bytes[fmt + 22] != 32)
    return false;
  std::size_t frames = (bytes.size() - data) / 8;
  left_.resize(frames);
  right_.resize(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    std::memcpy(&left_[i], &bytes[data + i * 8], 4);
    std::memcpy(&right_[i], &bytes[data + i * 8 + 4], 4);
  }
  return true;
}

double AudioCapture::Rms(double from, double to, int channel) const {
  double sum = 0;
  long long n = 0;
  for (long long i = std::max(0LL, (long long)(from * 44100)); i < std::min((long long)left_.size(), (long long)(to * 44100)); ++i) {
    if (channel != 1) sum += (double)left_[i] * left_[i], ++n;
    if (channel != 0) sum += (double)right_[i] * right_[i], ++n;
  }
  return n ? std::sqrt(sum / n) : 0;
}

double AudioCapture::ToneLevel(double hertz, double from, double to, int channel) const {
  long long a = std::max(0LL, (long long)(from * 44100)), b = std::min((long long)left_.size(), (long long)(to * 44100));
  double coeff = 2 * std::cos(2 * M_PI * hertz / 44100), s1 = 0, s2 = 0;  // Goertzel
  for (long long i = a; i < b; ++i) {
    double s = (channel == 0 ? left_[i] : channel == 1 ? right_[i] : (left_[i] + right_[i]) / 2) + coeff * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return b > a ? 2 * std::sqrt(std::max(s1 * s1 + s2 * s2 - coeff * s1 * s2, 0.0)) / (double)(b - a) : 0;
}

bool MakeSound(const std::string& path, int rate, int channels, int bits, const std::string& synth) {
  // Rate and channels on the input side too: synth makes the samples directly.
  std::vector<std::string> args = {"sox", "-r", std::to_string(rate), "-c", std::to_string(channels),
                                   "-n", "-b", std::to_string(bits), path, "synth"};
  std::istringstream words(synth);
  for (std::string w; words >> w;) args.push_back(w);
  RunResult r = RunCommand(args);
  EXPECT_EQ(r.exit_code, 0) << "sox failed for " << path << ": " << r.err;
  return r.exit_code == 0;
}

}  // namespace testing_support
