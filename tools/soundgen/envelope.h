// Envelopes as functions of time, so that a note's level at any moment
// depends only on how long ago it started (and how long it was held): a note
// rendered twice, anywhere in a tune, sounds the same.
//
// - Adsr: linear attack, exponential decay towards the sustain level, and a
//   release that reaches exact silence at its end (no click when the voice
//   is cut).
// - Curve: straight lines between breakpoints (time, value); before the
//   first point the first value holds, after the last the last.
#pragma once

#include <utility>
#include <vector>

namespace SoundGen {

struct Adsr {
    double attack = 0.005;  // seconds from 0 to 1
    double decay = 0.1;     // time constant, seconds, from 1 towards sustain
    double sustain = 1.0;   // level while held
    double release = 0.05;  // seconds from the level at release to 0

    // Level at `t` seconds after the note started, the note being held for
    // `gate` seconds. 0 before the start and from gate + release on.
    double At(double t, double gate) const;
    // Seconds after which the level stays 0 for a note held `gate` seconds.
    double End(double gate) const { return gate + release; }

private:
    double Held(double t) const;
};

class Curve {
public:
    Curve(std::initializer_list<std::pair<double, double>> points) : m_points(points) {}
    double At(double t) const;

private:
    std::vector<std::pair<double, double>> m_points;
};

// A one-sided decay: 0 before `t` = 0, then a linear rise over `attack`
// seconds and an exponential fall with time constant `tau`. The shape of
// struck things (drums, drops, hammer blows).
double Strike(double t, double attack, double tau);

}  // namespace SoundGen
