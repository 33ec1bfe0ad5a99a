// Plays a tune into a stereo loop.
//
// Every part (instrument or kit) is rendered dry into a track of its own from
// the arranged note events, placed in the stereo field and sent to the shared
// room and echo; the sum is normalised to the tune's level.
//
// Looping: the arrangement is rendered one bar longer than the loop, the
// extra bar being the loop's first bar played again after the last, so that
// it holds what really follows the end: the first bar's notes plus the tails
// (releases, room, echo) of the last. That bar is cross-faded into the start
// of the loop, from all-continuation at the first frame to all-start at the
// end of the bar. Playing the loop's last frame and then its first is then
// the same as playing on, and the file can repeat without a click.
//
// Every note sounds the same wherever it falls: oscillators start at a fixed
// phase and noise is seeded by the note's place in the loop, so the first
// bar and its repetition match sample for sample.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/soundgen/signal.h"
#include "tools/soundgen/tune.h"

namespace SoundGen {

// The loop: exactly tune.LoopFrames() stereo frames at the tune's level.
Sound RenderTune(const Tune& tune);

// One drum hit, dry, mono, ending in silence; `seed` picks its noise.
std::vector<float> RenderDrum(DrumLane lane, double velocity, double pitch, uint64_t seed);

}  // namespace SoundGen
