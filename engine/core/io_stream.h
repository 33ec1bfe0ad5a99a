// Byte streams: the interface every file, pak entry and socket implements.
//
//   IOStream        Read, Write, lines
//   SeekableStream  adds a position and a length
//   File            adds opening by path
//
// Counts and positions are 32-bit: no file the engine reads is near 2 GiB.
// Failures are returned as false or 0, never thrown (only allocation failure
// throws). A negative byte count asks for nothing and gets 0.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"

namespace Voke {

// Set by every operation of a memory-mapped or stdio file, on any thread; the
// debug overlay shows disk activity while it is set and clears it. Only a
// display hint (relaxed atomic so that concurrent setting is not a race).
extern std::atomic<bool> g_fileActivity;
inline void MarkFileActivity() { g_fileActivity.store(true, std::memory_order_relaxed); }

class IOStream : public RefCounter {
public:
    // Seek origins (the stdio values).
    enum { SeekSet = 0, SeekCur = 1, SeekEnd = 2 };

    // Copies up to `bytes` bytes into `buffer`; returns how many were copied
    // (0 at the end, when closed, or for bytes <= 0).
    virtual int Read(void* buffer, int bytes) = 0;
    // Returns how many bytes were written; read-only streams return 0.
    virtual int Write(const void* buffer, int bytes) = 0;
    // True when the whole text was written.
    virtual bool WriteString(const NarrowString& text);
    // Appends one line to `line` (which is not cleared first): '\n' ends it
    // and is not stored, '\r' is dropped. True when the line ended with '\n';
    // false at the end of the stream, with the bytes read so far appended.
    virtual bool ReadLine(NarrowString& line);
    // Always true; no stream overrides it.
    virtual bool IsReady() { return true; }
    virtual bool IsOpen() { return true; }
    virtual bool IsGood() { return true; }
};

class SeekableStream : public IOStream {
public:
    // origin: SeekSet, SeekCur or SeekEnd. Each class states how it treats a
    // position outside [0, Length] and an unknown origin.
    virtual bool Seek(int offset, int origin) = 0;
    virtual int Tell() = 0;
    virtual int Length() = 0;

protected:
    // The position Seek(offset, origin) names for a stream at `position` of
    // `length` bytes, in 64 bits so that no sum overflows. False for an
    // unknown origin.
    static bool SeekTarget(int offset, int origin, int64_t position, int64_t length, int64_t& target);
    // The same clamped into [0, length]; an unknown origin keeps `position`.
    static uint32_t ClampedSeek(int offset, int origin, uint32_t position, uint32_t length);
};

class File : public SeekableStream {
public:
    // Both return false unless the class can open files that way.
    virtual bool OpenWrite(const char* path);
    virtual bool OpenRead(const char* path);
    // Always false; no file overrides it.
    virtual bool IsTemporary() { return false; }
    // Closes the file; reading afterwards gives 0. Returns false only when
    // something written could not be kept (see the save file).
    virtual bool Close() { return true; }
};

}  // namespace Voke
