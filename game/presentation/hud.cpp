#include "game/presentation/hud.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "engine/app/abstract_app.h"
#include "engine/core/strings.h"
#include "engine/core/text_dict.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "engine/text/format.h"
#include "engine/text/screen_text.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"

namespace {

// NOTE: animation rates, in amount per second.
constexpr float kBarsRate = 0.75f;
constexpr float kIntroEdgeRate = 3.1f;   // opening and closing
constexpr float kIntroHoldRate = 0.25f;  // four seconds of holding
constexpr float kGainFadeRate = 1.2f;
constexpr float kPanelsRate = 1.6f;

// NOTE: the distance the panels slide from off screen, in pixels.
constexpr float kPanelSlide = 200.0f;
// NOTE: the time bar's full width, in pixels.
constexpr int32_t kTimeBarWidth = 71;
// NOTE: one cell of the score-gain font strip: the prefix glyph, then the
// digits 0 to 9.
constexpr int32_t kGainCell = 13;
// NOTE: the layout boxes of the level texts and of the single glyphs.
constexpr int32_t kTitleBoxWidth = 256;
constexpr int32_t kGlyphBoxWidth = 16;
// NOTE: the width of the black band behind the level's name as it opens;
// the construction yard's name is longer than the others.
constexpr int32_t kIntroBandWidth = 82;
constexpr int32_t kLongIntroBandWidth = 121;
// NOTE: lives beyond two digits are shown as 99.
constexpr int32_t kMaxShownLives = 99;

const char* const kTitleIds[Hud::kLevels] = {
    "IDS_PRISON", "IDS_UNDERGROUND", "IDS_SEWERS", "IDS_CONSTRUCTION_YARD", "IDS_SUBURBS", "IDS_ROOFTOPS",
};
// The time of day each level starts at; literal, not translated.
const char* const kClockLabels[Hud::kLevels] = {
    "11:00 PM", "3:00 AM", "7:00 AM", "11:00 AM", "3:00 PM", "7:00 PM",
};

const char* const kPanelImageNames[] = {
    "hud_score_separator.png", "hud_score_icon.png",          "hud_time_bar.png",
    "hud_time_icon.png",       "main_menu_koncowka_down.png", "main_menu_koncowka_up.png",
};
const char* const kColourImageNames[] = {
    "c000000.png", "c4a4973.png", "c25263a.png", "cffffff.png", "lives-hud-icon.png", "lives-hud-separator.png",
};

// The level names in the chosen language, filled by every Load; built empty
// on first use and destroyed with the program's other statics.
std::array<Voke::WideString, Hud::kLevels>& LevelNameTable()
{
    static std::array<Voke::WideString, Hud::kLevels> s_LevelNames;
    return s_LevelNames;
}

Voke::WideString LookUpText(const char* id)
{
    Voke::TextDict* texts = Voke::AbstractApp::s_textDict;
    return texts ? texts->Get(id) : Voke::ToWideString(id);
}

Voke::Text::Format WhiteFormat(GameBase* owner, int32_t alignment)
{
    Voke::Text::Format format;
    format.fontSet = owner->m_Fonts;
    format.fontName = "default";
    format.color = {255, 255, 255, 255};
    format.alignment = alignment;
    format.flags = Voke::Text::Format::kFontName | Voke::Text::Format::kColor | Voke::Text::Format::kAlignment;
    return format;
}

// Amount * span in whole pixels, truncated toward zero.
int32_t Scaled(float amount, float span) { return TruncToPixel(amount * span); }

}  // namespace

void DestroyLevelNameTable()
{
    for (Voke::WideString& name : LevelNameTable()) Voke::WideString().swap(name);
}

Hud::Hud()
    : m_Owner(nullptr),
      m_Level(0),
      m_BarsAmount(0.0f),
      m_BarsState(kBarsHidden),
      m_IntroState(kIntroOff),
      m_IntroPhase(0.0f),
      m_PanelsState(kPanelsHidden),
      m_PanelsAmount(0.0f),
      m_Clock(0),
      m_TimeFraction(0.0f),
      m_GainActive(false),
      m_GainValue(0),
      m_GainAmount(0.0f),
      m_PlayerX(0),
      m_PlayerY(0)
{
}

