#include "engine/app/maemo_display.h"

#include "engine/app/maemo_application.h"

namespace Voke {

namespace {
// The one window surface; main thread only.
SmartPtr<MaemoSurface> g_windowSurface;
}  // namespace

MaemoDisplay* MaemoDisplay::Create(int width, int height)
{
    if (g_windowSurface) {
        g_windowSurface->Resize(width, height);
    } else {
        g_windowSurface = MaemoSurface::Create(width, height);
        if (!g_windowSurface) return nullptr;
    }
    return new MaemoDisplay(g_windowSurface);
}

MaemoDisplay::MaemoDisplay(MaemoSurface* surface)
    : Display(surface),
      m_orientation(surface && surface->GetWidth() > surface->GetHeight() ? kLandscape : kPortrait)
{
}

bool MaemoDisplay::SetOrientation(int orientation)
{
    long angle;
    if (orientation == kPortrait)
        angle = 270;
    else if (orientation == kLandscape)
        angle = 0;
    else
        return false;
    if (MaemoApplication* app = MaemoApplication::Instance())
        app->SetWindowCardinal("_MEEGOTOUCH_ORIENTATION_ANGLE", angle);
    return true;
}

MaemoSurface* MaemoDisplay::GetWindowSurface() { return g_windowSurface; }

void MaemoDisplay::ReleaseWindowSurface() { g_windowSurface.Reset(); }

}  // namespace Voke
