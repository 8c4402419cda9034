// sunvale-datagen: generates the show's data archive (every texture, the
// head model and the music) from source and packs it as a RAR 2.x archive.
//   usage: sunvale-datagen OUT.rar [--members DIR]
// With --members, every member is also written as a plain file under DIR.
// OUT.rar is written beside itself under a temporary name and renamed when
// complete; SIGINT or SIGTERM removes what was being written and ends the run
// by that signal (status 130 or 143).
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "DataSet.h"
#include "InterruptCleanup.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace {

const char* kFontDir = "/usr/share/fonts/truetype/dejavu";

bool MakeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0) {
                struct stat st;
                if (stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
            }
        }
    }
    return true;
}

bool WriteMembers(const std::string& dir, const std::vector<sunvale::datagen::DataMember>& members)
{
    for (const auto& m : members) {
        std::string path = dir + "/" + m.name;
        if (!MakeDirs(path.substr(0, path.rfind('/')))) return false;
        sunvale::PartialFile partial;
        partial.Track(path);
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(m.data.data()),
                static_cast<std::streamsize>(m.data.size()));
        f.close();
        if (!f) return false;
    }
    return true;
}

// Writes the archive to a temporary file beside out and renames it over out
// once complete, so that a failed or interrupted run leaves out as it was.
bool WriteArchive(const std::string& out, const std::vector<sunvale::RarPackEntry>& entries,
                  const sunvale::RarPackOptions& options, std::string* error)
{
    const size_t slash = out.rfind('/');
    std::string temp = out.substr(0, slash == std::string::npos ? 0 : slash + 1) + "." +
                       out.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    sunvale::PartialFile partial;
    int fd;
    {
        const sunvale::InterruptsHeld held;
        fd = mkstemp(temp.data());
        if (fd >= 0) partial.Track(temp);
    }
    if (fd < 0) {
        *error = "cannot create a temporary file beside it";
        return false;
    }
    // mkstemp creates 0600; the archive gets the umask's default.
    const mode_t mask = umask(0);
    umask(mask);
    const bool opened = fchmod(fd, 0666 & ~mask) == 0;
    close(fd);
    const bool written = opened && sunvale::WriteRarArchive(temp.c_str(), entries, options, error);
    const sunvale::InterruptsHeld held;
    if (!written || std::rename(temp.c_str(), out.c_str()) != 0) {
        std::remove(temp.c_str());
        if (!opened) *error = "cannot set the temporary file's permissions";
        if (written) *error = "cannot rename the temporary file over it";
        return false;
    }
    partial.Release();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string out, membersDir;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--members" && i + 1 < argc)
            membersDir = argv[++i];
        else if (out.empty() && arg[0] != '-')
            out = arg;
        else
            out.clear(), i = argc;
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: sunvale-datagen OUT.rar [--members DIR]\n");
        return 2;
    }
    sunvale::InstallInterruptCleanup();
    auto start = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    auto progress = [&](const std::string& stage) {
        std::fprintf(stderr, "[%6.2f s] %s\n", seconds(), stage.c_str());
    };

    std::vector<sunvale::datagen::DataMember> members;
    std::string error;
    if (!sunvale::datagen::DataSet::Build(kFontDir, progress, &members, &error)) {
        std::fprintf(stderr, "sunvale-datagen: %s\n", error.c_str());
        return 1;
    }
    if (!membersDir.empty() && !WriteMembers(membersDir, members)) {
        std::fprintf(stderr, "sunvale-datagen: cannot write the members under %s\n",
                     membersDir.c_str());
        return 1;
    }
    progress("packing " + std::to_string(members.size()) + " members");
    std::vector<sunvale::RarPackEntry> entries;
    for (auto& m : members)
        entries.push_back(
            sunvale::RarPackEntry{m.name, std::move(m.data), sunvale::datagen::DataSet::kDosTime});
    sunvale::RarPackOptions options;
    options.level = 3;
    options.solid = false;
    if (!WriteArchive(out, entries, options, &error)) {
        std::fprintf(stderr, "sunvale-datagen: cannot write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    progress("wrote " + out);
    return 0;
}
