// Signal-building blocks: the parts that are more than one line.
#include "dsp.h"

namespace sounds {

namespace {

// Level before note off: linear attack, then exponential fall to sustain.
float HeldLevel(const Adsr& e, float t) {
  if (t < e.attack) return t / e.attack;
  float x = (t - e.attack) / (e.decay > 0 ? e.decay : 1e-4f);
  return e.sustain + (1.0f - e.sustain) * std::exp(-3.0f * x);
}

}  // namespace

float Adsr::At(float t, float held) const {
  if (t < 0) return 0;
  if (t < held) return HeldLevel(*this, t);
  float x = t - held;
  if (x >= release) return 0;
  // Exponential curve bent so it lands on exactly zero at the release end.
  constexpr float kEnd = 0.006737947f;  // exp(-5)
  float shape = (std::exp(-5.0f * x / release) - kEnd) / (1.0f - kEnd);
  return HeldLevel(*this, held) * shape;
}

void Svf::Set(float cutoff_hz, float q, float sr) {
  float limit = sr * 0.45f;
  if (cutoff_hz > limit) cutoff_hz = limit;
  if (cutoff_hz < 10.0f) cutoff_hz = 10.0f;
  float g = std::tan(kPi * cutoff_hz / sr);
  k_ = 1.0f / (q > 0.05f ? q : 0.05f);
  a1_ = 1.0f / (1.0f + g * (g + k_));
  a2_ = g * a1_;
  a3_ = g * a2_;
}

void Svf::Run(float in) {
  float v3 = in - ic2_;
  float v1 = a1_ * ic1_ + a2_ * v3;
  float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
  ic1_ = 2.0f * v1 - ic1_;
  ic2_ = 2.0f * v2 - ic2_;
  low_ = v2;
  band_ = v1;
  high_ = in - k_ * v1 - v2;
}

PingPongDelay::PingPongDelay(float seconds, float feedback, float tone_hz, float sr)
    : left_(static_cast<size_t>(seconds * sr) + 1),
      right_(static_cast<size_t>(seconds * sr) + 1),
      feedback_(feedback) {
  tone_l_.SetLowpass(tone_hz, sr);
  tone_r_.SetLowpass(tone_hz, sr);
}

void PingPongDelay::Run(float send, float& l, float& r) {
  float out_l = left_[pos_];
  float out_r = right_[pos_];
  // The send enters on the left; each echo crosses to the other side.
  left_[pos_] = send + tone_l_.Low(out_r) * feedback_;
  right_[pos_] = tone_r_.Low(out_l) * feedback_;
  if (++pos_ == left_.size()) pos_ = 0;
  l += out_l;
  r += out_r;
}

Reverb::Reverb(float size, float damping, float sr) {
  // Line lengths in samples at 44.1 kHz, mutually prime-ish.
  static const int kCombs[] = {1116, 1188, 1277, 1356, 1422, 1491};
  static const int kPasses[] = {556, 441, 341};
  constexpr int kSpread = 23;
  float scale = sr / 44100.0f;
  for (int len : kCombs) {
    Comb c;
    c.buf.assign(static_cast<size_t>(len * scale), 0.0f);
    combs_l_.push_back(c);
    c.buf.assign(static_cast<size_t>((len + kSpread) * scale), 0.0f);
    combs_r_.push_back(c);
  }
  for (int len : kPasses) {
    Allpass a;
    a.buf.assign(static_cast<size_t>(len * scale), 0.0f);
    passes_l_.push_back(a);
    a.buf.assign(static_cast<size_t>((len + kSpread) * scale), 0.0f);
    passes_r_.push_back(a);
  }
  feedback_ = 0.7f + 0.28f * size;
  damp_ = damping;
}

float Reverb::Channel(std::vector<Comb>& combs, std::vector<Allpass>& passes, float in) {
  float sum = 0;
  for (Comb& c : combs) {
    float out = c.buf[c.pos];
    c.store = out * (1.0f - damp_) + c.store * damp_;
    c.buf[c.pos] = in + c.store * feedback_;
    if (++c.pos == c.buf.size()) c.pos = 0;
    sum += out;
  }
  for (Allpass& a : passes) {
    float delayed = a.buf[a.pos];
    float out = delayed - sum;
    a.buf[a.pos] = sum + delayed * 0.5f;
    if (++a.pos == a.buf.size()) a.pos = 0;
    sum = out;
  }
  return sum;
}

void Reverb::Run(float send, float& l, float& r) {
  float in = send * 0.06f;  // the combs sum to a large gain
  l += Channel(combs_l_, passes_l_, in);
  r += Channel(combs_r_, passes_r_, in);
}

}  // namespace sounds
