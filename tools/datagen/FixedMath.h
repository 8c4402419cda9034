// Deterministic scalar math for the data generator: every function here is
// built from IEEE additions, multiplications and sqrt only, so the generated
// pixels and samples do not depend on the C library's libm version.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace sunvale {
namespace datagen {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 6.28318530717959f;

// Sine of x radians; polynomial after reduction to [-pi/2, pi/2], |error| < 2e-6.
inline float Sin(float x)
{
    float k = std::floor(x * (1.0f / kTwoPi) + 0.5f);
    x -= k * kTwoPi;  // now in [-pi, pi]
    if (x > kPi * 0.5f) x = kPi - x;
    if (x < -kPi * 0.5f) x = -kPi - x;
    float x2 = x * x;
    return x * (1.0f +
                x2 * (-1.0f / 6 + x2 * (1.0f / 120 + x2 * (-1.0f / 5040 + x2 * (1.0f / 362880)))));
}

inline float Cos(float x) { return Sin(x + kPi * 0.5f); }

// e^x for x in about [-80, 80]: 2^(integer part) times a polynomial.
inline float Exp(float x)
{
    if (x < -80.0f) return 0.0f;
    if (x > 80.0f) x = 80.0f;
    float y = x * 1.44269504f;  // log2(e)
    float n = std::floor(y);
    float f = (y - n) * 0.693147181f;  // in [0, ln 2)
    float p =
        1.0f +
        f * (1.0f +
             f * (0.5f + f * (1.0f / 6 + f * (1.0f / 24 + f * (1.0f / 120 + f * (1.0f / 720))))));
    // Scale by 2^n by building the power of two's bits; n stays within
    // [−116, 116] here, so the result is exact and never subnormal.
    uint32_t bits = static_cast<uint32_t>(static_cast<int>(n) + 127) << 23;
    float scale;
    std::memcpy(&scale, &bits, sizeof scale);
    return p * scale;
}

// Arc tangent of y/x in (-pi, pi]; rational approximation, |error| < 1e-4.
inline float Atan2(float y, float x)
{
    float ax = std::fabs(x), ay = std::fabs(y);
    if (ax == 0.0f && ay == 0.0f) return 0.0f;
    float a = (ax > ay) ? ay / ax : ax / ay;
    float s = a * a;
    float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    if (ay > ax) r = kPi * 0.5f - r;
    if (x < 0) r = kPi - r;
    return (y < 0) ? -r : r;
}

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline float SmoothStep(float e0, float e1, float x)
{
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// 32-bit integer hash (lowbias32) for seeded, position-addressed randomness.
inline uint32_t Hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

inline uint32_t Hash3(uint32_t a, uint32_t b, uint32_t c)
{
    return Hash32(a * 0x9E3779B1U ^ Hash32(b * 0x85EBCA77U ^ Hash32(c)));
}

// Hash to a float in [0, 1).
inline float HashUnit(uint32_t a, uint32_t b, uint32_t c)
{
    return static_cast<float>(Hash3(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

// Small deterministic generator for composition choices (xorshift32).
class Dice {
public:
    explicit Dice(uint32_t seed) : state_(seed ? seed : 0x12345678U) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

private:
    uint32_t state_;
};

}  // namespace datagen
}  // namespace sunvale
