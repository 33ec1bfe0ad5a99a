#include "engine/debug/debug_overlay.h"

namespace Voke {

bool DebugOverlay::s_visible = false;
bool DebugOverlay::s_holdsInput = false;

void DebugOverlay::Update(float&) {}
void DebugOverlay::Render(MaemoSurface*) {}
void DebugOverlay::OnKeyDown(unsigned) {}
void DebugOverlay::OnKeyUp(unsigned) {}
void DebugOverlay::OnPointerDown(int, int, int) {}
void DebugOverlay::OnPointerUp(int, int, int) {}
void DebugOverlay::OnPointerMove(int, int, int) {}

}  // namespace Voke
