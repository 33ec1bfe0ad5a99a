// A small stereo room: eight damped feedback combs in parallel and four
// all-passes in series per side (the Schroeder-Moorer structure), the right
// side's delays a little longer so that a mono input comes out wide. Only the
// reverberant part is returned; callers mix it with the dry sound.
#pragma once

#include <cstddef>
#include <vector>

namespace SoundGen {

class Reverb {
public:
    // `size` 0..1 sets the decay (about 0.3 s at 0, about 4 s at 1), `damping`
    // 0..1 how fast the highs die compared with the lows.
    Reverb(double size, double damping);

    // One input sample in, one wet sample per side out.
    void Process(float in, float& left, float& right);

private:
    struct Comb {
        std::vector<float> line;
        size_t index = 0;
        float store = 0;
    };
    struct AllPass {
        std::vector<float> line;
        size_t index = 0;
    };
    float Side(float in, std::vector<Comb>& combs, std::vector<AllPass>& passes);

    float m_feedback;
    float m_damping;
    std::vector<Comb> m_combs[2];
    std::vector<AllPass> m_passes[2];
};

}  // namespace SoundGen

namespace SoundGen {

// `dry` plus `wet` times the room's answer to it, folded to mono. The room
// tail is cut at the track's end: recipes leave room for it and fade out.
std::vector<float> WithRoom(const std::vector<float>& dry, double size, double damping, double wet);

}  // namespace SoundGen
