// The runner's poses for pictures other than his own frames (the tutorial,
// the title intro).
#pragma once

#include "tools/picturegen/skeleton.h"

namespace PictureGen {

// The game's runner states, in the game's order.
enum RunnerStateId { kRun, kJump, kPunch, kSomersault, kLandingRoll, kSlide, kGetUp, kDeath, kStumble };

// The runner as posed in frame `frame` of `state`, drawn `scale` times his
// size in the game; the caller places the figure (Translate).
Figure PosedRunner(RunnerStateId state, int frame, double scale);

}  // namespace PictureGen
