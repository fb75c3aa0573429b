// Parsing the song notation (see composer.h) into notes.
#include "composer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sounds {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);  // no note to hold

[[noreturn]] void Fail(const std::string& what, const std::string& token) {
  std::fprintf(stderr, "soundgen: bad %s \"%s\"\n", what.c_str(), token.c_str());
  std::abort();
}

// Bar lines are spacing only.
std::vector<std::string> Tokens(std::string text) {
  std::replace(text.begin(), text.end(), '|', ' ');
  std::istringstream in(text);
  std::vector<std::string> out;
  std::string t;
  while (in >> t) out.push_back(t);
  return out;
}

// Pitch class of a letter with an optional accidental; `used` gets the
// number of characters read.
int PitchClass(const std::string& s, size_t& used) {
  static const int kLetters[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  if (s.empty() || s[0] < 'A' || s[0] > 'G') Fail("note", s);
  int pc = kLetters[s[0] - 'A'];
  used = 1;
  if (s.size() > 1 && s[1] == '#') {
    ++pc;
    used = 2;
  } else if (s.size() > 1 && s[1] == 'b') {
    --pc;
    used = 2;
  }
  return (pc + 12) % 12;
}

int NoteNumber(const std::string& token) {
  size_t used;
  int pc = PitchClass(token, used);
  std::string octave = token.substr(used);
  if (octave.empty() || octave.find_first_not_of("0123456789") != std::string::npos)
    Fail("note", token);
  return 12 * (std::atoi(octave.c_str()) + 1) + pc;
}

Chord ParseChord(const std::string& name) {
  std::string main = name, bass;
  size_t slash = name.find('/');
  if (slash != std::string::npos) {
    main = name.substr(0, slash);
    bass = name.substr(slash + 1);
  }
  Chord c;
  size_t used;
  c.root = PitchClass(main, used);
  std::string kind = main.substr(used);
  if (kind.empty()) c.intervals = {0, 4, 7};
  else if (kind == "m") c.intervals = {0, 3, 7};
  else if (kind == "7") c.intervals = {0, 4, 7, 10};
  else if (kind == "m7") c.intervals = {0, 3, 7, 10};
  else if (kind == "maj7") c.intervals = {0, 4, 7, 11};
  else if (kind == "sus4") c.intervals = {0, 5, 7};
  else if (kind == "dim") c.intervals = {0, 3, 6};
  else Fail("chord", name);
  c.bass = c.root;
  if (!bass.empty()) {
    c.bass = PitchClass(bass, used);
    if (used != bass.size()) Fail("chord", name);
  }
  return c;
}

}  // namespace

std::vector<int> Voicing(const Chord& chord, int low, int count) {
  std::vector<int> first;
  for (int iv : chord.intervals) {
    int p = low + ((chord.root + iv - low) % 12 + 12) % 12;
    first.push_back(p);
  }
  std::sort(first.begin(), first.end());
  std::vector<int> out;
  for (int i = 0; static_cast<int>(out.size()) < count; ++i)
    out.push_back(first[i % first.size()] + 12 * (i / static_cast<int>(first.size())));
  return out;
}

int Composer::Add(const Instrument& instrument) {
  song_.instruments.push_back(instrument);
  return static_cast<int>(song_.instruments.size()) - 1;
}

std::vector<Chord> Composer::Chords(const std::string& names) {
  std::vector<Chord> out;
  for (const std::string& t : Tokens(names)) out.push_back(ParseChord(t));
  return out;
}

void Composer::Emit(int inst, int step, int length, float pitch, float velocity) {
  Note n;
  n.step = step;
  n.length = length;
  n.instrument = inst;
  n.pitch = pitch;
  n.velocity = velocity;
  song_.notes.push_back(n);
}

void Composer::Hit(int inst, int step, float pitch, float velocity, int length) {
  Emit(inst, step, length, pitch, velocity);
}

void Composer::Melody(int inst, int bar, const std::string& tokens, int grid, float velocity) {
  int step = bar * kBar;
  size_t last = kNone;
  for (const std::string& t : Tokens(tokens)) {
    if (t == "-") {
      if (last == kNone) Fail("hold without a note", t);
      song_.notes[last].length += grid;
    } else if (t == ".") {
      last = kNone;
    } else {
      Emit(inst, step, grid, static_cast<float>(NoteNumber(t)), velocity);
      last = song_.notes.size() - 1;
    }
    step += grid;
  }
}

