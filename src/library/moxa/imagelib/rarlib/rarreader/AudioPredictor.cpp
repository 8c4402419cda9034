// Multimedia-mode weight adjustment: every 32 bytes of a channel, the weight
// whose sign flip would have erred least on the period is nudged. Taking the
// eleven error sums per byte cost half of the audio decoding time; they are
// taken once per period from the logged deltas instead, eight slots at a time
// where SSE2 is at hand.
#include "library/moxa/imagelib/rarlib/rarreader/AudioPredictor.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sunvale {

namespace {

constexpr uint32_t kPeriod = kAudioAdjustPeriod;

uint32_t Abs(int32_t v) { return uint32_t(v < 0 ? -v : v); }

// Moves `weight` one step down (towards -17) when best == down, up (towards
// 16) when best == up. Without branches: the index found is unpredictable.
void StepWeight(int32_t& weight, uint32_t best, uint32_t down, uint32_t up)
{
    weight += int32_t((best == up) & (weight < 16)) - int32_t((best == down) & (weight >= -16));
}

#if defined(__SSE2__)
inline __m128i Load(const int16_t* p)
{
    return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
}

inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

// The four 32-bit lane sums of a, b, c, d.
inline __m128i AddAcross(__m128i a, __m128i b, __m128i c, __m128i d)
{
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    const __m128i cd = _mm_add_epi32(_mm_unpacklo_epi32(c, d), _mm_unpackhi_epi32(c, d));
    return _mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd));
}

// SumErrors over a whole period.
void SumPeriod(const AudioErrorLog& log, uint32_t* dif)
{
    const __m128i zero = _mm_setzero_si128();
    // Lane sums are positive and below 2^15: pairs add up exactly in madd.
    const __m128i ones = _mm_set1_epi16(1);
    __m128i wide[12];
    __m128i plain = zero;
#pragma GCC unroll 4
    for (uint32_t q = 0; q < kPeriod; q += 8) plain = _mm_add_epi16(plain, Abs16(Load(&log.d[q])));
    wide[0] = _mm_madd_epi16(plain, ones);
#pragma GCC unroll 5
    for (uint32_t k = 0; k < 5; ++k) {
        __m128i minus = zero;
        __m128i plus = zero;
#pragma GCC unroll 4
        for (uint32_t q = 0; q < kPeriod; q += 8) {
            const __m128i d = Load(&log.d[q]);
            const __m128i x = Load(&log.x[k][q]);
            minus = _mm_add_epi16(minus, Abs16(_mm_sub_epi16(d, x)));
            plus = _mm_add_epi16(plus, Abs16(_mm_add_epi16(d, x)));
        }
        wide[2 * k + 1] = _mm_madd_epi16(minus, ones);
        wide[2 * k + 2] = _mm_madd_epi16(plus, ones);
    }
    wide[11] = zero;
    alignas(16) uint32_t all[12];
    for (uint32_t g = 0; g < 3; ++g)
        _mm_store_si128(reinterpret_cast<__m128i*>(all + 4 * g),
                        AddAcross(wide[4 * g], wide[4 * g + 1], wide[4 * g + 2], wide[4 * g + 3]));
    for (uint32_t i = 0; i < kAudioDifCount; ++i) dif[i] = all[i];
}
#else
void SumPeriod(const AudioErrorLog& log, uint32_t* dif) { SumErrors(log, kPeriod, dif); }
#endif

}  // namespace

void SumErrors(const AudioErrorLog& log, uint32_t count, uint32_t* dif)
{
    for (uint32_t i = 0; i < kAudioDifCount; ++i) dif[i] = 0;
    for (uint32_t slot = 0; slot < count; ++slot) {
        const int32_t d = log.d[slot];
        dif[0] += Abs(d);
        for (uint32_t k = 0; k < 5; ++k) {
            dif[2 * k + 1] += Abs(d - log.x[k][slot]);
            dif[2 * k + 2] += Abs(d + log.x[k][slot]);
        }
    }
}

void AdjustWeights(AudioChannel& v, const int32_t (&last)[6])
{
    uint32_t dif[kAudioDifCount];
    SumPeriod(v.log, dif);
    const int32_t d = last[0];
    dif[0] += Abs(d);
    for (uint32_t k = 0; k < 5; ++k) {
        dif[2 * k + 1] += Abs(d - last[k + 1]);
        dif[2 * k + 2] += Abs(d + last[k + 1]);
    }
    // The smallest sum, the lower index on a tie: the minimum of sum * 16 +
    // index (a sum is below 32 * 1279), taken as a tree for a short latency.
    uint32_t key[kAudioDifCount];
    for (uint32_t i = 0; i < kAudioDifCount; ++i) key[i] = dif[i] << 4 | i;
    auto min = [](uint32_t a, uint32_t b) { return a < b ? a : b; };
    const uint32_t best = min(min(min(min(key[0], key[1]), min(key[2], key[3])),
                                  min(min(key[4], key[5]), min(key[6], key[7]))),
                              min(min(key[8], key[9]), key[10])) &
                          15;
    StepWeight(v.K1, best, 1, 2);
    StepWeight(v.K2, best, 3, 4);
    StepWeight(v.K3, best, 5, 6);
    StepWeight(v.K4, best, 7, 8);
    StepWeight(v.K5, best, 9, 10);
}

}  // namespace sunvale
