#include "game/core/game_base.h"

#include <cmath>
#include <cstdint>

#include "engine/app/clock.h"
#include "engine/core/rng.h"
#include "engine/graphics/surface.h"
#include "engine/text/font_ex.h"
#include "engine/text/font_set.h"
#include "game/core/pixel_math.h"

GameBase::GameBase()
    : m_ScreenWidth(0),
      m_ScreenHeight(0),
      m_PointerScaleX(0.0f),
      m_PointerScaleY(0.0f),
      m_ShakeX(0),
      m_ShakeY(0),
      m_RunTime(0),
      m_LevelTime(0),
      m_RunDistance(0.0f),
      m_LevelDistance(0.0f),
      m_Jumps(0),
      m_Slides(0),
      m_ObstaclesDestroyed(0),
      m_Score(0),
      m_Multiplier(1),
      m_Completed(0),
      m_Lives(0),
      m_Random(nullptr),
      m_Resolution(nullptr),
      m_SoundOn(true),
      m_TutorialShown(false),
      m_FromLevelMenu(false),
      m_Endless(false),
      m_EndlessLevel(0),
      m_SwapControls(false)
{
}

GameBase::~GameBase()
{
    m_Fonts = nullptr;
    m_BigFont = nullptr;
    m_DefaultFont = nullptr;
}

void GameBase::InitRandom() { InitRandom(static_cast<uint32_t>(Voke::GetTime())); }

void GameBase::InitRandom(uint32_t seed)
{
    m_Random = new Voke::RNG(seed);
    m_Shake.SetRandom(m_Random);
}

void GameBase::ReleaseRandom()
{
    m_Shake.Release();
    m_Shake.SetRandom(nullptr);
    m_Random.Reset();
}

int32_t GameBase::Random()
{
    if (!m_Random) return 0;
    return static_cast<int32_t>(m_Random->GetUInt32() % 32767u);
}

void GameBase::UpdateShake(float dt)
{
    m_Shake.Update(dt);
    m_ShakeX = m_Shake.GetOffsetX();
    m_ShakeY = m_Shake.GetOffsetY();
}

int32_t StrICmp(const char* a, const char* b)
{
    if (!a) return -1;
    if (!b) return 1;
    for (;; ++a, ++b) {
        unsigned ca = static_cast<unsigned char>(*a);
        unsigned cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 32;
        if (cb >= 'A' && cb <= 'Z') cb += 32;
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

void ComputeParallaxTile(const GameBase* /*owner*/, int32_t unitX, int32_t unitY, int32_t width, int32_t* outX,
                         int32_t* outY, float scrollX, float scrollY, float divisor)
{
    int32_t v = 0;
    if (divisor > 0.0f) v = TruncToPixel(static_cast<float>(unitX) * scrollX / divisor);
    if (width >= 1 && v >= 0) v %= width;
    if (outX) *outX = v;

    int32_t y = 0;
    if (divisor >= 1.0f)
        y = TruncToPixel(static_cast<float>(unitY) * scrollY / divisor);
    else if (divisor > 0.0f)
        y = TruncToPixel(static_cast<float>(unitY) * scrollY);
    if (outY) *outY = y;
}

void DrawPanel(Voke::Surface* surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    static const Voke::Color kFrame = Voke::MakeColor(40, 42, 65, 255);
    static const Voke::Color kFill = Voke::MakeColor(30, 32, 55, 228);
    Voke::Surface::DrawRectFrame(surface, x1, y1, x2 + 1, y2 + 1, &kFrame);
    Voke::Surface::FillRect(surface, x1 + 3, y1 + 3, x2 - 2, y2 - 2, &kFill);
}
