#include "engine/audio/mixer.h"

namespace Voke {

void Mixer::SetPaused(int reasons, bool paused)
{
    if (paused)
        m_pauseMask.fetch_or(reasons);
    else
        m_pauseMask.fetch_and(~reasons);
}

}  // namespace Voke
