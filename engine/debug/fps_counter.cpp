#include "engine/debug/fps_counter.h"

namespace Voke {

void FpsCounter::Update(float seconds)
{
    m_elapsed += seconds;
    ++m_frames;
    if (m_elapsed > kPeriod) {
        m_fps = float(m_frames) / m_elapsed;
        m_frames = 0;
        m_elapsed = 0.0f;
    }
}

}  // namespace Voke
