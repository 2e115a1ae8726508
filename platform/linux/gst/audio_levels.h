#pragma once
// The program's audio levels, in hundredths of a decibel, as the linear factors GStreamer
// takes. Volume is attenuation: 0 is full level, -10000 (100 dB down) counts as silence.
// Balance attenuates the far channel: +3000 leaves the right channel alone and takes the left
// down by 30 dB; ±10000 silences it.
//
// Facts relied on: playbin's "volume" is a linear amplitude factor; audiopanorama's "simple"
// method scales the left channel by 1 - panorama when panorama > 0, the right one by
// 1 + panorama when it is < 0.
#include <cmath>
#include <cstdint>

namespace tessiva {

inline constexpr std::int32_t kSilentLevel = -10000;
inline constexpr std::int32_t kRightOnly = 10000;

// Linear amplitude for an attenuation of `hundredthsDb` (<= 0); 0 at or below silence.
inline double amplitudeOf(std::int32_t hundredthsDb) {
    if (hundredthsDb <= kSilentLevel) return 0.0;
    return std::pow(10.0, hundredthsDb / 2000.0);
}

// audiopanorama's panorama (-1..1, simple method) for a balance of -10000..10000.
inline double panoramaOf(std::int32_t balance) {
    const double farChannel = amplitudeOf(balance < 0 ? balance : -balance);
    return balance < 0 ? -(1.0 - farChannel) : 1.0 - farChannel;
}

}  // namespace tessiva
