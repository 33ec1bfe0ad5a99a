#include "game/world/building_manager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/pixel_math.h"
#include "game/world/obstacle_manager.h"

namespace {

// NOTE: a level starts with 25 buildings generated ahead.
constexpr int32_t kBuildingsAhead = 25;
// The first building starts left of the screen and its collision box
// reaches far to the left, so the runner entering from there has ground.
constexpr int32_t kFirstBuildingX = -44;
constexpr int32_t kFirstBuildingReach = 2000;
// Collision boxes reach this far below the drawn building.
constexpr int32_t kCollisionDepth = 10000;
constexpr int32_t kFinalBuildingDepth = 2000;
// The piece pick draws 0 to this value.
constexpr int32_t kPickRange = 6;
// The first building has at least this many middle pieces.
constexpr int32_t kFirstBuildingMiddlePieces = 8;
// A second-collision piece needs a building at least two thirds of a screen
// wide, from the fourth building (key 3) on.
constexpr int32_t kSecondCollisionWidthThirds = 2;
constexpr int32_t kFirstSecondCollisionKey = 3;
// Obstacles keep this far from both roof ends and from a second-collision
// piece (non-strict spot search).
constexpr int32_t kRoofEndMargin = 99;
constexpr float kSecondCollisionClearance = 65.0f;
// Frame rates of the props, in cycles per second. A rat walks for the first
// 70% of each cycle and pauses for the rest, showing four pause frames at
// 8 frames per second; one walk there and back takes 1 / 0.14 s of walking.
constexpr float kWaterRate = 1.2f;
constexpr float kFanRate = 7.0f;
constexpr float kRatCycleRate = 0.6f;
constexpr float kRatPauseFrom = 0.7f;
constexpr float kRatPauseRate = 2.0f;
constexpr float kRatWalkRate = 0.14f;
// Where the water and fan frames sit over their piece.
constexpr int32_t kWaterX = 12, kWaterY = 42;
constexpr int32_t kFanX = 14, kFanY = 43;
// Beams on level 3 hang with their bottom edge this far below the roof line.
constexpr int32_t kBeamDrop = 23;
// NOTE: drawing positions are held within +-2^30 px before they are
// converted for the blits.
constexpr int64_t kFarOff = int64_t(1) << 30;

// NOTE: the generator holds the arrangement's integers to +-2^24 px and the
// next building's x to +-2^30 px, so no sum of them can overflow, whatever a
// data file says.
constexpr int32_t kMaxArrangeValue = 1 << 24;
constexpr int64_t kMaxCoordinate = int64_t(1) << 30;

int32_t Bounded(int32_t v) { return std::clamp(v, -kMaxArrangeValue, kMaxArrangeValue); }

BuildArrangeParams Bounded(const BuildArrangeParams& in)
{
    BuildArrangeParams p = in;
    for (int32_t* v : {&p.m_FreeSpaceBetweenConstant, &p.m_FreeSpaceBetweenRandomRange, &p.m_ConstantY,
                       &p.m_HeightRandomRange, &p.m_MinMiddleAssets, &p.m_MaxMiddleAssets,
                       &p.m_HowOftenSecondCollision, &p.m_SecondCollisionDistanceFromGround, &p.m_MinBuildingWidth,
                       &p.m_LastBuildingTranslationX, &p.m_LastBuildingTranslationY,
                       &p.m_BuildingsCollisionMarginLeft, &p.m_BuildingsCollisionMarginRight})
        *v = Bounded(*v);
    return p;
}

// Reads "value" of a matched arrangement key into its field. Integers follow
// "%i" and booleans the exact words; either leaves the field on a bad value.
void ReadArrangeKey(const Voke::XmlIt& element, BuildArrangeParams& p)
{
    const char* name = element.GetName();
    // The keys in the order of the record (also the order they are tested).
    if (StrICmp(name, "m_FreeSpaceBetweenConstant") == 0) {
        element.GetAttribute("value", p.m_FreeSpaceBetweenConstant);
    } else if (StrICmp(name, "m_FreeSpaceBetweenRandomRange") == 0) {
        element.GetAttribute("value", p.m_FreeSpaceBetweenRandomRange);
    } else if (StrICmp(name, "m_MoreSpaceIfCloserTillTheEnd") == 0) {
        element.GetAttribute("value", p.m_MoreSpaceIfCloserTillTheEnd);
    } else if (StrICmp(name, "m_ConstantY") == 0) {
        element.GetAttribute("value", p.m_ConstantY);
    } else if (StrICmp(name, "m_HeightRandomRange") == 0) {
        element.GetAttribute("value", p.m_HeightRandomRange);
    } else if (StrICmp(name, "m_MinMiddleAssets") == 0) {
        element.GetAttribute("value", p.m_MinMiddleAssets);
    } else if (StrICmp(name, "m_MaxMiddleAssets") == 0) {
        element.GetAttribute("value", p.m_MaxMiddleAssets);
    } else if (StrICmp(name, "m_AllowSecondCollision") == 0) {
        element.GetAttribute("value", p.m_AllowSecondCollision);
    } else if (StrICmp(name, "m_HowOftenSecondCollision") == 0) {
        element.GetAttribute("value", p.m_HowOftenSecondCollision);
    } else if (StrICmp(name, "m_SecondCollisionDistanceFromGround") == 0) {
        element.GetAttribute("value", p.m_SecondCollisionDistanceFromGround);
    } else if (StrICmp(name, "m_AlwaysFirstBuildingBetween") == 0) {
        element.GetAttribute("value", p.m_AlwaysFirstBuildingBetween);
    } else if (StrICmp(name, "m_MinBuildingWidth") == 0) {
        element.GetAttribute("value", p.m_MinBuildingWidth);
    } else if (StrICmp(name, "m_LastBuildingTranslationX") == 0) {
        element.GetAttribute("value", p.m_LastBuildingTranslationX);
    } else if (StrICmp(name, "m_LastBuildingTranslationY") == 0) {
        element.GetAttribute("value", p.m_LastBuildingTranslationY);
    } else if (StrICmp(name, "m_BuildingsCollisionMarginLeft") == 0) {
        element.GetAttribute("value", p.m_BuildingsCollisionMarginLeft);
    } else if (StrICmp(name, "m_BuildingsCollisionMarginRight") == 0) {
        element.GetAttribute("value", p.m_BuildingsCollisionMarginRight);
    }
}

int64_t BoundedPosition(int64_t v) { return std::clamp(v, -kFarOff, kFarOff); }

// p advances by rate x dt and wraps into [0, 1): once by subtracting 1, and
// to 0 when a long frame took it further. A NaN frame time restarts it.
void AdvancePhase(float& p, float rate, float dt)
{
    p += rate * dt;
    if (p >= 1.0f) {
        p -= 1.0f;
        if (p >= 1.0f) p = 0.0f;
    }
    if (!(p == p)) p = 0.0f;
}

// Frame of a phase over n frames, shifted by a slot: neighbouring pieces
// show the next frames, so the animation runs along the building.
int32_t PhaseFrame(float phase, int32_t n, int32_t slot)
{
    const int32_t f = std::clamp(TruncToPixel(phase * static_cast<float>(n)), 0, n - 1);
    return (f + slot) % n;
}

void BlitImage(Voke::Surface* target, Voke::Surface* image, int64_t x, int64_t y)
{
    if (image)
        Voke::Surface::Blit(target, static_cast<int>(BoundedPosition(x)), static_cast<int>(BoundedPosition(y)), image,
                            image->GetClipRect());
}

const char* const kWaterNames[BuildingManager::kWaterFrames] = {
    "lev3_woda2_01.png", "lev3_woda2_02.png", "lev3_woda2_03.png", "lev3_woda2_04.png",
    "lev3_woda2_05.png", "lev3_woda2_06.png", "lev3_woda2_07.png", "lev3_woda2_08.png"};
// 0 facing back (left), 1 walking right, 2 to 5 pausing; 6 and 7 are loaded
// but never shown.
const char* const kRatNames[BuildingManager::kRatImages] = {
    "lev3_rat.png",         "lev3_rat2.png",        "lev3_rat_anim_01.png", "lev3_rat_anim_02.png",
    "lev3_rat_anim_03.png", "lev3_rat_anim_04.png", "lev3_rat2.png",        "lev3_rat2.png"};
const char* const kFanNames[BuildingManager::kFanFrames] = {"lev4_fan_1.png", "lev4_fan_2.png", "lev4_fan_3.png"};

}  // namespace

