// A small step sequencer for the game's tunes: a song is a list of
// instruments and of notes on a 16th-note grid; rendering turns it into one
// seamless stereo loop.
//
// Decisions:
// - The loop is exactly `steps` grid steps long and every step is a whole
//   number of samples, so the loop length is exact and the beat never drifts.
// - Notes that ring past the end of the loop wrap around onto its start, and
//   the send effects and the master filter run over the loop twice, keeping
//   only the second pass. The result is periodic: its last sample leads into
//   its first as if it had played on, which is what looping playback needs.
// - The master is normalised to a fixed peak after a gentle soft saturation,
//   so every tune ends at the same safe level whatever the arrangement.
#pragma once

#include <string>
#include <vector>

namespace sounds {

enum class Voice {
  kLead,       // pulse + saw, filter envelope, delayed vibrato
  kBass,       // saw + square through a resonant lowpass, sine underneath
  kPluck,      // plucked string (Karplus-Strong)
  kPad,        // three detuned saws, slow attack, dark
  kMallet,     // two-operator FM, wooden (marimba-like)
  kBell,       // two-operator FM, metallic, long ring
  kChip,       // bare pulse with a fast decay, the arcade arpeggio
  kKick,
  kSnare,
  kHat,        // closed; the note length makes it open
  kClap,
  kTom,        // pitched by the note
  kShaker,
  kWoodblock,  // pitched by the note
  kCrash,
};

struct Instrument {
  Voice voice = Voice::kLead;
  float gain = 1.0f;         // linear, into the mix
  float pan = 0.0f;          // -1 left .. +1 right
  float delay_send = 0.0f;   // linear
  float reverb_send = 0.0f;  // linear
  float transpose = 0.0f;    // semitones added to every note
  // Voice shaping; each voice reads the ones that make sense for it.
  float attack = 0.0f;       // seconds; 0 keeps the voice's own attack
  float bright = 1.0f;       // filter opening / FM index scale
  float decay = 0.25f;       // seconds, main decay
  float release = 0.08f;     // seconds after note off
  float width = 0.5f;        // pulse width
  float vibrato = 0.0f;      // semitones of delayed vibrato
  float detune = 0.0f;       // cents between stacked oscillators
};

struct Note {
  int step = 0;        // 16th-note position in the loop
  int length = 1;      // in steps
  int instrument = 0;  // index into Song::instruments
  float pitch = 60.0f; // MIDI note number
  float velocity = 1.0f;
};

struct Song {
  std::string name;
  float bpm = 120.0f;
  int steps = 16 * 16;   // loop length in 16th notes
  float swing = 0.0f;    // 0..0.5: how late the off-beat 8ths fall, in steps
  float delay_steps = 3; // echo time of the delay send, in steps
  float delay_feedback = 0.35f;
  float reverb_size = 0.5f;
  float reverb_damping = 0.4f;
  float drive = 1.2f;    // master soft-saturation amount (1 = gentle)
  float peak = 0.7f;     // final peak level, linear (about -3 dBFS)
  std::vector<Instrument> instruments;
  std::vector<Note> notes;
};

struct StereoBuffer {
  std::vector<float> left, right;
};

// Per-instrument level report of a render (dry bus, before the master).
struct InstrumentLevel {
  float peak = 0, rms = 0;
};

// Renders one loop of the song. `levels`, when given, receives one entry per
// instrument.
StereoBuffer RenderSong(const Song& song, int sample_rate,
                        std::vector<InstrumentLevel>* levels = nullptr);

// Samples per grid step, as RenderSong uses it.
int StepSamples(const Song& song, int sample_rate);

}  // namespace sounds
