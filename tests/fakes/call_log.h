#pragma once
#include <string>
#include <vector>

namespace tessiva::fakes {

// Every fake writes what the program asked of it here, one line per call, in order.
using CallLog = std::vector<std::string>;

}  // namespace tessiva::fakes