BuildingManager::BuildingManager()
    : m_Tracking(false),
      m_CurrentKey(0),
      m_Owner(nullptr),
      m_Level(0),
      m_ScrollX(0.0f),
      m_ScrollY(0.0f),
      m_DrawOffsetX(0),
      m_DrawOffsetY(0),
      m_ImageCount(0),
      m_PieceTable(nullptr),
      m_WaterPhase(1.0f),
      m_FanPhase(1.0f),
      m_GenPieceCount(0),
      m_GenPieces(nullptr),
      m_GenImages(nullptr),
      m_OrdinaryStyleCount(0),
      m_Styles(nullptr),
      m_PickRange(0),
      m_NextKey(0),
      m_NextX(0),
      m_SecondCountdown(0),
      m_Obstacles(nullptr)
{
    // Every block starts from the table defaults; levels 2 to 5 add no
    // extra gap per building unless their file asks for it.
    for (int32_t level = 2; level < kLevelCount; ++level) m_Arrangement[level].m_MoreSpaceIfCloserTillTheEnd = 0.0f;
}

BuildingManager::~BuildingManager() = default;

void BuildingManager::SetOwner(GameBase* owner) { m_Owner = owner; }

bool BuildingManager::LoadArrangeParams(int32_t level, BuildArrangeParams* params)
{
    if (level < 0 || level >= kLevelCount || !params) return false;
    char name[32];
    std::snprintf(name, sizeof name, "build_arrange_lev%d.xml", level + 1);
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(name));
    if (!document) return false;
    for (Voke::XmlIt element(document.Get(), nullptr); element; element.Next()) ReadArrangeKey(element, *params);
    return true;
}

