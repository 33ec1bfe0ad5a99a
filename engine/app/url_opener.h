// Web pages opened through the desktop's opener, "xdg-open", without waiting
// for it: on a desktop without a desktop environment the opener runs the
// browser and lives as long as it does, and a game waiting for it would stop
// drawing and answering its window until the browser is closed.
//
// Each opener runs in a session of its own (the browser outlives the game,
// and a Ctrl-C meant for the game does not reach it). Once it has ended it is
// collected here, without blocking and without touching the process's other
// children; one that failed is reported in one line. Main thread only.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <cstdint>
#include <vector>

#include "engine/core/strings.h"

namespace Voke {

class UrlOpener {
public:
    UrlOpener() = default;
    // Openers still running go on without the program.
    ~UrlOpener();
    UrlOpener(const UrlOpener&) = delete;
    UrlOpener& operator=(const UrlOpener&) = delete;

    // Starts "xdg-open" with `url` as its one argument (no shell), with
    // SIGPIPE at its default action, and returns at once: false (and one
    // line, naming the page and the reason) when it cannot be started.
    bool Open(const NarrowString& url);
    // Collects the openers that have ended. One that ended with a failure
    // status or by a signal within kFailureWindowMs of its start could not
    // open the page, and is reported as one line naming it; one that ended
    // later ran the browser itself, whose own end says nothing of the page.
    // An opener's end is taken as the time of the call that finds it ended,
    // the first moment the process can know of it: call it at once after a
    // wait that the descriptors of AppendWaitDescriptors woke, and once in
    // every pass of a loop that does not wait on them.
    void Collect();
    // NOTE: an opener that cannot open a page gives up within a second or
    // two; a browser run in its place is used for far longer.
    static constexpr int64_t kFailureWindowMs = 10000;
    // Tests drive the clock the window is measured on (monotonic
    // milliseconds by default).
    void SetClock(int64_t (*nowMs)()) { m_clock = nowMs; }
    // The openers not yet collected.
    std::size_t Pending() const { return m_openers.size(); }
    // Adds to `fds` a descriptor for each opener that becomes readable when
    // it ends, for a wait that should wake to collect it (an opener the
    // kernel gave no descriptor is collected at the next Collect).
    void AppendWaitDescriptors(std::vector<pollfd>& fds) const;

    static constexpr const char* kProgram = "xdg-open";

private:
    struct Opener {
        pid_t pid;
        int exitFd;  // a process descriptor, or -1
        NarrowString url;
        int64_t startMs;
    };
    int64_t Now() const;

    std::vector<Opener> m_openers;
    int64_t (*m_clock)() = nullptr;
};

}  // namespace Voke
