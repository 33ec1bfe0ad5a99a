#include "tools/soundgen/reverb.h"

#include "tools/soundgen/signal.h"

namespace SoundGen {

namespace {

// Mutually prime delays in frames at 44100 Hz, halved for our rate; the
// right side adds a spread of 23 frames (at 44100 Hz).
const int kCombFrames[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
const int kPassFrames[4] = {556, 441, 341, 225};
const int kSpread = 23;

}  // namespace

Reverb::Reverb(double size, double damping)
{
    size = size < 0 ? 0 : (size > 1 ? 1 : size);
    damping = damping < 0 ? 0 : (damping > 1 ? 1 : damping);
    m_feedback = static_cast<float>(0.7 + 0.28 * size);
    m_damping = static_cast<float>(0.4 * damping);
    const double scale = kRate / 44100.0;
    for (int side = 0; side < 2; ++side) {
        for (int frames : kCombFrames) {
            Comb comb;
            comb.line.assign(static_cast<size_t>((frames + side * kSpread) * scale), 0.0f);
            m_combs[side].push_back(comb);
        }
        for (int frames : kPassFrames) {
            AllPass pass;
            pass.line.assign(static_cast<size_t>((frames + side * kSpread) * scale), 0.0f);
            m_passes[side].push_back(pass);
        }
    }
}

float Reverb::Side(float in, std::vector<Comb>& combs, std::vector<AllPass>& passes)
{
    float out = 0;
    for (Comb& comb : combs) {
        const float y = comb.line[comb.index];
        comb.store = y * (1 - m_damping) + comb.store * m_damping;
        comb.line[comb.index] = in + comb.store * m_feedback;
        if (++comb.index == comb.line.size()) comb.index = 0;
        out += y;
    }
    for (AllPass& pass : passes) {
        const float buffered = pass.line[pass.index];
        pass.line[pass.index] = out + buffered * 0.5f;
        out = buffered - out;
        if (++pass.index == pass.line.size()) pass.index = 0;
    }
    return out;
}

void Reverb::Process(float in, float& left, float& right)
{
    // NOTE: the input gain of 0.015 keeps eight combs of feedback up to 0.98
    // near unity overall, as in the classic design.
    const float x = in * 0.015f;
    left = Side(x, m_combs[0], m_passes[0]);
    right = Side(x, m_combs[1], m_passes[1]);
}

}  // namespace SoundGen

namespace SoundGen {

std::vector<float> WithRoom(const std::vector<float>& dry, double size, double damping, double wet)
{
    Reverb room(size, damping);
    std::vector<float> out(dry.size());
    // NOTE: 3 is the room's output scale at which wet = 1 is about as loud as
    // the dry sound for sustained input.
    const float gain = static_cast<float>(3.0 * wet * 0.5);
    for (size_t i = 0; i < dry.size(); ++i) {
        float l, r;
        room.Process(dry[i], l, r);
        out[i] = dry[i] + gain * (l + r);
    }
    return out;
}

}  // namespace SoundGen