void BuildingManager::LoadAllArrangeParams()
{
    for (int32_t level = 0; level < kLevelCount; ++level) LoadArrangeParams(level, &m_Arrangement[level]);
}

const BuildArrangeParams& BuildingManager::GetArrangeParams(int32_t level) const
{
    if (level < 0 || level >= kLevelCount) level = 0;
    return m_Arrangement[level];
}

void BuildingManager::Load(int32_t level)
{
    m_Level = level;
    m_DrawOffsetX = 0;
    m_DrawOffsetY = 0;
    m_ImageCount = 0;
    m_PieceTable = nullptr;
    m_Buildings.clear();

    int32_t rows = 0;
    const BuildingPiece* table = GetBuildingPieces(level, &rows);
    m_PieceTable = table;
    m_ImageCount = rows;
    for (int32_t i = 0; i < rows; ++i) m_PieceImages[i] = Voke::GetCachedSurface(table[i].image, false);

    if (level == kLevelSewers) {
        LoadWater();
        LoadRats();
    } else if (level == kLevelConstructionYard) {
        LoadFans();
    }

    StartLevel(level);
    m_CurrentKey = 0;
    m_Tracking = false;
}

void BuildingManager::LoadWater()
{
    for (int i = 0; i < kWaterFrames; ++i) m_WaterFrames[i] = Voke::GetCachedSurface(kWaterNames[i], false);
    m_WaterPhase = 0.0f;
}

void BuildingManager::LoadRats()
{
    for (int i = 0; i < kRatImages; ++i) m_RatImages[i] = Voke::GetCachedSurface(kRatNames[i], false);
    m_Rat1 = RatWalker();
    m_Rat2 = RatWalker();
    // The second rat is out of step with the first.
    m_Rat2.cycle = 0.53f;
    m_Rat2.walkPhase = 0.63f;
}

void BuildingManager::LoadFans()
{
    for (int i = 0; i < kFanFrames; ++i) m_FanFrames[i] = Voke::GetCachedSurface(kFanNames[i], false);
    m_FanPhase = 0.0f;
}

void BuildingManager::ReleaseFrames(Voke::SmartPtr<Voke::Surface>* frames, int count)
{
    if (!frames) return;
    for (int i = 0; i < count; ++i) frames[i].Reset();
}

void BuildingManager::Release()
{
    for (Voke::SmartPtr<Voke::Surface>& image : m_PieceImages) image.Reset();
    if (m_Level == kLevelSewers) {
        ReleaseFrames(m_WaterFrames, kWaterFrames);
        ReleaseFrames(m_RatImages, kRatImages);
    } else if (m_Level == kLevelConstructionYard) {
        ReleaseFrames(m_FanFrames, kFanFrames);
    }
}

void BuildingManager::SetScroll(float x, float y)
{
    m_ScrollX = x;
    m_ScrollY = y;
}

void BuildingManager::SetDrawOffset(int32_t x, int32_t y)
{
    m_DrawOffsetX = x;
    m_DrawOffsetY = y;
}

void BuildingManager::SetTracking(bool tracking) { m_Tracking = tracking; }

void BuildingManager::SetCurrentKey(int32_t key) { m_CurrentKey = key; }

void BuildingManager::ResetCurrent() { m_CurrentKey = 0; }

void BuildingManager::StartLevel(int32_t level)
{
    m_Buildings.clear();
    if (level != m_Level || level < 0 || level >= kLevelCount) return;
    int32_t styleCount = 0;
    const BuildingStyle* styles = GetBuildingStyles(level, &styleCount);
    SetupGenerator(m_ImageCount, m_PieceTable, m_PieceImages, styleCount, styles, kPickRange, m_Arrangement[level]);
}

