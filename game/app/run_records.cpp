#include "game/app/run_records.h"

#include <cstdio>

#include "engine/core/registry.h"
#include "engine/core/text_dict.h"
#include "game/core/game_base.h"
#include "game/menus/main_menu.h"

const char* const kEndlessDefaultsFile = "endless.xml";
const char* const kEndlessSaveFile = "save/endless.xml";
const char* const kEndlessNode = "/endless";

namespace {

// Whole metres of a distance in pixels: the float product truncated.
int32_t Metres(float pixels) { return static_cast<int32_t>(pixels * 0.1f); }

Voke::WideString Line(const Voke::TextDict* texts, const char* id, const std::string& figure)
{
    Voke::WideString line = texts ? texts->Get(id) : Voke::ToWideString(id);
    line += Voke::ToWideString(": " + figure);
    return line;
}

}  // namespace

ScoreRecord MakeScoreRecord(const GameBase& game)
{
    return ScoreRecord{Metres(game.m_RunDistance), game.m_Score, game.m_Completed};
}

std::string EndlessRecordKey(int32_t level)
{
    char key[48];
    std::snprintf(key, sizeof(key), "/endless/scores/level%02d", level + 1);
    return key;
}

bool RaiseEndlessRecord(Voke::Registry* registry, int32_t level, int32_t score)
{
    if (!registry) return false;
    const std::string key = EndlessRecordKey(level);
    int best = 0;
    // Get fails for a missing key (and for one that holds no int): such a
    // key is left alone rather than made.
    if (!registry->Get(key, best) || score <= best) return false;
    return registry->Set(key, static_cast<int>(score));
}

std::string FormatRunTime(int32_t seconds)
{
    char text[48];
    std::snprintf(text, sizeof(text), "%2dh:%02dm:%02ds", seconds / 3600, (seconds / 60) % 60, seconds % 60);
    return text;
}

GameOverLines MakeGameOverLines(const GameBase& game, const Voke::TextDict* texts)
{
    GameOverLines lines;
    Voke::WideString metres = texts ? texts->Get("IDS_SHORT_METERS") : Voke::ToWideString("IDS_SHORT_METERS");
    lines.line[4] = Line(texts, "IDS_DISTANCE", std::to_string(Metres(game.m_RunDistance)) + " ") + metres;
    lines.line[3] = Line(texts, "IDS_SCORE", std::to_string(game.m_Score));
    lines.line[2] = Line(texts, "IDS_JUMPS", std::to_string(game.m_Jumps));
    lines.line[1] = Line(texts, "IDS_RUNNING_TIME", FormatRunTime(game.m_RunTime));
    lines.line[5] = Line(texts, "IDS_OBSTACLES_DESTROYED", std::to_string(game.m_ObstaclesDestroyed));
    return lines;
}

bool SaveRunRecords(const MainMenu& menu, Voke::Registry* registry)
{
    uint8_t table[kScoreTableBytes];
    menu.GetScoresTable(table, kScoreTableBytes);
    const bool scores = SaveScoreFile(table);
    const bool endless = registry && registry->Save(kEndlessSaveFile, kEndlessNode);
    return scores && endless;
}

void LoadRunRecords(MainMenu& menu, Voke::Registry* registry)
{
    uint8_t table[kScoreTableBytes];
    if (LoadScoreFile(table)) menu.SetScoresTable(table, kScoreTableBytes);
    if (!registry) return;
    // The file names its top node ("/endless"), so no base path is given.
    registry->Load(kEndlessDefaultsFile, false, "");
    registry->Load(kEndlessSaveFile, false, "");
}
