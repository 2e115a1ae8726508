#pragma once
// The program under test, started the way a host starts it: from a copy of the binary in a
// temporary folder of its own, with stderr kept for the test to read. The destructor kills
// whatever is still running and removes the folder, so no test leaves a process behind.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tessiva::integration {

class ProgramCopy {
public:
    ProgramCopy();
    ~ProgramCopy();
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    const std::string& folder() const { return m_folder; }

    // Starts the copy with these arguments; `unsetDisplay` starts it without DISPLAY.
    pid_t start(const std::vector<std::string>& arguments, bool unsetDisplay = false,
                const std::string& displayOverride = {});
    pid_t pid() const { return m_pid; }

    // The exit status once the process has ended, or nothing when it is still running then.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    std::string standardError() const;

private:
    std::string m_folder;
    pid_t m_pid = -1;
};

}  // namespace tessiva::integration
