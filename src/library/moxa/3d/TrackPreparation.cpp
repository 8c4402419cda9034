// Key-track preparation: accumulated rotation quaternions and the tangents of
// Kochanek-Bartels (TCB) splines, component by component.
#include "library/moxa/3d/TrackPreparation.h"

#include <cmath>

namespace sunvale {

void RotationKeyQuaternion(float angle, float ax, float ay, float az, float out[4])
{
    const float s = std::sin(angle * 0.5f);
    out[0] = std::cos(angle * 0.5f);
    out[1] = s * -ax;
    out[2] = s * -az;
    out[3] = s * -ay;
}

void MultiplyQuaternion(const float a[4], const float b[4], float out[4])
{
    const float w1 = a[0], x1 = a[1], y1 = a[2], z1 = a[3];
    const float w2 = b[0], x2 = b[1], y2 = b[2], z2 = b[3];
    out[0] = w1 * w2 - x1 * x2 - y1 * y2 - z1 * z2;
    out[1] = w1 * x2 + x1 * w2 + y1 * z2 - z1 * y2;
    out[2] = w1 * y2 + y1 * w2 + z1 * x2 - x1 * z2;
    out[3] = w1 * z2 + z1 * w2 + x1 * y2 - y1 * x2;
}

void PrepareTrack(TrackKey* keys, uint32_t count)
{
    if (count < 2) return;
    if (count == 2) {
        for (int c = 0; c < 4; ++c) {
            const float d = keys[1].value[c] - keys[0].value[c];
            keys[0].tangentOut[c] = d * (1.0f - keys[0].tension);
            keys[1].tangentIn[c] = d * (1.0f - keys[1].tension);
        }
        return;
    }

    for (uint32_t k = 1; k + 1 < count; ++k) {
        const TrackKey& p = keys[k - 1];
        TrackKey& key = keys[k];
        const TrackKey& x = keys[k + 1];
        const float fp = static_cast<float>(p.frame);
        const float fk = static_cast<float>(key.frame);
        const float fx = static_cast<float>(x.frame);
        const float T = key.tension, K = key.continuity, B = key.bias;
        const float g = std::fabs(K);
        const float adjIn = g + (1.0f - g) * 2.0f * (fk - fp) / (fx - fp);
        const float adjOut = g + (1.0f - g) * 2.0f * (fx - fk) / (fx - fp);
        for (int c = 0; c < 4; ++c) {
            const float dIn = key.value[c] - p.value[c];
            const float dOut = x.value[c] - key.value[c];
            key.tangentIn[c] = adjIn * ((1.0f - T) * (1.0f - K) * (1.0f + B) / 2.0f * dIn +
                                        (1.0f - T) * (1.0f + K) * (1.0f - B) / 2.0f * dOut);
            key.tangentOut[c] = adjOut * ((1.0f - T) * (1.0f + K) * (1.0f + B) / 2.0f * dIn +
                                          (1.0f - T) * (1.0f - K) * (1.0f - B) / 2.0f * dOut);
        }
    }

    {
        TrackKey& k0 = keys[0];
        const TrackKey& k1 = keys[1];
        const TrackKey& k2 = keys[2];
        const float f0 = static_cast<float>(k0.frame);
        const float f1 = static_cast<float>(k1.frame);
        const float f2 = static_cast<float>(k2.frame);
        const float s = 0.75f - (f1 - f0) / (2.0f * (f2 - f0));
        for (int c = 0; c < 4; ++c) {
            const float d = k2.value[c] - k0.value[c];
            k0.tangentOut[c] =
                ((k1.value[c] - k0.value[c] - d / 2.0f) * 1.5f + s * d) * (1.0f - k0.tension);
        }
    }
    {
        const TrackKey& ka = keys[count - 3];
        const TrackKey& kb = keys[count - 2];
        TrackKey& kl = keys[count - 1];
        const float fa = static_cast<float>(ka.frame);
        const float fb = static_cast<float>(kb.frame);
        const float fl = static_cast<float>(kl.frame);
        const float s = 0.75f - (fl - fb) / (2.0f * (fl - fa));
        for (int c = 0; c < 4; ++c) {
            const float d = kl.value[c] - ka.value[c];
            kl.tangentIn[c] =
                ((kl.value[c] - kb.value[c] - d / 2.0f) * 1.5f + s * d) * (1.0f - kl.tension);
        }
    }
}

}  // namespace sunvale