void Composer::Drums(int inst, int bar, int bars, const std::string& hits, float pitch,
                     float velocity) {
  std::string h;
  for (char c : hits)
    if (c != ' ' && c != '|') h += c;
  if (h.empty()) Fail("drum line", hits);
  for (int i = 0; i < bars * kBar; ++i) {
    float v = 0;
    switch (h[i % h.size()]) {
      case 'X': v = 1.15f; break;
      case 'x': v = 1.0f; break;
      case 'o': v = 0.65f; break;
      case 'g': v = 0.35f; break;
      default: break;
    }
    if (v > 0) Emit(inst, bar * kBar + i, 1, pitch, v * velocity);
  }
}

void Composer::Bass(int inst, int bar, const std::vector<Chord>& chords, const std::string& pattern,
                    int octave_root, int grid, float velocity) {
  std::vector<std::string> toks = Tokens(pattern);
  for (size_t c = 0; c < chords.size(); ++c) {
    const Chord& chord = chords[c];
    int step = (bar + static_cast<int>(c)) * kBar;
    size_t last = kNone;
    for (const std::string& t : toks) {
      if (t == "-") {
        if (last != kNone) song_.notes[last].length += grid;
      } else if (t == ".") {
        last = kNone;
      } else {
        std::string core = t;
        int shift = 0;
        while (!core.empty() && (core.back() == ',' || core.back() == '\'')) {
          shift += core.back() == ',' ? -12 : 12;
          core.pop_back();
        }
        int third = chord.intervals.size() > 1 ? chord.intervals[1] : 4;
        int fifth = chord.intervals.size() > 2 ? chord.intervals[2] : 7;
        int seventh = chord.intervals.size() > 3 ? chord.intervals[3] : 10;
        int pitch;
        if (core == "R") pitch = chord.bass;
        else if (core == "3") pitch = chord.root + third;
        else if (core == "5") pitch = chord.root + fifth;
        else if (core == "6") pitch = chord.root + 9;
        else if (core == "7") pitch = chord.root + seventh;
        else if (core == "8") pitch = chord.bass + 12;
        else Fail("bass token", t);
        Emit(inst, step, grid, static_cast<float>(octave_root + pitch + shift), velocity);
        last = song_.notes.size() - 1;
      }
      step += grid;
    }
  }
}

void Composer::Arp(int inst, int bar, const std::vector<Chord>& chords, const std::string& pattern,
                   int base, int grid, float velocity) {
  std::vector<std::string> toks = Tokens(pattern);
  for (size_t c = 0; c < chords.size(); ++c) {
    std::vector<int> tones = Voicing(chords[c], base, 10);
    int step = (bar + static_cast<int>(c)) * kBar;
    size_t last = kNone;
    for (const std::string& t : toks) {
      if (t == "-") {
        if (last != kNone) song_.notes[last].length += grid;
      } else if (t == ".") {
        last = kNone;
      } else {
        if (t.size() != 1 || t[0] < '0' || t[0] > '9') Fail("arpeggio token", t);
        Emit(inst, step, grid, static_cast<float>(tones[t[0] - '0']), velocity);
        last = song_.notes.size() - 1;
      }
      step += grid;
    }
  }
}

void Composer::Block(int inst, int bar, const std::vector<Chord>& chords, const std::string& rhythm,
                     int low, int grid, float velocity) {
  std::vector<std::string> toks = Tokens(rhythm);
  for (size_t c = 0; c < chords.size(); ++c) {
    const Chord& chord = chords[c];
    std::vector<int> tones = Voicing(chord, low, static_cast<int>(chord.intervals.size()));
    int step = (bar + static_cast<int>(c)) * kBar;
    size_t first = song_.notes.size();
    bool holding = false;
    for (const std::string& t : toks) {
      if (t == "x") {
        first = song_.notes.size();
        for (int p : tones) Emit(inst, step, grid, static_cast<float>(p), velocity);
        holding = true;
      } else if (t == "-") {
        if (holding)
          for (size_t i = first; i < song_.notes.size(); ++i) song_.notes[i].length += grid;
      } else if (t == ".") {
        holding = false;
      } else {
        Fail("block rhythm token", t);
      }
      step += grid;
    }
  }
}

}  // namespace sounds
