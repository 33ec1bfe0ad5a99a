// Save files: stdio files whose paths lie in the user's configuration
// directory, in the program's own folder.
//
// Writing never destroys the previous file: OpenWrite writes to a temporary
// file beside the target and Close (also run by the destructor) renames it
// over the target only when every write and the close succeeded (see
// safe_save.h).
//
// One copy of the game at a time keeps the save folder (ClaimFolder): two
// copies that each wrote their own tables whole would lose each other's
// scores, so a copy that finds the folder held saves nothing.
#pragma once

#include "engine/core/folder_lock.h"
#include "engine/core/posix_file.h"

namespace Voke {

class MaemoGameSaveFile : public PosixFile {
public:
    MaemoGameSaveFile() = default;
    ~MaemoGameSaveFile() override;

    // "$XDG_CONFIG_HOME/<title>/<name>", or "$HOME/.config/<title>/<name>"
    // when XDG_CONFIG_HOME is unset, empty or a relative path; "" when HOME
    // is unset or empty too (every open of "" fails).
    static NarrowString BuildPath(const char* name);

    // Whether files can be saved in the folder BuildPath(name), which is
    // stored in `folder` ("" when there is none). 0 when the folder can be
    // written, or is missing and a save could create it; otherwise the errno
    // value a save would meet: ENOENT without a folder, ENOTDIR where a file
    // stands in its place, or what access() gives for the nearest existing
    // folder on its path (EACCES, EROFS). Looks only: creates nothing. A full
    // disk shows only when a save is written.
    static int CheckWritable(const char* name, NarrowString& folder);

    // Takes the folder BuildPath(name) for this process: creates its missing
    // folders (mode 0700) and locks it (FolderLock), held until the process
    // ends or the next call, which gives it back and tries again. kInUse:
    // another process holds it; `holder` is its id (0 when unknown) and
    // until a later call succeeds every OpenWrite of any name fails, as for
    // a folder that cannot be written (reading is unchanged). kUnavailable:
    // no folder, one that cannot be made, or a file system without locks;
    // saves go on as without the lock. Main thread, before the saves start.
    static FolderLock::State ClaimFolder(const char* name, int& holder);

    // Opens BuildPath(name) for reading; creates nothing. False when missing.
    bool OpenRead(const char* name) override;
    // Creates the missing folders of BuildPath(name) (mode 0700) and opens the
    // temporary file that Close commits. False, with nothing created beyond
    // those folders, when a folder on the way is a file or cannot be made,
    // the temporary file cannot be created, or another process holds the
    // save folder (ClaimFolder); then nothing at all is created.
    bool OpenWrite(const char* name) override;
    // After writing: true only when the new contents replaced the target;
    // otherwise the previous file stays as it was. After reading: true.
    bool Close() override;
    // Counts a short write so that Close keeps the previous file.
    int Write(const void* buffer, int bytes) override;

private:
    NarrowString m_target;     // the file being replaced; empty unless writing
    bool m_writeFailed = false;
};

}  // namespace Voke
