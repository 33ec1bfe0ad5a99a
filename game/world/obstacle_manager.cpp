#include "game/world/obstacle_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"
#include "game/core/xml_elements.h"
#include "game/presentation/sound_bank.h"
#include "game/world/building_manager.h"

namespace {

// The kinds of each level, in the order placement indexes them.
const char* const kLevel0Kinds[] = {"beczka_red.png", "beczki.png", "skrzynia2.png"};
const char* const kLevel1Kinds[] = {"wozek.png", "skrzynia2.png"};
const char* const kLevel2Kinds[] = {"beczka_red.png", "beczka_kanal.png"};
const char* const kLevel3Kinds[] = {"beczka_red.png", "beczki.png", "skrzynia2.png"};
const char* const kLevel4Kinds[] = {"skrzynia2.png", "beczki.png"};
const char* const kLevel5Kinds[] = {"beczka_red.png", "beczki.png", "skrzynia2.png"};

struct KindList {
    const char* const* names;
    size_t count;
};

template <size_t N>
constexpr KindList Kinds(const char* const (&names)[N])
{
    return {names, N};
}

const KindList kLevelKinds[6] = {Kinds(kLevel0Kinds), Kinds(kLevel1Kinds), Kinds(kLevel2Kinds),
                                 Kinds(kLevel3Kinds), Kinds(kLevel4Kinds), Kinds(kLevel5Kinds)};

// Kinds that break into an upper and a lower half, in the order tested. The
// first seven are in no level's list and count only if a list names them.
const struct {
    const char* image;
    const char* upper;
    const char* lower;
} kFragmentImages[] = {
    {"obstacle_02.png", "obstacle_02_frag01.png", "obstacle_02_frag02.png"},
    {"obstacle_03.png", "obstacle_03_frag01.png", "obstacle_03_frag02.png"},
    {"obstacle_04.png", "obstacle_04_frag01.png", "obstacle_04_frag02.png"},
    {"obstacle_05.png", "obstacle_05_frag01.png", "obstacle_05_frag02.png"},
    {"paczki1.png", "paczki1_frag01.png", "paczki1_frag02.png"},
    {"paczki2.png", "paczki2_frag01.png", "paczki2_frag02.png"},
    {"paczki3.png", "paczki3_frag01.png", "paczki3_frag02.png"},
    {"beczka_kanal.png", "beczka_kanal_frag01.png", "beczka_kanal_frag02.png"},
    {"beczka_red.png", "beczka_red_frag01.png", "beczka_red_frag02.png"},
    {"beczki.png", "beczki_frag01.png", "beczki_frag02.png"},
    {"skrzynia2.png", "skrzynia2_frag01.png", "skrzynia2_frag02.png"},
    {"wozek.png", "wozek_frag01.png", "wozek_frag02.png"},
};

// Splinter colours of the kinds that have their own; others are white.
const struct {
    const char* image;
    uint8_t rgb[3];
} kFragmentColours[] = {
    {"beczka_red.png", {214, 68, 82}},
    {"beczki.png", {177, 178, 203}},
    {"skrzynia2.png", {208, 171, 149}},
    {"wozek.png", {197, 190, 174}},
    {"beczka_kanal.png", {170, 230, 5}},
};
const uint8_t kWhite[3] = {255, 255, 255};
static_assert(sizeof kFragmentColours / sizeof kFragmentColours[0] + 1 == kFragmentTiles,
              "one tile per splinter colour and white");

// The colour of tile slot i: the kinds' colours in table order, white last.
const uint8_t* TileColour(int32_t i)
{
    return i < kFragmentTiles - 1 ? kFragmentColours[i].rgb : kWhite;
}

// A splinter is drawn from the one-colour image named after its colour.
void TileName(const uint8_t* rgb, char (&name)[16])
{
    std::snprintf(name, sizeof name, "c%02x%02x%02x.png", rgb[0], rgb[1], rgb[2]);
}

// An obstacle is forgotten and its splinters fly for this long, s.
constexpr float kHitDuration = 1.0f;
constexpr float kBreakDuration = 1.0f;
constexpr float kFragmentLife = 0.65f;
constexpr float kFragmentMaxSpeed = 2400.0f;

int32_t WidthOf(const Voke::Surface* image) { return image ? image->GetWidth() : 0; }
int32_t HeightOf(const Voke::Surface* image) { return image ? image->GetHeight() : 0; }

// Draws the whole image, turned by `angle` about its centre, with the centre
// at (x, y).
void BlitSpinning(Voke::Surface* target, Voke::Surface* image, int32_t x, int32_t y, float angle)
{
    const int32_t w = image->GetWidth();
    const int32_t h = image->GetHeight();
    const float scale[2] = {1.0f, 1.0f};
    const float pivot[2] = {static_cast<float>(w / 2), static_cast<float>(h / 2)};
    Voke::Surface::BlitTransformed(target, image, static_cast<float>(x), static_cast<float>(y), angle, scale, pivot,
                                   0, Voke::Rect{0, 0, w, h});
}

// The spacing entry named by the element's "level" (1 to 6), or null.
ObstacleSpacing* SpacingOf(const Voke::XmlIt& element, ObstacleSpacing* spacing)
{
    int level = 0;
    element.GetAttribute("level", level);
    const unsigned index = static_cast<unsigned>(level) - 1u;
    return index < 6u ? &spacing[index] : nullptr;
}

}  // namespace

