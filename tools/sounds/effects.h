// The game's sound effects, one per sound slot.
//
// Each effect is mono, starts from silence (no click at its first sample)
// and ends in a stretch of exact digital silence, so a channel that is cut
// or finishes never pops. Peaks are set per effect: the hops, heard several
// times a second, sit well below the events the player must notice.
#pragma once

#include <string>
#include <vector>

namespace sounds {

struct Effect {
  int slot = 0;               // file name is sfx/<slot in three digits>.wav
  std::string what;           // for the generator's report
  std::vector<float> samples; // mono, [-1, 1]
};

std::vector<Effect> AllEffects(int sample_rate);

}  // namespace sounds
