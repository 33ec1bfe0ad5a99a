// The tracker-module player: loads Extended Module (XM) songs and renders
// them as mono 16-bit samples at 22050 Hz.
//
// It plays a subset of the format: notes through the instrument's key map,
// the volume column, portamento, volume slides, set volume, pattern break,
// speed and tempo, key off, one volume envelope with a sustain point, forward
// loops (ping-pong loops play forward) with linear interpolation. Panning,
// vibrato, arpeggio, jumps and most extended effects are not played.
//
// Every index read from a file (order entry, pattern, instrument, sample,
// envelope point) is checked, so a damaged module loads as a failure or plays
// as silence, never reads outside what was loaded.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/strings.h"

namespace Voke {
namespace ModulePlayer {

class CModuleSong {
public:
    // Limits of what a song may declare (those of the format).
    static constexpr int kMaxOrders = 256;
    static constexpr int kMaxChannels = 32;
    static constexpr int kMaxPatterns = 256;
    static constexpr int kMaxInstruments = 128;
    static constexpr int kEnvelopePoints = 12;
    // A module file larger than this is refused rather than read into memory.
    static constexpr int64_t kMaxFileBytes = int64_t(64) << 20;

    struct Header {
        char id[17] = {};
        char name[20] = {};
        uint8_t separator = 0;
        char tracker[20] = {};
        uint16_t version = 0;
        uint32_t headerSize = 0;
        uint16_t songLength = 0;    // order entries played, 1..256
        uint16_t restart = 0;
        uint16_t channels = 0;      // 1..32
        uint16_t patternCount = 0;
        uint16_t instrumentCount = 0;
        uint16_t flags = 0;
        uint16_t speed = 0;         // ticks per row
        uint16_t tempo = 0;         // beats per minute
        uint8_t orders[kMaxOrders] = {};
    };

    struct Pattern {
        uint32_t headerLength = 0;
        uint8_t packing = 0;
        uint16_t rows = 0;
        uint16_t packedSize = 0;
        std::vector<uint8_t> data;  // packed events, decoded while playing
    };

    struct EnvelopePoint {
        uint16_t x = 0;  // tick
        uint16_t y = 0;  // value 0..64
    };

    struct Sample {
        uint32_t length = 0;      // in samples once loaded
        uint32_t loopStart = 0;   // in samples, within the data
        uint32_t loopLength = 0;  // in samples; 0 when the sample does not loop
        uint8_t volume = 0;       // 0..64
        int8_t finetune = 0;      // 1/128 semitone
        uint8_t type = 0;         // bits 0-1 loop type, 0x10 16-bit data
        uint8_t panning = 0;
        int8_t relativeNote = 0;
        uint8_t reserved = 0;
        char name[22] = {};
        std::vector<int16_t> data;
        int32_t pitchFactor = 4096;  // 12 fraction bits

        bool Loops() const { return (type & 3) != 0 && loopLength > 0; }
    };

    struct Instrument {
        uint32_t headerSize = 0;
        char name[22] = {};
        uint8_t type = 0;
        uint16_t sampleCount = 0;
        uint32_t sampleHeaderSize = 0;
        uint8_t keyMap[96] = {};
        EnvelopePoint volumeEnvelope[kEnvelopePoints] = {};
        EnvelopePoint panningEnvelope[kEnvelopePoints] = {};
        uint8_t volumePoints = 0;  // at most kEnvelopePoints once loaded
        uint8_t panningPoints = 0;
        uint8_t volumeSustain = 0;  // below volumePoints once loaded
        uint8_t volumeLoopStart = 0;
        uint8_t volumeLoopEnd = 0;
        uint8_t panningSustain = 0;
        uint8_t panningLoopStart = 0;
        uint8_t panningLoopEnd = 0;
        uint8_t volumeType = 0;  // bit value 1: envelope on
        uint8_t panningType = 0;
        uint8_t vibratoType = 0;
        uint8_t vibratoSweep = 0;
        uint8_t vibratoDepth = 0;
        uint8_t vibratoRate = 0;
        uint16_t fadeout = 0;
        std::vector<Sample> samples;
    };

