// Helpers for tests that read files through the engine's streams and mount
// archives made on the fly.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/io_stream.h"
#include "engine/core/vfs.h"
#include "tests/support/temp_dir.h"
#include "tools/pak_builder.h"

namespace VokeTest {

// Everything the stream delivers from its position, up to its length.
inline std::string ReadFile(Voke::File* file)
{
    std::string out(size_t(std::max(0, file->Length())), '\0');
    out.resize(size_t(std::max(0, file->Read(out.data(), int(out.size())))));
    return out;
}

// Packs `entries` into "<dir>/<name>" and mounts it at the root.
inline void MountArchive(const TempDir& dir, const std::string& name,
                         const std::vector<PakBuilder::Entry>& entries)
{
    std::string archive, error;
    ASSERT_TRUE(PakBuilder::BuildArchive(entries, PakBuilder::Options(), archive, error)) << error;
    std::ofstream(dir / name, std::ios::binary) << archive;
    ASSERT_NE(Voke::Vfs::MountPak(dir / name, "", 0), nullptr);
}

}  // namespace VokeTest
