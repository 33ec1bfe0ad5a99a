// Assembles Extended Module files for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Voke {
namespace test {

struct XmSample {
    std::vector<int16_t> values;  // the sample, as played
    bool sixteenBit = false;
    uint32_t loopStart = 0;       // in samples
    uint32_t loopLength = 0;      // in samples
    uint8_t loopType = 0;         // 0 none, 1 forward, 2 ping-pong
    uint8_t volume = 64;
    int8_t finetune = 0;
    int8_t relativeNote = 0;
    // Header fields written as given when non-zero (damaged files).
    uint32_t lengthOverride = 0;
};

struct XmInstrument {
    std::vector<XmSample> samples;
    uint8_t keyMap[96] = {};
    std::vector<std::pair<uint16_t, uint16_t>> envelope;  // (tick, value)
    uint8_t pointCountOverride = 0;
    uint8_t sustain = 0;
    uint8_t volumeType = 0;
    uint32_t headerSize = 263;
    uint32_t sampleHeaderSize = 40;
};

struct XmPattern {
    uint16_t rows = 1;
    std::vector<uint8_t> packed;
};

struct XmModule {
    std::string id = "Extended Module: ";
    uint32_t headerSize = 276;
    uint16_t channels = 1;
    uint16_t speed = 1;
    uint16_t tempo = 125;
    std::vector<uint8_t> orders = {0};
    uint16_t songLengthOverride = 0;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

class ByteWriter {
public:
    std::vector<uint8_t> bytes;
    void U8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v)
    {
        U16(v);
        U16(v >> 16);
    }
    void Text(const std::string& s, size_t size)
    {
        for (size_t i = 0; i < size; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
};

inline std::vector<uint8_t> BuildXm(const XmModule& m)
{
    ByteWriter w;
    w.Text(m.id, 17);
    w.Text("test", 20);
    w.U8(0x1A);
    w.Text("tests", 20);
    w.U16(0x0104);
    w.U32(m.headerSize);
    w.U16(m.songLengthOverride ? m.songLengthOverride : static_cast<uint16_t>(m.orders.size()));
    w.U16(0);
    w.U16(m.channels);
    w.U16(static_cast<uint16_t>(m.patterns.size()));
    w.U16(static_cast<uint16_t>(m.instruments.size()));
    w.U16(1);
    w.U16(m.speed);
    w.U16(m.tempo);
    for (size_t i = 0; i < 256; ++i) w.U8(i < m.orders.size() ? m.orders[i] : 0);
    for (size_t i = 336; i < 60 + m.headerSize; ++i) w.U8(0);
    for (const XmPattern& p : m.patterns) {
        w.U32(9);
        w.U8(0);
        w.U16(p.rows);
        w.U16(static_cast<uint16_t>(p.packed.size()));
        w.bytes.insert(w.bytes.end(), p.packed.begin(), p.packed.end());
    }
    for (const XmInstrument& inst : m.instruments) {
        const size_t start = w.bytes.size();
        w.U32(inst.headerSize);
        w.Text("instrument", 22);
        w.U8(0);
        w.U16(static_cast<uint16_t>(inst.samples.size()));
        if (inst.headerSize > 29) {
            w.U32(inst.sampleHeaderSize);
            for (uint8_t k : inst.keyMap) w.U8(k);
            for (size_t i = 0; i < 12; ++i) {
                w.U16(i < inst.envelope.size() ? inst.envelope[i].first : 0);
                w.U16(i < inst.envelope.size() ? inst.envelope[i].second : 0);
            }
            for (size_t i = 0; i < 12; ++i) w.U32(0);
            w.U8(inst.pointCountOverride ? inst.pointCountOverride : inst.envelope.size());
            w.U8(0);
            w.U8(inst.sustain);
            w.U8(0);
            w.U8(0);
            w.U8(0);
            w.U8(0);
            w.U8(0);
            w.U8(inst.volumeType);
            for (int i = 0; i < 5; ++i) w.U8(0);
            w.U16(0);
            for (int i = 0; i < 22; ++i) w.U8(0);
        }
        while (w.bytes.size() < start + inst.headerSize) w.U8(0);
        for (const XmSample& s : inst.samples) {
            const uint32_t width = s.sixteenBit ? 2 : 1;
            w.U32(s.lengthOverride ? s.lengthOverride : static_cast<uint32_t>(s.values.size()) * width);
            w.U32(s.loopStart * width);
            w.U32(s.loopLength * width);
            w.U8(s.volume);
            w.U8(static_cast<uint8_t>(s.finetune));
            w.U8(s.loopType | (s.sixteenBit ? 0x10 : 0));
            w.U8(128);
            w.U8(static_cast<uint8_t>(s.relativeNote));
            w.U8(0);
            w.Text("sample", 22);
            for (uint32_t i = 40; i < inst.sampleHeaderSize; ++i) w.U8(0xEE);
        }
        for (const XmSample& s : inst.samples) {
            int16_t previous = 0;
            for (int16_t v : s.values) {
                if (s.sixteenBit) {
                    w.U16(static_cast<uint16_t>(v - previous));
                } else {
                    w.U8(static_cast<uint8_t>((v / 256) - (previous / 256)));
                }
                previous = v;
            }
        }
    }
    return w.bytes;
}

// One event with every field present.
inline void Event(std::vector<uint8_t>& packed, uint8_t note, uint8_t instrument, uint8_t volume, uint8_t effect, uint8_t param)
{
    for (uint8_t byte : {note, instrument, volume, effect, param}) packed.push_back(byte);
}

}  // namespace test
}  // namespace Voke