Hud::~Hud() = default;

void Hud::Load()
{
    LoadTitleTexts();
    LoadDigitTexts();
    LoadPanelImages();
    LoadScoreFont();
    m_PanelsAmount = m_BarsAmount = m_IntroPhase = m_TimeFraction = 0.0f;
    m_PanelsState = kPanelsHidden;
    m_BarsState = kBarsHidden;
    m_IntroState = kIntroOff;
    for (int i = 0; i < kColourImages; ++i) m_ColourImages[i] = Voke::GetCachedSurface(kColourImageNames[i], false);
}

void Hud::LoadTitleTexts()
{
    std::array<Voke::WideString, kLevels>& names = LevelNameTable();
    for (int i = 0; i < kLevels; ++i) names[i] = LookUpText(kTitleIds[i]);
    if (!m_Owner) return;
    const Voke::Text::Format format = WhiteFormat(m_Owner, 0);
    const Voke::ScreenText::Size box{kTitleBoxWidth, 0};
    for (int i = 0; i < kLevels; ++i) {
        m_Titles[i] = new Voke::ScreenText(format, names[i], box);
        m_ClockLabels[i] = new Voke::ScreenText(format, Voke::ToWideString(kClockLabels[i]), box);
    }
}

void Hud::LoadDigitTexts()
{
    if (!m_Owner) return;
    const Voke::Text::Format format = WhiteFormat(m_Owner, 2);
    const Voke::ScreenText::Size box{kGlyphBoxWidth, 0};
    for (int d = 0; d < 10; ++d) {
        char text[4];
        std::snprintf(text, sizeof text, "%d", d);
        m_Digits[d] = new Voke::ScreenText(format, Voke::ToWideString(text), box);
    }
    m_Colon = new Voke::ScreenText(format, L":", box);
    m_Cross = new Voke::ScreenText(format, L"X", box);
}

void Hud::LoadPanelImages()
{
    for (int i = 0; i < kPanelImages; ++i) m_PanelImages[i] = Voke::GetCachedSurface(kPanelImageNames[i], true);
}

void Hud::LoadScoreFont()
{
    m_ScoreFont = Voke::GetCachedSurface("hud_score_font.png", true);
    m_GainActive = false;
    m_GainValue = 0;
    m_GainAmount = 0.0f;
    m_PlayerX = m_PlayerY = 0;
}

void Hud::Release()
{
    ReleaseGroupA();
    ReleaseGroupB();
    ReleaseScoreGain();
    ReleasePanelImages();
}

void Hud::ReleaseGroupA()
{
    for (auto& text : m_Titles) text = nullptr;
    for (auto& text : m_ClockLabels) text = nullptr;
}

void Hud::ReleaseGroupB()
{
    for (auto& text : m_Digits) text = nullptr;
    m_Colon = nullptr;
    m_Cross = nullptr;
}

void Hud::ReleaseScoreGain() { m_ScoreFont = nullptr; }

void Hud::ReleasePanelImages()
{
    for (auto& image : m_PanelImages) image = nullptr;
}

void Hud::Reset(int32_t level)
{
    // The index picks a title, a label and the banner's width: only the six
    // levels have them.
    m_Level = std::clamp<int32_t>(level, 0, kLevels - 1);
    m_TimeFraction = m_BarsAmount = m_IntroPhase = 0.0f;
    m_GainActive = false;
    m_BarsState = kBarsHidden;
    m_IntroState = kIntroOff;
}

void Hud::SetBarsShown()
{
    m_BarsState = kBarsShown;
    m_BarsAmount = 1.0f;
}

void Hud::HideBars()
{
    if (m_BarsState != kBarsShown) return;
    m_BarsState = kBarsGoingOut;
    m_BarsAmount = 1.0f;
}

void Hud::ShowBars()
{
    if (m_BarsState != kBarsHidden) return;
    m_BarsAmount = 0.0f;
    m_BarsState = kBarsComingIn;
}

