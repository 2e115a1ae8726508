#include "child_process.h"

#include <grp.h>
#include <pwd.h>
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
    // Made now, while the folder is surely writable: a test may take that right away before
    // the start, and the child only needs to reopen the file.
    std::ofstream(m_folder + "/stderr.txt").flush();
}

ProgramCopy::~ProgramCopy() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    // A test may have made the folder read-only; its owner can always open it up again.
    std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(m_folder, ignored);
    if (!m_runtimeFolder.empty()) std::filesystem::remove_all(m_runtimeFolder, ignored);
}

pid_t ProgramCopy::start(const std::vector<std::string>& arguments, bool unsetDisplay, const std::string& displayOverride) {
    return launch(arguments, StartOptions{}, unsetDisplay, displayOverride);
}

pid_t ProgramCopy::startWith(const std::vector<std::string>& arguments, const StartOptions& options) {
    return launch(arguments, options, false, {});
}

pid_t ProgramCopy::launch(const std::vector<std::string>& arguments, const StartOptions& options, bool unsetDisplay,
                          const std::string& displayOverride) {
    const std::string program = m_folder + "/tessiva";
    const std::string errors = m_folder + "/stderr.txt";
    // Looked up before the fork: getpwnam may need a lock that another thread holds at the fork.
    uid_t nobodyUid = 0;
    gid_t nobodyGid = 0;
    if (options.asNobody) {
        const passwd* nobody = getpwnam("nobody");
        if (nobody == nullptr) throw std::runtime_error("no user nobody");
        nobodyUid = nobody->pw_uid;
        nobodyGid = nobody->pw_gid;
        if (m_runtimeFolder.empty()) {
            char pattern[] = "/tmp/tessiva-runtime-XXXXXX";
            if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
            m_runtimeFolder = pattern;
            if (chown(m_runtimeFolder.c_str(), nobodyUid, nobodyGid) != 0) throw std::runtime_error("chown failed");
        }
    }
    m_pid = fork();
    if (m_pid == 0) {
        if (unsetDisplay) unsetenv("DISPLAY");
        if (!displayOverride.empty()) setenv("DISPLAY", displayOverride.c_str(), 1);
        for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
        if (FILE* err = std::freopen(errors.c_str(), "w", stderr); err == nullptr) _exit(126);
        if (std::freopen("/dev/null", "r", stdin) == nullptr) _exit(126);
        if (options.asNobody) {
            setenv("XDG_RUNTIME_DIR", m_runtimeFolder.c_str(), 1);
            // Group first: once the user is nobody, changing groups is no longer allowed.
            if (setgroups(0, nullptr) != 0 || setgid(nobodyGid) != 0 || setuid(nobodyUid) != 0) _exit(126);
        }
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
