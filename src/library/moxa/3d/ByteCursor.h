// ByteCursor: bounded little-endian reads over a byte range. Every read checks
// the bytes left first; a read past the end fails, leaves its output untouched
// and moves the cursor to the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sunvale {

class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Position() const { return pos_; }
    size_t Left() const { return size_ - pos_; }
    const uint8_t* Here() const { return data_ + pos_; }

    bool Skip(size_t n)
    {
        if (n > Left()) {
            pos_ = size_;
            return false;
        }
        pos_ += n;
        return true;
    }

    bool U8(uint8_t& v)
    {
        if (Left() < 1) return Fail();
        v = data_[pos_++];
        return true;
    }
    bool U16(uint16_t& v)
    {
        if (Left() < 2) return Fail();
        v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t& v)
    {
        if (Left() < 4) return Fail();
        v = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
            static_cast<uint32_t>(data_[pos_ + 2]) << 16 |
            static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool F32(float& v)
    {
        uint32_t bits;
        if (!U32(bits)) return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }
    bool Floats(float* v, int n)
    {
        if (Left() < 4u * static_cast<size_t>(n)) return Fail();
        for (int i = 0; i < n; ++i) F32(v[i]);
        return true;
    }

    // Zero-terminated name: copies at most capacity - 1 bytes into out (the
    // rest of a longer name is dropped) and always terminates out. Consumes
    // the terminator; without one inside the range, consumes everything and
    // fails (out then holds the truncated bytes seen).
    bool Name(char* out, size_t capacity)
    {
        size_t n = 0;
        while (pos_ < size_) {
            const uint8_t c = data_[pos_++];
            if (c == 0) {
                out[n] = '\0';
                return true;
            }
            if (n + 1 < capacity) out[n++] = static_cast<char>(c);
        }
        out[n] = '\0';
        return false;
    }

private:
    bool Fail()
    {
        pos_ = size_;
        return false;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
};

}  // namespace sunvale
