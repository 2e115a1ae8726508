#pragma once
// How long the playback loop may sleep before its next pass: until the position can first
// round to the duration's value, at rate 1.0, and a few milliseconds more. A rewind issued at
// the very point races the sink's showing of the frame due there; when it wins, the frame
// before stays up a whole frame longer (measured: seams of 45 ms, against 35 ms a little past
// the point). The position rounds to n (the
// duration rounded, halves to even) from n - 0.5 on, so nothing the loop does can change
// before then; events and the media framework's messages wake it earlier. A rewind that is
// already due gives no time at all. A clip of half a second or less rewinds on every pass and
// only ever shows its first frame: its passes come a frame apart. Pure; any thread.
#include <chrono>

namespace tessiva {

inline constexpr std::chrono::milliseconds kRewindLag{8};
// Even a loop that expects nothing wakes this often, in case the clip's clock stalls or jumps.
inline constexpr std::chrono::milliseconds kLongestSleep{1000};
// Between the passes of a clip that rewinds on every pass: a frame at 50 frames a second.
inline constexpr std::chrono::milliseconds kEveryPassSleep{20};

std::chrono::milliseconds untilRewindCanFall(double position, double duration);

}  // namespace tessiva
