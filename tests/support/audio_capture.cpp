#include "support/audio_capture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "support/process.h"

namespace testing_support {

namespace {

// The writer puts RIFF, an extensible fmt chunk and a "data" header before
// the frames; we look for that header instead of trusting sizes, which stay
// 0 until the device closes.
constexpr std::size_t kMaxHeader = 256;

std::uint32_t u32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | (unsigned char)s[at + i];
  return v;
}

}  // namespace

std::string AudioCapture::Configure(const std::string& dir, int max_sources) {
  std::string wav = dir + "/capture.wav";
  std::ostringstream conf;
  conf << "[general]\n"
       << "drivers=wave\n"
       << "frequency=44100\n"
       << "channels=stereo\n"
       << "sample-type=float32\n"
       << "hrtf=false\n";
  if (max_sources > 0) conf << "sources=" << max_sources << "\n";
  conf << "[wave]\n"
       << "file=" << wav << "\n";
  std::string conf_path = dir + "/alsoft.conf";
  WriteFile(conf_path, conf.str());
  setenv("ALSOFT_CONF", conf_path.c_str(), 1);
  // The environment outranks any user configuration for the backend choice.
  setenv("ALSOFT_DRIVERS", "wave", 1);
  return wav;
}

void DisableAudioBackends() {
  unsetenv("ALSOFT_CONF");
  setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
}

double AudioCapture::Now() const {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0 || st.st_size < (off_t)kMaxHeader / 4) return 0;
  // The header of the writer's extensible format is 68 bytes.
  const double header = 68;
  return (st.st_size - header) / (8.0 * rate_);
}

double AudioCapture::WaitFor(double seconds, double timeout) const {
  double target = Now() + seconds;
  for (double waited = 0; waited < timeout; waited += 0.02) {
    if (Now() >= target) break;
    SleepSeconds(0.02);
  }
  return Now();
}

bool AudioCapture::Load() {
  std::string bytes = ReadFile(path_);
  std::size_t limit = std::min(bytes.size(), kMaxHeader);
  std::size_t data = std::string::npos;
  for (std::size_t i = 12; i + 8 <= limit; ++i) {
    if (bytes.compare(i, 4, "data") == 0) {
      data = i + 8;
      break;
    }
  }
  std::size_t fmt = bytes.find("fmt ");
  if (bytes.compare(0, 4, "RIFF") != 0 || data == std::string::npos || fmt == std::string::npos ||
      fmt + 24 > bytes.size()) {
    return false;
  }
  unsigned channels = (unsigned char)bytes[fmt + 10] | (unsigned char)bytes[fmt + 11] << 8;
  unsigned bits = (unsigned char)bytes[fmt + 22] | (unsigned char)bytes[fmt + 23] << 8;
  rate_ = (int)u32(bytes, fmt + 12);
  if (channels != 2 || bits != 32 || rate_ <= 0) return false;
  std::size_t frames = (bytes.size() - data) / 8;
  left_.resize(frames);
  right_.resize(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    std::memcpy(&left_[i], &bytes[data + i * 8], 4);
    std::memcpy(&right_[i], &bytes[data + i * 8 + 4], 4);
  }
  return true;
}

double AudioCapture::Duration() const { return (double)left_.size() / rate_; }

double AudioCapture::Rms(double from, double to, int channel) const {
  long long a = std::max(0LL, (long long)(from * rate_));
  long long b = std::min((long long)left_.size(), (long long)(to * rate_));
  if (b <= a) return 0;
  double sum = 0;
  long long n = 0;
  for (long long i = a; i < b; ++i) {
    if (channel != 1) sum += (double)left_[i] * left_[i], ++n;
    if (channel != 0) sum += (double)right_[i] * right_[i], ++n;
  }
  return std::sqrt(sum / n);
}

double AudioCapture::ToneLevel(double hertz, double from, double to, int channel) const {
  long long a = std::max(0LL, (long long)(from * rate_));
  long long b = std::min((long long)left_.size(), (long long)(to * rate_));
  if (b <= a) return 0;
  double w = 2 * M_PI * hertz / rate_;
  double coeff = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (long long i = a; i < b; ++i) {
    double x = channel == 0 ? left_[i] : channel == 1 ? right_[i] : (left_[i] + right_[i]) / 2;
    double s = x + coeff * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0)) / (double)(b - a);
}

bool MakeSound(const std::string& path, int rate, int channels, int bits,
               const std::string& synth_and_effects) {
  // Rate and channels on the input side too, so synth makes the samples
  // directly (no resampling: sample counts stay exact).
  std::vector<std::string> args = {"sox", "-r", std::to_string(rate), "-c", std::to_string(channels),
                                   "-n",  "-b", std::to_string(bits), path, "synth"};
  std::istringstream words(synth_and_effects);
  for (std::string w; words >> w;) args.push_back(w);
  RunResult r = RunCommand(args, 60);
  if (r.exit_code != 0) {
    ADD_FAILURE() << "sox failed for " << path << ": " << r.err;
    return false;
  }
  return true;
}

}  // namespace testing_support
