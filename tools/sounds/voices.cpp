// The instruments' voices. Index:
//   >>helpers   length, fades, the shared metallic source
//   >>tonal     lead, bass, pluck, pad, mallet, bell, chip
//   >>drums     kick, snare, hat, clap, tom, shaker, woodblock, crash
//   >>dispatch  RenderVoice
//
// Every voice ends with a short fade to exact zero, so a voice cut off at
// its computed length never clicks.
#include "voices.h"

#include <algorithm>
#include <cmath>

#include "dsp.h"

namespace sounds {

namespace {

// ---- >>helpers ------------------------------------------------------------

constexpr float kEndFade = 0.006f;  // seconds of fade to zero at a voice's end
constexpr int kFilterBlock = 16;    // samples between filter cutoff updates

std::vector<float> Buffer(float seconds, int sr) {
  return std::vector<float>(static_cast<size_t>(std::max(1.0f, seconds * sr)), 0.0f);
}

float AttackOr(const Instrument& in, float fallback) { return in.attack > 0 ? in.attack : fallback; }

void FadeEnd(std::vector<float>& out, int sr) {
  size_t n = std::min(out.size(), static_cast<size_t>(kEndFade * sr));
  for (size_t i = 0; i < n; ++i) out[out.size() - 1 - i] *= static_cast<float>(i) / n;
}

// e^(-t/tau): every decay below is written with its time constant.
inline float Decay(float t, float tau) { return std::exp(-t / tau); }

// Six detuned pulses: the inharmonic ring under hats and cymbals.
class Metal {
 public:
  explicit Metal(float scale) {
    static const float kHz[] = {317.0f, 447.0f, 531.0f, 691.0f, 823.0f, 1029.0f};
    for (int i = 0; i < 6; ++i) hz_[i] = kHz[i] * scale;
  }
  float Next(float sr) {
    float sum = 0;
    for (int i = 0; i < 6; ++i) sum += osc_[i].Pulse(hz_[i], sr, 0.5f);
    return sum / 6.0f;
  }