ObstacleManager::ObstacleManager()
    : m_Game(nullptr),
      m_Level(0),
      m_ScrollX(0.0f),
      m_ScrollY(0.0f),
      m_DrawX(0),
      m_DrawY(0),
      m_Buildings(nullptr),
      m_SoundBank(nullptr),
      m_Generating(false),
      m_NextId(0),
      m_Cursor(0)
{
}

ObstacleManager::~ObstacleManager() = default;

void ObstacleManager::ReadParams() { ReadParamsFrom("obstacles.xml"); }

bool ObstacleManager::ReadParamsFrom(const char* fileName)
{
    if (!fileName) return false;
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;
    VisitXmlElements(document.Get(), [this](const Voke::XmlIt& element) {
        const char* name = element.GetName();
        if (StrICmp(name, "MinimumDistanceBetweenTwoObstacles") == 0) {
            if (ObstacleSpacing* entry = SpacingOf(element, m_Spacing))
                element.GetAttribute("value", entry->MinimumDistanceBetweenTwoObstacles);
        }
        if (StrICmp(name, "AdditionalRandomDistanceBetweenTwoObstacles") == 0) {
            if (ObstacleSpacing* entry = SpacingOf(element, m_Spacing)) {
                int value = entry->AdditionalRandomDistanceBetweenTwoObstacles;
                // A remainder by 0 has no meaning: 1 is the least extra range.
                if (element.GetAttribute("value", value))
                    entry->AdditionalRandomDistanceBetweenTwoObstacles = value < 1 ? 1 : value;
            }
        }
    });
    return true;
}

void ObstacleManager::FillImageList(int32_t level)
{
    if (level < 0 || level >= 6) return;
    m_Images.clear();
    const KindList& kinds = kLevelKinds[level];
    for (size_t i = 0; i < kinds.count; ++i) m_Images.emplace_back(kinds.names[i]);
}

void ObstacleManager::AssignFragments(Obstacle& obstacle)
{
    if (!obstacle.m_Active || obstacle.m_Hit || obstacle.m_Broken) return;
    for (const auto& row : kFragmentImages) {
        if (StrICmp(obstacle.m_Name, row.image) != 0) continue;
        obstacle.m_HasFragments = true;
        obstacle.m_UpperHalf = Voke::GetCachedSurface(row.upper, true);
        obstacle.m_LowerHalf = Voke::GetCachedSurface(row.lower, true);
        return;
    }
}

void ObstacleManager::GetFragmentColour(int32_t id, uint8_t* rgb) const
{
    if (!rgb) return;
    auto it = m_ObstacleMap.find(id);
    if (it == m_ObstacleMap.end()) return;
    for (const auto& row : kFragmentColours) {
        if (StrICmp(it->second.m_Name, row.image) != 0) continue;
        rgb[0] = row.rgb[0];
        rgb[1] = row.rgb[1];
        rgb[2] = row.rgb[2];
        return;
    }
}

int32_t ObstacleManager::Random() { return m_Game ? m_Game->Random() : 0; }

void ObstacleManager::SetupForLevel(int32_t level)
{
    m_Level = level;
    m_ObstacleMap.clear();
    m_ScrollX = m_ScrollY = 0.0f;
    m_DrawX = m_DrawY = 0;
    FillImageList(level);
    ResetFragments();
    for (int32_t i = 0; i < kFragmentTiles; ++i) {
        char name[16];
        TileName(TileColour(i), name);
        m_FragmentTiles[i] = Voke::GetCachedSurface(name, false);
    }
}

