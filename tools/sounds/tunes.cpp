// The game's four tunes. Index:
//   >>kit           instruments shared by the tunes
//   >>testmusic     >>artichoke     >>broccoli     >>horseraddish
//
// Levels were balanced by measuring each instrument's RMS with
// `kestro_soundgen --levels`: drums and bass carry the mix around -18 dB
// RMS, the lead sits a little under them, accompaniment well below.
#include "tunes.h"

#include "composer.h"

namespace sounds {

namespace {

// ---- >>kit ----------------------------------------------------------------

Instrument Make(Voice v, float gain, float pan = 0.0f) {
  Instrument i;
  i.voice = v;
  i.gain = gain;
  i.pan = pan;
  return i;
}

struct Kit {
  int kick, snare, hat, open_hat, crash;
};

Kit AddKit(Composer& c, float level) {
  Kit k;
  Instrument kick = Make(Voice::kKick, 0.43f * level);
  kick.decay = 0.09f;
  k.kick = c.Add(kick);
  Instrument snare = Make(Voice::kSnare, 0.8f * level, 0.05f);
  snare.decay = 0.11f;
  snare.reverb_send = 0.25f;
  k.snare = c.Add(snare);
  Instrument hat = Make(Voice::kHat, 0.37f * level, -0.3f);
  hat.decay = 0.025f;
  k.hat = c.Add(hat);
  Instrument open = Make(Voice::kHat, 0.25f * level, -0.3f);
  open.decay = 0.16f;
  k.open_hat = c.Add(open);
  Instrument crash = Make(Voice::kCrash, 0.3f * level, 0.35f);
  crash.decay = 0.5f;
  crash.reverb_send = 0.2f;
  k.crash = c.Add(crash);
  return k;
}

// ---- >>testmusic ----------------------------------------------------------
// Intro 4 bars, A 8, B 8, turnaround 4 ending on E7 back into Am.

Song TestMusic() {
  Song s;
  s.name = "testmusic";
  s.bpm = 140;
  s.steps = 24 * Composer::kBar;
  s.delay_steps = 3;
  s.delay_feedback = 0.3f;
  s.reverb_size = 0.45f;
  Composer c(s);
  Kit kit = AddKit(c, 1.0f);
  Instrument lead = Make(Voice::kLead, 0.34f);
  lead.width = 0.35f;
  lead.vibrato = 0.22f;
  lead.decay = 0.25f;
  lead.release = 0.07f;
  lead.delay_send = 0.22f;
  lead.reverb_send = 0.15f;
  int lead_i = c.Add(lead);
  Instrument arp = Make(Voice::kChip, 0.2f, 0.4f);
  arp.width = 0.25f;
  arp.decay = 0.07f;
  arp.release = 0.03f;
  arp.delay_send = 0.3f;
  int arp_i = c.Add(arp);
  Instrument bass = Make(Voice::kBass, 0.6f);
  bass.decay = 0.16f;
  bass.release = 0.04f;
  bass.width = 0.5f;
  int bass_i = c.Add(bass);
  Instrument pad = Make(Voice::kPad, 0.14f, -0.15f);
  pad.detune = 9;
  pad.bright = 0.8f;
  pad.release = 0.35f;
  pad.reverb_send = 0.45f;
  int pad_i = c.Add(pad);

  auto intro = Composer::Chords("Am F C G");
  auto verse = Composer::Chords("Am F C G Am F C G");
  auto bridge = Composer::Chords("F G Em Am Dm G C E7");
  auto turn = Composer::Chords("Am F G E7");

  // Drums.
  c.Hit(kit.crash, 0);
  c.Drums(kit.kick, 0, 4, "x...x...x...x...");
  c.Drums(kit.hat, 0, 4, "..x...x...x...x.");
  c.Drums(kit.snare, 2, 1, "....x.......x...");
  c.Drums(kit.snare, 3, 1, "....x.......x.xx");
  c.Hit(kit.crash, 4 * 16);
  c.Drums(kit.kick, 4, 8, "x.....x.x...x..." "x.....x.x.x.....");
  c.Drums(kit.snare, 4, 8, "....x..g....x...");
  c.Drums(kit.hat, 4, 8, "x.o.x.o.x.o.x.oo");
  c.Hit(kit.crash, 12 * 16);
  c.Drums(kit.kick, 12, 8, "x...x...x...x...");
  c.Drums(kit.snare, 12, 8, "....x.......x...");
  c.Drums(kit.hat, 12, 8, "x.x.x.x.x.x.x.x.");
  c.Drums(kit.open_hat, 12, 8, "..x...x...x...x.");
  c.Drums(kit.kick, 20, 3, "x.........x.....");
  c.Drums(kit.snare, 20, 3, "........x.......");
  c.Drums(kit.hat, 20, 3, "x.x.x.x.x.x.x.x.");
  c.Drums(kit.kick, 23, 1, "x.......x.x.....");
  c.Drums(kit.snare, 23, 1, "....o...o.o.xxXX");

  // Bass and accompaniment.
  c.Bass(bass_i, 0, intro, "R . R R 8 R R 5");
  c.Bass(bass_i, 4, verse, "R R 8 R R R 8 R");
  c.Bass(bass_i, 12, bridge, "R . R 8 . R 5 R");
  c.Bass(bass_i, 20, turn, "R - R 8 R - 5 R");
  c.Arp(arp_i, 0, intro, "0 1 2 3 0 1 2 3 0 1 2 3 0 1 2 3", 57);
  c.Arp(arp_i, 4, verse, "0 2 1 3 2 4 3 5 0 2 1 3 2 4 3 5", 57, 1, 0.8f);
  c.Arp(arp_i, 20, turn, "5 4 3 2 1 0 1 2 3 4 5 4 3 2 1 0", 57, 1, 0.9f);
  c.Block(pad_i, 12, bridge, "x - - - - - - -", 55);
  c.Block(pad_i, 20, turn, "x - - - - - - -", 55, 2, 0.8f);

  // Lead.
  c.Melody(lead_i, 4,
           "E5 . E5 D5 C5 - A4 - | C5 - D5 - E5 - F5 E5 | G5 - E5 - C5 - D5 E5 | D5 - - - B4 - G4 - |"
           "E5 . E5 D5 C5 - A4 - | C5 - D5 - E5 - A5 - | G5 - E5 G5 - E5 D5 C5 | D5 - - - - - . .");
  c.Melody(lead_i, 12,
           "A5 - G5 - F5 - E5 - | D5 - E5 - G5 - - - | B5 - A5 - G5 - E5 - | A5 - - - E5 - C5 - |"
           "F5 - E5 - D5 - A4 - | B4 - D5 - G5 - F5 - | E5 - G5 - C6 - - - | B5 - G#5 - E5 - D5 -");
  c.Melody(lead_i, 20,
           "C6 - B5 A5 - E5 - . | F5 - E5 F5 - A5 - . | G5 - F5 G5 - B5 - . | G#5 - - - B5 - E6 -",
           2, 0.9f);
  return s;
}

// ---- >>artichoke ----------------------------------------------------------
// A 8 bars, B 8, C 8 ending on D7 back into G. Disco octave bass, claps.

Song Artichoke() {
  Song s;
  s.name = "artichoke";
  s.bpm = 128;
  s.steps = 24 * Composer::kBar;
  s.delay_steps = 3;
  s.delay_feedback = 0.28f;
  s.reverb_size = 0.5f;
  Composer c(s);
  Kit kit = AddKit(c, 0.95f);
  Instrument clap = Make(Voice::kClap, 1.3f, 0.1f);
  clap.decay = 0.09f;
  clap.reverb_send = 0.3f;
  int clap_i = c.Add(clap);
  Instrument shaker = Make(Voice::kShaker, 0.2f, 0.45f);
  shaker.decay = 0.03f;
  int shaker_i = c.Add(shaker);
  Instrument lead = Make(Voice::kLead, 0.3f, -0.05f);
  lead.width = 0.5f;
  lead.vibrato = 0.15f;
  lead.decay = 0.2f;
  lead.release = 0.06f;
  lead.bright = 0.8f;
  lead.delay_send = 0.2f;
  lead.reverb_send = 0.18f;
  int lead_i = c.Add(lead);
  Instrument pluck = Make(Voice::kPluck, 0.34f, -0.4f);
  pluck.decay = 0.5f;
  pluck.bright = 0.7f;
  pluck.release = 0.05f;
  pluck.delay_send = 0.18f;
  pluck.reverb_send = 0.15f;
  int pluck_i = c.Add(pluck);
  Instrument bass = Make(Voice::kBass, 0.6f);
  bass.decay = 0.12f;
  bass.release = 0.03f;
  bass.bright = 0.8f;
  int bass_i = c.Add(bass);
  Instrument bell = Make(Voice::kBell, 0.15f, 0.35f);
  bell.decay = 0.5f;
  bell.bright = 0.7f;
  bell.delay_send = 0.3f;
  bell.reverb_send = 0.3f;
  int bell_i = c.Add(bell);

  auto a = Composer::Chords("G D Em C G D C D");
  auto b = Composer::Chords("Em C G D Em C Am D");
  auto cc = Composer::Chords("C D Bm Em C D G D7");

  c.Hit(kit.crash, 0);
  c.Drums(kit.kick, 0, 24, "x...x...x...x...");
  c.Drums(clap_i, 0, 24, "....x.......x...");
  c.Drums(shaker_i, 0, 24, "xgogxgogxgogxgog");
  c.Drums(kit.open_hat, 8, 16, "..x...x...x...x.");
  c.Hit(kit.crash, 8 * 16);
  c.Hit(kit.crash, 16 * 16);
  c.Drums(kit.snare, 23, 1, "........x.x.xxxx");

  c.Bass(bass_i, 0, a, "R 8 R 8 R 8 R 8");
  c.Bass(bass_i, 8, b, "R 8 R 8 R 8 5 8");
  c.Bass(bass_i, 16, cc, "R 8 R 8 R 8 R 8");
  c.Arp(pluck_i, 0, a, "0 1 2 1 3 2 1 2 0 1 2 1 3 2 1 2", 55, 1, 0.8f);
  c.Arp(pluck_i, 8, b, "0 . 2 . 1 . 3 . 2 . 4 . 3 . 2 .", 55, 1, 0.9f);
  c.Arp(pluck_i, 16, cc, "0 1 2 1 3 2 1 2 0 1 2 1 3 2 1 2", 55, 1, 0.8f);
  c.Arp(bell_i, 8, b, "4 - - - - - - - 3 - - - - - - -", 72, 1);

  c.Melody(lead_i, 0,
           "D5 . B4 D5 . B4 D5 E5 | F#5 - - E5 D5 - A4 - | B4 . G4 B4 . G4 B4 C5 | E5 - - D5 C5 - B4 - |"
           "D5 . B4 D5 . B4 D5 E5 | F#5 - A5 - F#5 - D5 - | E5 - G5 - E5 - C5 - | D5 - - - . . . .");
  c.Melody(lead_i, 8,
           "G5 - F#5 - E5 - B4 - | C5 - E5 - G5 - E5 - | D5 - B4 - G4 - B4 - | A4 - D5 - F#5 - A5 - |"
           "G5 - - E5 - - B4 - | C5 - - E5 - - G5 - | A5 - G5 - E5 - C5 - | D5 - E5 - F#5 - A5 -",
           2, 0.9f);
  c.Melody(lead_i, 16,
           "G5 - E5 G5 - E5 C5 - | A5 - F#5 A5 - F#5 D5 - | B5 - F#5 - D5 - B4 - | E5 - G5 - B5 - - - |"
           "C6 - B5 - A5 - G5 - | F#5 - E5 - D5 - A4 - | B4 - D5 - G5 - - - | F#5 - A5 - C6 - A5 -");
  return s;
}

// ---- >>broccoli -----------------------------------------------------------
// Build 4 bars, A 8, B 8, a tom break 4 ending on A back into Dm.

Song Broccoli() {
  Song s;
  s.name = "broccoli";
  s.bpm = 150;
  s.steps = 24 * Composer::kBar;
  s.delay_steps = 3;
  s.delay_feedback = 0.4f;
  s.reverb_size = 0.6f;
  s.reverb_damping = 0.5f;
  Composer c(s);
  Kit kit = AddKit(c, 1.0f);
  Instrument tom = Make(Voice::kTom, 0.3f, 0.2f);
  tom.decay = 0.16f;
  tom.reverb_send = 0.25f;
  int tom_i = c.Add(tom);
  Instrument lead = Make(Voice::kLead, 0.38f);
  lead.width = 0.2f;
  lead.detune = 12;
  lead.vibrato = 0.3f;
  lead.decay = 0.35f;
  lead.release = 0.1f;
  lead.bright = 0.9f;
  lead.delay_send = 0.3f;
  lead.reverb_send = 0.2f;
  int lead_i = c.Add(lead);
  Instrument bass = Make(Voice::kBass, 0.75f);
  bass.decay = 0.08f;
  bass.release = 0.02f;
  bass.bright = 1.3f;
  bass.width = 0.3f;
  int bass_i = c.Add(bass);
  Instrument stab = Make(Voice::kPad, 0.17f, 0.25f);
  stab.attack = 0.004f;
  stab.detune = 14;
  stab.bright = 1.4f;
  stab.release = 0.08f;
  stab.delay_send = 0.2f;
  stab.reverb_send = 0.3f;
  int stab_i = c.Add(stab);
  Instrument bell = Make(Voice::kBell, 0.14f, -0.4f);
  bell.decay = 0.7f;
  bell.bright = 1.0f;
  bell.delay_send = 0.35f;
  bell.reverb_send = 0.35f;
  int bell_i = c.Add(bell);

  auto build = Composer::Chords("Dm Dm Bb A");
  auto a = Composer::Chords("Dm Bb Gm A Dm Bb Eb A");
  auto b = Composer::Chords("Gm Dm Bb A Gm Dm Eb A7");
  auto brk = Composer::Chords("Dm Dm Eb A");

  c.Drums(kit.hat, 0, 4, "x.o.x.o.x.o.x.o.");
  c.Drums(kit.kick, 2, 2, "x...x...x...x...");
  c.Drums(kit.snare, 3, 1, "............gogx");
  c.Hit(kit.crash, 4 * 16);
  c.Drums(kit.kick, 4, 16, "x..x..x...x..x..");
  c.Drums(kit.snare, 4, 16, "....x..g.g..x..g");
  c.Drums(kit.hat, 4, 16, "xoxoxoxoxoxoxoxo");
  c.Hit(kit.crash, 12 * 16);
  c.Drums(kit.open_hat, 12, 8, "..x...x...x...x.");
  // The break: toms fall, then climb back in.
  c.Drums(kit.hat, 20, 4, "x...x...x...x...");
  for (int bar = 20; bar < 24; ++bar) {
    float rise = static_cast<float>(bar - 20) * 2.0f;
    c.Hit(tom_i, bar * 16 + 0, 50 + rise);
    c.Hit(tom_i, bar * 16 + 6, 47 + rise, 0.8f);
    c.Hit(tom_i, bar * 16 + 10, 45 + rise, 0.9f);
  }
  c.Drums(tom_i, 23, 1, "........xxxxXXXX", 52, 0.9f);
  c.Drums(kit.kick, 23, 1, "x.......x.......");

  c.Bass(bass_i, 0, build, "R R R R R R R R R R R R R R R R", 36, 1, 0.9f);
  c.Bass(bass_i, 4, a, "R R 8 R R R 8 R R R 8 R 5 R 8 5", 36, 1);
  c.Bass(bass_i, 12, b, "R R 8 R R R 8 R R R 8 R 5 R 8 5", 36, 1);
  c.Bass(bass_i, 20, brk, "R - - - - - R - - - R - - - 5 -", 36, 1);
  c.Block(stab_i, 4, a, ". . . x . . x . . . x . . . . .", 62, 1);
  c.Block(stab_i, 12, b, "x . . x . . x . . . x . x . . .", 62, 1);
  c.Arp(bell_i, 20, brk, "4 . . 3 . . 2 . . 3 . . 1 . 2 .", 69, 1);

  c.Melody(lead_i, 4,
           "A4 - - - Bb4 - A4 - | F5 - - - D5 - Bb4 - | G5 - - - Bb5 - A5 G5 | A5 - - - C#5 - E5 - |"
           "D6 - - - A5 - F5 - | Bb5 - A5 - F5 - D5 - | Eb5 - G5 - Bb5 - G5 - | A5 - - - - - . .");
  c.Melody(lead_i, 12,
           "D6 - C6 - Bb5 - A5 - | A5 - - - F5 - D5 - | D5 - F5 - Bb5 - A5 - | C#6 - - - A5 - E5 - |"
           "G5 - Bb5 - D6 - C6 - | A5 - - - F5 - - - | G5 - Bb5 - Eb6 - D6 - | C#6 - - - E6 - G5 -",
           2, 0.95f);
  return s;
}

// ---- >>horseraddish -------------------------------------------------------
// A 8 bars, B 8, A' 4 ending on G7 back into C. Swung 8ths, mallets.

Song Horseraddish() {
  Song s;
  s.name = "horseraddish";
  s.bpm = 112;
  s.steps = 20 * Composer::kBar;
  s.swing = 0.35f;
  s.delay_steps = 4;
  s.delay_feedback = 0.25f;
  s.reverb_size = 0.55f;
  s.reverb_damping = 0.3f;
  s.drive = 1.8f;  // the plucked bass is spiky; saturate the peaks a little more
  Composer c(s);
  Instrument kick = Make(Voice::kKick, 0.5f);
  kick.decay = 0.08f;
  kick.bright = 0.8f;
  int kick_i = c.Add(kick);
  Instrument block = Make(Voice::kWoodblock, 0.3f, 0.3f);
  block.decay = 0.04f;
  block.reverb_send = 0.2f;
  int block_i = c.Add(block);
  Instrument shaker = Make(Voice::kShaker, 0.2f, -0.35f);
  shaker.decay = 0.035f;
  int shaker_i = c.Add(shaker);
  Instrument clap = Make(Voice::kClap, 1.2f, 0.1f);
  clap.decay = 0.1f;
  clap.reverb_send = 0.35f;
  int clap_i = c.Add(clap);
  Instrument marimba = Make(Voice::kMallet, 0.42f, -0.1f);
  marimba.decay = 0.32f;
  marimba.bright = 1.0f;
  marimba.release = 0.05f;
  marimba.delay_send = 0.15f;
  marimba.reverb_send = 0.25f;
  int mar_i = c.Add(marimba);
  Instrument bell = Make(Voice::kBell, 0.14f, 0.4f);
  bell.decay = 0.6f;
  bell.bright = 0.8f;
  bell.delay_send = 0.25f;
  bell.reverb_send = 0.3f;
  int bell_i = c.Add(bell);
  Instrument bass = Make(Voice::kPluck, 3.0f);
  bass.decay = 0.45f;
  bass.bright = 0.3f;
  bass.release = 0.04f;
  int bass_i = c.Add(bass);
  Instrument pad = Make(Voice::kPad, 0.11f, 0.1f);
  pad.detune = 7;
  pad.bright = 0.6f;
  pad.release = 0.3f;
  pad.reverb_send = 0.4f;
  int pad_i = c.Add(pad);

  auto a = Composer::Chords("C Am Dm G7 C Am F G7");
  auto b = Composer::Chords("F Fm C A7 Dm G7 Em A7");
  auto a2 = Composer::Chords("Dm G7 C G7");

  c.Drums(kick_i, 0, 20, "x.......x.......");
  c.Drums(block_i, 0, 20, "....x.......x.x.", 76);
  c.Drums(shaker_i, 0, 20, "x.o.x.o.x.o.x.o.");
  c.Drums(clap_i, 8, 8, "....x.......x...");
  c.Drums(kick_i, 19, 1, "x.......x...x.x.");

  c.Bass(bass_i, 0, a, "R . . . 5, . . . 8 . . . 5 . . .", 36, 1);
  c.Bass(bass_i, 8, b, "R . . . 3 . . . 5 . . . 3 . . .", 36, 1);
  c.Bass(bass_i, 16, a2, "R . . . 5, . . . 8 . . . 5 . R .", 36, 1);
  c.Block(pad_i, 8, b, "x - - - - - - -", 57);
  c.Arp(bell_i, 0, a, "2 . . . . . . . 1 . . . . . . .", 72, 1);
  c.Arp(bell_i, 16, a2, "2 . . . 1 . . . 0 . . . 1 . . .", 72, 1);

  c.Melody(mar_i, 0,
           "G4 . C5 . E5 . G5 . | A5 . G5 E5 . C5 . . | D5 . F5 . A5 . F5 . | G5 . F5 D5 . B4 . . |"
           "C5 . E5 . G5 . C6 . | B5 . A5 . E5 . C5 . | A5 . C6 A5 . F5 . D5 | G5 - - . F5 . D5 .");
  c.Melody(mar_i, 8,
           "A5 . . G5 F5 . C5 . | Ab5 . . G5 F5 . C5 . | E5 . G5 . C6 . G5 . | A5 . C#6 . E6 . G5 . |"
           "F5 . E5 . D5 . A4 . | B4 . D5 . F5 . A5 . | G5 . B5 . E5 . G5 . | C#6 . A5 . G5 . E5 .",
           2, 0.9f);
  c.Melody(mar_i, 16,
           "D5 . F5 . A5 . D6 . | B5 . G5 . F5 . D5 . | E5 . G5 . C6 . . . | B4 . D5 . G5 . F5 .");
  return s;
}

}  // namespace

std::vector<Song> AllTunes() { return {TestMusic(), Artichoke(), Broccoli(), Horseraddish()}; }

}  // namespace sounds
