// Deterministic test inputs for the packer tests and benchmark, and the
// check of a packed archive with the show's reader and with unar.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace rartest {

// Word soup with repeated sentences, like prose or a log.
std::vector<uint8_t> MakeText(size_t size, uint32_t seed);
// Noise with some structure (every third 512-byte stretch holds 6-bit values).
std::vector<uint8_t> MakeBinary(size_t size, uint32_t seed);
// Interleaved little-endian samples of 1 or 2 bytes: a few sines and noise.
std::vector<uint8_t> MakeSamples(size_t frames, int channels, int bytesPerSample, uint32_t seed);
// A RIFF/WAVE file around 16-bit samples.
std::vector<uint8_t> MakeWav16(size_t frames, int channels, uint32_t seed);

// A folder under the system's temporary folder, made once, removed at exit.
const std::string& TempDir();
// Packs the entries into TempDir()/name, then extracts each entry with
// RarExtract (a fresh call each, so a solid entry needs all before it) and
// all with unar, and compares. Returns "" when all match, else the first
// problem.
std::string RoundTrip(const std::string& name, const std::vector<RarPackEntry>& entries,
                      const RarPackOptions& options, std::vector<uint8_t>* archive = nullptr);

}  // namespace rartest
}  // namespace sunvale
