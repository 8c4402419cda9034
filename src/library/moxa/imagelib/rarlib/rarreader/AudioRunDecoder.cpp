// Multimedia-mode decoding of a run of symbols: the channels take turns in an
// unrolled loop, so that each channel's table and record sit at a fixed place.
#include "library/moxa/imagelib/rarlib/rarreader/AudioRunDecoder.h"

#include <type_traits>

#include "library/moxa/imagelib/rarlib/rarreader/RarBitBuffer.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"

namespace sunvale {

namespace {

// The run for a fixed channel count: channel records, tables and error logs
// are then at fixed places, and the channels take turns in an unrolled loop.
template <uint32_t kChannels>
void DecodeChannels(RarState& s, SymbolRun& run)
{
    constexpr uint32_t kWindowSize = RarState::kWindowSize;
    RarBitBuffer bits(s.input.buffer, run.bitPos);
    // A symbol takes at most 15 bits: this many symbols all start within the
    // bit limit. The run also stops at the end of the window (no wrap inside).
    uint32_t count = (run.bitLimit - run.bitPos) / 15 + 1;
    if (count > run.limit) count = run.limit;
    if (count > kWindowSize - run.pos) count = kWindowSize - run.pos;
    uint8_t* const start = s.window + run.pos;
    uint8_t* out = start;
    uint32_t next = s.curChannel;
    int32_t cd = s.channelDelta;
    bool tableSwitch = false;

    // Decodes one byte of channel c; false when the run ends after it. A
    // refill before the even channels (and at the start) covers two symbols.
    auto step = [&](auto channel) -> bool {
        constexpr uint32_t c = decltype(channel)::value;
        if (c % 2 == 0) bits.Refill();
        uint32_t length;
        const uint32_t delta = DecodeWord(s.audioTables[c], bits.Word(), length);
        bits.Drop(length);
        if (delta == 256) {
            next = c;
            tableSwitch = true;
            return false;
        }
        *out++ = PredictAudio(s.audio[c], cd, delta);
        next = c + 1 < kChannels ? c + 1 : 0;
        return --count != 0;
    };
    using C0 = std::integral_constant<uint32_t, 0>;
    using C1 = std::integral_constant<uint32_t, (kChannels > 1 ? 1 : 0)>;
    using C2 = std::integral_constant<uint32_t, (kChannels > 2 ? 2 : 0)>;
    using C3 = std::integral_constant<uint32_t, (kChannels > 3 ? 3 : 0)>;
    // The first round may begin at any channel.
    uint32_t first = next < kChannels ? next : 0;
    for (;;) {
        switch (first) {
        case 0:
            if (!step(C0{})) goto done;
            [[fallthrough]];
        case 1:
            if (kChannels > 1 && !step(C1{})) goto done;
            [[fallthrough]];
        case 2:
            if (kChannels > 2 && !step(C2{})) goto done;
            [[fallthrough]];
        default:
            if (kChannels > 3 && !step(C3{})) goto done;
        }
        first = 0;
    }
done:
    s.curChannel = next;
    s.channelDelta = cd;
    run.bitPos = bits.BitPos();
    run.produced = uint32_t(out - start);
    run.pos = (run.pos + run.produced) & RarState::kWindowMask;
    run.tableSwitch = tableSwitch;
}

}  // namespace

void DecodeAudioRun(RarState& s, SymbolRun& run)
{
    switch (s.channels) {
    case 1:
        DecodeChannels<1>(s, run);
        break;
    case 2:
        DecodeChannels<2>(s, run);
        break;
    case 3:
        DecodeChannels<3>(s, run);
        break;
    default:
        DecodeChannels<4>(s, run);
        break;
    }
}

}  // namespace sunvale
