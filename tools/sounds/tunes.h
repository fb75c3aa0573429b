// The game's four tunes, written with the Composer.
//
//   testmusic     140 bpm, A minor: the bright arcade theme a game starts with
//   artichoke     128 bpm, G major: bouncy and sunny (levels 1, 4, 7, ...)
//   broccoli      150 bpm, D minor: driving and tense (levels 2, 5, 8, ...)
//   horseraddish  112 bpm, C major, swung: playful mallets (levels 3, 6, ...)
//
// Each is a loop of 20 to 24 bars, 38 to 45 seconds, whose last bar leads
// harmonically back into its first.
#pragma once

#include <vector>

#include "sequencer.h"

namespace sounds {

std::vector<Song> AllTunes();

}  // namespace sounds
