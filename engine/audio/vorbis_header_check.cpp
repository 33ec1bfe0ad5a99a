#include "engine/audio/vorbis_header_check.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/io_stream.h"

namespace Voke {

namespace {

// NOTE: limits of the Vorbis I format that the check holds a header to.
constexpr int kMaxCodewordLength = 32;
constexpr size_t kMaxFloor1Posts = 63 + 2;  // listed posts plus the two ends

// Vorbis packs fields least significant bit first. Reading past the packet
// fails the reader (and yields 0), as the end of a header packet is an error.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : m_data(data), m_bits(size * 8) {}

    uint32_t Read(int count)
    {
        if (count <= 0) return 0;
        if (!m_ok || m_bits - m_at < size_t(count)) {
            m_ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++m_at)
            value |= uint32_t((m_data[m_at >> 3] >> (m_at & 7)) & 1) << i;
        return value;
    }
    // Skips `count` bits (a lookup table's values) without reading them one
    // by one; fails when fewer remain.
    void Skip(uint64_t count)
    {
        if (!m_ok || m_bits - m_at < count) {
            m_ok = false;
            return;
        }
        m_at += size_t(count);
    }
    bool Ok() const { return m_ok; }

private:
    const uint8_t* m_data;
    size_t m_bits;
    size_t m_at = 0;
    bool m_ok = true;
};

// Bits needed to hold `value` (0 for 0).
int ILog(uint32_t value)
{
    int bits = 0;
    for (; value; value >>= 1) ++bits;
    return bits;
}

// Whether r^dimensions <= entries, without overflow.
bool PowerFits(uint64_t r, uint32_t dimensions, uint32_t entries)
{
    uint64_t power = 1;
    for (uint32_t d = 0; d < dimensions; ++d) {
        power *= r;
        if (power > entries) return false;
        if (power == 0) return true;
    }
    return true;
}

// The largest r with r^dimensions <= entries (dimensions >= 1).
uint64_t Lookup1Values(uint32_t entries, uint32_t dimensions)
{
    uint64_t r = uint64_t(std::pow(double(entries), 1.0 / dimensions));
    while (r > 0 && !PowerFits(r, dimensions, entries)) --r;
    while (PowerFits(r + 1, dimensions, entries)) ++r;
    return r;
}

struct Codebook {
    uint32_t dimensions = 0;
    uint32_t entries = 0;
    bool hasValues = false;  // a lookup table: usable for vector decoding
};

// Codeword lengths must make a complete prefix code, as a decoder builds its
// tree from them: no length past 32 bits, and (unless one codeword stands
// alone) the shares 2^-length of the used entries adding up to exactly 1. A
// decoder whose book fails to build is left half set up, and seeking in it
// divides by zero.
class CodeLengths {
public:
    bool Add(int length, uint64_t count)
    {
        if (length < 1 || length > kMaxCodewordLength) return false;
        m_used += count;
        m_sum += count << (kMaxCodewordLength - length);
        return m_sum <= kWhole;
    }
    bool Complete() const { return m_used == 1 || (m_used > 1 && m_sum == kWhole); }

private:
    static constexpr uint64_t kWhole = uint64_t(1) << kMaxCodewordLength;
    uint64_t m_used = 0;
    uint64_t m_sum = 0;
};

bool ReadCodebook(BitReader& in, Codebook& book)
{
    if (in.Read(24) != 0x564342) return false;
    book.dimensions = in.Read(16);
    book.entries = in.Read(24);
    if (!in.Ok() || book.dimensions == 0 || book.entries == 0) return false;
    CodeLengths lengths;
    if (in.Read(1)) {  // ordered: runs of entries of one length, growing
        uint32_t entry = 0;
        int length = int(in.Read(5)) + 1;
        while (in.Ok() && entry < book.entries) {
            const uint32_t count = in.Read(ILog(book.entries - entry));
            if (count > book.entries - entry || !lengths.Add(length, count)) return false;
            entry += count;
            ++length;
        }
    } else {
        const bool sparse = in.Read(1) != 0;
        for (uint32_t i = 0; i < book.entries && in.Ok(); ++i)
            if ((!sparse || in.Read(1)) && !lengths.Add(int(in.Read(5)) + 1, 1)) return false;
    }
    if (!in.Ok() || !lengths.Complete()) return false;
    const uint32_t lookup = in.Read(4);
    if (lookup > 2) return false;
    if (lookup != 0) {
        in.Skip(64);  // minimum and delta, packed floats
        const uint32_t valueBits = in.Read(4) + 1;
        in.Read(1);  // sequence flag
        const uint64_t values =
            lookup == 1 ? Lookup1Values(book.entries, book.dimensions) : uint64_t(book.entries) * book.dimensions;
        if (values == 0) return false;
        in.Skip(values * valueBits);
        book.hasValues = true;
    }
    return in.Ok();
}

bool ReadFloor(BitReader& in, const std::vector<Codebook>& books)
{
    const uint32_t type = in.Read(16);
    if (type == 0) {
        const uint32_t order = in.Read(8);
        const uint32_t rate = in.Read(16);
        const uint32_t barkMapSize = in.Read(16);
        in.Read(6);  // amplitude bits
        in.Read(8);  // amplitude offset
        const uint32_t bookCount = in.Read(4) + 1;
        if (order == 0 || rate == 0 || barkMapSize == 0) return false;
        for (uint32_t i = 0; i < bookCount; ++i) {
            const uint32_t book = in.Read(8);
            if (book >= books.size() || !books[book].hasValues) return false;
        }
        return in.Ok();
    }
    if (type != 1) return false;
    const uint32_t partitions = in.Read(5);
    std::vector<uint32_t> partitionClass(partitions);
    int maxClass = -1;
    for (uint32_t& c : partitionClass) {
        c = in.Read(4);
        maxClass = std::max(maxClass, int(c));
    }
    std::vector<uint32_t> classDimensions(size_t(maxClass + 1));
    for (int c = 0; c <= maxClass; ++c) {
        classDimensions[size_t(c)] = in.Read(3) + 1;
        const uint32_t subclasses = in.Read(2);
        if (subclasses && in.Read(8) >= books.size()) return false;
        for (uint32_t s = 0; s < (1u << subclasses); ++s) {
            const uint32_t book = in.Read(8);  // minus one: 0 means none
            if (book > books.size()) return false;
        }
    }
    in.Read(2);  // multiplier
    const int rangeBits = int(in.Read(4));
    // The two ends, then every listed post: no two posts at one place, or
    // a line between them would have no length.
    std::vector<uint32_t> posts = {0, 1u << rangeBits};
    for (uint32_t p = 0; p < partitions; ++p) {
        for (uint32_t d = 0; d < classDimensions[partitionClass[p]]; ++d) {
            posts.push_back(in.Read(rangeBits));
            if (posts.size() > kMaxFloor1Posts) return false;
        }
    }
    std::sort(posts.begin(), posts.end());
    return in.Ok() && std::adjacent_find(posts.begin(), posts.end()) == posts.end();
}

bool ReadResidue(BitReader& in, const std::vector<Codebook>& books)
{
    if (in.Read(16) > 2) return false;
    const uint32_t begin = in.Read(24);
    const uint32_t end = in.Read(24);
    in.Read(24);  // partition size minus one: never 0 samples
    const uint32_t classifications = in.Read(6) + 1;
    const uint32_t classbook = in.Read(8);
    if (!in.Ok() || end < begin || classbook >= books.size()) return false;
    // The classbook's entries code `dimensions` classifications each.
    const Codebook& phrases = books[classbook];
    uint64_t words = 1;
    for (uint32_t d = 0; d < phrases.dimensions; ++d) {
        words *= classifications;
        if (words > phrases.entries) return false;
    }
    std::vector<uint32_t> cascade(classifications);
    for (uint32_t& bits : cascade) {
        bits = in.Read(3);
        if (in.Read(1)) bits |= in.Read(5) << 3;
    }
    for (uint32_t bits : cascade) {
        for (int stage = 0; stage < 8; ++stage) {
            if (!(bits & (1u << stage))) continue;
            const uint32_t book = in.Read(8);
            if (book >= books.size() || !books[book].hasValues) return false;
        }
    }
    return in.Ok();
}

bool ReadMapping(BitReader& in, int channels, uint32_t floors, uint32_t residues)
{
    if (in.Read(16) != 0) return false;
    const uint32_t submaps = in.Read(1) ? in.Read(4) + 1 : 1;
    if (in.Read(1)) {
        const uint32_t steps = in.Read(8) + 1;
        const int bits = ILog(uint32_t(channels - 1));
        for (uint32_t s = 0; s < steps; ++s) {
            const uint32_t magnitude = in.Read(bits);
            const uint32_t angle = in.Read(bits);
            if (magnitude == angle || magnitude >= uint32_t(channels) || angle >= uint32_t(channels)) return false;
        }
    }
    if (in.Read(2) != 0) return false;
    if (submaps > 1)
        for (int c = 0; c < channels; ++c)
            if (in.Read(4) >= submaps) return false;
    for (uint32_t s = 0; s < submaps; ++s) {
        in.Read(8);  // unused time configuration
        if (in.Read(8) >= floors || in.Read(8) >= residues) return false;
    }
    return in.Ok();
}

// The first three packets of the stream's first logical stream.
bool ReadHeaderPackets(SeekableStream* stream, std::vector<uint8_t> packets[3])
{
    ogg_sync_state sync;
    ogg_stream_state logical;
    ogg_sync_init(&sync);
    bool started = false;
    int count = 0;
    int read = 0;
    while (count < 3 && read < VorbisHeaderCheck::kMaxHeaderBytes) {
        ogg_page page;
        if (ogg_sync_pageout(&sync, &page) != 1) {
            char* buffer = ogg_sync_buffer(&sync, 4096);
            const int got = buffer ? stream->Read(buffer, 4096) : 0;
            if (got <= 0) break;
            ogg_sync_wrote(&sync, got);
            read += got;
            continue;
        }
        if (!started) {
            if (!ogg_page_bos(&page)) break;
            ogg_stream_init(&logical, ogg_page_serialno(&page));
            started = true;
        }
        if (ogg_stream_pagein(&logical, &page) != 0) continue;  // another stream's page
        ogg_packet packet;
        int result;
        while (count < 3 && (result = ogg_stream_packetout(&logical, &packet)) != 0) {
            if (result < 0) {
                count = -1;  // a gap inside the headers
                break;
            }
            packets[count++].assign(packet.packet, packet.packet + packet.bytes);
        }
        if (count < 0) break;
    }
    if (started) ogg_stream_clear(&logical);
    ogg_sync_clear(&sync);
    return count == 3;
}

bool IsHeader(const uint8_t* packet, size_t size, uint8_t type)
{
    return size >= 7 && packet[0] == type && std::memcmp(packet + 1, "vorbis", 6) == 0;
}

}  // namespace

