#pragma once
// The module state shared by the archive reader and the unpacker. One
// instance exists per process (gRar); the reader is not re-entrant.
#include <array>
#include <cstdint>
#include <cstdio>

#include "library/moxa/imagelib/rarlib/rarreader/AudioPredictor.h"
#include "library/moxa/imagelib/rarlib/rarreader/HuffTable.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarBitInput.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaders.h"

namespace sunvale {

class RarEntrySink;

struct RarState {
    static constexpr size_t kNameBuffer = 260;      // 259 characters and the terminator
    static constexpr size_t kPasswordBuffer = 255;  // 254 characters and the terminator
    static constexpr uint32_t kWindowSize = 0x100000;
    static constexpr uint32_t kWindowMask = kWindowSize - 1;
    static constexpr uint32_t kMainSymbols = 298;
    static constexpr uint32_t kDistSymbols = 48;
    static constexpr uint32_t kRepSymbols = 28;
    static constexpr uint32_t kBitLengthSymbols = 19;
    static constexpr uint32_t kAudioSymbols = 257;
    static constexpr uint32_t kMaxChannels = 4;
    static constexpr uint32_t kTableBytes = kMaxChannels * kAudioSymbols;  // 1028

    // --- reader ---
    char wantedName[kNameBuffer] = {};
    char archiveName[kNameBuffer] = {};
    char password[kPasswordBuffer] = {};
    std::FILE* archive = nullptr;
    uint8_t* output = nullptr;       // malloc'ed, UNP_SIZE bytes; passes to the caller
    uint32_t* outputSize = nullptr;  // caller's count of delivered bytes
    uint8_t* window = nullptr;       // kWindowSize bytes during one extraction
    FileHeader fileHeader;
    char entryName[kNameBuffer] = {};
    ArchiveHeader archiveHeader;
    long blockStart = 0;
    long nextBlock = 0;
    bool entryFound = false;
    uint32_t encryptionVersion = 0;
    // When set, flushed bytes of the wanted entry go to the sink in pieces
    // (with a running CRC-32) instead of into the output buffer.
    RarEntrySink* sink = nullptr;
    uint32_t sinkCrc = 0;     // running CRC-32, started at 0xFFFFFFFF
    bool sinkFailed = false;  // the sink refused a piece; no more go to it

    // --- unpacker ---
    uint32_t windowPos = 0;  // next byte to produce
    uint32_t writePos = 0;   // first byte not yet moved to the output
    // Output bytes still to produce, minus one while decoding: -1 .. 2^32 - 1,
    // so any UNP_SIZE fits, also of a skipped entry whose size is not checked.
    int64_t remaining = 0;
    std::array<uint8_t, RarBitInput::kBufferSize + RarBitInput::kPadding> inputBuffer{};
    RarBitInput input{inputBuffer.data()};
    uint32_t packedLeft = 0;   // packed bytes of the entry not read yet
    bool inputFailed = false;  // the packed data ended early or was malformed
    bool tablesValid = false;  // the current code tables came from a complete read

    HuffTable mainTable;
    HuffTable distTable;
    HuffTable repTable;
    HuffTable bitLengthTable;
    std::array<HuffTable, kMaxChannels> audioTables;
    std::array<uint8_t, kTableBytes> prevLengths{};

    std::array<uint32_t, 4> distCache{};
    uint32_t distCount = 0;  // low two bits: slot written next
    uint32_t lastDist = 0;
    uint32_t lastLength = 0;

    bool audioMode = false;
    uint32_t channels = 1;    // 1..4
    uint32_t curChannel = 0;  // 0..channels-1
    int32_t channelDelta = 0;
    std::array<AudioChannel, kMaxChannels> audio{};

    RarCipher cipher;

    // Test hooks: entries decoded, and decodes that started a fresh stream
    // (not a solid continuation). Counted since the process started.
    uint64_t entriesDecoded = 0;
    uint64_t streamStarts = 0;
};

extern RarState gRar;

}  // namespace sunvale
