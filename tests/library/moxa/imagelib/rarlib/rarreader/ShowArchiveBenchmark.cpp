// Not a test: unpacking the show's data.rar as the show reads it, one
// RarExtract per member (each call opens the archive, finds the member by
// name, unpacks it and checks its CRC). Every member, then the members of
// each folder on their own. Run from the build folder:
//   build/tests/library/moxa/imagelib/rarlib/rarreader/show_archive_benchmark [ARCHIVE]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {
namespace {

struct Member {
    std::string name;  // with '/' separators
    uint32_t size = 0;
};

std::string g_archive = "data.rar";

// The archive's file members, in archive order; empty when it cannot be read.
std::vector<Member> ListMembers(const std::string& archive)
{
    std::ifstream file(archive, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    RarDirectory directory;
    std::string error;
    std::vector<Member> members;
    if (!directory.Read(bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "show_archive_benchmark: %s: %s\n", archive.c_str(), error.c_str());
        return members;
    }
    for (const RarDirectoryEntry& entry : directory.Entries()) {
        Member member{entry.name, entry.unpSize};
        for (char& c : member.name) c = c == '\\' ? '/' : c;
        members.push_back(member);
    }
    return members;
}

void ExtractMembers(benchmark::State& state, const std::vector<Member>& members)
{
    int64_t bytes = 0;
    for (const Member& member : members) bytes += member.size;
    for (auto _ : state) {
        for (const Member& member : members) {
            unsigned char* data = nullptr;
            uint32_t size = 0;
            if (!RarExtract(&data, &size, member.name.c_str(), g_archive.c_str(), "")) {
                state.SkipWithError(("cannot extract " + member.name).c_str());
                std::free(data);
                return;
            }
            benchmark::DoNotOptimize(data);
            std::free(data);
        }
    }
    state.SetBytesProcessed(bytes * static_cast<int64_t>(state.iterations()));
    state.counters["members"] = static_cast<double>(members.size());
}

}  // namespace
}  // namespace sunvale

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc > 1) sunvale::g_archive = argv[1];
    const std::vector<sunvale::Member> all = sunvale::ListMembers(sunvale::g_archive);
    if (all.empty()) {
        std::fprintf(stderr, "show_archive_benchmark: no members in %s (run from build/)\n",
                     sunvale::g_archive.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("BM_ExtractEveryMember", sunvale::ExtractMembers, all)
        ->Unit(benchmark::kMillisecond);
    for (const char* folder : {"data/texture/", "data/model/", "data/music/"}) {
        std::vector<sunvale::Member> some;
        for (const sunvale::Member& member : all)
            if (member.name.rfind(folder, 0) == 0) some.push_back(member);
        if (some.empty()) continue;
        benchmark::RegisterBenchmark((std::string("BM_Extract/") + folder).c_str(),
                                     sunvale::ExtractMembers, some)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
