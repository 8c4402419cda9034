// MP3 decoding for the sound library: libmpg123 reads the caller's bytes
// through a memory reader (no copy), decodes to float stereo with gapless
// trimming on, and a resampler brings the result to the mixing rate.
#include "app/sound/Mp3Stream.h"

#include <mpg123.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace sunvale {

namespace {

constexpr size_t kChunkBytes = 16384;  // decoder output per read (2048 stereo floats)
constexpr int kMaxEmptyReads = 64;     // give up on a stream that yields nothing

mpg123_ssize_t ReadCallback(void* self, void* buffer, size_t count)
{
    return static_cast<Mp3Stream*>(self)->ReadBytes(buffer, count);
}

off_t SeekCallback(void* self, off_t offset, int whence)
{
    return off_t(static_cast<Mp3Stream*>(self)->Seek(long(offset), whence));
}

void InitDecoderLibrary()
{
    // Needed once per process by older libmpg123 releases; harmless on newer.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mp3Stream* Mp3Stream::Open(const unsigned char* bytes, size_t length, int mixRate)
{
    if (bytes == nullptr || length == 0) return nullptr;
    Mp3Stream* stream = new Mp3Stream();
    stream->data = bytes;
    stream->size = length;
    if (!stream->Start(mixRate)) {
        delete stream;
        return nullptr;
    }
    return stream;
}

Mp3Stream* Mp3Stream::OpenOwned(std::vector<unsigned char> bytes, int mixRate)
{
    if (bytes.empty()) return nullptr;
    Mp3Stream* stream = new Mp3Stream();
    stream->owned = std::move(bytes);
    stream->data = stream->owned.data();
    stream->size = stream->owned.size();
    if (!stream->Start(mixRate)) {
        delete stream;
        return nullptr;
    }
    return stream;
}

Mp3Stream::~Mp3Stream()
{
    if (handle != nullptr) {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
}

bool Mp3Stream::Start(int mixRate)
{
    InitDecoderLibrary();
    int error = MPG123_OK;
    handle = mpg123_new(nullptr, &error);
    if (handle == nullptr) return false;
    // Gapless trimming is added to the library's default flags, never set in
    // place of them: replacing the flags would drop the defaults.
    if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET,
                     0.0) != MPG123_OK)
        return false;
    // Float stereo at whatever rate the file has; we resample ourselves.
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    if (mpg123_replace_reader_handle(handle, ReadCallback, SeekCallback, nullptr) != MPG123_OK)
        return false;
    if (mpg123_open_handle(handle, this) != MPG123_OK) return false;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK) return false;
    if (rate <= 0 || channels != 2 || encoding != MPG123_ENC_FLOAT_32) return false;
    sourceRate = rate;
    resampler.Reset(int(sourceRate), mixRate);
    decoded.resize(kChunkBytes / sizeof(float));
    return true;
}

long Mp3Stream::ReadBytes(void* buffer, size_t count)
{
    const size_t n = std::min(count, size - cursor);
    if (n > 0) std::memcpy(buffer, data + cursor, n);
    cursor += n;
    return long(n);
}

long Mp3Stream::Seek(long offset, int whence)
{
    long base = 0;
    if (whence == SEEK_CUR)
        base = long(cursor);
    else if (whence == SEEK_END)
        base = long(size);
    else if (whence != SEEK_SET)
        return -1;
    const long target = base + offset;
    if (target < 0 || size_t(target) > size) return -1;
    cursor = size_t(target);
    return target;
}

bool Mp3Stream::DecodeMore()
{
    for (int attempt = 0; attempt < kMaxEmptyReads; ++attempt) {
        size_t done = 0;
        const int result = mpg123_read(handle, decoded.data(), kChunkBytes, &done);
        const int frames = int(done / (2 * sizeof(float)));
        if (frames > 0) resampler.Push(decoded.data(), frames);
        // A format change mid-file keeps the rate the stream started with;
        // layouts stay stereo float because only that format is enabled.
        if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            if (frames > 0) return true;
            continue;
        }
        // MPG123_DONE at the end; any error also ends the stream.
        decoderDone = true;
        return frames > 0;
    }
    decoderDone = true;
    return false;
}

int Mp3Stream::Render(float* out, int frames)
{
    int made = 0;
    while (made < frames) {
        made += resampler.Pull(out + size_t(made) * 2, frames - made);
        if (made >= frames || resampler.Drained()) break;
        if (decoderDone)
            resampler.Finish();
        else
            DecodeMore();
    }
    played += made;
    if (made < frames) ended = true;
    return made;
}

void Mp3Stream::Rewind(int mixRate)
{
    mpg123_seek(handle, 0, SEEK_SET);
    resampler.Reset(int(sourceRate), mixRate);
    decoderDone = false;
    played = 0;
    ended = false;
}

}  // namespace sunvale