void BuildingManager::SetupGenerator(int32_t pieceCount, const BuildingPiece* pieces,
                                     const Voke::SmartPtr<Voke::Surface>* images, int32_t styleCount,
                                     const BuildingStyle* styles, int32_t pickRange, const BuildArrangeParams& params)
{
    if (!pieces || !images || !styles || styleCount < 2) return;
    m_GenPieceCount = pieceCount < 0 ? 0 : (pieceCount > kMaxBuildingPieces ? kMaxBuildingPieces : pieceCount);
    m_GenPieces = pieces;
    m_GenImages = images;
    m_OrdinaryStyleCount = styleCount - 1;
    m_Styles = styles;
    m_PickRange = pickRange;
    m_GenParams = Bounded(params);
    m_NextX = kFirstBuildingX;
    m_SecondCountdown = -1;
    m_NextKey = 0;
    for (int32_t i = 0; i < kBuildingsAhead; ++i) GenerateNextBuilding();
}

int32_t BuildingManager::Random() { return m_Owner ? m_Owner->Random() : 0; }

int32_t BuildingManager::Draw(int32_t n)
{
    const int32_t r = Random();
    if (n <= 0) return 0;
    return n >= 32767 ? r : r % (n + 1);  // r never exceeds 32766
}

int32_t BuildingManager::PickPiece(int32_t style, int32_t part)
{
    const int32_t r = Draw(m_PickRange);
    if (!m_GenPieces) return -1;
    int32_t matches = 0;
    for (int32_t row = 0; row < m_GenPieceCount; ++row)
        if (m_GenPieces[row].style == style && m_GenPieces[row].part == part) ++matches;
    if (matches == 0) return -1;
    // The walk counts matching rows up to max(r, 1), going round the table
    // as often as needed.
    int32_t wanted = ((r < 1 ? 1 : r) - 1) % matches;
    for (int32_t row = 0; row < m_GenPieceCount; ++row) {
        if (m_GenPieces[row].style != style || m_GenPieces[row].part != part) continue;
        if (wanted-- == 0) return row;
    }
    return -1;
}

const Voke::Surface* BuildingManager::PieceImage(int32_t piece) const
{
    if (!m_GenImages || piece < 0 || piece >= m_GenPieceCount) return nullptr;
    return m_GenImages[piece].Get();
}

int32_t BuildingManager::PieceWidth(int32_t piece) const
{
    const Voke::Surface* image = PieceImage(piece);
    return image ? image->GetWidth() : 0;
}

int32_t BuildingManager::PieceHeight(int32_t piece) const
{
    const Voke::Surface* image = PieceImage(piece);
    return image ? image->GetHeight() : 0;
}

int32_t BuildingManager::ScreenWidth() const { return m_Owner ? m_Owner->m_ScreenWidth : kLogicalScreenWidth; }

int32_t BuildingManager::ScreenHeight() const { return m_Owner ? m_Owner->m_ScreenHeight : kLogicalScreenHeight; }

int32_t BuildingManager::PreviousStyle(int32_t key) const
{
    // The building before may be gone (removed behind the final building);
    // it then counts as style 0 and is not recreated.
    auto it = m_Buildings.find(key - 1);
    return it == m_Buildings.end() ? 0 : it->second.style;
}

int32_t BuildingManager::MeasureBuilding(const Building& building) const
{
    int32_t total = 0;
    if (building.leftPiece >= 0) total += PieceWidth(building.leftPiece);
    for (int32_t piece : building.middlePieces) {
        if (piece == -1) break;
        total += PieceWidth(piece);
    }
    if (building.rightPiece >= 0) total += PieceWidth(building.rightPiece);
    return total;
}

void BuildingManager::GenerateNextBuilding()
{
    if (!m_Styles || m_OrdinaryStyleCount < 1) return;
    const int32_t i = m_NextKey;

    Building b;
    b.active = true;
    b.style = PickStyle(i);
    const BuildingStyle& s = m_Styles[b.style];
    b.leftPiece = PickPiece(b.style, kPartLeft);
    b.rightPiece = PickPiece(b.style, kPartRight);
    PickMiddlePieces(b, s, i);
    const int32_t total = MeasureBuilding(b);
    PlaceBuilding(b, s, i, total);
    PlaceSecondCollision(b, s, i, total);

    m_Buildings[i] = b;
    m_NextKey = i + 1;
}

int32_t BuildingManager::PickStyle(int32_t i)
{
    // Never the same style twice in a row while another exists.
    const BuildArrangeParams& p = m_GenParams;
    const int32_t styleCount = m_OrdinaryStyleCount;
    const int32_t r = Random();
    int32_t style = 0;
    if (i != 0) {
        style = r % styleCount;
        if (styleCount > 1 && PreviousStyle(i) == style) style = (style + 1 + Random() % (styleCount - 1)) % styleCount;
    }
    if (p.m_AlwaysFirstBuildingBetween) {
        if (i == 0)
            style = 0;
        else if (style > 0 && PreviousStyle(i) > 0)
            style = 0;
    }
    return style;
}