    CModuleSong() = default;
    virtual ~CModuleSong() = default;

    // Clears the song and loads the named module through the mount table.
    // False, with the song left empty, when the file cannot be opened, is not
    // an Extended Module, or is truncated or inconsistent.
    bool Load(const NarrowString& name);
    // The same over a module held in memory.
    bool LoadFromMemory(const uint8_t* data, size_t size);
    void Clear();

    bool IsLoaded() const { return m_loaded; }
    const Header& GetHeader() const { return m_header; }
    const std::vector<Pattern>& GetPatterns() const { return m_patterns; }
    const std::vector<Instrument>& GetInstruments() const { return m_instruments; }

private:
    bool m_loaded = false;
    Header m_header;
    std::vector<Pattern> m_patterns;
    std::vector<Instrument> m_instruments;
};

class ModulePlayer {
public:
    static constexpr int kRate = 22050;  // output rate, mono
    static constexpr int kNotes = 96;

    struct Channel {
        uint8_t note = 0;
        uint8_t instrumentNumber = 0;
        int32_t volume = 0;       // 0..65535 (module volume x 1024)
        int32_t fadeVolume = 0;   // 65535 from every note start
        bool released = false;    // key off seen
        const CModuleSong::Instrument* instrument = nullptr;
        const CModuleSong::Sample* sample = nullptr;  // null: silent
        uint64_t position = 0;    // samples, 12 fraction bits
        int32_t step = 0;         // 12 fraction bits
        uint16_t envelopePoint = 0;
        int32_t envelopeValue = 0;  // 0..64
        int32_t envelopeTick = 0;
        uint8_t effect = 0;
        uint8_t effectParam = 0;  // kept when a row gives 0
        int32_t targetStep = 0;
        int32_t level = 0;        // 65535 at note start, falling each tick
    };

    ModulePlayer();
    virtual ~ModulePlayer() = default;

    // Binds `song` (null unbinds) and resets the play state from its header.
    // The song must outlive the binding.
    void SetSong(const CModuleSong* song);
    // Plays order entries `first` to `last` (-1: the first / the last one),
    // looping over them forever.
    void SetOrderRange(int first, int last);
    // Renders `count` samples into `output`; false without a song or before
    // SetOrderRange.
    bool Render(int16_t* output, int count);

    // The playing position: row plus the fraction of it done, 16.16.
    int32_t GetRowPosition() const;
    void KeyOff(int channel);
    // Starts `note` on `channel` with instrument number `instrument` (255
    // keeps the channel's); `restart` sets the position to the start.
    void TriggerNote(int channel, int instrument, int note, bool restart);
    void MixChannel(Channel& channel, int32_t* accumulator, int count);
    int32_t GetChannelLevel(int channel) const;
    void UpdateTiming();
    void FreeChannels();

    // Introspection for tests and tools.
    int GetSamplesPerTick() const { return m_samplesPerTick; }
    int GetSpeed() const { return m_speed; }
    int GetTempo() const { return m_tempo; }
    int GetOrder() const { return m_order; }
    int GetRow() const { return m_row; }
    const Channel* GetChannel(int index) const;

private:
    void Tick();
    void NextRow();
    void TickChannel(Channel& channel);
    void StartNote(Channel& channel, int note, bool keepPosition);
    const CModuleSong::Instrument* FindInstrument(int number) const;
    void AdvanceOrder();

    int32_t m_pitchTable[kNotes] = {};
    const CModuleSong* m_song = nullptr;
    std::vector<Channel> m_channels;
    int m_order = 0;
    int m_offset = 0;
    int m_row = 0;
    int m_speed = 8;
    int m_tempo = 120;
    int m_samplesLeft = 0;
    int m_samplesPerTick = 459;
    int m_tick = 0;
    int m_rowSpeed = 8;
    int m_firstOrder = -1;
    int m_lastOrder = -1;
    std::vector<int32_t> m_accumulator;
};

}  // namespace ModulePlayer
}  // namespace Voke
