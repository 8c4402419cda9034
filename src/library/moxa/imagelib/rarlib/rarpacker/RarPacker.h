// RAR 2.x archive writer: packs entries with the RAR 2.0 method (LZ77 over a
// 1 MiB window with per-block Huffman tables, or the multimedia predictor for
// sample data) into an archive that any RAR 2.x reader extracts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sunvale {

enum class RarAudioMode { Auto, Force, Never };

struct RarPackOptions {
    int level = 3;  // 0 store .. 5 best
    bool solid = false;
    RarAudioMode audio = RarAudioMode::Auto;
    // Most symbols coded with one set of Huffman tables before the packer
    // sends fresh ones; 0 leaves the choice to the packer. Small values force
    // table switches inside an entry.
    uint32_t maxBlockSymbols = 0;
    // Called after each entry with (entries done, entry count, entry name).
    std::function<void(size_t, size_t, const std::string&)> progress;
};

struct RarPackEntry {
    std::string name;  // '/' or '\\' separators; stored with backslashes
    std::vector<uint8_t> data;
    uint32_t dosTime = 0;
    // When not empty: a whole file block (header and packed data) taken
    // from another archive, copied unchanged; name, data and dosTime are then
    // not used. Only blocks that do not continue a solid stream belong here:
    // an entry of a plain archive, or one without data. A solid archive lists
    // them first, with the empty entries.
    std::vector<uint8_t> rawBlock = {};
};

// Builds the whole archive in memory. Deterministic: the same entries and
// options give the same bytes. Entries keep their order, except that a solid
// archive lists its empty entries first. Returns false with a reason on bad
// input.
bool PackRarArchive(const std::vector<RarPackEntry>& entries, const RarPackOptions& options,
                    std::vector<uint8_t>* archive, std::string* error);

// PackRarArchive, then writes the result to path.
bool WriteRarArchive(const char* path, const std::vector<RarPackEntry>& entries,
                     const RarPackOptions& options, std::string* error);

}  // namespace sunvale