void ObstacleManager::SetBuildingManager(BuildingManager* buildings)
{
    m_Buildings = buildings;
    if (buildings) buildings->SetObstacleManager(this);
}

void ObstacleManager::ResetFragments()
{
    for (ObstacleFragment& fragment : m_Fragments) fragment = ObstacleFragment();
}

void ObstacleManager::Generate(bool reset)
{
    if (reset) {
        m_ObstacleMap.clear();
        m_Cursor = 0;
        m_Generating = true;
        m_NextId = 0;
    }
    if (!m_Buildings || !m_Generating || m_Images.empty()) return;
    const int32_t level = m_Level >= 0 && m_Level < 6 ? m_Level : 0;
    // A negative gap would let candidates pile up on one spot, and a
    // remainder by less than 1 has no meaning.
    const int32_t minimum = std::max(m_Spacing[level].MinimumDistanceBetweenTwoObstacles, 0);
    const int32_t additional = std::max(m_Spacing[level].AdditionalRandomDistanceBetweenTwoObstacles, 1);

    const int32_t limit = m_Buildings->GetLastBuildingRight();
    while (m_Cursor < limit) {
        // Both numbers are drawn and the cursor steps for every candidate,
        // kept or not, so that one seed gives one placement.
        const int32_t r1 = Random();
        const std::string& name = m_Images[static_cast<uint32_t>(r1) % m_Images.size()];
        Obstacle obstacle;
        std::strncpy(obstacle.m_Name, name.c_str(), kObstacleNameLength);
        obstacle.m_Name[kObstacleNameLength] = '\0';
        obstacle.m_Image = Voke::GetCachedSurface(obstacle.m_Name, true);
        obstacle.m_Active = true;
        const int32_t width = WidthOf(obstacle.m_Image.Get());
        const int32_t height = HeightOf(obstacle.m_Image.Get());

        const int32_t x1 = m_Cursor;
        const int32_t r2 = Random();
        const int64_t next = int64_t(x1) + width + minimum + r2 % additional;
        // At least a pixel per candidate, so that the walk always ends.
        m_Cursor = static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(next, int64_t(x1) + 1), INT32_MAX));
        // An image that did not load has no size to place.
        if (!obstacle.m_Image) continue;

        obstacle.m_Box[0] = x1;
        obstacle.m_Box[1] = 0;
        obstacle.m_Box[2] = x1 + width;
        obstacle.m_Box[3] = height;
        std::memcpy(obstacle.m_HitBox, obstacle.m_Box, sizeof obstacle.m_Box);
        AssignFragments(obstacle);
        if (!PlaceOnRoof(obstacle)) continue;
        m_ObstacleMap.emplace(m_NextId, std::move(obstacle));
        m_NextId += 1;
    }
}

bool ObstacleManager::PlaceOnRoof(Obstacle& obstacle)
{
    if (!m_Buildings || !obstacle.m_Active) return false;
    int32_t key = -1;
    const int32_t* box = obstacle.m_HitBox;
    const int32_t y = m_Buildings->FindRoofSpot(box[0], box[1], box[2], box[3], false, &key);
    if (y < 0 || m_Buildings->IsReached(key)) return false;
    // The lowest pixel row lands on the roof's collision top.
    const int32_t d = y + 1;
    obstacle.m_Box[1] += d;
    obstacle.m_Box[3] += d;
    obstacle.m_HitBox[1] += d;
    obstacle.m_HitBox[3] += d;
    return true;
}

void ObstacleManager::SetDrawOffset(int32_t x, int32_t y)
{
    m_DrawX = x;
    m_DrawY = y;
}

void ObstacleManager::SetScroll(float x, float y)
{
    m_ScrollX = x;
    m_ScrollY = y;
}

bool ObstacleManager::FindHit(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t* id) const
{
    for (const auto& [key, obstacle] : m_ObstacleMap) {
        if (!obstacle.m_Active || obstacle.m_Hit || obstacle.m_Broken) continue;
        const int32_t* box = obstacle.m_HitBox;
        if (box[0] > x2) return false;  // every later obstacle lies further right
        if (box[2] >= x1 && box[3] >= y1 && box[1] <= y2) {
            if (id) *id = key;
            return true;
        }
    }
    return false;
}

void ObstacleManager::MarkHit(int32_t id)
{
    auto it = m_ObstacleMap.find(id);
    if (it == m_ObstacleMap.end()) return;
    it->second.m_Hit = true;
    it->second.m_HitTime = 0.0f;
}

