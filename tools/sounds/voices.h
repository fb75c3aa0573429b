// The instruments' voices: one note in, mono samples out.
//
// A voice renders from the note's start until its sound has died away (the
// held time plus the release or the natural decay), so callers can mix it
// anywhere without cutting a tail. Each note gets its own noise seed, so
// drums and plucks vary slightly from hit to hit yet stay reproducible.
#pragma once

#include <cstdint>
#include <vector>

#include "sequencer.h"

namespace sounds {

// `hz` is the note's frequency (ignored by unpitched drums), `held` the time
// in seconds until note off.
std::vector<float> RenderVoice(const Instrument& inst, float hz, float velocity, float held,
                               int sample_rate, uint32_t seed);

}  // namespace sounds