void Hud::HidePanels()
{
    if (m_PanelsState == kPanelsShown) {
        m_PanelsAmount = 1.0f;
        m_PanelsState = kPanelsGoingOut;
    } else if (m_PanelsState == kPanelsComingIn) {
        // Reverses from where the slide-in has got to, without a jump.
        m_PanelsState = kPanelsGoingOut;
    }
}

void Hud::ShowLevelIntro()
{
    m_IntroPhase = 0.0f;
    m_IntroState = kIntroOpening;
}

void Hud::ShowScoreGain(int32_t points)
{
    m_GainValue = points;
    m_GainActive = true;
    m_GainAmount = 1.0f;
}

void Hud::SetPlayerPosition(int32_t x, int32_t y)
{
    m_PlayerX = x;
    m_PlayerY = y;
}

void Hud::Update(float dt)
{
    UpdateBars(dt);
    UpdateLevelIntro(dt);
    UpdateScoreGain(dt);
    UpdatePanels(dt);
}

void Hud::UpdateBars(float dt)
{
    if (m_BarsState == kBarsComingIn) {
        m_BarsAmount += kBarsRate * dt;
        if (m_BarsAmount > 1.0f) {
            m_BarsAmount = 1.0f;
            m_BarsState = kBarsShown;
        }
    } else if (m_BarsState == kBarsGoingOut) {
        m_BarsAmount -= kBarsRate * dt;
        if (m_BarsAmount < 0.0f) {
            m_BarsAmount = 0.0f;
            m_BarsState = kBarsHidden;
            // The letterbox has gone: the panels come in.
            if (m_PanelsState == kPanelsHidden) {
                m_PanelsAmount = 0.0f;
                m_PanelsState = kPanelsComingIn;
            }
        }
    }
}

void Hud::UpdateLevelIntro(float dt)
{
    if (m_IntroState == kIntroOff) return;
    m_IntroPhase += (m_IntroState == kIntroHolding ? kIntroHoldRate : kIntroEdgeRate) * dt;
    if (m_IntroPhase >= 1.0f) {
        // Opening, holding and closing follow each other; closing ends it.
        if (m_IntroState == kIntroClosing)
            m_IntroState = kIntroOff;
        else
            ++m_IntroState;
        m_IntroPhase = 0.0f;
    }
}

void Hud::UpdateScoreGain(float dt)
{
    if (!m_GainActive) return;
    m_GainAmount -= kGainFadeRate * dt;
    if (m_GainAmount <= 0.0f) {
        m_GainAmount = 0.0f;
        m_GainActive = false;
    }
}

void Hud::UpdatePanels(float dt)
{
    if (m_PanelsState == kPanelsComingIn) {
        m_PanelsAmount += kPanelsRate * dt;
        if (m_PanelsAmount > 1.0f) {
            m_PanelsAmount = 1.0f;
            m_PanelsState = kPanelsShown;
        }
    } else if (m_PanelsState == kPanelsGoingOut) {
        m_PanelsAmount -= kPanelsRate * dt;
        if (m_PanelsAmount < 0.0f) {
            m_PanelsAmount = 0.0f;
            m_PanelsState = kPanelsHidden;
        }
    }
}

void Hud::Draw(Voke::Surface* target)
{
    if (!m_Owner || !target) return;
    if (!m_Owner->m_Endless) {
        DrawStatusPanel(target);
        DrawLevelIntro(target);
    }
    DrawScorePanel(target);
    if (m_BarsState != kBarsHidden) DrawBars(target);
    DrawScoreGain(target);
}

void Hud::Fill(Voke::Surface* target, Voke::Surface* colour, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (!colour || width <= 0 || height <= 0) return;
    const float scale[2] = {static_cast<float>(width), static_cast<float>(height)};
    const float origin[2] = {0.0f, 0.0f};
    const Voke::Rect pixel{2, 2, 1, 1};
    Voke::Surface::BlitTransformed(target, colour, static_cast<float>(x), static_cast<float>(y), 0.0f, scale, origin,
                                   0, pixel);
}

void Hud::DrawText(Voke::Surface* target, const Voke::ScreenText* text, int32_t x, int32_t y)
{
    if (!text || !text->GetGlyphs() || !text->GetGlyphs()[0].page) return;
    text->Draw(target, x, y);
}

