// moxa t: unpacks every entry in one pass and reports which pass their size
// and CRC checks. Nothing is kept in memory beyond the unpacker's window.
#include <cstdio>
#include <cstring>
#include <string>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace {

const char kUsage[] = "t [-v] ARCHIVE";

class TestSink : public sunvale::RarEntrySink {
public:
    sunvale::RarEntryChoice Begin(const char* name, const sunvale::FileHeader& header) override
    {
        if (moxa::IsFolderFlags(header.HEAD_FLAGS)) return sunvale::RarEntryChoice::Skip;
        name_ = name;
        return sunvale::RarEntryChoice::Extract;
    }
    bool Write(const uint8_t*, size_t) override { return true; }
    void End(sunvale::RarEntryResult result) override
    {
        ++tested;
        if (result == sunvale::RarEntryResult::Ok) {
            std::printf("OK     %s\n", name_.c_str());
            return;
        }
        ++failures;
        std::printf("FAILED %s (%s)\n", name_.c_str(), sunvale::RarEntryResultText(result));
    }

    int tested = 0;
    int failures = 0;

private:
    std::string name_;
};

int RunTest(int argc, char** argv)
{
    const bool verbose = argc == 3 && !std::strcmp(argv[1], "-v");
    if (argc != 2 && !verbose) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const char* archive = argv[argc - 1];
    TestSink sink;
    const sunvale::RarDecodeCounters before = sunvale::RarDecoderCounters();
    const bool read = sunvale::RarExtractEach(archive, sink) != 0;
    if (!read) std::fprintf(stderr, "moxa t: %s: cannot read the archive to its end\n", archive);
    std::printf("%d of %d entries OK\n", sink.tested - sink.failures, sink.tested);
    if (verbose) {
        const sunvale::RarDecodeCounters after = sunvale::RarDecoderCounters();
        std::printf("unpacker: %llu entries decoded, %llu stream starts\n",
                    static_cast<unsigned long long>(after.entriesDecoded - before.entriesDecoded),
                    static_cast<unsigned long long>(after.streamStarts - before.streamStarts));
    }
    return read && sink.failures == 0 ? 0 : 1;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_testCommand, "t", kUsage,
                      "test every entry (unpack and check size and CRC; -v: unpacker counts)",
                      RunTest);
