// What a finished run leaves behind: its line in the score table, the best
// endless score of its level, and the five statistic lines of the game-over
// dialog; and the two files that keep the table and the endless records
// between sessions.
//
// The score table lives in the main menu's scores page and is kept in the
// score file "save/config.xml" (120 raw bytes, score_table.h). The endless
// records are int registry keys "/endless/scores/level01" to "level06"; the
// defaults come from the registry file "endless.xml" of the game data, the
// player's records are the subtree "/endless" saved to "save/endless.xml".
// Only keys that exist are ever raised, so "endless.xml" must name all six.
//
// Main thread, except the reading at the end of loading (loader thread),
// which runs before the main thread can reach a finished run.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/strings.h"
#include "game/menus/score_table.h"

namespace Voke {
class Registry;
class TextDict;
}  // namespace Voke

class GameBase;
class MainMenu;

// The registry files of the endless records: the defaults in the game data
// and the player's copy in the save folder.
extern const char* const kEndlessDefaultsFile;
extern const char* const kEndlessSaveFile;
// The registry subtree saved to the player's copy.
extern const char* const kEndlessNode;

// The record of the run that just ended: whole metres (a tenth of the run's
// pixels, truncated), the score and whether the last level was finished.
ScoreRecord MakeScoreRecord(const GameBase& game);

// The key of the endless record of `level` (0 to 5): "/endless/scores/level01"
// for level 0.
std::string EndlessRecordKey(int32_t level);

// Raises the endless record of `level` to `score` when the key exists and
// holds less. A missing key is never created (nor is a key of another type
// changed); an equal or lower score changes nothing. True when the key was
// raised; false also without a registry.
bool RaiseEndlessRecord(Voke::Registry* registry, int32_t level, int32_t score);

// Game-clock seconds as hours, minutes and seconds: "%2dh:%02dm:%02ds"
// (7384 gives " 2h:03m:04s").
std::string FormatRunTime(int32_t seconds);

// The five statistic lines of the game-over dialog, indexed by the dialog's
// line numbers 1 to 5 (entry 0 unused): 1 running time, 2 jumps, 3 score,
// 4 distance, 5 obstacles destroyed. Each is the dictionary text of its id,
// ": " and the figure; without a dictionary the ids themselves are shown.
struct GameOverLines {
    Voke::WideString line[6];
};
GameOverLines MakeGameOverLines(const GameBase& game, const Voke::TextDict* texts);

// Writes the menu's score table to the score file, then the subtree
// "/endless" of `registry` to the endless save file, whether or not the
// first succeeded. Each file is replaced only when written whole, so a
// failure keeps the previous one. True when both were written.
bool SaveRunRecords(const MainMenu& menu, Voke::Registry* registry);

// Reads the first 120 bytes of the score file into the menu's table (a
// missing file, or one too short to hold a table, leaves the table as it
// is), then merges the endless defaults and the player's endless records
// into `registry`, in that order (a missing or damaged file merges nothing).
void LoadRunRecords(MainMenu& menu, Voke::Registry* registry);
