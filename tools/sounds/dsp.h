// Signal-building blocks of the sound generator: oscillators, envelopes,
// noise, filters and the two send effects (delay, reverb).
//
// Everything is plain float arithmetic driven by explicit state, with no
// clock or global randomness, so the same build always makes the same
// samples. Oscillators are band-limited with polyBLEP corrections (cheap and
// good enough below a quarter of the sample rate, which is where our notes
// live); filters are the trapezoidal state-variable kind, which stays stable
// while its cutoff is swept every block.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace sounds {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

inline float MidiToHz(float note) { return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f); }
inline float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

// xorshift32: a small deterministic noise source; each voice seeds its own.
class Noise {
 public:
  explicit Noise(uint32_t seed = 0x9e3779b9u) : state_(seed ? seed : 1u) {}
  uint32_t NextU32() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [-1, 1).
  float Next() { return static_cast<float>(NextU32() >> 8) * (2.0f / 16777216.0f) - 1.0f; }
  // Uniform in [0, 1).
  float Unit() { return static_cast<float>(NextU32() >> 8) * (1.0f / 16777216.0f); }

 private:
  uint32_t state_;
};

// Phase accumulator with band-limited waveforms. Phase runs 0..1.
class Osc {
 public:
  explicit Osc(float phase = 0.0f) : phase_(phase) {}
  // One sample at frequency `hz`; the phase advances afterwards.
  float Sine(float hz, float sr) { return Advance(hz, sr, std::sin(kTwoPi * phase_)); }
  float Saw(float hz, float sr) {
    float dt = hz / sr;
    return Advance(hz, sr, 2.0f * phase_ - 1.0f - Blep(phase_, dt));
  }
  // Pulse with duty `width` (0.5 = square).
  float Pulse(float hz, float sr, float width) {
    float dt = hz / sr;
    float v = phase_ < width ? 1.0f : -1.0f;
    v += Blep(phase_, dt);
    float shifted = phase_ + (1.0f - width);
    if (shifted >= 1.0f) shifted -= 1.0f;
    v -= Blep(shifted, dt);
    return Advance(hz, sr, v);
  }
  // Harmonics fall as 1/n^2, so the naive shape aliases very little.
  float Triangle(float hz, float sr) {
    float v = phase_ < 0.5f ? 4.0f * phase_ - 1.0f : 3.0f - 4.0f * phase_;
    return Advance(hz, sr, v);
  }
  float phase() const { return phase_; }

 private:
  static float Blep(float t, float dt) {
    if (dt <= 0.0f) return 0.0f;
    if (t < dt) {
      t /= dt;
      return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
      t = (t - 1.0f) / dt;
      return t * t + t + t + 1.0f;
    }
    return 0.0f;
  }
  float Advance(float hz, float sr, float value) {
    phase_ += hz / sr;
    phase_ -= std::floor(phase_);
    return value;
  }
  float phase_;
};

// Attack-decay-sustain-release, evaluated from the time since the note
// started and the time it was held. Attack is linear (no click above 1 ms),
// decay and release are exponential in shape but reach exactly 0 at the end
// of the release so a voice can stop rendering there.
struct Adsr {
  float attack = 0.005f;   // seconds
  float decay = 0.1f;      // seconds to fall ~95% of the way to sustain
  float sustain = 0.7f;    // level
  float release = 0.1f;    // seconds to silence after note off

  float At(float t, float held) const;
  float Length(float held) const { return held + release; }
};

// Trapezoidal (zero-delay feedback) state-variable filter.
class Svf {
 public:
  void Set(float cutoff_hz, float q, float sr);
  // Processes one sample; low/band/high outputs are then readable.
  void Run(float in);
  float low() const { return low_; }
  float band() const { return band_; }
  float high() const { return high_; }
  void Reset() { ic1_ = ic2_ = low_ = band_ = high_ = 0.0f; }

 private:
  float a1_ = 0, a2_ = 0, a3_ = 0, k_ = 1;
  float ic1_ = 0, ic2_ = 0;
  float low_ = 0, band_ = 0, high_ = 0;
};

// First-order lowpass and DC-blocking highpass.
class OnePole {
 public:
  void SetLowpass(float cutoff_hz, float sr) { a_ = std::exp(-kTwoPi * cutoff_hz / sr); }
  float Low(float in) {
    z_ = in + a_ * (z_ - in);
    return z_;
  }

 private:
  float a_ = 0, z_ = 0;
};

class DcBlocker {
 public:
  void Set(float cutoff_hz, float sr) { r_ = 1.0f - kTwoPi * cutoff_hz / sr; }
  float Run(float in) {
    float out = in - x1_ + r_ * y1_;
    x1_ = in;
    y1_ = out;
    return out;
  }

 private:
  float r_ = 0.995f, x1_ = 0, y1_ = 0;
};

// Stereo ping-pong delay with a darkening feedback path.
class PingPongDelay {
 public:
  PingPongDelay(float seconds, float feedback, float tone_hz, float sr);
  // Adds the wet output of a mono send to (l, r).
  void Run(float send, float& l, float& r);

 private:
  std::vector<float> left_, right_;
  size_t pos_ = 0;
  float feedback_;
  OnePole tone_l_, tone_r_;
};

// A small room: parallel damped combs into series allpasses per channel,
// the right channel with slightly longer lines for width.
class Reverb {
 public:
  Reverb(float size, float damping, float sr);
  void Run(float send, float& l, float& r);

 private:
  struct Comb {
    std::vector<float> buf;
    size_t pos = 0;
    float store = 0;
  };
  struct Allpass {
    std::vector<float> buf;
    size_t pos = 0;
  };
  float Channel(std::vector<Comb>& combs, std::vector<Allpass>& passes, float in);
  std::vector<Comb> combs_l_, combs_r_;
  std::vector<Allpass> passes_l_, passes_r_;
  float feedback_, damp_;
};

// Equal-power pan: -1 left, 0 centre, +1 right.
inline void PanGains(float pan, float& gl, float& gr) {
  float a = (pan + 1.0f) * 0.25f * kPi;
  gl = std::cos(a);
  gr = std::sin(a);
}

}  // namespace sounds
