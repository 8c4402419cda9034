// Archive assembly: marker, archive header, one file header plus data per
// entry, end block. Each entry is stored or packed; packed entries are coded
// in LZ or audio mode, whichever the options ask for or turns out smaller.
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

#include <cstdio>
#include <memory>

#include "library/moxa/imagelib/rarlib/rarpacker/RarAudioEncoder.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarBitWriter.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarLzEncoder.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"

namespace sunvale {

namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint16_t kArchiveSolid = 0x0008;
constexpr uint16_t kFileSolidContinuation = 0x0010;
constexpr uint16_t kFileWindow1M = 0x0080;  // dictionary size field: 1024 KiB
constexpr uint16_t kLongBlock = 0x8000;     // a data area follows the header
constexpr uint16_t kSkipIfUnknown = 0x4000;
constexpr uint8_t kMethodStored = 0x30;
constexpr uint8_t kUnpackVersion = 20;
constexpr uint8_t kHostWin32 = 2;
constexpr uint32_t kAttrArchive = 0x20;
constexpr size_t kMaxNameBytes = 259;  // what a reader's name buffer holds
// Audio mode is tried when the predictor's error entropy undercuts the raw
// byte entropy by this factor.
constexpr double kAudioTrialRatio = 0.9;
// Zero bytes after the last symbol: some decoders peek 16 bits ahead of
// every symbol and refuse to peek past the packed data. Two bytes cover such
// a peek while staying below the five bytes at which a RAR 2.0 decoder reads
// the next entry's tables at the end of an entry.
constexpr size_t kTailPadding = 2;

void Put16(std::vector<uint8_t>* out, uint32_t v)
{
    out->push_back(static_cast<uint8_t>(v));
    out->push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// Header CRC: low 16 bits of CRC-32 over the header from its type byte on.
void SealHeader(std::vector<uint8_t>* out, size_t headerStart)
{
    const uint32_t crc =
        RarCrc32::Checksum(out->data() + headerStart + 2, out->size() - headerStart - 2);
    (*out)[headerStart] = static_cast<uint8_t>(crc);
    (*out)[headerStart + 1] = static_cast<uint8_t>(crc >> 8);
}

// Codes stream[begin, end) continuing state, in the mode the options allow
// that gives the fewest bits.
std::vector<uint8_t> PackEntryData(const uint8_t* stream, size_t begin, size_t end,
                                   const RarPackOptions& options, RarLzEncoder* lz,
                                   RarCoderState* state)
{
    const uint8_t* data = stream + begin;
    const size_t size = end - begin;
    bool tryAudio = false;
    int channels = 1;
    if (options.audio != RarAudioMode::Never) {
        double audioBits = 8.0, rawBits = 8.0;
        channels = RarAudioEncoder::BestChannelCount(data, size, &audioBits, &rawBits);
        tryAudio = options.audio == RarAudioMode::Force || audioBits < kAudioTrialRatio * rawBits;
    }
    if (options.audio == RarAudioMode::Force) {
        RarBitWriter out;
        RarAudioEncoder::Encode(data, size, channels, options.maxBlockSymbols, state, &out);
        lz->SkipTo(end);
        return out.Finish();
    }
    RarCoderState lzState = *state;
    RarBitWriter lzOut;
    lz->Encode(begin, end, &lzState, &lzOut);
    if (tryAudio) {
        RarCoderState audioState = *state;
        RarBitWriter audioOut;
        RarAudioEncoder::Encode(data, size, channels, options.maxBlockSymbols, &audioState,
                                &audioOut);
        if (audioOut.BitCount() < lzOut.BitCount()) {
            *state = std::move(audioState);
            return audioOut.Finish();
        }
    }
    *state = std::move(lzState);
    return lzOut.Finish();
}

void AppendFileHeader(std::vector<uint8_t>* out, const std::string& name, uint16_t flags,
                      uint32_t packSize, uint32_t unpSize, uint32_t crc, uint32_t dosTime,
                      uint8_t method)
{
    const size_t start = out->size();
    Put16(out, 0);
    out->push_back(0x74);
    Put16(out, flags);
    Put16(out, static_cast<uint32_t>(32 + name.size()));
    Put32(out, packSize);
    Put32(out, unpSize);
    out->push_back(kHostWin32);
    Put32(out, crc);
    Put32(out, dosTime);
    out->push_back(kUnpackVersion);
    out->push_back(method);
    Put16(out, static_cast<uint32_t>(name.size()));
    Put32(out, kAttrArchive);
    out->insert(out->end(), name.begin(), name.end());
    SealHeader(out, start);
}

bool CheckEntries(const std::vector<RarPackEntry>& entries, const RarPackOptions& options,
                  std::string* error)
{
    if (options.level < 0 || options.level > 5) {
        *error = "compression level must be 0 to 5";
        return false;
    }
    uint64_t total = 0;
    for (const RarPackEntry& e : entries) {
        if (!e.rawBlock.empty()) continue;
        if (e.name.empty()) {
            *error = "entry with an empty name";
            return false;
        }
        if (e.name.size() > kMaxNameBytes) {
            *error = "entry name longer than 259 bytes: " + e.name;
            return false;
        }
        total += e.data.size();
    }
    // Match positions are 31-bit.
    if (total > 0x7FFFFFFFull) {
        *error = "entries larger than 2 GiB in all";
        return false;
    }
    return true;
}

}  // namespace

bool PackRarArchive(const std::vector<RarPackEntry>& entries, const RarPackOptions& options,
                    std::vector<uint8_t>* archive, std::string* error)
{
    std::string ignored;
    if (!error) error = &ignored;
    if (!archive) {
        *error = "no output buffer";
        return false;
    }
    if (!CheckEntries(entries, options, error)) return false;
    std::vector<uint8_t>& out = *archive;
    out.assign(kMarker, kMarker + sizeof(kMarker));
    const bool solid = options.solid && options.level > 0;

    const size_t archiveHeader = out.size();
    Put16(&out, 0);
    out.push_back(0x73);
    Put16(&out, solid ? kArchiveSolid : 0);
    Put16(&out, 13);
    Put16(&out, 0);
    Put32(&out, 0);
    SealHeader(&out, archiveHeader);

    // Entry order. In a solid archive the empty entries go first: some
    // extractors lose their place in the solid stream at an empty entry
    // between packed ones (unar fails every entry after it).
    std::vector<size_t> order;
    const auto leadsSolid = [&](size_t i) {
        return entries[i].data.empty() || !entries[i].rawBlock.empty();
    };
    for (size_t i = 0; i < entries.size(); ++i)
        if (!solid || leadsSolid(i)) order.push_back(i);
    if (solid)
        for (size_t i = 0; i < entries.size(); ++i)
            if (!leadsSolid(i)) order.push_back(i);

    // A solid archive is one stream: every entry's bytes follow the previous
    // entry's in the decoder's window, so they are coded from one buffer.
    std::vector<uint8_t> stream;
    std::unique_ptr<RarLzEncoder> solidLz;
    RarCoderState solidState;
    bool packedBefore = false;
    if (solid) {
        size_t total = 0;
        for (const RarPackEntry& e : entries)
            if (e.rawBlock.empty()) total += e.data.size();
        stream.reserve(total);
        for (size_t i : order)
            if (entries[i].rawBlock.empty())
                stream.insert(stream.end(), entries[i].data.begin(), entries[i].data.end());
        solidLz = std::make_unique<RarLzEncoder>(stream.data(), stream.size(), options.level,
                                                 options.maxBlockSymbols);
    }

    size_t streamPos = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const RarPackEntry& e = entries[order[i]];
        if (!e.rawBlock.empty()) {
            out.insert(out.end(), e.rawBlock.begin(), e.rawBlock.end());
            if (options.progress) options.progress(i + 1, entries.size(), e.name);
            continue;
        }
        std::string name = e.name;
        for (char& c : name)
            if (c == '/') c = '\\';
        const uint32_t size = static_cast<uint32_t>(e.data.size());
        const uint32_t crc = RarCrc32::Checksum(e.data.data(), e.data.size());
        uint16_t flags = kLongBlock | kFileWindow1M;
        uint8_t method = kMethodStored;
        std::vector<uint8_t> packed;
        // Empty entries are stored: they leave the decoder's state untouched.
        if (size != 0 && options.level > 0) {
            if (solid) {
                packed = PackEntryData(stream.data(), streamPos, streamPos + size, options,
                                       solidLz.get(), &solidState);
                packed.insert(packed.end(), kTailPadding, 0);
                if (packedBefore) flags |= kFileSolidContinuation;
                packedBefore = true;
                method = static_cast<uint8_t>(0x30 + options.level);
            } else {
                RarLzEncoder lz(e.data.data(), size, options.level, options.maxBlockSymbols);
                RarCoderState state;
                packed = PackEntryData(e.data.data(), 0, size, options, &lz, &state);
                packed.insert(packed.end(), kTailPadding, 0);
                if (packed.size() < size) method = static_cast<uint8_t>(0x30 + options.level);
            }
        }
        streamPos += size;
        const std::vector<uint8_t>& body = method == kMethodStored ? e.data : packed;
        if (body.size() > 0xFFFFFFFFull) {
            *error = "packed data of " + e.name + " exceeds 4 GiB";
            return false;
        }
        AppendFileHeader(&out, name, flags, static_cast<uint32_t>(body.size()), size, crc,
                         e.dosTime, method);
        out.insert(out.end(), body.begin(), body.end());
        if (options.progress) options.progress(i + 1, entries.size(), e.name);
    }

    const size_t endBlock = out.size();
    Put16(&out, 0);
    out.push_back(0x7B);
    Put16(&out, kSkipIfUnknown);
    Put16(&out, 7);
    SealHeader(&out, endBlock);
    return true;
}

bool WriteRarArchive(const char* path, const std::vector<RarPackEntry>& entries,
                     const RarPackOptions& options, std::string* error)
{
    std::string ignored;
    if (!error) error = &ignored;
    std::vector<uint8_t> archive;
    if (!PackRarArchive(entries, options, &archive, error)) return false;
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        *error = std::string("cannot create ") + path;
        return false;
    }
    const bool written = std::fwrite(archive.data(), 1, archive.size(), f) == archive.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        *error = std::string("cannot write ") + path;
        std::remove(path);
        return false;
    }
    return true;
}

}  // namespace sunvale
