// Rendering a song into one seamless stereo loop (see sequencer.h for the
// looping scheme).
#include "sequencer.h"

#include <algorithm>
#include <cmath>

#include "dsp.h"
#include "voices.h"

namespace sounds {

namespace {

constexpr float kDcCutoffHz = 18.0f;  // master highpass: removes DC, keeps the kick
constexpr float kLegato = 0.92f;      // share of a note's length it is held
constexpr float kHumanize = 0.06f;    // +-6% velocity wobble per note
constexpr float kSeamSearch = 0.03f;  // seconds before the downbeat searched for the seam

// Sample offset of a grid step, with swing pushing the off-beat 8ths (and,
// half as much, the 16ths between) later.
size_t StepOffset(const Song& song, int step, int step_samples) {
  float late = 0;
  switch (step % 4) {
    case 1: case 3: late = song.swing * 0.5f; break;
    case 2: late = song.swing; break;
    default: break;
  }
  return static_cast<size_t>(step) * step_samples + static_cast<size_t>(late * step_samples);
}

float Peak(const std::vector<float>& a, const std::vector<float>& b) {
  float p = 0;
  for (float v : a) p = std::max(p, std::fabs(v));
  for (float v : b) p = std::max(p, std::fabs(v));
  return p;
}

// The loop is periodic, so it may start anywhere. Starting exactly on the
// downbeat would put a drum onset on the file's first sample: a hard step
// from silence when the tune first starts. So the file starts a few
// milliseconds earlier, at the quietest, flattest sample in that window;
// the first play then begins near zero and the seam lies in a decaying tail.
void RotateToQuietSeam(StereoBuffer& b, size_t window) {
  const size_t n = b.left.size();
  if (n < window + 2) return;
  size_t best = n - 1;
  float best_score = 1e9f;
  for (size_t i = n - window; i < n; ++i) {
    float score = std::fabs(b.left[i]) + std::fabs(b.right[i]) +
                  std::fabs(b.left[i] - b.left[i - 1]) + std::fabs(b.right[i] - b.right[i - 1]);
    if (score < best_score) {
      best_score = score;
      best = i;
    }
  }
  std::rotate(b.left.begin(), b.left.begin() + best, b.left.end());
  std::rotate(b.right.begin(), b.right.begin() + best, b.right.end());
}

}  // namespace

int StepSamples(const Song& song, int sample_rate) {
  return static_cast<int>(std::lround(sample_rate * 60.0 / song.bpm / 4.0));
}

StereoBuffer RenderSong(const Song& song, int sr, std::vector<InstrumentLevel>* levels) {
  const int step = StepSamples(song, sr);
  const size_t loop = static_cast<size_t>(song.steps) * step;
  std::vector<float> dry_l(loop, 0.0f), dry_r(loop, 0.0f);
  std::vector<float> delay_send(loop, 0.0f), reverb_send(loop, 0.0f);
  std::vector<float> bus(loop);
  Noise humanize(0x51f15eedu);
  if (levels) levels->assign(song.instruments.size(), InstrumentLevel{});

  // Instrument by instrument, so one mono bus serves them all.
  for (size_t k = 0; k < song.instruments.size(); ++k) {
    const Instrument& inst = song.instruments[k];
    std::fill(bus.begin(), bus.end(), 0.0f);
    for (size_t n = 0; n < song.notes.size(); ++n) {
      const Note& note = song.notes[n];
      if (note.instrument != static_cast<int>(k)) continue;
      float hz = MidiToHz(note.pitch + inst.transpose);
      float held = note.length * step * kLegato / sr;
      float vel = note.velocity * (1.0f + kHumanize * humanize.Next());
      std::vector<float> v = RenderVoice(inst, hz, vel, held, sr, static_cast<uint32_t>(n + 1));
      size_t at = StepOffset(song, ((note.step % song.steps) + song.steps) % song.steps, step) % loop;
      for (float s : v) {
        bus[at] += s;
        if (++at == loop) at = 0;  // the tail wraps onto the loop's start
      }
    }
    float gl, gr;
    PanGains(inst.pan, gl, gr);
    double sum = 0;
    float peak = 0;
    for (size_t i = 0; i < loop; ++i) {
      float s = bus[i] * inst.gain;
      sum += static_cast<double>(s) * s;
      peak = std::max(peak, std::fabs(s));
      dry_l[i] += s * gl;
      dry_r[i] += s * gr;
      delay_send[i] += s * inst.delay_send;
      reverb_send[i] += s * inst.reverb_send;
    }
    if (levels) (*levels)[k] = {peak, static_cast<float>(std::sqrt(sum / loop))};
  }

  // Master: the sends and the DC filter run over the loop twice; the second
  // pass already carries the first pass's echoes, so it loops seamlessly.
  const float fsr = static_cast<float>(sr);
  PingPongDelay delay(song.delay_steps * step / fsr, song.delay_feedback, 3500.0f, fsr);
  Reverb reverb(song.reverb_size, song.reverb_damping, fsr);
  DcBlocker dc_l, dc_r;
  dc_l.Set(kDcCutoffHz, fsr);
  dc_r.Set(kDcCutoffHz, fsr);
  StereoBuffer out;
  out.left.resize(loop);
  out.right.resize(loop);
  for (size_t i = 0; i < 2 * loop; ++i) {
    size_t j = i % loop;
    float l = dry_l[j], r = dry_r[j];
    delay.Run(delay_send[j], l, r);
    reverb.Run(reverb_send[j], l, r);
    l = dc_l.Run(l);
    r = dc_r.Run(r);
    if (i >= loop) {
      out.left[j] = l;
      out.right[j] = r;
    }
  }

  // Soft saturation for a little glue, then the fixed final peak.
  float peak = Peak(out.left, out.right);
  if (peak > 0) {
    const float drive = song.drive;
    const float norm = std::tanh(drive);
    auto shape = [&](float v) { return std::tanh(drive * v / peak) / norm; };
    for (float& v : out.left) v = shape(v);
    for (float& v : out.right) v = shape(v);
    float gain = song.peak / Peak(out.left, out.right);
    for (float& v : out.left) v *= gain;
    for (float& v : out.right) v *= gain;
  }
  RotateToQuietSeam(out, static_cast<size_t>(kSeamSearch * sr));
  return out;
}

}  // namespace sounds
