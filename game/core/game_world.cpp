#include "game/core/game_world.h"

#include "engine/core/xml.h"
#include "game/core/game_base.h"
#include "game/core/xml_elements.h"

bool IsLevelTimeOver(const LevelParams& params, float elapsed)
{
    return params.TimeOfPlayingInSeconds <= 0.0f || elapsed > params.TimeOfPlayingInSeconds;
}

float LevelTimeFraction(const LevelParams& params, float elapsed)
{
    if (params.TimeOfPlayingInSeconds <= 0.0f) return 1.0f;
    return elapsed / params.TimeOfPlayingInSeconds;
}

GameWorld::GameWorld()
    : RenderFPS(false),
      DebugLevelsMenu(false),
      RenderDebugParams(0),
      iPhoneSlideButtonHeight(65),
      MainMenuNameField(0)
{
}

const LevelParams& GameWorld::GetLevelParams(int32_t level) const
{
    return m_LevelParams[level >= 0 && level < 6 ? level : 0];
}

namespace {

// The record named by the element's "level" (1 to 6), or null.
LevelParams* LevelOf(const Voke::XmlIt& element, LevelParams* levels)
{
    int level = 0;
    element.GetAttribute("level", level);
    return level >= 1 && level <= 6 ? &levels[level - 1] : nullptr;
}

}  // namespace

bool GameWorld::ReadLevelParams(const char* fileName)
{
    if (!fileName) return false;
    Voke::SmartPtr<Voke::Xml> document(Voke::Xml::Load(fileName));
    if (!document) return false;

    VisitXmlElements(document.Get(), [this](const Voke::XmlIt& element) {
        const char* name = element.GetName();
        float LevelParams::*scalar = nullptr;
        if (StrICmp(name, "PlayerStartHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerStartHorizontalSpeed;
        else if (StrICmp(name, "PlayerMinHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerMinHorizontalSpeed;
        else if (StrICmp(name, "PlayerMaxHorizontalSpeed") == 0)
            scalar = &LevelParams::PlayerMaxHorizontalSpeed;
        else if (StrICmp(name, "PlayerAcceleration") == 0)
            scalar = &LevelParams::PlayerAcceleration;
        else if (StrICmp(name, "TimeOfPlayingInSeconds") == 0)
            scalar = &LevelParams::TimeOfPlayingInSeconds;
        else if (StrICmp(name, "FireworksStartTime") == 0)
            scalar = &LevelParams::FireworksStartTime;

        if (scalar) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) element.GetAttribute("value", level->*scalar);
        } else if (StrICmp(name, "PlayerAccelerationRange") == 0) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) {
                // The ninth and later ranges of a level overwrite the eighth.
                const int32_t slot =
                    level->rangeCount < kMaxAccelerationRanges ? level->rangeCount : kMaxAccelerationRanges - 1;
                element.GetAttribute("minvel", level->ranges[slot].minvel);
                element.GetAttribute("maxvel", level->ranges[slot].maxvel);
                element.GetAttribute("value", level->ranges[slot].value);
                if (level->rangeCount < kMaxAccelerationRanges) ++level->rangeCount;
            }
        } else if (StrICmp(name, "TimeStart") == 0) {
            if (LevelParams* level = LevelOf(element, m_LevelParams)) {
                element.GetAttribute("hour", level->hour);
                element.GetAttribute("minute", level->minute);
                element.GetAttribute("second", level->second);
            }
        } else if (StrICmp(name, "RenderDebugParams") == 0) {
            element.GetAttribute("value", RenderDebugParams);
        } else if (StrICmp(name, "RenderFPS") == 0) {
            element.GetAttribute("value", RenderFPS);
        } else if (StrICmp(name, "DebugLevelsMenu") == 0) {
            element.GetAttribute("value", DebugLevelsMenu);
        } else if (StrICmp(name, "iPhoneSlideButtonHeight") == 0) {
            element.GetAttribute("value", iPhoneSlideButtonHeight);
            // The tutorial overlay takes the (possibly unchanged) height here:
            // TutorialOverlay::SetSlideButtonHeight(iPhoneSlideButtonHeight).
        } else if (StrICmp(name, "MainMenuNameField") == 0) {
            element.GetAttribute("value", MainMenuNameField);
        } else if (StrICmp(name, "MainMenuMoreGamesURL") == 0) {
            element.GetAttribute("value", MainMenuMoreGamesURL);
        }
    });
    return true;
}
