// The send effect of the mix: a tempo-synced ping-pong delay feeding a small
// Schroeder reverb (parallel damped combs, then allpasses), added to the dry mix.
#pragma once

#include "StereoBuffer.h"

namespace sunvale {
namespace datagen {

class SpaceEffect {
public:
    // delaySeconds: ping-pong delay time; wet: level of the reverb and delay.
    static void Apply(const StereoBuffer& send, float delaySeconds, float wet, StereoBuffer* mix);
};

}  // namespace datagen
}  // namespace sunvale
