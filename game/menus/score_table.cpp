#include "game/menus/score_table.h"

#include <cstring>

#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"

const char* const kScoreFileName = "save/config.xml";

namespace {

void PutInt32(uint8_t* at, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
    at[2] = uint8_t(v >> 16);
    at[3] = uint8_t(v >> 24);
}

int32_t GetInt32(const uint8_t* at)
{
    const uint32_t v = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
    return static_cast<int32_t>(v);
}

}  // namespace

void EncodeScoreTable(const ScoreRecord* table, uint8_t* bytes)
{
    for (int32_t k = 0; k < kScoreRecords; ++k) {
        uint8_t* at = bytes + k * kScoreRecordBytes;
        PutInt32(at, table[k].distance);
        PutInt32(at + 4, table[k].points);
        PutInt32(at + 8, table[k].completed);
    }
}

void DecodeScoreTable(const uint8_t* bytes, ScoreRecord* table)
{
    for (int32_t k = 0; k < kScoreRecords; ++k) {
        const uint8_t* at = bytes + k * kScoreRecordBytes;
        table[k].distance = GetInt32(at);
        table[k].points = GetInt32(at + 4);
        table[k].completed = GetInt32(at + 8);
    }
}

bool SaveScoreFile(const uint8_t* bytes, const char* path)
{
    if (!bytes || !path) return false;
    return Voke::Vfs::WriteFile(path, bytes, kScoreTableBytes);
}

bool ReadScoreTable(Voke::SeekableStream* stream, uint8_t* bytes)
{
    if (!stream || !bytes) return false;
    // The table is the first 120 bytes; what follows them is ignored. A
    // shorter file holds no whole table.
    if (int64_t(stream->Length()) - stream->Tell() < kScoreTableBytes) return false;
    uint8_t read[kScoreTableBytes];
    int32_t got = 0;
    while (got < kScoreTableBytes) {
        const int n = stream->Read(read + got, kScoreTableBytes - got);
        if (n <= 0) return false;
        got += n;
    }
    std::memcpy(bytes, read, sizeof read);
    return true;
}

bool LoadScoreFile(uint8_t* bytes, const char* path)
{
    if (!bytes || !path) return false;
    Voke::SmartPtr<Voke::File> file = Voke::Vfs::Open(path);
    return ReadScoreTable(file, bytes);
}
