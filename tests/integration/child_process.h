#pragma once
// The program under test, started the way a host starts it: from a copy of the binary in a
// temporary folder of its own, with stderr kept for the test to read. The destructor kills
// whatever is still running and removes the folder, so no test leaves a process behind.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessiva::integration {

// How to start the copy beyond its arguments.
struct StartOptions {
    // Variables set (or replaced) in the program's environment, e.g. PATH.
    std::vector<std::pair<std::string, std::string>> environment;
    // Runs the program as user "nobody", so that file permissions apply even when the tests
    // run as root. Needs root; the folder must let nobody in (its mode is the caller's
    // choice). The program gets an XDG_RUNTIME_DIR of nobody's own.
    bool asNobody = false;
};

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
    pid_t startWith(const std::vector<std::string>& arguments, const StartOptions& options);
    pid_t pid() const { return m_pid; }

    // The exit status once the process has ended, or nothing when it is still running then.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    std::string standardError() const;

private:
    pid_t launch(const std::vector<std::string>& arguments, const StartOptions& options, bool unsetDisplay,
                 const std::string& displayOverride);

    std::string m_folder;
    std::string m_runtimeFolder;  // nobody's XDG_RUNTIME_DIR, made on demand
    pid_t m_pid = -1;
};

}  // namespace tessiva::integration
