// Test-only RAR 2.x archive builder and capturing RarExtract calls (see
// RarTestArchive.h).
#include "RarTestArchive.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "support/ScopedTempDir.h"

namespace rartest {

namespace {

// Appends `bytes` bytes of `value`, least significant first.
void PutLe(std::vector<uint8_t>& v, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(value >> (8 * i)));
}

// Fills in the CRC of the block that starts at `start` and ends the vector.
void SetHeaderCrc(std::vector<uint8_t>& block, size_t start, bool broken)
{
    uint32_t crc = uint32_t(crc32(0, block.data() + start + 2, uInt(block.size() - start - 2)));
    if (broken) crc ^= 0x5A5A;
    block[start] = uint8_t(crc);
    block[start + 1] = uint8_t(crc >> 8);
}

uint32_t Crc32(const std::vector<uint8_t>& data)
{
    return uint32_t(crc32(0, data.data(), uInt(data.size())));
}

std::string TempPath(const std::string& name)
{
    return sunvale::testsupport::ProcessTempDir().File(name);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

TestEntry StoredEntry(const std::string& name, const std::vector<uint8_t>& content, uint8_t unpVer)
{
    return TestEntry{name, content, uint32_t(content.size()), Crc32(content), 0x30, unpVer};
}

TestEntry PackedEntry(const std::string& name, const std::vector<uint8_t>& packed,
                      const std::vector<uint8_t>& content)
{
    TestEntry e = StoredEntry(name, content);
    e.data = packed;
    e.method = 0x33;
    return e;
}

std::vector<uint8_t> PackArchive(const std::vector<sunvale::RarPackEntry>& entries,
                                 const sunvale::RarPackOptions& options)
{
    std::vector<uint8_t> archive;
    std::string error;
    const std::string path = TempPath("packed.rar"),
                      cmd = "unar -q -f -D -o " + path + ".out " + path;
    if (!sunvale::PackRarArchive(entries, options, &archive, &error))
        throw std::runtime_error(error);
    WriteFile(path, archive);
    std::filesystem::remove_all(path + ".out");  // no output of an earlier call
    if (std::system((cmd + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("unar failed");
    for (const sunvale::RarPackEntry& e : entries) {
        std::ifstream in(path + ".out/" + e.name, std::ios::binary);
        if (std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) != e.data)
            throw std::runtime_error("unar output differs for " + e.name);
    }
    return archive;
}

bool UnarExtract(const std::vector<uint8_t>& archive, const std::string& name,
                 std::vector<uint8_t>* bytes)
{
    const std::string path = TempPath("unar.rar"),
                      cmd = "unar -q -f -D -o " + path + ".out " + path + " >/dev/null 2>&1";
    WriteFile(path, archive);
    std::filesystem::remove_all(path + ".out");
    if (std::system(cmd.c_str()) != 0) return false;
    std::ifstream in(path + ".out/" + name, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::vector<uint8_t> PackStream(const std::vector<uint8_t>& content)
{
    const std::vector<uint8_t> archive = PackArchive({{"f", content, 0}}, {});
    sunvale::RarDirectory dir;
    std::string error;
    if (!dir.Read(archive.data(), archive.size(), &error) || dir.Entries().at(0).method != 0x33)
        throw std::runtime_error("not packed: " + error);
    const auto start = archive.begin() + long(dir.Entries()[0].dataOffset);
    return std::vector<uint8_t>(start, start + long(dir.Entries()[0].packSize));
}

std::vector<uint8_t> BuildArchive(const std::vector<TestEntry>& entries, bool solid,
                                  const std::string& marker, uint16_t archiveHeaderExtra)
{
    std::vector<uint8_t> out = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    if (!marker.empty()) out.assign(marker.begin(), marker.end());
    const size_t mainStart = out.size();
    PutLe(out, 0, 2);
    out.push_back(0x73);
    PutLe(out, solid ? 0x0008 : 0, 2);
    PutLe(out, 13 + archiveHeaderExtra, 2);
    PutLe(out, 0, 6);  // reserved
    out.insert(out.end(), archiveHeaderExtra, 0xEE);
    SetHeaderCrc(out, mainStart, false);
    for (const TestEntry& e : entries) {
        const size_t start = out.size();
        PutLe(out, 0, 2);
        out.push_back(e.type);
        PutLe(out, e.flags, 2);
        PutLe(out, uint32_t(32 + e.name.size()), 2);
        PutLe(out, uint32_t(e.data.size()), 4);
        PutLe(out, e.unpSize, 4);
        out.push_back(3);  // Unix
        PutLe(out, e.fileCrc, 4);
        PutLe(out, 0x5A210000, 4);
        out.push_back(e.unpVer);
        out.push_back(e.method);
        PutLe(out, uint32_t(e.name.size()), 2);
        PutLe(out, 0x81A4, 4);
        out.insert(out.end(), e.name.begin(), e.name.end());
        SetHeaderCrc(out, start, e.breakHeaderCrc);
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    const size_t end = out.size();
    for (uint8_t b : {0, 0, 0x7B, 0x00, 0x40, 7, 0}) out.push_back(b);
    SetHeaderCrc(out, end, false);
    return out;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

ExtractResult ExtractFrom(const std::vector<uint8_t>& archive, const char* name,
                          const char* password)
{
    const std::string archivePath = TempPath("archive.rar"), logPath = TempPath("log.txt");
    std::remove(archivePath.c_str());
    if (!archive.empty()) WriteFile(archivePath, archive);
    sunvale::SetRarDebugLogPath(logPath.c_str());
    ExtractResult r;
    unsigned char* data = reinterpret_cast<unsigned char*>(&r);  // must be overwritten
    r.rc = sunvale::RarExtract(&data, &r.size, name, archivePath.c_str(), password);
    r.dataNull = data == nullptr;
    if (data) r.bytes.assign(data, data + r.size);
    std::free(data);
    std::ifstream log(logPath);
    r.log.assign(std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>());
    return r;
}

}  // namespace rartest