void BuildingManager::PickMiddlePieces(Building& b, const BuildingStyle& s, int32_t i)
{
    const BuildArrangeParams& p = m_GenParams;
    // Wanted middle-piece count; the first building gets at least
    // kFirstBuildingMiddlePieces.
    const int32_t drawn = Draw(p.m_MaxMiddleAssets);
    int32_t wanted = drawn < 1 ? 1 : drawn;
    if (i == 0 && drawn < kFirstBuildingMiddlePieces) wanted = kFirstBuildingMiddlePieces;
    if (s.singleMiddlePiece) {
        wanted = 1;
    } else {
        if (wanted < p.m_MinMiddleAssets) wanted = p.m_MinMiddleAssets;
        if (wanted >= kMaxMiddlePieces) wanted = kMaxMiddlePieces;
    }

    // At least the wanted count, and more until their width exceeds the
    // minimum building width.
    int32_t count = 0;
    int32_t width = 0;
    while (!(width > p.m_MinBuildingWidth && count >= wanted)) {
        const int32_t m = PickPiece(b.style, kPartMiddle);
        if (m >= 0) {
            b.middlePieces[count] = m;
            width += PieceWidth(m);
        }
        if (++count == kMaxMiddlePieces) break;
    }
}

void BuildingManager::PlaceBuilding(Building& b, const BuildingStyle& s, int32_t i, int32_t total)
{
    const BuildArrangeParams& p = m_GenParams;
    b.x = m_NextX;
    b.rightX = b.x + total;

    const int64_t nextX = int64_t(b.rightX) + Draw(p.m_FreeSpaceBetweenRandomRange) + p.m_FreeSpaceBetweenConstant +
                          TruncToPixel(static_cast<float>(i) * p.m_MoreSpaceIfCloserTillTheEnd);
    m_NextX = static_cast<int32_t>(std::clamp(nextX, -kMaxCoordinate, kMaxCoordinate));

    b.roofY = p.m_ConstantY + s.roofYOffset;
    if (i > 0) b.roofY += Draw(TruncToPixel(static_cast<float>(p.m_HeightRandomRange) * s.heightFactor));

    int32_t firstPiece = b.leftPiece;
    if (firstPiece < 0) firstPiece = b.rightPiece;
    if (firstPiece < 0) firstPiece = b.middlePieces[0];
    b.bottomY = b.roofY + (firstPiece >= 0 ? PieceHeight(firstPiece) : 0);

    b.collisionLeft = (i == 0 ? b.x - kFirstBuildingReach : b.x) - p.m_BuildingsCollisionMarginLeft - 1;
    b.collisionTop = b.roofY + s.roofCollisionOffset;
    b.collisionRight = b.rightX + p.m_BuildingsCollisionMarginRight + 1;
    b.collisionBottom = b.bottomY + kCollisionDepth;
}

void BuildingManager::PlaceSecondCollision(Building& b, const BuildingStyle& s, int32_t i, int32_t total)
{
    // A countdown spaces the chances; a negative countdown counts as 0, an
    // even chance on every building. Only buildings wide enough and past the
    // first few can carry the piece.
    const BuildArrangeParams& p = m_GenParams;
    if (m_SecondCountdown < 0) m_SecondCountdown = p.m_HowOftenSecondCollision;
    const int32_t chance = Random();
    const int32_t every = (m_SecondCountdown < 0 ? 0 : m_SecondCountdown) + 1;
    const bool wideEnough = total >= (kSecondCollisionWidthThirds * ScreenWidth()) / 3;
    const bool placeSecond =
        p.m_AllowSecondCollision && wideEnough && chance % every == 0 && i >= kFirstSecondCollisionKey;
    m_SecondCountdown -= 1;
    if (!placeSecond) return;

    const int32_t centre = (b.collisionLeft + b.collisionRight) / 2;
    b.secondBottom = b.collisionTop + 1 - p.m_SecondCollisionDistanceFromGround;
    b.secondInset = s.secondCollisionInset;
    const int32_t piece = PickPiece(b.style, kPartSecondCollision);
    if (piece < 0) return;
    b.hasSecondCollision = true;
    b.secondPiece = piece;
    b.secondLeft = centre;
    b.secondRight = centre + PieceWidth(piece);
    const bool single = (m_GenPieces[piece].flags & kPieceSingle) != 0;
    b.secondTop = b.secondBottom - (single ? PieceHeight(piece) : ScreenHeight());
}

void BuildingManager::AdvanceAnimation(float dt) { AdvancePhase(m_WaterPhase, kWaterRate, dt); }

