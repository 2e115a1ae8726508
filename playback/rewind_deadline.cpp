#include "playback/rewind_deadline.h"

#include <cmath>
#include <cstdint>

#include "platform/convert.h"

namespace tessiva {

std::chrono::milliseconds untilRewindCanFall(double position, double duration) {
    const std::int32_t n = roundToLong(duration);
    if (n == 0) return kEveryPassSleep;
    const double rewindFrom = n - 0.5;
    const double seconds = rewindFrom - position;
    if (!(seconds > 0)) return std::chrono::milliseconds{0};
    const double milliseconds = std::ceil(seconds * 1000.0) + static_cast<double>(kRewindLag.count());
    if (milliseconds >= static_cast<double>(kLongestSleep.count())) return kLongestSleep;
    return std::chrono::milliseconds{static_cast<long long>(milliseconds)};
}

}  // namespace tessiva
