// The game's sound effects. Index:
//   >>canvas    mixing, finishing (fades, silence, peak)
//   >>runner    hops, lost, goal, both home
//   >>pickup    coin
//   >>ui        whoosh, jingle, confirm, blip
//   >>list      AllEffects
//
// Peak levels (dBFS) are chosen against the music's -3 dBFS peak: the
// jingle, fanfare and loss stand out; the hops and blips stay soft because
// they repeat so often.
#include "effects.h"

#include <algorithm>
#include <cmath>

#include "dsp.h"
#include "voices.h"

namespace sounds {

namespace {

// ---- >>canvas -------------------------------------------------------------

constexpr float kFadeIn = 0.001f;     // seconds; a click guard, shorter than any attack
constexpr float kFadeOut = 0.008f;    // seconds
constexpr float kSilentTail = 0.012f; // seconds of exact zeros at the end

class Canvas {
 public:
  Canvas(float seconds, int sr)
      : sr_(sr), out_(static_cast<size_t>(seconds * sr), 0.0f) {}
  float fsr() const { return static_cast<float>(sr_); }
  size_t size() const { return out_.size(); }
  float& at(size_t i) { return out_[i]; }

  void Mix(const std::vector<float>& v, float at_seconds, float gain = 1.0f) {
    size_t start = static_cast<size_t>(at_seconds * sr_);
    for (size_t i = 0; i < v.size() && start + i < out_.size(); ++i) out_[start + i] += v[i] * gain;
  }
  void Voice(const Instrument& inst, float note, float at_seconds, float held, float gain = 1.0f,
             uint32_t seed = 1) {
    Mix(RenderVoice(inst, MidiToHz(note), 1.0f, held, sr_, seed), at_seconds, gain);
  }
  // A room behind the whole effect (wet added to dry, mono sum).
  void Room(float size, float send) {
    Reverb reverb(size, 0.45f, fsr());
    DcBlocker dc;
    dc.Set(20.0f, fsr());
    for (float& v : out_) {
      float l = 0, r = 0;
      reverb.Run(v * send, l, r);
      v = dc.Run(v + 0.5f * (l + r));
    }
  }
  // Fades, the silent tail and the final peak level.
  std::vector<float> Finish(float peak_db) {
    size_t in = static_cast<size_t>(kFadeIn * sr_);
    for (size_t i = 0; i < in && i < out_.size(); ++i) out_[i] *= static_cast<float>(i) / in;
    size_t fade = std::min(out_.size(), static_cast<size_t>(kFadeOut * sr_));
    for (size_t i = 0; i < fade; ++i) out_[out_.size() - 1 - i] *= static_cast<float>(i) / fade;
    float peak = 0;
    for (float v : out_) peak = std::max(peak, std::fabs(v));
    if (peak > 0) {
      float g = DbToGain(peak_db) / peak;
      for (float& v : out_) v *= g;
    }
    out_.resize(out_.size() + static_cast<size_t>(kSilentTail * sr_), 0.0f);
    return out_;
  }

 private:
  int sr_;
  std::vector<float> out_;
};

Instrument Make(Voice v) {
  Instrument i;
  i.voice = v;
  return i;
}

// ---- >>runner -------------------------------------------------------------

// A quick upward "bop": a rounded tone sliding up into its pitch, with a
// soft footstep under it. The right runner's hop is a fourth higher and a
// little reedier, so the two are told apart even at random rates.
std::vector<float> Hop(int sr, float from_hz, float to_hz, float reed) {
  Canvas c(0.13f, sr);
  Osc tone, overtone;
  Svf tick, soften;
  tick.Set(1800.0f, 0.8f, c.fsr());
  soften.Set(3000.0f, 0.7f, c.fsr());
  Noise noise(0xb0b0u + static_cast<uint32_t>(from_hz));
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float glide = 1.0f - std::exp(-t / 0.025f);
    float hz = from_hz + (to_hz - from_hz) * glide;
    float amp = std::min(1.0f, t / 0.003f) * std::exp(-t / 0.032f);
    soften.Run(overtone.Pulse(hz, c.fsr(), 0.3f));
    float x = tone.Triangle(hz, c.fsr()) * (1.0f - reed) + soften.low() * reed * 0.6f;
    tick.Run(noise.Next());
    c.at(i) = x * amp + 0.25f * tick.band() * std::exp(-t / 0.006f);
  }
  return c.Finish(-9.0f);
}

// Falling, wobbling buzz with a crunch at the start: the runner is lost.
std::vector<float> Lost(int sr, float from_hz, float to_hz, float wobble_hz, uint32_t seed) {
  Canvas c(0.72f, sr);
  Osc osc, sub;
  Svf filter, crunch;
  crunch.Set(900.0f, 0.7f, c.fsr());
  Noise noise(seed);
  const float len = 0.7f;
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float k = std::min(1.0f, t / len);
    float hz = from_hz * std::pow(to_hz / from_hz, k) * (1.0f + 0.04f * std::sin(kTwoPi * wobble_hz * t));
    if (i % 16 == 0) filter.Set(600.0f + 3200.0f * (1.0f - k), 1.4f, c.fsr());
    filter.Run(0.6f * osc.Pulse(hz, c.fsr(), 0.5f) + 0.5f * sub.Saw(hz * 0.5f, c.fsr()));
    float amp = std::min(1.0f, t / 0.004f) * (1.0f - k) * (1.0f - k * 0.3f);
    crunch.Run(noise.Next());
    c.at(i) = filter.low() * amp + 0.8f * crunch.low() * std::exp(-t / 0.05f);
  }
  return c.Finish(-4.0f);
}

