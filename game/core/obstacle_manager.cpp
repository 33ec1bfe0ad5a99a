#include "game/core/obstacle_manager.h"

#include "engine/core/xml.h"
#include "engine/graphics/asset_surfaces.h"
#include "engine/graphics/surface.h"
#include "game/core/game_base.h"
#include "game/core/xml_elements.h"

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

// The spacing entry named by the element's "level" (1 to 6), or null.
ObstacleSpacing* SpacingOf(const Voke::XmlIt& element, ObstacleSpacing* spacing)
{
    int level = 0;
    element.GetAttribute("level", level);
    const unsigned index = static_cast<unsigned>(level) - 1u;
    return index < 6u ? &spacing[index] : nullptr;
}

}  // namespace

ObstacleManager::ObstacleManager() : m_Level(0) {}

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
