// Saving a file without ever destroying the previous one.
//
// The new contents go to a temporary file beside the target (the target's
// name plus ".tmp"); it is flushed, synced to disk and closed with every step
// checked, and only then renamed over the target. A failure at any step
// removes the temporary file and leaves the target exactly as it was; a crash
// half-way leaves at most a stale temporary file, which the next save
// replaces.
#pragma once

#include <cstddef>
#include <cstdio>

#include "engine/core/strings.h"

namespace Voke {
namespace SafeSave {

// The temporary file used while saving `target`.
NarrowString TempPath(const NarrowString& target);

// Creates (or truncates) the temporary file of `target` for writing. Null on
// failure.
FILE* Begin(const NarrowString& target);

// Ends a save begun by Begin and always closes `file`. With `writesOk` true
// (every write delivered all its bytes) flushes, syncs, closes and renames
// the temporary file over `target`; returns true only when all of it worked.
// Otherwise, or when any step fails, removes the temporary file, leaves the
// target untouched and returns false.
bool Finish(FILE* file, const NarrowString& target, bool writesOk);

// The whole save in one call: `size` bytes of `data` become the contents of
// `target` (a native path), or nothing changes and false is returned.
bool WriteFile(const NarrowString& target, const void* data, std::size_t size);

}  // namespace SafeSave
}  // namespace Voke