// A runner home while the other still runs: a quick rising arpeggio with a
// bell on top; left rises from C, right from the G a fifth above.
std::vector<float> Goal(int sr, float root) {
  Canvas c(0.75f, sr);
  Instrument chip = Make(Voice::kChip);
  chip.width = 0.25f;
  chip.decay = 0.09f;
  chip.release = 0.05f;
  Instrument bell = Make(Voice::kBell);
  bell.decay = 0.25f;
  const float steps[] = {0, 4, 7, 12};
  for (int i = 0; i < 4; ++i) c.Voice(chip, root + steps[i], i * 0.06f, 0.05f, 0.6f);
  c.Voice(bell, root + 24, 0.18f, 0.1f, 0.5f);
  c.Room(0.3f, 0.4f);
  return c.Finish(-5.0f);
}

// Both home: a short brass-like fanfare over a major chord.
std::vector<float> Fanfare(int sr) {
  Canvas c(1.35f, sr);
  Instrument lead = Make(Voice::kLead);
  lead.width = 0.4f;
  lead.decay = 0.2f;
  lead.release = 0.12f;
  lead.vibrato = 0.25f;
  lead.bright = 1.2f;
  Instrument pad = Make(Voice::kPad);
  pad.detune = 10;
  pad.bright = 1.2f;
  pad.release = 0.25f;
  Instrument bell = Make(Voice::kBell);
  bell.decay = 0.35f;
  // G4 G4 G4 C5 (triplet pickup), then E5 ... G5 held.
  const float t3 = 0.075f;
  c.Voice(lead, 67, 0.0f, t3 * 0.8f, 0.7f);
  c.Voice(lead, 67, t3, t3 * 0.8f, 0.7f);
  c.Voice(lead, 67, 2 * t3, t3 * 0.8f, 0.7f);
  c.Voice(lead, 72, 3 * t3, 0.14f, 0.8f);
  c.Voice(lead, 76, 3 * t3 + 0.16f, 0.12f, 0.8f);
  c.Voice(lead, 79, 3 * t3 + 0.3f, 0.55f, 0.9f);
  for (float n : {60.0f, 64.0f, 67.0f}) c.Voice(pad, n, 3 * t3 + 0.3f, 0.55f, 0.35f);
  c.Voice(bell, 84, 3 * t3 + 0.3f, 0.2f, 0.35f);
  c.Room(0.45f, 0.35f);
  return c.Finish(-3.5f);
}

// ---- >>pickup -------------------------------------------------------------

// The coin: two bright pulse notes a fourth apart, the second ringing out.
std::vector<float> Coin(int sr) {
  Canvas c(0.42f, sr);
  Osc osc;
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    bool first = t < 0.07f;
    float hz = first ? 987.77f : 1318.51f;
    float amp = first ? 1.0f : std::exp(-(t - 0.07f) / 0.1f);
    c.at(i) = osc.Pulse(hz, c.fsr(), 0.25f) * amp * std::min(1.0f, t / 0.002f);
  }
  // Soften the square edges a touch.
  Svf lp;
  lp.Set(6000.0f, 0.7f, c.fsr());
  for (size_t i = 0; i < c.size(); ++i) {
    lp.Run(c.at(i));
    c.at(i) = lp.low();
  }
  return c.Finish(-7.0f);
}

// ---- >>ui -----------------------------------------------------------------

// Filtered noise swept up and back down: a soft whoosh.
std::vector<float> Whoosh(int sr) {
  const float len = 0.38f;
  Canvas c(len, sr);
  Svf band;
  Noise noise(0x5a5au);
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float k = t / len;
    if (i % 16 == 0) band.Set(350.0f * std::pow(9.0f, std::sin(kPi * k)), 1.8f, c.fsr());
    band.Run(noise.Next());
    float amp = std::pow(std::sin(kPi * k), 1.6f);
    c.at(i) = band.band() * amp;
  }
  return c.Finish(-12.0f);
}