bool VorbisHeaderCheck::Check(SeekableStream* stream)
{
    if (!stream || !stream->Seek(0, IOStream::SeekSet)) return false;
    std::vector<uint8_t> packets[3];
    int channels = 0;
    return ReadHeaderPackets(stream, packets) && CheckIdentification(packets[0].data(), packets[0].size(), channels) &&
           IsHeader(packets[1].data(), packets[1].size(), 3) &&
           CheckSetup(packets[2].data(), packets[2].size(), channels);
}

bool VorbisHeaderCheck::CheckIdentification(const uint8_t* packet, size_t size, int& channels)
{
    if (!IsHeader(packet, size, 1)) return false;
    BitReader in(packet + 7, size - 7);
    const uint32_t version = in.Read(32);
    channels = int(in.Read(8));
    const uint32_t rate = in.Read(32);
    in.Skip(96);  // bitrates
    const uint32_t small = in.Read(4), large = in.Read(4);
    const bool framed = in.Read(1) != 0;
    return in.Ok() && framed && version == 0 && channels >= 1 && rate >= 1 && small >= 6 && large <= 13 &&
           small <= large;
}

bool VorbisHeaderCheck::CheckSetup(const uint8_t* packet, size_t size, int channels)
{
    if (!IsHeader(packet, size, 5) || channels < 1) return false;
    BitReader in(packet + 7, size - 7);
    std::vector<Codebook> books(in.Read(8) + 1);
    for (Codebook& book : books)
        if (!ReadCodebook(in, book)) return false;
    const uint32_t times = in.Read(6) + 1;
    for (uint32_t i = 0; i < times; ++i)
        if (in.Read(16) != 0) return false;
    const uint32_t floors = in.Read(6) + 1;
    for (uint32_t i = 0; i < floors; ++i)
        if (!ReadFloor(in, books)) return false;
    const uint32_t residues = in.Read(6) + 1;
    for (uint32_t i = 0; i < residues; ++i)
        if (!ReadResidue(in, books)) return false;
    const uint32_t mappings = in.Read(6) + 1;
    for (uint32_t i = 0; i < mappings; ++i)
        if (!ReadMapping(in, channels, floors, residues)) return false;
    const uint32_t modes = in.Read(6) + 1;
    for (uint32_t i = 0; i < modes; ++i) {
        in.Read(1);  // block flag
        if (in.Read(16) != 0 || in.Read(16) != 0 || in.Read(8) >= mappings) return false;
    }
    return in.Read(1) == 1 && in.Ok();
}

}  // namespace Voke
