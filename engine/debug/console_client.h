// One remote console connection: its socket, its reading thread and the lines
// that thread has read for the main thread to execute. Private to the debug
// overlay.
#pragma once

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "engine/core/ref_counter.h"
#include "engine/core/strings.h"
#include "engine/debug/network.h"

namespace Voke {

class DebugOverlay;

struct ConsoleClient {
    struct Line {
        NarrowString text;
        bool tooLong = false;  // the line went past the limit; its text was dropped
    };

    // Written only by the main thread (replies, sent without waiting), read
    // only by the client's thread; released by the main thread once that
    // thread has been joined.
    SmartPtr<StreamSocket> socket;
    DebugOverlay* overlay = nullptr;
    pthread_t thread{};
    bool threadStarted = false;

    // Main thread only: replies the connection has not taken yet, and
    // whether the client was disconnected (none of its lines runs any more;
    // the record goes once its thread has ended).
    NarrowString pending;
    bool disconnected = false;

    // Guards the three fields below; taken by the client's thread (which
    // queues lines and marks the end) and the main thread (which takes the
    // lines, and asks the thread to stop when the program ends).
    std::mutex lock;
    std::condition_variable roomForLines;
    std::deque<Line> lines;
    bool finished = false;  // the thread reads no more; no line will follow
    bool stopping = false;  // the thread must not wait for room any longer
};

}  // namespace Voke