// The logo jingle, also the level-complete sound: a plucked run up a C
// major chord, answered by a bell chord that rings out.
std::vector<float> Jingle(int sr) {
  Canvas c(1.9f, sr);
  Instrument pluck = Make(Voice::kPluck);
  pluck.decay = 0.9f;
  pluck.bright = 0.9f;
  pluck.release = 0.1f;
  Instrument bell = Make(Voice::kBell);
  bell.decay = 0.45f;
  bell.bright = 0.8f;
  Instrument pad = Make(Voice::kPad);
  pad.detune = 8;
  pad.bright = 0.9f;
  pad.release = 0.45f;
  const float run[] = {67, 72, 76, 79, 84};
  for (int i = 0; i < 5; ++i)
    c.Voice(pluck, run[i], i * 0.085f, i == 4 ? 0.8f : 0.2f, 0.8f, static_cast<uint32_t>(i + 1));
  const float chord_at = 5 * 0.085f;
  for (float n : {76.0f, 79.0f, 84.0f, 88.0f}) c.Voice(bell, n, chord_at, 0.5f, 0.32f);
  for (float n : {48.0f, 55.0f, 64.0f, 67.0f}) c.Voice(pad, n, chord_at, 0.6f, 0.3f);
  c.Room(0.55f, 0.45f);
  // Let the room tail die before the end fade.
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    if (t > 1.5f) c.at(i) *= std::max(0.0f, 1.0f - (t - 1.5f) / 0.4f);
  }
  return c.Finish(-4.0f);
}

// Confirm: two quick rising notes, each with its own envelope so the
// second starts cleanly over the first one's tail.
std::vector<float> Confirm(int sr) {
  Canvas c(0.24f, sr);
  const float starts[] = {0.0f, 0.065f};
  const float pitches[] = {783.99f, 1174.66f};
  const float decays[] = {0.035f, 0.06f};
  for (int n = 0; n < 2; ++n) {
    Osc pulse, sine;
    Svf lp;
    lp.Set(5000.0f, 0.7f, c.fsr());
    size_t begin = static_cast<size_t>(starts[n] * sr);
    for (size_t i = begin; i < c.size(); ++i) {
      float t = static_cast<float>(i - begin) / sr;
      float amp = std::min(1.0f, t / 0.003f) * std::exp(-t / decays[n]);
      lp.Run(0.5f * pulse.Pulse(pitches[n], c.fsr(), 0.5f) + 0.5f * sine.Sine(pitches[n], c.fsr()));
      c.at(i) += lp.low() * amp;
    }
  }
  return c.Finish(-7.0f);
}

// Blip: one short, slightly falling tone.
std::vector<float> Blip(int sr) {
  Canvas c(0.06f, sr);
  Osc osc;
  for (size_t i = 0; i < c.size(); ++i) {
    float t = static_cast<float>(i) / sr;
    float hz = 1250.0f - 300.0f * (t / 0.06f);
    float amp = std::min(1.0f, t / 0.002f) * std::exp(-t / 0.014f);
    c.at(i) = (osc.Sine(hz, c.fsr()) * 0.7f + 0.3f * std::sin(kTwoPi * 2.0f * hz * t)) * amp;
  }
  return c.Finish(-9.0f);
}

}  // namespace

// ---- >>list ---------------------------------------------------------------

std::vector<Effect> AllEffects(int sr) {
  std::vector<Effect> out;
  out.push_back({1, "hop, left runner", Hop(sr, 330.0f, 560.0f, 0.0f)});
  out.push_back({2, "hop, right runner", Hop(sr, 440.0f, 750.0f, 0.45f)});
  out.push_back({3, "left runner lost", Lost(sr, 520.0f, 90.0f, 11.0f, 3)});
  out.push_back({4, "right runner lost", Lost(sr, 700.0f, 130.0f, 15.0f, 4)});
  out.push_back({5, "coin", Coin(sr)});
  out.push_back({6, "left runner home", Goal(sr, 72.0f)});
  out.push_back({7, "right runner home", Goal(sr, 79.0f)});
  out.push_back({8, "both runners home", Fanfare(sr)});
  out.push_back({95, "menu whoosh", Whoosh(sr)});
  out.push_back({96, "logo jingle", Jingle(sr)});
  out.push_back({98, "confirm", Confirm(sr)});
  out.push_back({99, "blip", Blip(sr)});
  return out;
}

}  // namespace sounds
