// Fuzz entry point for the archive reader and unpacker: the input is one
// byte n, n bytes of an entry name, then the archive itself. The archive is
// handed to RarExtract through an in-memory file, so headers, plain and solid
// streams, audio blocks and the CRC check all see hostile bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

// Keeps the byte sums below from being optimised away.
volatile unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const size_t nameLength = data[0];
    if (size < 1 + nameLength) return 0;
    const std::string name(reinterpret_cast<const char*>(data + 1), nameLength);
    if (name.find('\0') != std::string::npos) return 0;
    const uint8_t* archive = data + 1 + nameLength;
    const size_t archiveSize = size - 1 - nameLength;

    static bool logOff = [] {
        sunvale::SetRarDebugLogPath("/dev/null");
        return true;
    }();
    (void)logOff;

    const int fd = memfd_create("archive", 0);
    if (fd < 0) return 0;
    size_t written = 0;
    while (written < archiveSize) {
        const ssize_t n = write(fd, archive + written, archiveSize - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    unsigned char* out = nullptr;
    uint32_t outSize = 0;
    if (sunvale::RarExtract(&out, &outSize, name.c_str(), path.c_str(), "") == 1) {
        // Touch every byte so that a wrong size shows up under the sanitizer.
        unsigned sum = 0;
        for (uint32_t i = 0; i < outSize; ++i) sum += out[i];
        g_sink = sum;
    }
    std::free(out);
    close(fd);
    return 0;
}