 private:
  float hz_[6];
  Osc osc_[6];
};

// ---- >>tonal --------------------------------------------------------------

std::vector<float> Lead(const Instrument& in, float hz, float vel, float held, int sr) {
  Adsr env{AttackOr(in, 0.006f), in.decay, 0.55f, in.release};
  auto out = Buffer(env.Length(held), sr);
  Osc a, b(0.37f);
  Svf filter;
  float det = std::pow(2.0f, in.detune / 1200.0f);
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float vib_in = std::clamp((t - 0.18f) / 0.25f, 0.0f, 1.0f);
    float f = hz * std::pow(2.0f, in.vibrato * vib_in * std::sin(kTwoPi * 5.5f * t) / 12.0f);
    float x = 0.6f * a.Pulse(f, sr, in.width) + 0.4f * b.Saw(f * det, sr);
    if (i % kFilterBlock == 0) {
      float cutoff = hz * (1.5f + 5.0f * in.bright * Decay(t, 0.12f)) + 900.0f * in.bright;
      filter.Set(cutoff, 0.9f, static_cast<float>(sr));
    }
    filter.Run(x);
    out[i] = filter.low() * env.At(t, held) * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Bass(const Instrument& in, float hz, float vel, float held, int sr) {
  Adsr env{0.003f, in.decay, 0.5f, in.release};
  auto out = Buffer(env.Length(held), sr);
  Osc saw, sq(0.5f), sub;
  Svf filter;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float x = 0.55f * saw.Saw(hz, sr) + 0.3f * sq.Pulse(hz * 1.003f, sr, in.width);
    if (i % kFilterBlock == 0) {
      float cutoff = hz * (1.8f + 9.0f * in.bright * Decay(t, in.decay * 0.5f));
      filter.Set(cutoff, 1.3f, static_cast<float>(sr));
    }
    filter.Run(x);
    out[i] = (filter.low() + 0.55f * sub.Sine(hz, sr)) * env.At(t, held) * vel;
  }
  FadeEnd(out, sr);
  return out;
}

// Karplus-Strong with an allpass for exact tuning: the averaging loop filter
// delays half a sample, the allpass supplies the fraction the integer line
// cannot.
std::vector<float> Pluck(const Instrument& in, float hz, float vel, float held, int sr, Noise& noise) {
  float ring = std::min(held, in.decay * 1.2f);
  auto out = Buffer(ring + in.release + kEndFade, sr);
  float period = static_cast<float>(sr) / hz;
  int m = static_cast<int>(std::floor(period - 0.5f - 0.1f));
  if (m < 2) m = 2;
  float frac = period - 0.5f - m;
  float c = (1.0f - frac) / (1.0f + frac);
  std::vector<float> line(static_cast<size_t>(m), 0.0f);
  // Excitation: one period of noise, darker when less bright (two poles,
  // so a dull pluck has no hiss left), without DC.
  OnePole tone1, tone2;
  float cutoff = std::min(hz * (2.0f + 10.0f * in.bright), sr * 0.45f);
  tone1.SetLowpass(cutoff, static_cast<float>(sr));
  tone2.SetLowpass(cutoff, static_cast<float>(sr));
  float mean = 0;
  for (float& v : line) {
    v = tone2.Low(tone1.Low(noise.Next()));
    mean += v;
  }
  mean /= m;
  for (float& v : line) v -= mean;
  float loss = std::pow(0.001f, 1.0f / (hz * std::max(in.decay, 0.01f)));
  float prev = 0, ap_x1 = 0, ap_y1 = 0;
  size_t pos = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float cur = line[pos];
    float avg = 0.5f * (cur + prev) * loss;
    prev = cur;
    float ap = c * avg + ap_x1 - c * ap_y1;
    ap_x1 = avg;
    ap_y1 = ap;
    line[pos] = ap;
    if (++pos == line.size()) pos = 0;
    float gate = t < ring ? 1.0f : std::max(0.0f, 1.0f - (t - ring) / in.release);
    out[i] = cur * gate * vel * 1.6f;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Pad(const Instrument& in, float hz, float vel, float held, int sr, Noise& noise) {
  Adsr env{AttackOr(in, 0.12f), 0.6f, 0.8f, in.release};
  auto out = Buffer(env.Length(held), sr);
  float det = std::pow(2.0f, in.detune / 1200.0f);
  Osc o1(noise.Unit()), o2(noise.Unit()), o3(noise.Unit());
  Svf filter;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float x = (o1.Saw(hz, sr) + o2.Saw(hz * det, sr) + o3.Saw(hz / det, sr)) / 3.0f;
    if (i % kFilterBlock == 0) {
      float cutoff = hz * 1.5f + 700.0f * in.bright * (1.0f + 0.25f * std::sin(kTwoPi * 0.7f * t));
      filter.Set(cutoff, 0.75f, static_cast<float>(sr));
    }
    filter.Run(x);
    out[i] = filter.low() * env.At(t, held) * vel;
  }
  FadeEnd(out, sr);
  return out;
}

// Wooden bar: a fundamental and two inharmonic partials that die quickly.
std::vector<float> Mallet(const Instrument& in, float hz, float vel, float held, int sr) {
  float len = std::min(in.decay * 5.0f, held + in.decay * 2.5f);
  auto out = Buffer(len, sr);
  Osc p1, p2, p3;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float attack = std::min(1.0f, t / 0.0015f);
    float damp = t < held ? 1.0f : Decay(t - held, in.release + 0.02f);
    float x = p1.Sine(hz, sr) * Decay(t, in.decay) +
              0.4f * in.bright * p2.Sine(hz * 3.93f, sr) * Decay(t, in.decay * 0.22f) +
              0.15f * in.bright * p3.Sine(hz * 9.2f, sr) * Decay(t, in.decay * 0.06f);
    out[i] = x * attack * damp * vel;
  }
  FadeEnd(out, sr);
  return out;
}

// Two-operator FM at a 3.5 ratio: a bell whose brightness fades first.
std::vector<float> Bell(const Instrument& in, float hz, float vel, float held, int sr) {
  float len = std::min(in.decay * 5.0f, held + in.decay * 3.0f);
  auto out = Buffer(len, sr);
  float carrier = 0, mod = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float index = in.bright * 2.2f * Decay(t, in.decay * 0.35f);
    float x = std::sin(kTwoPi * carrier + index * std::sin(kTwoPi * mod));
    carrier += hz / sr;
    carrier -= std::floor(carrier);
    mod += hz * 3.5f / sr;
    mod -= std::floor(mod);
    float attack = std::min(1.0f, t / 0.002f);
    float damp = t < held ? 1.0f : Decay(t - held, in.release + 0.05f);
    out[i] = x * attack * Decay(t, in.decay) * damp * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Chip(const Instrument& in, float hz, float vel, float held, int sr) {
  Adsr env{0.002f, in.decay, 0.25f, in.release};
  auto out = Buffer(env.Length(held), sr);
  Osc o;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    out[i] = o.Pulse(hz, sr, in.width) * env.At(t, held) * vel * 0.6f;
  }
  FadeEnd(out, sr);
  return out;
}

// ---- >>drums --------------------------------------------------------------

std::vector<float> Kick(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(in.decay * 5.0f, sr);
  float phase = 0;
  Svf click;
  click.Set(3000.0f, 0.7f, static_cast<float>(sr));
  const float drive = 1.8f;
  const float norm = std::tanh(drive);
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float f = 46.0f + 120.0f * in.bright * Decay(t, 0.03f);
    phase += f / sr;
    float body = std::sin(kTwoPi * phase) * Decay(t, in.decay);
    click.Run(noise.Next());
    float x = body + 0.35f * click.high() * Decay(t, 0.0025f);
    out[i] = std::tanh(drive * x) / norm * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Snare(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(in.decay * 5.0f, sr);
  float phase = 0;
  Svf band;
  band.Set(2400.0f * in.bright, 0.6f, static_cast<float>(sr));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    phase += (180.0f + 70.0f * Decay(t, 0.015f)) / sr;
    float tone = std::sin(kTwoPi * phase) * Decay(t, 0.05f);
    band.Run(noise.Next());
    float rattle = (band.band() + 0.4f * band.high()) * Decay(t, in.decay);
    out[i] = (0.55f * tone + 0.9f * rattle) * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Hat(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(in.decay * 5.0f, sr);
  Metal metal(1.6f * in.bright);
  Svf hp1, hp2;
  hp1.Set(7000.0f, 0.7f, static_cast<float>(sr));
  hp2.Set(7000.0f, 0.7f, static_cast<float>(sr));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float x = 0.6f * metal.Next(static_cast<float>(sr)) + 0.5f * noise.Next();
    hp1.Run(x);
    hp2.Run(hp1.high());
    float attack = std::min(1.0f, t / 0.0008f);
    out[i] = hp2.high() * attack * Decay(t, in.decay) * vel * 1.4f;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Clap(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(0.03f + in.decay * 5.0f, sr);
  Svf band;
  band.Set(1200.0f * in.bright, 1.1f, static_cast<float>(sr));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    // Three quick slaps, then the room tail.
    float env = 0;
    for (int k = 0; k < 3; ++k) {
      float s = t - k * 0.0095f;
      if (s >= 0) env = std::max(env, Decay(s, 0.004f));
    }
    if (t >= 0.028f) env = std::max(env, 0.6f * Decay(t - 0.028f, in.decay));
    band.Run(noise.Next());
    out[i] = band.band() * env * vel * 2.0f;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Tom(const Instrument& in, float hz, float vel, int sr, Noise& noise) {
  auto out = Buffer(in.decay * 5.0f, sr);
  float phase = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    phase += hz * (1.0f + 0.5f * Decay(t, 0.04f)) / sr;
    float x = std::sin(kTwoPi * phase) * Decay(t, in.decay) + 0.2f * noise.Next() * Decay(t, 0.008f);
    out[i] = x * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Shaker(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(0.012f + in.decay * 5.0f, sr);
  Svf hp;
  hp.Set(5200.0f * in.bright, 0.8f, static_cast<float>(sr));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float env = t < 0.012f ? t / 0.012f : Decay(t - 0.012f, in.decay);
    hp.Run(noise.Next());
    out[i] = hp.high() * env * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Woodblock(const Instrument& in, float hz, float vel, int sr) {
  auto out = Buffer(in.decay * 5.0f, sr);
  Osc a, b;
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float attack = std::min(1.0f, t / 0.0005f);
    float x = a.Sine(hz, sr) * Decay(t, in.decay) + 0.45f * b.Sine(hz * 2.63f, sr) * Decay(t, in.decay * 0.4f);
    out[i] = x * attack * vel;
  }
  FadeEnd(out, sr);
  return out;
}

std::vector<float> Crash(const Instrument& in, float vel, int sr, Noise& noise) {
  auto out = Buffer(in.decay * 4.0f, sr);
  Metal metal(2.3f * in.bright);
  Svf hp;
  hp.Set(4500.0f, 0.7f, static_cast<float>(sr));
  for (size_t i = 0; i < out.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    hp.Run(0.45f * metal.Next(static_cast<float>(sr)) + 0.7f * noise.Next());
    float attack = std::min(1.0f, t / 0.002f);
    out[i] = hp.high() * attack * Decay(t, in.decay) * vel;
  }
  FadeEnd(out, sr);
  return out;
}

}  // namespace

// ---- >>dispatch -----------------------------------------------------------

std::vector<float> RenderVoice(const Instrument& inst, float hz, float velocity, float held,
                               int sr, uint32_t seed) {
  Noise noise(seed * 2654435761u + 12345u);
  switch (inst.voice) {
    case Voice::kLead: return Lead(inst, hz, velocity, held, sr);
    case Voice::kBass: return Bass(inst, hz, velocity, held, sr);
    case Voice::kPluck: return Pluck(inst, hz, velocity, held, sr, noise);
    case Voice::kPad: return Pad(inst, hz, velocity, held, sr, noise);
    case Voice::kMallet: return Mallet(inst, hz, velocity, held, sr);
    case Voice::kBell: return Bell(inst, hz, velocity, held, sr);
    case Voice::kChip: return Chip(inst, hz, velocity, held, sr);
    case Voice::kKick: return Kick(inst, velocity, sr, noise);
    case Voice::kSnare: return Snare(inst, velocity, sr, noise);
    case Voice::kHat: return Hat(inst, velocity, sr, noise);
    case Voice::kClap: return Clap(inst, velocity, sr, noise);
    case Voice::kTom: return Tom(inst, hz, velocity, sr, noise);
    case Voice::kShaker: return Shaker(inst, velocity, sr, noise);
    case Voice::kWoodblock: return Woodblock(inst, hz, velocity, sr);
    case Voice::kCrash: return Crash(inst, velocity, sr, noise);
  }
  return {};
}

}  // namespace sounds
