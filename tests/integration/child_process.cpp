#include "child_process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tessiva::integration {

ProgramCopy::ProgramCopy() {
    char pattern[] = "/tmp/tessiva-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_folder = pattern;
    std::filesystem::copy_file(TESSIVA_BINARY, m_folder + "/tessiva");
}

ProgramCopy::~ProgramCopy() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

pid_t ProgramCopy::start(const std::vector<std::string>& arguments, bool unsetDisplay, const std::string& displayOverride) {
    const std::string program = m_folder + "/tessiva";
    const std::string errors = m_folder + "/stderr.txt";
    m_pid = fork();
    if (m_pid == 0) {
        if (unsetDisplay) unsetenv("DISPLAY");
        if (!displayOverride.empty()) setenv("DISPLAY", displayOverride.c_str(), 1);
        if (FILE* err = std::freopen(errors.c_str(), "w", stderr); err == nullptr) _exit(126);
        if (std::freopen("/dev/null", "r", stdin) == nullptr) _exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (chdir(m_folder.c_str()) != 0) _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return m_pid;
}

std::optional<int> ProgramCopy::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            return 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ProgramCopy::standardError() const {
    std::ifstream in(m_folder + "/stderr.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace tessiva::integration
