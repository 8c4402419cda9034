// MP3 encoding of the soundtrack through lame's buffer interface, in blocks
// of 8192 frames, samples clipped to [−1, 1] and converted to 16 bits.
#include "Mp3Encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>

namespace sunvale {
namespace datagen {

namespace {

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

int16_t ToPcm(float v)
{
    if (v > 1.0f) v = 1.0f;
    if (v < -1.0f) v = -1.0f;
    return static_cast<int16_t>(v * 32767.0f);
}

}  // namespace

bool Mp3Encoder::Encode(const StereoBuffer& audio, int kbps, int quality, std::vector<uint8_t>* out,
                        std::string* error)
{
    std::unique_ptr<lame_global_flags, LameCloser> gf(lame_init());
    if (!gf) {
        *error = "lame_init failed";
        return false;
    }
    lame_set_in_samplerate(gf.get(), audio.rate);
    lame_set_out_samplerate(gf.get(), audio.rate);
    lame_set_num_channels(gf.get(), 2);
    lame_set_mode(gf.get(), JOINT_STEREO);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_brate(gf.get(), kbps);
    lame_set_quality(gf.get(), quality);
    // The Info tag carries the encoder delay and padding, so gapless decoders
    // (mpg123) return exactly the rendered samples, aligned to the show's clock.
    lame_set_bWriteVbrTag(gf.get(), 1);
    lame_set_write_id3tag_automatic(gf.get(), 0);
    if (lame_init_params(gf.get()) < 0) {
        *error = "lame rejected the encoder settings";
        return false;
    }
    const size_t block = 8192;
    std::vector<int16_t> l(block), r(block);
    std::vector<unsigned char> mp3(block * 5 / 4 + 7200);
    out->clear();
    for (size_t pos = 0; pos < audio.Frames(); pos += block) {
        size_t count = audio.Frames() - pos < block ? audio.Frames() - pos : block;
        for (size_t i = 0; i < count; ++i) {
            l[i] = ToPcm(audio.left[pos + i]);
            r[i] = ToPcm(audio.right[pos + i]);
        }
        int bytes = lame_encode_buffer(gf.get(), l.data(), r.data(), static_cast<int>(count),
                                       mp3.data(), static_cast<int>(mp3.size()));
        if (bytes < 0) {
            *error = "lame_encode_buffer failed";
            return false;
        }
        out->insert(out->end(), mp3.begin(), mp3.begin() + bytes);
    }
    int bytes = lame_encode_flush(gf.get(), mp3.data(), static_cast<int>(mp3.size()));
    if (bytes < 0) {
        *error = "lame_encode_flush failed";
        return false;
    }
    out->insert(out->end(), mp3.begin(), mp3.begin() + bytes);
    // lame reserved the first frame for the tag; fill it in now.
    size_t tagBytes = lame_get_lametag_frame(gf.get(), mp3.data(), mp3.size());
    if (tagBytes == 0 || tagBytes > mp3.size() || tagBytes > out->size()) {
        *error = "lame could not write the Info tag";
        return false;
    }
    std::copy(mp3.begin(), mp3.begin() + static_cast<std::ptrdiff_t>(tagBytes), out->begin());
    return true;
}

}  // namespace datagen
}  // namespace sunvale
