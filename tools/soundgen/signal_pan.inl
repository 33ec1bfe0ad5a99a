// Template body of SoundGen::PanTrack (included by signal.h).
#include <cmath>

namespace SoundGen {

template <typename PanOfTime>
Sound PanTrack(const std::vector<float>& mono, PanOfTime pan)
{
    Sound out(static_cast<int>(mono.size()), true);
    for (size_t i = 0; i < mono.size(); ++i) {
        double p = pan(double(i) / kRate);
        p = p < -1 ? -1 : (p > 1 ? 1 : p);
        const double angle = (p + 1) * kPi / 4;
        out.left[i] = static_cast<float>(mono[i] * std::cos(angle));
        out.right[i] = static_cast<float>(mono[i] * std::sin(angle));
    }
    return out;
}

}  // namespace SoundGen