void Hud::DrawDigit(Voke::Surface* target, int32_t digit, int32_t x, int32_t y)
{
    if (digit < 0 || digit > 9) return;
    DrawText(target, m_Digits[digit], x, y);
}

void Hud::BlitImage(Voke::Surface* target, Voke::Surface* image, int32_t x, int32_t y)
{
    if (image) Voke::Surface::Blit(target, x, y, image, image->GetClipRect());
}

int32_t Hud::WidthOf(const Voke::Surface* image) { return image ? image->GetWidth() : 0; }

void Hud::DrawStatusPanel(Voke::Surface* target)
{
    if (m_PanelsState == kPanelsHidden) return;
    const int32_t x0 = -Scaled(1.0f - m_PanelsAmount, kPanelSlide);
    const int32_t s = WidthOf(m_ColourImages[kLivesSeparator]);
    const int32_t i = WidthOf(m_ColourImages[kLivesIcon]);

    Fill(target, m_ColourImages[kPanelLine], x0, 26, s + 113, 1);
    Fill(target, m_ColourImages[kPanelFill], x0, 8, s + 113, 18);
    BlitImage(target, m_PanelImages[kTimeBar], x0 + 3, 19);
    BlitImage(target, m_PanelImages[kTimeIcon], x0 + 3, 6);
    BlitImage(target, m_ColourImages[kLivesSeparator], x0 + 81, 11);
    BlitImage(target, m_ColourImages[kLivesIcon], x0 + s + 88, 11);
    BlitImage(target, m_PanelImages[kCapUp], x0 + s + 113, 8);

    const int32_t bar = std::clamp(Scaled(m_TimeFraction, static_cast<float>(kTimeBarWidth)), 0, kTimeBarWidth);
    Fill(target, m_ColourImages[kWhite], x0 + 3, 21, bar, 2);

    // A clock before midnight of the first day cannot be negative; one that
    // is shows midnight.
    const int32_t c = std::max<int32_t>(m_Clock, 0);
    const int32_t hours = (c / 3600) % 24, minutes = (c % 3600) / 60, seconds = c % 60;
    DrawDigit(target, hours / 10, x0 + 21, 2);
    DrawDigit(target, hours % 10, x0 + 28, 2);
    DrawDigit(target, minutes / 10, x0 + 38, 2);
    DrawDigit(target, minutes % 10, x0 + 45, 2);
    DrawDigit(target, seconds / 10, x0 + 55, 2);
    DrawDigit(target, seconds % 10, x0 + 62, 2);
    DrawText(target, m_Colon, x0 + 33, 1);
    DrawText(target, m_Colon, x0 + 50, 1);

    int32_t n = std::clamp<int32_t>(m_Owner->m_Lives, 0, kMaxShownLives);
    int32_t x = x0 + s + i + 88;
    if (n >= 10) {
        DrawDigit(target, n / 10, x, 8);
        x += 7;
        n %= 10;
    }
    DrawDigit(target, n, x, 8);
}

void Hud::DrawLevelIntro(Voke::Surface* target)
{
    if (m_IntroState == kIntroOff) return;
    const int32_t W = m_Owner->m_ScreenWidth;
    const int32_t H = m_Owner->m_ScreenHeight;
    const int32_t full = m_Level == kLevelConstructionYard ? kLongIntroBandWidth : kIntroBandWidth;
    const float F = static_cast<float>(full);
    const float p = m_IntroPhase;
    int32_t w = full;
    if (m_IntroState == kIntroOpening) w = Scaled(F, p);
    if (m_IntroState == kIntroClosing) w = Scaled(F, 1.0f - p);
    const int32_t y0 = Scaled(static_cast<float>(H), 0.7f);

    Fill(target, m_ColourImages[kBlack], W - w, y0 + 1, w + 1, 16);
    Fill(target, m_ColourImages[kBlack], W - w - 1, y0 + 2, w + 3, 14);
    if (m_IntroState != kIntroHolding) return;

    // The title slides in during the first 5 % of the hold and the label in
    // the next 5 %; both slide out at the end, the title first.
    const int32_t b = W + 3 - full;
    int32_t titleOffset = 0;
    if (p <= 0.05f)
        titleOffset = Scaled(F, 1.0f - 20.0f * p);
    else if (p >= 0.9f)
        titleOffset = Scaled((p - 0.9f) * 20.0f, F);
    int32_t labelOffset = 0;
    if (p <= 0.1f)
        labelOffset = Scaled(1.0f - (p - 0.05f) * 20.0f, F);
    else if (p >= 0.95f)
        labelOffset = Scaled(F * 20.0f, p - 0.95f);
    DrawText(target, m_Titles[m_Level], b + titleOffset, y0);
    DrawText(target, m_ClockLabels[m_Level], b + labelOffset, y0 + 16);
}

