#pragma once
// The tests' clip: four coloured quadrants (red, lime / blue, yellow) with a white marker
// moving along the middle, 640x360 for 3 s with a tone: scaled whole onto a window, each
// quadrant fills a quarter of it, and the marker shows that it plays. Made with ffmpeg once
// per test program, in the temporary folder, and removed when the program ends.
#include <string>

namespace tessiva::integration {

// The clip's path; empty when ffmpeg couldn't make it.
const std::string& quadrantClip();

}  // namespace tessiva::integration
