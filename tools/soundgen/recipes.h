// The game's sound effects and ambient cues, each a fixed recipe of
// oscillators, noise, envelopes, filters and rooms with its own noise seed.
// Every recipe returns the finished sound: faded, at its level, ready to be
// written. The catalogue (catalogue.h) names them.
#pragma once

#include "tools/soundgen/signal.h"

namespace SoundGen {

// Short and dry, for the runner and the obstacles (effects.cpp).
Sound FootstepA();
Sound FootstepB();
Sound Jump();
Sound Slide();
Sound Impact();
Sound CaptionJingle();

// Cues of the levels, 2-6 s, fading in and out (ambience.cpp).
Sound AlarmSiren();
Sound Sewers();
Sound Construction();
Sound Suburbs();
Sound Fireworks();
Sound ThunderNear();
Sound ThunderFar();

// Things that pass by, in stereo (flybys.cpp).
Sound HelicopterPass();
Sound MetroPass();
Sound AeroplanePass();

}  // namespace SoundGen
