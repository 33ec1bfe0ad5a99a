// A fresh folder under the system's temporary folder, removed with its
// contents when the object dies; and a folder for a test's sockets, whose
// paths must stay short.
#pragma once

#include <sys/un.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace VokeTest {

class TempDir {
public:
    // Under TMPDIR (or /tmp), or under `parent` when given.
    explicit TempDir(const std::string& parent = "")
    {
        const std::filesystem::path under =
            parent.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(parent);
        std::string pattern = (under / "voke-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// NOTE: the longest path a unix socket can be bound to: its address holds
// 108 bytes with the terminating zero.
constexpr size_t kSocketPathBytes = sizeof(sockaddr_un::sun_path) - 1;

// Where a test binds sockets named up to `longestName` bytes: `preferred`
// when their paths fit, otherwise a folder of its own under /tmp, removed
// with the object. TMPDIR, and a test's folders below it, may be deeper than
// a socket's path allows.
class SocketFolder {
public:
    SocketFolder(const std::string& preferred, size_t longestName)
    {
        if (preferred.size() + 1 + longestName <= kSocketPathBytes) {
            m_path = preferred;
        } else {
            m_own = std::make_unique<TempDir>("/tmp");
            m_path = m_own->Path();
        }
    }

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::unique_ptr<TempDir> m_own;
    std::string m_path;
};

}  // namespace VokeTest
