// moxa p: writes one entry's bytes to standard output as they are unpacked.
// The size and CRC are known only at the end: a damaged entry may already
// have written part of itself when the run fails with status 1.
#include <cstdio>
#include <string>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace {

const char kUsage[] = "p ARCHIVE ENTRY";

class PrintSink : public sunvale::RarEntrySink {
public:
    explicit PrintSink(const std::string& wanted) : wanted_(wanted) {}
    sunvale::RarEntryChoice Begin(const char* name, const sunvale::FileHeader& header) override
    {
        if (found) return sunvale::RarEntryChoice::Stop;
        if (moxa::IsFolderFlags(header.HEAD_FLAGS) || !moxa::SameEntryName(wanted_, name))
            return sunvale::RarEntryChoice::Skip;
        found = true;
        return sunvale::RarEntryChoice::Extract;
    }
    bool Write(const uint8_t* data, size_t size) override
    {
        return std::fwrite(data, 1, size, stdout) == size;
    }
    void End(sunvale::RarEntryResult r) override { result = r; }

    bool found = false;
    sunvale::RarEntryResult result = sunvale::RarEntryResult::Ok;

private:
    std::string wanted_;
};

int RunPrint(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    PrintSink sink(argv[2]);
    if (!sunvale::RarExtractEach(argv[1], sink) && !sink.found) {
        std::fprintf(stderr, "moxa p: %s: cannot read the archive\n", argv[1]);
        return 1;
    }
    if (!sink.found) {
        std::fprintf(stderr, "moxa p: %s: no entry %s\n", argv[1], argv[2]);
        return 1;
    }
    const bool flushed = std::fflush(stdout) == 0;
    if (sink.result != sunvale::RarEntryResult::Ok || !flushed) {
        std::fprintf(
            stderr, "moxa p: %s: %s\n", argv[2],
            flushed ? sunvale::RarEntryResultText(sink.result) : "write to standard output failed");
        return 1;
    }
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_printCommand, "p", kUsage, "write one entry to standard output", RunPrint);
