// The high-score table as bytes and as the score file.
//
// The table is ten records, rank 1 first, each three little-endian int32
// (distance, points, completed): 120 bytes with no header, written in the
// same form to "save/config.xml" (a raw file despite its name). The scores
// page keeps the table as records and hands it in and out in this byte
// form; the game controller saves and loads the file with SaveScoreFile and
// LoadScoreFile after every finished run and once at the end of loading.
//
// Saving never destroys the previous file: the bytes go to a temporary file
// in the save folder that replaces the old file only once all 120 bytes are
// written and synced (the save mount's save files do this). Loading reads
// the first 120 bytes of a file at least that long and ignores the rest: a
// shorter file, a missing one or a short read leaves the caller's table as
// it was, and reading never allocates by the file's length.
#pragma once

#include <cstdint>

namespace Voke {
class SeekableStream;
}

struct ScoreRecord {
    int32_t distance;   // metres of the run
    int32_t points;     // the run's score
    int32_t completed;  // > 0 when the run finished the last level
};

// NOTE: the table keeps ten records of 12 bytes.
constexpr int32_t kScoreRecords = 10;
constexpr int32_t kScoreRecordBytes = 12;
constexpr int32_t kScoreTableBytes = kScoreRecords * kScoreRecordBytes;

// "save/config.xml".
extern const char* const kScoreFileName;

// The records as the 120 file bytes, and back.
void EncodeScoreTable(const ScoreRecord* table, uint8_t* bytes);
void DecodeScoreTable(const uint8_t* bytes, ScoreRecord* table);

// Replaces the score file at `path` (a path of the mount table) with the 120
// bytes. True only when every byte was written and the new file took the old
// one's place; on false the previous file is as it was.
bool SaveScoreFile(const uint8_t* bytes, const char* path = kScoreFileName);
// Reads the first 120 bytes of the score file at `path` into `bytes`. False,
// with `bytes` untouched, when the file does not open, is shorter than 120
// bytes, or does not deliver them.
bool LoadScoreFile(uint8_t* bytes, const char* path = kScoreFileName);
// LoadScoreFile on an open stream, read from its current position.
bool ReadScoreTable(Voke::SeekableStream* stream, uint8_t* bytes);