void ObstacleManager::Break(int32_t id)
{
    auto it = m_ObstacleMap.find(id);
    if (it == m_ObstacleMap.end()) return;
    Obstacle& obstacle = it->second;
    obstacle.m_Broken = true;
    obstacle.m_BreakTime = 0.0f;
    for (int32_t i = 0; i < kObstacleFragments; ++i) {
        ObstacleFragment fragment;
        fragment.m_LifeSpan = kFragmentLife;
        fragment.m_StartX = static_cast<float>((obstacle.m_Box[0] + obstacle.m_Box[2]) / 2);
        fragment.m_StartY = static_cast<float>((obstacle.m_Box[1] + obstacle.m_Box[3]) / 2);
        fragment.m_MaxSpeedX = fragment.m_MaxSpeedY = kFragmentMaxSpeed;
        // One splinter in four is 3 px.
        fragment.m_Size = (Random() & 3) != 0 ? 2 : 3;
        GetFragmentColour(id, fragment.m_Colour);
        EmitFragment(fragment);
    }
}

void ObstacleManager::EmitFragment(const ObstacleFragment& fragment)
{
    for (ObstacleFragment& slot : m_Fragments) {
        if (slot.m_Active) continue;
        slot = fragment;
        slot.m_Active = true;
        slot.m_Life = fragment.m_LifeSpan;
        slot.m_X = fragment.m_StartX;
        slot.m_Y = fragment.m_StartY;
        // Always forward; up or down.
        slot.m_SpeedX = static_cast<float>(Random() % 1000) * 0.001f * fragment.m_MaxSpeedX;
        slot.m_SpeedY = (static_cast<float>(Random() % 1000) * 0.001f - 0.5f) * fragment.m_MaxSpeedY;
        return;
    }
}

void ObstacleManager::UpdateFragments(float dt)
{
    for (ObstacleFragment& fragment : m_Fragments) {
        if (!fragment.m_Active) continue;
        if (fragment.m_Life <= 0.0f) {
            fragment.m_Active = false;
            continue;
        }
        fragment.m_X += dt * fragment.m_SpeedX;
        fragment.m_Y += dt * fragment.m_SpeedY;
        fragment.m_Life -= dt;
    }
}

void ObstacleManager::Update(float dt)
{
    for (auto& [key, obstacle] : m_ObstacleMap) {
        if (!obstacle.m_Active) continue;
        if (obstacle.m_Hit) {
            obstacle.m_HitTime += dt;
            if (obstacle.m_HitTime >= kHitDuration) obstacle.m_Active = false;
        }
        if (obstacle.m_Broken) {
            if (!obstacle.m_SoundDone) {
                obstacle.m_SoundDone = true;
                if (m_SoundBank) m_SoundBank->Play(kSoundImpact);
            }
            obstacle.m_BreakTime += dt;
            if (obstacle.m_BreakTime >= kBreakDuration) obstacle.m_Active = false;
        }
    }
    UpdateFragments(dt);

    // Forget what has passed the left edge of the screen.
    const int32_t shakeX = m_Game ? m_Game->m_ShakeX : 0;
    while (!m_ObstacleMap.empty()) {
        const Obstacle& first = m_ObstacleMap.begin()->second;
        const int64_t right = int64_t(first.m_Box[0]) + m_DrawX + shakeX - TruncToPixel(m_ScrollX) +
                              WidthOf(first.m_Image.Get());
        if (right >= 0) break;
        m_ObstacleMap.erase(m_ObstacleMap.begin());
    }
}

void ObstacleManager::ClearAhead(int32_t x)
{
    for (auto it = m_ObstacleMap.begin(); it != m_ObstacleMap.end();) {
        if (it->second.m_Active && it->second.m_Box[0] >= x)
            it = m_ObstacleMap.erase(it);
        else
            ++it;
    }
    m_Generating = false;
}