void BuildingManager::Update(const float& dt)
{
    if (m_Level == kLevelSewers) {
        AdvanceAnimation(dt);
        for (RatWalker* rat : {&m_Rat1, &m_Rat2}) {
            AdvancePhase(rat->cycle, kRatCycleRate, dt);
            if (rat->cycle >= kRatPauseFrom) {
                rat->state = 1;
                AdvancePhase(rat->pausePhase, kRatPauseRate, dt);
            } else {
                rat->state = 0;
                AdvancePhase(rat->walkPhase, kRatWalkRate, dt);
            }
        }
    } else if (m_Level == kLevelConstructionYard) {
        AdvancePhase(m_FanPhase, kFanRate, dt);
    }

    // NOTE: at most as many buildings are replaced per update as the row
    // held when it began, so a camera far ahead of a row that does not
    // advance (zero-width pieces and no gap) cannot hold up the frame.
    size_t budget = m_Buildings.size();
    const int32_t shakeX = m_Owner ? m_Owner->m_ShakeX : 0;
    while (!m_Buildings.empty() && budget-- > 0) {
        const Building& first = m_Buildings.begin()->second;
        const int32_t right = first.active ? first.rightX : 0;
        if (right + m_DrawOffsetX + 1 + shakeX - TruncToPixel(m_ScrollX) >= 0) break;
        m_Buildings.erase(m_Buildings.begin());
        GenerateNextBuilding();
        // The new building may carry obstacles.
        if (m_Obstacles) m_Obstacles->Generate(false);
    }
}

void BuildingManager::MarkReached(int32_t key)
{
    auto found = m_Buildings.find(key);
    if (found == m_Buildings.end() || !found->second.active || !m_Styles) return;

    // The exit building: the first one more than a screen ahead of `key`,
    // else the last one.
    const int32_t limit = found->second.x + ScreenWidth();
    auto exit = found;
    while (exit != m_Buildings.end() && exit->second.x <= limit) ++exit;
    if (exit == m_Buildings.end()) exit = std::prev(m_Buildings.end());
    Building& r = exit->second;
    r.reached = true;
    r.hasSecondCollision = false;

    // Widen it to more than two screens by repeating its middle pieces.
    int32_t count = 0;
    while (count < kMaxMiddlePieces && r.middlePieces[count] != -1) ++count;
    int32_t c = count < 1 ? 1 : count;
    const int32_t d = c >= 2 ? c - 1 : 1;
    while (MeasureBuilding(r) <= 2 * ScreenWidth() && c <= kMaxMiddlePieces - 1) {
        r.middlePieces[c] = r.middlePieces[c % d];
        ++c;
    }
    r.rightX = r.x + MeasureBuilding(r);
    r.collisionRight = r.rightX;

    // The final building follows it. The exit must not be the final building
    // itself, so when it is the last one a new building is appended first.
    if (std::next(exit) == m_Buildings.end()) GenerateNextBuilding();
    auto finalIt = std::next(exit);
    if (finalIt == m_Buildings.end()) return;
    const Building& ex = exit->second;
    Building& e = finalIt->second;
    const BuildArrangeParams own = Bounded(GetArrangeParams(m_Level));
    e = Building();
    e.active = true;
    e.style = 0;
    e.final = true;
    e.leftPiece = m_ImageCount - 3;
    for (int32_t& piece : e.middlePieces) piece = m_ImageCount - 2;
    e.rightPiece = m_ImageCount - 1;
    e.x = ex.rightX + own.m_LastBuildingTranslationX;
    e.roofY = ex.roofY + own.m_LastBuildingTranslationY;
    e.bottomY = e.roofY + kFinalBuildingDepth;
    e.rightX = e.x + MeasureBuilding(e);
    e.collisionLeft = e.x;
    e.collisionTop = e.roofY + m_Styles[m_OrdinaryStyleCount].roofCollisionOffset;
    e.collisionRight = e.rightX;
    e.collisionBottom = e.roofY + kFinalBuildingDepth;

    m_Buildings.erase(std::next(finalIt), m_Buildings.end());
}

bool BuildingManager::IsReached(int32_t key) const
{
    auto it = m_Buildings.find(key);
    return it != m_Buildings.end() && it->second.active && it->second.reached;
}

bool BuildingManager::GetBuildingFlag(int32_t key) const
{
    auto it = m_Buildings.find(key);
    return it != m_Buildings.end() && it->second.active && it->second.final;
}

int32_t BuildingManager::GetBuildingLeft(int32_t key) const
{
    auto it = m_Buildings.find(key);
    return it != m_Buildings.end() && it->second.active ? it->second.collisionLeft : 0;
}

int32_t BuildingManager::GetFirstTop() const
{
    auto it = m_Buildings.find(0);
    return it != m_Buildings.end() ? it->second.collisionTop : 0;
}

int32_t BuildingManager::GetLastBuildingRight() const
{
    return m_Buildings.empty() ? 0 : m_Buildings.rbegin()->second.rightX;
}