void Hud::DrawScorePanel(Voke::Surface* target)
{
    if (m_PanelsState == kPanelsHidden) return;
    const int32_t xr = m_Owner->m_ScreenWidth - 90 + Scaled(1.0f - m_PanelsAmount, kPanelSlide);

    Fill(target, m_ColourImages[kPanelLine], xr - 30, 8, 120, 1);
    Fill(target, m_ColourImages[kPanelFill], xr - 30, 9, 120, 18);
    BlitImage(target, m_PanelImages[kCapDown], xr - 60, 8);
    BlitImage(target, m_PanelImages[kScoreSeparator], xr - 40, 10);
    BlitImage(target, m_PanelImages[kScoreIcon], xr + 18, 12);

    // Seven digits, leading zeros; a larger score shows its last seven.
    int32_t score = std::max<int32_t>(m_Owner->m_Score, 0);
    for (int32_t x = xr + 76; x >= xr + 34; x -= 7) {
        DrawDigit(target, score % 10, x, 10);
        score /= 10;
    }

    const int32_t m = m_Owner->m_Multiplier;
    int32_t x = xr - 18;
    if (m > 10) {
        // The start moves right as the number gains digits, so that the
        // number and its cross stay roughly centred.
        int64_t power = 100;
        int32_t k = 1;
        while (power < m) {
            power *= 10;
            ++k;
        }
        x = xr - 25 + 7 * (k + 2) / 2;
    }
    if (m >= 1) {
        for (int32_t rest = m;;) {
            DrawDigit(target, rest % 10, x, 9);
            rest /= 10;
            if (rest == 0) break;
            x -= 7;
        }
        x -= 7;
    }
    DrawText(target, m_Cross, x, 9);
}

void Hud::DrawBars(Voke::Surface* target)
{
    const int32_t W = m_Owner->m_ScreenWidth;
    const int32_t H = m_Owner->m_ScreenHeight;
    // One twelfth of the screen height at full amount.
    const int32_t h = Scaled(static_cast<float>(Scaled(static_cast<float>(H), 0.083333336f)), m_BarsAmount);
    Fill(target, m_ColourImages[kBlack], 0, 0, W, h);
    Fill(target, m_ColourImages[kBlack], 0, H - h, W, h + 1);
}

void Hud::DrawScoreGain(Voke::Surface* target)
{
    if (!m_GainActive || !m_ScoreFont) return;
    const float a = m_GainAmount;
    m_ScoreFont->SetOpacity(static_cast<uint8_t>(std::clamp(Scaled(a, 256.0f), 0, 255)));

    const int32_t v = m_GainValue;
    int32_t n = 1;
    for (int32_t rest = v; rest > 0; rest /= 10) ++n;
    // The popup rises 40 pixels and drifts 4 to the left as it fades.
    int32_t x = m_PlayerX + 40 - Scaled(1.0f - a, 4.0f) + kGainCell * n;
    const int32_t y = m_PlayerY - 20 + Scaled(a, 40.0f);
    const int32_t h = m_ScoreFont->GetHeight();
    for (int32_t rest = v; rest > 0; rest /= 10) {
        const Voke::Rect cell{kGainCell * (rest % 10 + 1), 0, kGainCell, h};
        Voke::Surface::Blit(target, x, y, m_ScoreFont, &cell);
        x -= kGainCell;
    }
    const Voke::Rect prefix{0, 0, kGainCell, h};
    Voke::Surface::Blit(target, x, y, m_ScoreFont, &prefix);
}