void ObstacleManager::Render(Voke::Surface* target)
{
    const int32_t W = m_Game ? m_Game->m_ScreenWidth : kLogicalScreenWidth;
    const int32_t H = m_Game ? m_Game->m_ScreenHeight : kLogicalScreenHeight;
    const int32_t shakeX = m_Game ? m_Game->m_ShakeX : 0;
    const int32_t shakeY = m_Game ? m_Game->m_ShakeY : 0;
    for (auto& [key, obstacle] : m_ObstacleMap) {
        Voke::Surface* image = obstacle.m_Image.Get();
        if (!obstacle.m_Active || !image) continue;
        const int32_t sx = obstacle.m_Box[0] + m_DrawX + shakeX - TruncToPixel(m_ScrollX);
        const int32_t sy = obstacle.m_Box[1] + m_DrawY + shakeY - TruncToPixel(m_ScrollY);
        const int32_t w = image->GetWidth();
        const int32_t h = image->GetHeight();

        if (obstacle.m_Broken) {
            // The upper half flies up and the lower one falls, both spinning
            // and drifting back; the motion follows from the time alone.
            if (!obstacle.m_HasFragments) continue;
            const float t = obstacle.m_BreakTime;
            Voke::Surface* upper = obstacle.m_UpperHalf.Get();
            Voke::Surface* lower = obstacle.m_LowerHalf.Get();
            const int32_t h1 = HeightOf(upper);
            if (upper)
                BlitSpinning(target, upper, sx - TruncToPixel(t * 0.065f * W) + upper->GetWidth() / 2,
                             sy - TruncToPixel(t * 2.2f * H) + h1 / 2, t * 24.0f);
            if (lower)
                BlitSpinning(target, lower, sx - TruncToPixel(t * 0.05f * W) + lower->GetWidth() / 2,
                             TruncToPixel(t * 1.6f * H) + sy + h1 + lower->GetHeight() / 2, t * -20.0f);
        } else if (obstacle.m_Hit) {
            // Tripped over: it tumbles away forward and down.
            const float t = obstacle.m_HitTime;
            BlitSpinning(target, image, TruncToPixel(t * 1.2f * W) + sx + w / 2,
                         TruncToPixel(t * 0.7f * H) + sy + h / 2, t * 16.0f);
        } else if (sx <= W && sx + w >= 0) {
            Voke::Surface::Blit(target, sx, sy, image, image->GetClipRect());
        }
    }
}

void ObstacleManager::RenderFragments(Voke::Surface* target)
{
    RenderFragmentsAt(target, m_DrawX - TruncToPixel(m_ScrollX), m_DrawY - TruncToPixel(m_ScrollY));
}

Voke::Surface* ObstacleManager::FragmentTile(const uint8_t* rgb)
{
    for (int32_t i = 0; i < kFragmentTiles; ++i) {
        const uint8_t* colour = TileColour(i);
        if (colour[0] != rgb[0] || colour[1] != rgb[1] || colour[2] != rgb[2]) continue;
        if (!m_FragmentTiles[i]) {
            char name[16];
            TileName(colour, name);
            m_FragmentTiles[i] = Voke::GetCachedSurface(name, false);
        }
        return m_FragmentTiles[i].Get();
    }
    return nullptr;
}

void ObstacleManager::RenderFragmentsAt(Voke::Surface* target, int32_t offX, int32_t offY)
{
    const int32_t shakeX = m_Game ? m_Game->m_ShakeX : 0;
    const int32_t shakeY = m_Game ? m_Game->m_ShakeY : 0;
    for (const ObstacleFragment& fragment : m_Fragments) {
        if (!fragment.m_Active || fragment.m_Life <= 0.0f) continue;
        // Fades from opaque at emission to nothing at the end of its life.
        int32_t alpha = TruncToPixel(fragment.m_Life * 256.0f / fragment.m_LifeSpan);
        if (alpha < 0) alpha = 0;
        if (alpha > 255) alpha = 255;
        Voke::Surface* tile = FragmentTile(fragment.m_Colour);
        if (!tile) continue;
        // The tile's pixel at (2, 2) stretched to the splinter's square.
        const float scale[2] = {static_cast<float>(fragment.m_Size), static_cast<float>(fragment.m_Size)};
        const float pivot[2] = {0.0f, 0.0f};
        tile->SetOpacity(static_cast<uint8_t>(alpha));
        Voke::Surface::BlitTransformed(target, tile, static_cast<float>(TruncToPixel(fragment.m_X) + shakeX + offX),
                                       static_cast<float>(TruncToPixel(fragment.m_Y) + shakeY + offY), 0.0f, scale,
                                       pivot, 0, Voke::Rect{2, 2, 1, 1});
        tile->SetOpacity(255);
    }
}

void ObstacleManager::Release()
{
    m_ObstacleMap.clear();
    for (Voke::SmartPtr<Voke::Surface>& tile : m_FragmentTiles) tile.Reset();
}
