// Deterministic test inputs for the packer tests and benchmark, and helpers
// that check an archive with the show's reader and with unar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace rartest {

constexpr uint32_t kDosTime = (45u << 25) | (6u << 21) | (15u << 16) | (12u << 11);  // 2025-06-15 12:00

// Word soup with repeated sentences, like prose or a log.
std::vector<uint8_t> MakeText(size_t size, uint32_t seed);
// Noise with some structure (varying byte ranges), hard to pack.
std::vector<uint8_t> MakeBinary(size_t size, uint32_t seed);
// Interleaved 16-bit little-endian samples: a few sines plus a little noise.
std::vector<uint8_t> MakeSamples16(size_t frames, int channels, uint32_t seed);
// 8-bit samples for `channels` interleaved byte channels.
std::vector<uint8_t> MakeSamples8(size_t frames, int channels, uint32_t seed);
// A RIFF/WAVE file around MakeSamples16.
std::vector<uint8_t> MakeWav16(size_t frames, int channels, uint32_t seed);

RarPackEntry Entry(const std::string& name, std::vector<uint8_t> data);

// A fresh empty folder under the system's temporary folder.
std::string MakeTempDir(const std::string& tag);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);

// Packs entries into dir/name and returns the archive path ("" on failure).
std::string PackToFile(const std::string& dir, const std::string& name, const std::vector<RarPackEntry>& entries,
                       const RarPackOptions& options, std::vector<uint8_t>* archive = nullptr);

// Extracts one entry through RarExtract; false when refused.
bool ExtractWithReader(const std::string& archive, const std::string& name, std::vector<uint8_t>* bytes);

// Runs unar on the archive and compares every entry with the expected data.
// Returns "" when all match, else a description of the first difference.
std::string CheckWithUnar(const std::string& archive, const std::vector<RarPackEntry>& entries);

// Checks every entry with RarExtract (in archive order) and with unar.
std::string CheckArchive(const std::string& archive, const std::vector<RarPackEntry>& entries);

}  // namespace rartest
}  // namespace sunvale
