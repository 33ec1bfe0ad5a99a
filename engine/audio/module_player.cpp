#include "engine/audio/module_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/byte_reader.h"
#include "engine/core/vfs.h"

namespace Voke {
namespace ModulePlayer {

namespace {

const char kModuleId[] = "Extended Module: ";
// The standard header size: the fields from offset 60 to the end of the
// order table at 336.
const uint32_t kStandardHeaderSize = 276;
const size_t kSampleHeaderBytes = 40;
const size_t kInstrumentBaseBytes = 29;
// A step of 2^19 samples per output sample is far past any audible pitch; the
// bound keeps the fixed-point arithmetic in range.
const int64_t kMaxStep = int64_t(1) << 31;

int32_t ClampStep(int64_t step)
{
    return static_cast<int32_t>(std::clamp<int64_t>(step, 0, kMaxStep - 1));
}

int32_t ClampVolume(int64_t volume) { return static_cast<int32_t>(std::clamp<int64_t>(volume, 0, 65535)); }

bool ReadSample(ByteReader& in, CModuleSong::Sample& sample, size_t headerSize)
{
    const size_t start = in.Tell();
    sample.length = in.U32();
    sample.loopStart = in.U32();
    sample.loopLength = in.U32();
    sample.volume = in.U8();
    sample.finetune = static_cast<int8_t>(in.U8());
    sample.type = in.U8();
    sample.panning = in.U8();
    sample.relativeNote = static_cast<int8_t>(in.U8());
    sample.reserved = in.U8();
    in.Bytes(sample.name, sizeof(sample.name));
    // Headers larger than the 40 bytes kept are skipped, not overflowed.
    in.Seek(start + std::max(headerSize, kSampleHeaderBytes));
    return in.Ok();
}

bool ReadSampleData(ByteReader& in, CModuleSong::Sample& sample)
{
    sample.pitchFactor = static_cast<int32_t>(std::pow(2.0, (sample.relativeNote + sample.finetune / 128.0) / 12.0) * 4096.0);
    const uint32_t bytes = sample.length;
    const uint8_t* raw = in.Take(bytes);
    if (!raw) return false;
    const bool wide = (sample.type & 0x10) != 0;
    if (wide) {
        sample.length /= 2;
        sample.loopStart /= 2;
        sample.loopLength /= 2;
    }
    sample.data.resize(sample.length);
    int16_t value = 0;
    for (uint32_t i = 0; i < sample.length; ++i) {
        // Delta coding with 16-bit wrap-around.
        const int delta = wide ? static_cast<int16_t>(LoadLE16(raw + 2 * i))
                               : static_cast<int8_t>(raw[i]) * 256;
        value = static_cast<int16_t>(static_cast<uint16_t>(value) + static_cast<uint16_t>(delta));
        sample.data[i] = value;
    }
    // Loops are kept inside the data; an empty loop plays as no loop.
    if (sample.loopStart > sample.length) sample.loopStart = sample.length;
    if (sample.loopLength > sample.length - sample.loopStart) sample.loopLength = sample.length - sample.loopStart;
    if ((sample.type & 3) == 0) sample.loopLength = 0;
    return true;
}

bool ReadInstrument(ByteReader& in, CModuleSong::Instrument& inst)
{
    const size_t start = in.Tell();
    inst.headerSize = in.U32();
    in.Bytes(inst.name, sizeof(inst.name));
    inst.type = in.U8();
    inst.sampleCount = in.U16();
    const uint32_t size = inst.headerSize;
    // The remaining fields are present only as far as the declared size
    // reaches.
    if (size > 29) inst.sampleHeaderSize = in.U32();
    if (size > 33) in.Bytes(inst.keyMap, sizeof(inst.keyMap));
    if (size > 129)
        for (auto& p : inst.volumeEnvelope) {
            p.x = in.U16();
            p.y = in.U16();
        }
    if (size > 177)
        for (auto& p : inst.panningEnvelope) {
            p.x = in.U16();
            p.y = in.U16();
        }
    uint8_t* bytes[] = {&inst.volumePoints, &inst.panningPoints, &inst.volumeSustain, &inst.volumeLoopStart,
                        &inst.volumeLoopEnd, &inst.panningSustain, &inst.panningLoopStart, &inst.panningLoopEnd,
                        &inst.volumeType, &inst.panningType, &inst.vibratoType, &inst.vibratoSweep,
                        &inst.vibratoDepth, &inst.vibratoRate};
    for (size_t i = 0; i < sizeof(bytes) / sizeof(bytes[0]); ++i)
        if (size > 225 + i) *bytes[i] = in.U8();
    if (size > 239) inst.fadeout = in.U16();
    in.Seek(start + std::max<size_t>(size, in.Tell() - start));
    if (!in.Ok()) return false;

    inst.volumePoints = std::min<uint8_t>(inst.volumePoints, CModuleSong::kEnvelopePoints);
    inst.panningPoints = std::min<uint8_t>(inst.panningPoints, CModuleSong::kEnvelopePoints);
    if (inst.volumePoints > 0 && inst.volumeSustain >= inst.volumePoints) inst.volumeSustain = inst.volumePoints - 1;
    for (auto& p : inst.volumeEnvelope) p.y = std::min<uint16_t>(p.y, 64);

    if (inst.sampleCount == 0) return true;
    inst.samples.resize(inst.sampleCount);
    for (auto& sample : inst.samples)
        if (!ReadSample(in, sample, inst.sampleHeaderSize)) return false;
    for (auto& sample : inst.samples)
        if (!ReadSampleData(in, sample)) return false;
    return true;
}

}  // namespace

void CModuleSong::Clear()
{
    m_loaded = false;
    m_header = Header();
    m_patterns.clear();
    m_instruments.clear();
}

bool CModuleSong::Load(const NarrowString& name)
{
    Clear();
    SmartPtr<File> file(Vfs::Open(name.c_str()));
    if (!file) return false;
    const int length = file->Length();
    if (length <= 0 || length > kMaxFileBytes) return false;
    std::vector<uint8_t> data(static_cast<size_t>(length));
    const int got = file->Read(data.data(), length);
    return got > 0 && LoadFromMemory(data.data(), static_cast<size_t>(got));
}

bool CModuleSong::LoadFromMemory(const uint8_t* data, size_t size)
{
    Clear();
    if (!data) return false;
    ByteReader in(data, size);
    Header& h = m_header;
    in.Bytes(h.id, sizeof(h.id));
    in.Bytes(h.name, sizeof(h.name));
    h.separator = in.U8();
    in.Bytes(h.tracker, sizeof(h.tracker));
    h.version = in.U16();
    h.headerSize = in.U32();
    h.songLength = in.U16();
    h.restart = in.U16();
    h.channels = in.U16();
    h.patternCount = in.U16();
    h.instrumentCount = in.U16();
    h.flags = in.U16();
    h.speed = in.U16();
    h.tempo = in.U16();
    in.Bytes(h.orders, sizeof(h.orders));
    if (!in.Ok() || std::memcmp(h.id, kModuleId, sizeof(h.id)) != 0 || h.songLength < 1 || h.songLength > kMaxOrders ||
        h.channels < 1 || h.channels > kMaxChannels || h.patternCount > kMaxPatterns ||
        h.instrumentCount > kMaxInstruments || h.headerSize < kStandardHeaderSize) {
        Clear();
        return false;
    }
    // Patterns follow the header, whose declared size counts from offset 60.
    in.Seek(60 + size_t(h.headerSize));

    m_patterns.resize(h.patternCount);
    for (Pattern& p : m_patterns) {
        p.headerLength = in.U32();
        p.packing = in.U8();
        p.rows = in.U16();
        p.packedSize = in.U16();
        const uint8_t* packed = in.Take(p.packedSize);
        if (!packed) break;
        p.data.assign(packed, packed + p.packedSize);
    }
    m_instruments.resize(h.instrumentCount);
    for (Instrument& inst : m_instruments)
        if (!in.Ok() || !ReadInstrument(in, inst)) break;
    if (!in.Ok()) {
        Clear();
        return false;
    }
    m_loaded = true;
    return true;
}

ModulePlayer::ModulePlayer()
{
    for (int i = 0; i < kNotes; ++i) m_pitchTable[i] = static_cast<int32_t>(std::pow(2.0, (i - 66.15) / 12.0) * 4096.0);
}

void ModulePlayer::FreeChannels() { m_channels.clear(); }

void ModulePlayer::SetSong(const CModuleSong* song)
{
    FreeChannels();
    m_song = song && song->IsLoaded() ? song : nullptr;
    if (!m_song) return;
    const CModuleSong::Header& h = m_song->GetHeader();
    // A range chosen for an earlier song stays, cut to this song's orders.
    if (m_lastOrder >= h.songLength) m_lastOrder = h.songLength - 1;
    if (m_firstOrder > m_lastOrder) m_firstOrder = m_lastOrder;
    m_channels.assign(h.channels, Channel());
    m_tick = 0;
    m_order = 0;
    m_row = 0;
    m_offset = 0;
    m_samplesLeft = 0;
    m_tempo = h.tempo;
    m_speed = h.speed;
    UpdateTiming();
}

void ModulePlayer::UpdateTiming()
{
    const int divisor = m_tempo * 50 / 125;
    m_samplesPerTick = divisor < 1 ? kRate : kRate / divisor;
    // A huge tempo would give ticks of no samples, and Render would never
    // finish.
    if (m_samplesPerTick < 1) m_samplesPerTick = 1;
    m_rowSpeed = m_speed;
}

void ModulePlayer::SetOrderRange(int first, int last)
{
    if (!m_song) return;
    const int songLength = m_song->GetHeader().songLength;
    m_firstOrder = first < 0 ? 0 : std::min(first, songLength - 1);
    m_lastOrder = last < 0 ? songLength - 1 : std::min(last, songLength - 1);
    if (m_lastOrder < m_firstOrder) m_lastOrder = m_firstOrder;
    m_row = 0;
    m_offset = 0;
    m_order = m_firstOrder;
}

const ModulePlayer::Channel* ModulePlayer::GetChannel(int index) const
{
    return index >= 0 && index < static_cast<int>(m_channels.size()) ? &m_channels[static_cast<size_t>(index)] : nullptr;
}

int32_t ModulePlayer::GetRowPosition() const
{
    if (m_rowSpeed < 1) return 0;
    return (m_row << 16) + (m_tick << 16) / m_rowSpeed;
}

int32_t ModulePlayer::GetChannelLevel(int channel) const
{
    const Channel* c = GetChannel(channel);
    return c ? c->level : 0;
}

void ModulePlayer::KeyOff(int channel)
{
    if (channel >= 0 && channel < static_cast<int>(m_channels.size())) m_channels[static_cast<size_t>(channel)].released = true;
}

const CModuleSong::Instrument* ModulePlayer::FindInstrument(int number) const
{
    const auto& instruments = m_song->GetInstruments();
    return number >= 0 && number < static_cast<int>(instruments.size()) ? &instruments[static_cast<size_t>(number)] : nullptr;
}

void ModulePlayer::StartNote(Channel& c, int note, bool keepPosition)
{
    const CModuleSong::Instrument* inst = c.instrument;
    if (!inst || inst->samples.empty()) return;
    if (note > 95) note = 95;
    const int index = inst->keyMap[note - 1];
    if (index >= static_cast<int>(inst->samples.size())) return;
    c.sample = &inst->samples[static_cast<size_t>(index)];
    c.envelopePoint = 0;
    c.envelopeTick = 0;
    c.envelopeValue = 64;
    c.fadeVolume = 65535;
    c.level = 65535;
    c.released = false;
    c.targetStep = ClampStep((int64_t(c.sample->pitchFactor) * m_pitchTable[note]) >> 12);
    if (!keepPosition) {
        c.position = 0;
        c.step = c.targetStep;
    }
}

void ModulePlayer::TriggerNote(int channel, int instrument, int note, bool restart)
{
    if (!m_song || channel < 0 || channel >= static_cast<int>(m_channels.size()) || note < 1) return;
    Channel& c = m_channels[static_cast<size_t>(channel)];
    if (instrument != 255) {
        c.instrumentNumber = static_cast<uint8_t>(instrument);
        c.instrument = FindInstrument(instrument);
    }
    c.note = static_cast<uint8_t>(std::min(note, 255));
    StartNote(c, note, !restart);
}

void ModulePlayer::AdvanceOrder()
{
    ++m_order;
    m_row = 0;
    m_offset = 0;
    if (m_order > m_lastOrder) m_order = m_firstOrder;
}

void ModulePlayer::NextRow()
{
    const CModuleSong::Header& h = m_song->GetHeader();
    const auto& patterns = m_song->GetPatterns();
    const int patternIndex = h.orders[std::clamp(m_order, 0, CModuleSong::kMaxOrders - 1)];
    // An order entry naming a missing pattern plays as 64 empty rows, the
    // format's default pattern.
    const CModuleSong::Pattern* pattern = patternIndex < static_cast<int>(patterns.size()) ? &patterns[static_cast<size_t>(patternIndex)] : nullptr;
    const uint8_t* data = pattern ? pattern->data.data() : nullptr;
    const int size = pattern ? static_cast<int>(pattern->data.size()) : 0;
    const int rows = pattern ? std::max<int>(pattern->rows, 1) : 64;
    // Packed data that ends inside a row leaves the rest of the row empty.
    auto next = [&](uint8_t& out) -> bool {
        if (m_offset >= size) return false;
        out = data[m_offset++];
        return true;
    };

    bool patternBreak = false;
    for (Channel& c : m_channels) {
        uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
        uint8_t first = 0;
        if (next(first)) {
            if (first & 0x80) {
                if (first & 1) next(note);
                if (first & 2) next(instrument);
                if (first & 4) next(volume);
                if (first & 8) next(effect);
                if (first & 16) next(param);
            } else {
                note = first;
                next(instrument);
                next(volume);
                next(effect);
                next(param);
            }
        }

        if (instrument != 0) c.instrumentNumber = static_cast<uint8_t>(instrument - 1);

        if (volume != 0) {
            int64_t v = c.volume;
            if (volume >= 0x10 && volume <= 0x50)
                v = int64_t(volume - 0x10) * 1024;
            else if (volume >= 0x60 && volume <= 0x6F)
                v -= int64_t(volume - 0x60) * 1024;
            else if (volume >= 0x70 && volume <= 0x7F)
                v += int64_t(volume - 0x70) * 1024;
            else if (volume >= 0x80 && volume <= 0x8F)
                v -= int64_t(volume - 0x80) * 4;
            else if (volume >= 0x90 && volume <= 0x9F)
                v += int64_t(volume - 0x90) * 4;
            c.volume = ClampVolume(v);
        }

        c.effect = effect;
        if (param != 0) c.effectParam = param;

        if (effect == 15 && param != 0) {
            if (param < 32)
                m_speed = param;
            else
                m_tempo = param;
            UpdateTiming();
        }

        if (note == 97) {
            c.released = true;
        } else if (note != 0) {
            c.note = note;
            // An instrument number beyond the song's instruments leaves the
            // channel without an instrument: the note stays silent.
            if (instrument != 0) c.instrument = FindInstrument(instrument - 1);
            StartNote(c, note, effect == 3);
        }

        if (instrument != 0 && c.sample && volume == 0) c.volume = int32_t(c.sample->volume) * 1024;
        c.volume = ClampVolume(c.volume);

        if (effect == 13) {
            patternBreak = true;
            break;
        }
        if (effect == 20) c.released = true;
        if (effect == 12) c.volume = ClampVolume(int64_t(param) * 1024);
    }

    if (patternBreak) {
        AdvanceOrder();
        return;
    }
    if (++m_row >= rows) AdvanceOrder();
}

void ModulePlayer::TickChannel(Channel& c)
{
    c.level = c.level > 0 ? c.level - 1512 : 0;
    if (!c.sample) return;

    const CModuleSong::Instrument* inst = c.instrument;
    if (inst && (inst->volumeType & 1) && inst->volumePoints > 1) {
        const int count = inst->volumePoints;
        const auto& env = inst->volumeEnvelope;
        int p = c.envelopePoint;
        if (p >= count - 1) {
            c.sample = nullptr;  // past the last point: the note has died away
        } else {
            int dist = int(env[p + 1].x) - int(env[p].x);
            if (dist <= 0) dist = 1;
            c.envelopeValue = env[p].y + (int(env[p + 1].y) - int(env[p].y)) * (c.envelopeTick - int(env[p].x)) / dist;
            c.envelopeValue = std::clamp(c.envelopeValue, 0, 64);
            ++c.envelopeTick;
            while (c.sample && c.envelopeTick >= int(env[p + 1].x)) {
                ++p;
                if (p >= count - 1) c.sample = nullptr;
            }
            if (!c.released && p >= inst->volumeSustain) {
                p = inst->volumeSustain;
                c.envelopeTick = env[p].x;
                c.envelopeValue = env[p].y;
            }
            c.envelopePoint = static_cast<uint16_t>(p);
        }
    }

    const int param = c.effectParam;
    switch (c.effect) {
    case 1:
        c.step = ClampStep(c.step + ((int64_t(c.step) * param) >> 9));
        break;
    case 2:
        c.step = ClampStep(c.step - ((int64_t(c.step) * param) >> 9));
        break;
    case 3: {
        const int64_t delta = (int64_t(c.step) * param) >> 8;
        const int64_t distance = int64_t(c.targetStep) - c.step;
        if (std::llabs(distance) < delta)
            c.step = c.targetStep;
        else
            c.step = ClampStep(c.step + (distance > 0 ? delta : -delta));
        break;
    }
    case 6:
    case 10:
        c.volume = ClampVolume(c.volume + int64_t((param >> 4) - (param & 15)) * 1024);
        break;
    case 14:
        if ((param >> 4) == 10) c.volume = ClampVolume(c.volume + int64_t(param & 15) * 256);
        if ((param >> 4) == 11) c.volume = ClampVolume(c.volume - int64_t(param & 15) * 256);
        break;
    default:
        break;
    }
}

void ModulePlayer::Tick()
{
    if (++m_tick >= m_rowSpeed) {
        NextRow();
        m_tick = 0;
    }
    for (Channel& c : m_channels) TickChannel(c);
}

void ModulePlayer::MixChannel(Channel& c, int32_t* acc, int count)
{
    const CModuleSong::Sample* sample = c.sample;
    if (!sample) return;
    const int64_t gain = (int64_t(c.fadeVolume) * ((int64_t(c.volume) * c.envelopeValue) >> 6)) >> 16;
    const uint64_t length = sample->length;
    const bool loops = sample->Loops();
    const uint64_t loopStart = uint64_t(sample->loopStart) << 12;
    const uint64_t loopEnd = uint64_t(sample->loopStart + sample->loopLength) << 12;
    const uint64_t loopLength = uint64_t(sample->loopLength) << 12;
    const int16_t* data = sample->data.data();
    const uint64_t step = c.step > 0 ? uint64_t(c.step) : 0;
    uint64_t position = c.position;
    for (int k = 0; k < count; ++k) {
        position += step;
        if (loops && position >= loopEnd) position = loopStart + (position - loopStart) % loopLength;
        const uint64_t i = position >> 12;
        if (i >= length) {
            c.sample = nullptr;  // the sample has ended
            break;
        }
        int64_t value;
        if (i + 1 == length) {
            value = data[i];
        } else {
            const int64_t f = int64_t(position & 4095);
            value = ((4096 - f) * data[i] + f * data[i + 1]) >> 12;
        }
        acc[k] += static_cast<int32_t>((gain * ((gain * value) >> 16)) >> 16);
    }
    c.position = position;
}

bool ModulePlayer::Render(int16_t* output, int count)
{
    if (!m_song || m_firstOrder < 0) return false;
    if (count <= 0) return true;
    m_accumulator.assign(static_cast<size_t>(count), 0);
    int done = 0;
    while (done < count) {
        if (m_samplesLeft <= 0) {
            Tick();
            m_samplesLeft = m_samplesPerTick;
        }
        const int chunk = std::min(count - done, m_samplesLeft);
        for (Channel& c : m_channels) MixChannel(c, m_accumulator.data() + done, chunk);
        m_samplesLeft -= chunk;
        done += chunk;
    }
    for (int i = 0; i < count; ++i) output[i] = static_cast<int16_t>(std::clamp(m_accumulator[static_cast<size_t>(i)], -32768, 32767));
    return true;
}

}  // namespace ModulePlayer
}  // namespace Voke
