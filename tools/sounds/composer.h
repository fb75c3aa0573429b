// Writing songs in a compact text form: chords by name, melodies by note
// name on a grid, drum lines as hit strings, bass and arpeggio lines as
// patterns over the chords.
//
// Notation (tokens separated by spaces, "|" is ignored everywhere):
// - chord names: root letter, optional # or b, then "", "m", "7", "m7",
//   "maj7", "sus4", "dim"; "C/E" puts E under the chord for bass lines.
// - melody tokens: "C5", "F#4", "Bb3" start a note; "-" holds the last one;
//   "." is a rest. Each token lasts `grid` 16th steps.
// - bass tokens: "R" root, "3" third, "5" fifth, "7" seventh, "8" octave,
//   "6" sixth; a trailing "," drops an octave, "'" raises one; "-", "." as
//   above. One pattern bar is laid over each chord.
// - arpeggio tokens: digits index the chord's tones stacked upwards from a
//   base note; "-", "." as above.
// - drum strings: one character per 16th: 'X' 1.15, 'x' 1.0, 'o' 0.65,
//   'g' 0.35 (ghost), anything else a rest; repeated to fill the bars.
// Malformed notation is a programming error of the generator and aborts
// with a message naming the token.
#pragma once

#include <string>
#include <vector>

#include "sequencer.h"

namespace sounds {

struct Chord {
  int root = 0;                // pitch class 0..11
  int bass = 0;                // pitch class under the chord
  std::vector<int> intervals;  // semitones above the root, starting with 0
};

class Composer {
 public:
  static constexpr int kBar = 16;  // 16th steps per 4/4 bar

  explicit Composer(Song& song) : song_(song) {}

  int Add(const Instrument& instrument);
  static std::vector<Chord> Chords(const std::string& names);

  void Melody(int inst, int bar, const std::string& tokens, int grid = 2, float velocity = 1.0f);
  void Drums(int inst, int bar, int bars, const std::string& hits, float pitch = 60.0f,
             float velocity = 1.0f);
  // `octave_root` is the MIDI note of the C below the roots (36 = C2).
  void Bass(int inst, int bar, const std::vector<Chord>& chords, const std::string& pattern,
            int octave_root = 36, int grid = 2, float velocity = 1.0f);
  void Arp(int inst, int bar, const std::vector<Chord>& chords, const std::string& pattern,
           int base, int grid = 1, float velocity = 1.0f);
  // Each chord held as a block from `low` upward, with a rhythm of 'x'
  // (strike) and '-' (hold) per grid step.
  void Block(int inst, int bar, const std::vector<Chord>& chords, const std::string& rhythm,
             int low, int grid = 2, float velocity = 1.0f);
  void Hit(int inst, int step, float pitch = 60.0f, float velocity = 1.0f, int length = 1);

 private:
  void Emit(int inst, int step, int length, float pitch, float velocity);
  Song& song_;
};

// Chord tones stacked upwards from `low`: one tone per interval in the
// first octave, repeated an octave higher as far as needed.
std::vector<int> Voicing(const Chord& chord, int low, int count);

}  // namespace sounds
