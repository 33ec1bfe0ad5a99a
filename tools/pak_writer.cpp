// pakwriter: packs a folder into a pak archive, or lists an archive.
//
//   pakwriter [--block-size BYTES] [--preset 0-9] [--compress-table] FOLDER ARCHIVE
//   pakwriter --list ARCHIVE
//
// Every regular file below FOLDER becomes an entry named by its relative path
// ("l10n/en.xml", "c 0 0 0.png"). The archive is replaced only when it was
// written completely. Exit status 0 on success, 1 on failure (with a message
// on standard error), 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/core/application_title.h"
#include "engine/core/pak_mount.h"
#include "engine/core/safe_save.h"
#include "tools/pak_builder.h"

// The engine's core library expects the program to name itself.
const Voke::NarrowString ApplicationTitle = "pakwriter";

namespace {

int Usage()
{
    fprintf(stderr,
            "usage: pakwriter [--block-size BYTES] [--preset 0-9] [--compress-table] FOLDER ARCHIVE\n"
            "       pakwriter --list ARCHIVE\n");
    return 2;
}

bool ParseNumber(const char* text, unsigned long max, uint32_t& value)
{
    char* end = nullptr;
    const unsigned long v = strtoul(text, &end, 10);
    if (!*text || *end || v > max) return false;
    value = uint32_t(v);
    return true;
}

int List(const char* path)
{
    Voke::SmartPtr<Voke::PakMount> pak(new Voke::PakMount(path, "", 0));
    if (!pak->IsValid()) {
        fprintf(stderr, "pakwriter: %s is not a readable pak archive\n", path);
        return 1;
    }
    uint64_t total = 0;
    for (int i = 0; i < pak->GetEntryCount(); ++i) {
        const Voke::PakMount::Entry& e = pak->GetEntry(i);
        printf("%10u  %s\n", e.size, pak->GetName(e));
        total += e.size;
    }
    printf("%d entries, %llu bytes\n", pak->GetEntryCount(), static_cast<unsigned long long>(total));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    PakBuilder::Options options;
    int i = 1;
    for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
        const std::string flag = argv[i];
        if (flag == "--list") return i + 2 == argc ? List(argv[i + 1]) : Usage();
        if (flag == "--compress-table") {
            options.compressTable = true;
        } else if (flag == "--block-size" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 16ul << 20, options.blockSize) || options.blockSize == 0) return Usage();
        } else if (flag == "--preset" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], 9, options.preset)) return Usage();
        } else {
            return Usage();
        }
    }
    if (i + 2 != argc) return Usage();
    const char* folder = argv[i];
    const char* archive = argv[i + 1];

    std::vector<PakBuilder::Entry> entries;
    std::string file, error;
    if (!PakBuilder::ReadFolder(folder, entries, error) || !PakBuilder::BuildArchive(std::move(entries), options, file, error)) {
        fprintf(stderr, "pakwriter: %s\n", error.c_str());
        return 1;
    }
    if (!Voke::SafeSave::WriteFile(archive, file.data(), file.size())) {
        fprintf(stderr, "pakwriter: cannot write %s\n", archive);
        return 1;
    }
    return 0;
}
