#include "engine/core/safe_save.h"

#include <unistd.h>

#include <cstdio>

namespace Voke {
namespace SafeSave {

NarrowString TempPath(const NarrowString& target) { return target + ".tmp"; }

FILE* Begin(const NarrowString& target) { return fopen(TempPath(target).c_str(), "wbe"); }

bool Finish(FILE* file, const NarrowString& target, bool writesOk)
{
    if (!file) return false;
    const NarrowString temp = TempPath(target);
    bool ok = writesOk && ferror(file) == 0;
    ok = ok && fflush(file) == 0;
    ok = ok && fsync(fileno(file)) == 0;
    // fclose runs in every case: it reports a write error the flush missed
    // (for example a full disk on a network file system).
    ok = (fclose(file) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool WriteFile(const NarrowString& target, const void* data, std::size_t size)
{
    FILE* file = Begin(target);
    if (!file) return false;
    const bool written = size == 0 || fwrite(data, 1, size, file) == size;
    return Finish(file, target, written);
}

}  // namespace SafeSave
}  // namespace Voke