int32_t BuildingManager::FindRoofSpot(int32_t x1, int32_t /*y1*/, int32_t x2, int32_t y2, bool strict,
                                      int32_t* key) const
{
    auto candidate = m_Buildings.end();
    for (auto it = m_Buildings.begin(); it != m_Buildings.end(); ++it) {
        const Building& b = it->second;
        if (!b.active) continue;
        if (x1 <= b.collisionLeft && b.collisionLeft <= x2) return -1;  // the span crosses a gap
        if (x1 > b.collisionRight) continue;
        if (x2 >= b.collisionRight) return -1;
        if (b.collisionLeft > x2) continue;
        candidate = it;
        break;
    }
    if (candidate == m_Buildings.end() || candidate->first == 0) return -1;
    const Building& b = candidate->second;

    if (b.hasSecondCollision) {
        if (strict) {
            if (!(x2 < b.secondLeft)) return -1;
        } else {
            const int32_t d = x2 < b.secondLeft ? b.secondLeft - x2 : x1 - b.secondRight;
            if (static_cast<float>(d) < kSecondCollisionClearance) return -1;
        }
    }
    const int32_t firstMiddle = b.middlePieces[0];
    if (m_PieceTable && firstMiddle >= 0 && firstMiddle < m_ImageCount &&
        (m_PieceTable[firstMiddle].flags & kPieceNoObstacles) != 0)
        return -1;
    if (x1 - b.collisionLeft <= kRoofEndMargin || b.collisionRight - x2 <= kRoofEndMargin) return -1;

    if (key) *key = candidate->first;
    return b.collisionTop - y2;
}

