#include "game/presentation/resolution_dependence.h"

#include <cstdint>
#include <limits>

#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"
#include "engine/core/xml.h"
#include "game/core/game_base.h"

namespace {

// Offsets add up over several elements and over the caller's positions;
// saturating keeps absurd data from overflowing.
int32_t AddClamped(int64_t a, int64_t b)
{
    const int64_t sum = a + b;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

}  // namespace

ResolutionDependence::ResolutionDependence() : m_ScreenWidth(0), m_ScreenHeight(0)
{
    for (auto& level : m_Offsets)
        for (Offset& entry : level) entry = Offset{0, 0};
}

void ResolutionDependence::Load(int screenWidth, int screenHeight)
{
    m_ScreenWidth = screenWidth;
    m_ScreenHeight = screenHeight;

    // The scenery was laid out for the logical screen's height: taller
    // screens move the far planes down by part of the difference.
    const int64_t d = int64_t(screenHeight) - kLogicalScreenHeight;
    const int32_t p75 = static_cast<int32_t>((75 * d) / 100);
    const int32_t p50 = static_cast<int32_t>((75 * ((2 * d) / 3)) / 100);
    const int32_t p25 = static_cast<int32_t>((75 * (d / 3)) / 100);
    const int32_t graded[kPlanes] = {p75, p50, p25, 0, 0};
    for (unsigned level = 0; level < kLevels; ++level) {
        // Levels 2 and 3 (indices 1 and 2) move every plane by the whole
        // difference.
        const bool whole = level == 1 || level == 2;
        for (unsigned plane = 0; plane < kPlanes; ++plane)
            m_Offsets[level][plane].movey = whole ? static_cast<int32_t>(d) : graded[plane];
    }

    ApplyFile("resolution_dependence.xml");
}

bool ResolutionDependence::LoadCopy(const char* fileName)
{
    if (!fileName) return false;
    return ApplyFile(fileName);
}

bool ResolutionDependence::ApplyFile(const char* fileName)
{
    {
        Voke::SmartPtr<Voke::File> probe(Voke::Vfs::Open(fileName));
        if (!probe) return false;
    }
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;
    for (Voke::XmlIt child(document, nullptr); child; child.Next()) {
        if (StrICmp(child.GetName(), "Translation") != 0) continue;
        // Every element names all four; one that lacks any is skipped.
        int level = 0, plane = 0, movex = 0, movey = 0;
        if (!child.GetAttribute("level", level) || !child.GetAttribute("plane", plane) ||
            !child.GetAttribute("movex", movex) || !child.GetAttribute("movey", movey))
            continue;
        if (level < 1 || level > int(kLevels) || plane < 0 || plane >= int(kPlanes)) continue;
        Offset& entry = m_Offsets[level - 1][plane];
        entry.movex = AddClamped(entry.movex, movex);
        entry.movey = AddClamped(entry.movey, movey);
    }
    return true;
}

bool ResolutionDependence::Get(unsigned level, unsigned plane, int* x, int* y) const
{
    if (level >= kLevels || plane >= kPlanes) return false;
    if (x) *x = m_Offsets[level][plane].movex;
    if (y) *y = m_Offsets[level][plane].movey;
    return true;
}

bool ResolutionDependence::Apply(unsigned level, unsigned plane, int* x, int* y) const
{
    if (level >= kLevels || plane >= kPlanes) return false;
    if (x) *x = AddClamped(*x, m_Offsets[level][plane].movex);
    if (y) *y = AddClamped(*y, m_Offsets[level][plane].movey);
    return true;
}
