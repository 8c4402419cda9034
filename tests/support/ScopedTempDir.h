// A directory of the test process's own: made fresh with mkdtemp under the
// temporary folder (TEST_TMPDIR, TMPDIR or /tmp, as GoogleTest chooses it) and removed with
// everything in it when the object goes away. CTest runs every test in a process of its own and in
// parallel, so a test never writes to a fixed name another process may use.
#pragma once

#include <cstdlib>  // getenv, mkdtemp (POSIX, declared by glibc here too)
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace sunvale {
namespace testsupport {

class ScopedTempDir {
public:
    ScopedTempDir()
    {
        std::string base = "/tmp";
        for (const char* name : {"TEST_TMPDIR", "TMPDIR"}) {
            const char* value = std::getenv(name);
            if (value != nullptr && value[0] != '\0') {
                base = value;
                break;
            }
        }
        if (base.empty() || base.back() != '/') base += '/';
        std::string pattern = base + "sunvale-test-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
    }
    ~ScopedTempDir()
    {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    // Empty when the directory could not be made.
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] bool Valid() const { return !path_.empty(); }
    // The path of name inside the directory.
    [[nodiscard]] std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// One directory for the whole test process, made on first use and removed at
// process exit; for fixtures that build their inputs once per suite.
inline const ScopedTempDir& ProcessTempDir()
{
    static const ScopedTempDir dir;
    return dir;
}

}  // namespace testsupport
}  // namespace sunvale