bool BuildingManager::TestCollision(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t* depth,
                                    int32_t* key) const
{
    auto it = m_Buildings.begin();
    if (m_Tracking) {
        const int32_t start = m_CurrentKey - 1 > 0 ? m_CurrentKey - 1 : 0;
        auto found = m_Buildings.find(start);
        if (found != m_Buildings.end()) it = found;
    }
    for (; it != m_Buildings.end(); ++it) {
        const Building& b = it->second;
        if (!b.active) continue;
        if (b.collisionLeft > x2) return false;  // every later building lies further right
        if (b.hasSecondCollision && b.secondRight >= x1 && b.secondLeft <= x2 &&
            b.secondBottom - b.secondInset >= y1 && b.secondTop <= y2) {
            if (depth) *depth = 0;
            if (key) *key = it->first;
            return true;
        }
        if (x1 <= b.collisionRight && y1 <= b.collisionBottom && y2 >= b.collisionTop) {
            if (depth) *depth = y2 + 1 - b.collisionTop;
            if (key) *key = it->first;
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// Drawing.

void BuildingManager::DrawAnim8(Voke::Surface* target, int32_t x, int32_t y, int32_t k)
{
    if (k < 0) return;
    BlitImage(target, m_WaterFrames[PhaseFrame(m_WaterPhase, kWaterFrames, k)], int64_t(x) + kWaterX,
              int64_t(y) + kWaterY);
}

void BuildingManager::DrawAnim3(Voke::Surface* target, int32_t x, int32_t y, int32_t k)
{
    if (k < 0) return;
    BlitImage(target, m_FanFrames[PhaseFrame(m_FanPhase, kFanFrames, k)], int64_t(x) + kFanX, int64_t(y) + kFanY);
}

void BuildingManager::DrawSwaying(Voke::Surface* target, int32_t x, int32_t y, int32_t width)
{
    const int64_t centre = int64_t(x) + width / 2;
    const double amplitude = static_cast<double>(width / 2);
    for (RatWalker* rat : {&m_Rat1, &m_Rat2}) {
        int32_t image = 0;
        if (rat->state == 0 || rat->state == 1) {
            // From the left end (phase 0) to the right end and back.
            const double s = std::sin(static_cast<double>(rat->walkPhase) * 6.283184 - 1.570796) * amplitude;
            rat->x = static_cast<int32_t>(BoundedPosition(centre + (s == s ? static_cast<int64_t>(s) : 0)));
            if (rat->state == 0)
                image = rat->walkPhase < 0.5f ? 1 : 0;
            else
                image = std::clamp(TruncToPixel(rat->pausePhase * 4.0f) % 4 + 2, 0, kRatImages - 1);
        }
        Voke::Surface* picture = m_RatImages[image];
        if (picture) BlitImage(target, picture, rat->x, int64_t(y) - picture->GetHeight());
    }
}

Voke::Surface* BuildingManager::DrawnImage(int32_t piece) const
{
    return piece >= 0 && piece < m_ImageCount && piece < kMaxBuildingPieces ? m_PieceImages[piece].Get() : nullptr;
}

uint32_t BuildingManager::PieceFlags(int32_t piece) const
{
    return m_PieceTable && piece >= 0 && piece < m_ImageCount ? m_PieceTable[piece].flags : 0u;
}

int64_t BuildingManager::PieceTop(int64_t roof, int32_t piece, uint32_t beamFlag) const
{
    // On level 3 beams hang from the roof line instead of standing on it.
    const Voke::Surface* picture = DrawnImage(piece);
    if (m_Level == kLevelConstructionYard && picture && (PieceFlags(piece) & beamFlag) != 0)
        return roof + kBeamDrop - picture->GetHeight();
    return roof;
}

void BuildingManager::DrawPieces(Voke::Surface* target, const Building& b, int64_t sx, int64_t sy)
{
    const int64_t screenW = ScreenWidth();
    // The pen stops at the first piece that would start right of the screen.
    int64_t pen = sx;
    if (b.leftPiece >= 0) {
        if (pen > screenW) return;
        Voke::Surface* picture = DrawnImage(b.leftPiece);
        BlitImage(target, picture, pen, PieceTop(sy, b.leftPiece, kPieceBeamLeft));
        if (picture) pen += picture->GetWidth();
    }
    for (int32_t j = 0; j < kMaxMiddlePieces && b.middlePieces[j] != -1; ++j) {
        if (pen > screenW) return;
        const int32_t piece = b.middlePieces[j];
        Voke::Surface* picture = DrawnImage(piece);
        const int64_t y = PieceTop(sy, piece, kPieceBeamMiddle);
        BlitImage(target, picture, pen, y);
        if (m_PieceTable) {
            const int32_t px = static_cast<int32_t>(BoundedPosition(pen));
            const int32_t py = static_cast<int32_t>(BoundedPosition(y));
            if (m_Level == kLevelSewers && (PieceFlags(piece) & kPieceWater) != 0) DrawAnim8(target, px, py, j);
            if (m_Level == kLevelConstructionYard && (PieceFlags(piece) & kPieceFan) != 0) DrawAnim3(target, px, py, j);
        }
        if (picture) pen += picture->GetWidth();
    }
    if (b.rightPiece >= 0 && pen <= screenW)
        BlitImage(target, DrawnImage(b.rightPiece), pen, PieceTop(sy, b.rightPiece, kPieceBeamRight));
}

void BuildingManager::DrawSecondPiece(Voke::Surface* target, const Building& b, int64_t originX, int64_t originY)
{
    // Stacked upwards from its bottom to the top of the screen, or drawn
    // once when it is a single piece. A missing image (0 pixels high) draws
    // nothing.
    Voke::Surface* picture = DrawnImage(b.secondPiece);
    const int64_t h = picture ? picture->GetHeight() : 0;
    if (h <= 0) return;
    const int64_t bx = b.secondLeft + originX;
    if (bx > ScreenWidth() || bx + picture->GetWidth() < 0) return;
    const bool single = (PieceFlags(b.secondPiece) & kPieceSingle) != 0;
    int64_t y = b.secondBottom + originY - h;
    const int64_t screenH = ScreenHeight();
    // Copies below the screen are stepped over.
    if (!single && y >= screenH) y -= ((y - screenH) / h + 1) * h;
    while (y + h >= 0) {
        BlitImage(target, picture, bx, y);
        if (single) break;
        y -= h;
    }
}

void BuildingManager::Render(Voke::Surface* target)
{
    if (!target) return;
    const int64_t screenW = ScreenWidth(), screenH = ScreenHeight();
    const int64_t shakeX = m_Owner ? m_Owner->m_ShakeX : 0, shakeY = m_Owner ? m_Owner->m_ShakeY : 0;
    const int64_t originX = int64_t(m_DrawOffsetX) + shakeX - TruncToPixel(m_ScrollX);
    const int64_t originY = int64_t(m_DrawOffsetY) + shakeY - TruncToPixel(m_ScrollY);

    for (const auto& [key, b] : m_Buildings) {
        if (!b.active) continue;
        const int64_t sx = b.x + originX;
        const int64_t w = int64_t(b.rightX) + 1 - b.x;
        if (!(sx <= screenW && sx + w >= 0)) continue;
        const int64_t sy = BoundedPosition(b.roofY + originY);

        // The rats walk over the middle 80% of the roof, behind the pieces.
        if (m_Level == kLevelSewers && key > 0 && !b.reached && !b.final)
            DrawSwaying(target, static_cast<int32_t>(BoundedPosition(sx + w / 10)), static_cast<int32_t>(sy),
                        static_cast<int32_t>(BoundedPosition((w * 8) / 10)));
        // A roof line below the screen has no piece to show.
        if (sy <= screenH) DrawPieces(target, b, sx, sy);
        if (b.hasSecondCollision && b.secondPiece >= 0) DrawSecondPiece(target, b, originX, originY);
    }
}
