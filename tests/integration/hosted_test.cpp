// The saver in a screensaver daemon's window, against a daemon of the tests' own
// (stand_in_daemon.cpp) on a screen of two monitors, 1280x720 each, the left one primary:
// where the clip plays and where nothing does, that input and the end stay the daemon's, and
// that the daemon's command lines that name no window end at once with status 2. Sound goes
// to a PulseAudio of the test's own with a null sink; the settings ask for sound.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "child_process.h"
#include "quadrant_clip.h"
#include "x_session.h"

namespace tessiva::integration {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, got);
        pclose(pipe);
    }
    return text;
}

// A PulseAudio with a null sink for the whole run, named by PULSE_SERVER.
class SoundServer : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/tessiva-pulse-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        const std::string socket = "module-native-protocol-unix socket=" + m_folder + "/native auth-anonymous=1";
        m_pid = fork();
        if (m_pid == 0) {
            setenv("HOME", m_folder.c_str(), 1);
            setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
            unsetenv("DISPLAY");
            if (std::freopen((m_folder + "/log").c_str(), "w", stderr) == nullptr) _exit(126);
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                   "--disable-shm=yes", ("--load=" + socket).c_str(), "--load=module-null-sink sink_name=quiet", nullptr);
            _exit(127);
        }
        setenv("PULSE_SERVER", ("unix:" + m_folder + "/native").c_str(), 1);
        ASSERT_TRUE(XSession::waitUntil([] { return std::system("pactl info >/dev/null 2>&1") == 0; }, 10000ms))
            << "no sound server";
    }
    void TearDown() override {
        if (m_pid > 0) kill(m_pid, SIGTERM), waitpid(m_pid, nullptr, 0);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::string m_folder;
    pid_t m_pid = -1;
};
const auto* const g_sound = ::testing::AddGlobalTestEnvironment(new SoundServer);

int soundStreamsOf(pid_t pid) {
    const std::string list = output("pactl list sink-inputs 2>/dev/null");
    const std::string mark = "application.process.id = \"" + std::to_string(pid) + "\"";
    int count = 0;
    for (std::size_t at = list.find(mark); at != std::string::npos; at = list.find(mark, at + 1)) ++count;
    return count;
}

// Whether the process holds the file open: a decoder reads the clip through a descriptor.
bool holdsOpen(pid_t pid, const std::string& file) {
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (std::filesystem::read_symlink(fd.path(), error) == file) return true;
    }
    return false;
}

// Ended: gone, or a zombie waiting for its parent.
bool ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close == std::string::npos || text.substr(close + 2, 1) == "Z";
}

// The daemon and, as its child, the program; the test process takes in orphans, so that a
// program whose daemon died can still be waited for.
class Daemon {
public:
    Daemon(const std::string& geometry, const std::string& program) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[1]), close(out[0]);
            execl(TESSIVA_STAND_IN_DAEMON, TESSIVA_STAND_IN_DAEMON, geometry.c_str(), program.c_str(), "--root", nullptr);
            _exit(127);
        }
        close(in[0]), close(out[1]);
        m_in = in[1];
        m_out = out[0];
        const std::string started = line(5000ms);
        if (std::sscanf(started.c_str(), "window %lx %d", &m_window, &m_program) != 2) throw std::runtime_error(started);
    }
    ~Daemon() {
        for (const pid_t pid : {m_pid, m_program}) {
            if (pid > 0) kill(pid, SIGKILL);
        }
        for (const pid_t pid : {m_pid, m_program}) {
            if (pid > 0) waitpid(pid, nullptr, 0);
        }
        close(m_in), close(m_out);
    }
    unsigned long window() const { return m_window; }
    pid_t program() const { return m_program; }
    pid_t pid() const { return m_pid; }
    void send(const std::string& command) { ASSERT_GT(write(m_in, (command + "\n").data(), command.size() + 1), 0); }
    void killNow() {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    // The next line the daemon says within `timeout`, or "".
    std::string line(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (const auto end = m_said.find('\n'); end != std::string::npos) {
                std::string first = m_said.substr(0, end);
                m_said.erase(0, end + 1);
                return first;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd fd{m_out, POLLIN, 0};
            if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) return "";
            char buffer[256];
            const ssize_t got = read(m_out, buffer, sizeof buffer);
            if (got <= 0) return "";
            m_said.append(buffer, static_cast<std::size_t>(got));
        }
    }
    // Waits for a line starting with `prefix`; true when it came in time.
    bool said(const std::string& prefix, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            if (line(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())).rfind(prefix, 0) == 0) {
                return true;
            }
        }
        return false;
    }

private:
    pid_t m_pid = -1;
    pid_t m_program = -1;
    unsigned long m_window = 0;
    int m_in = -1, m_out = -1;
    std::string m_said;
};

class Hosted : public ::testing::Test {
protected:
    static void SetUpTestSuite() { prctl(PR_SET_CHILD_SUBREAPER, 1); }

    void SetUp() override {
        ASSERT_EQ(x.screenWidth(), 2560) << "run on two monitors (run-under-xvfb.sh --two-monitors)";
        ASSERT_FALSE(quadrantClip().empty());
        std::filesystem::create_directories(program.folder() + "/clips");
        std::filesystem::copy_file(quadrantClip(), clip());
        std::ofstream(program.folder() + "/Tessiva.ini") << "[config]\nsound=1\npath=" << program.folder() << "/clips/\n";
        for (const unsigned long w : x.children(x.root())) before.insert(w);
    }

    std::string clip() const { return program.folder() + "/clips/vorn.evc"; }
    std::unique_ptr<Daemon> start(const std::string& geometry) {
        auto daemon = std::make_unique<Daemon>(geometry, program.folder() + "/tessiva");
        // The program's window inside the daemon's.
        EXPECT_TRUE(XSession::waitUntil([&] { return !x.children(daemon->window()).empty(); }, 5000ms));
        return daemon;
    }

    // Each pixel of the region `g` of the screen, as the screen shows it.
    std::vector<Rgb> region(const Geometry& g) {
        const auto shot = x.capture(x.root(), x.screenWidth(), x.screenHeight());
        std::vector<Rgb> out;
        for (int row = g.y; row < g.y + g.height; ++row) {
            for (int col = g.x; col < g.x + g.width; ++col) out.push_back(shot.at(static_cast<std::size_t>(row * x.screenWidth() + col)));
        }
        return out;
    }
    static bool near(Rgb got, Rgb want) {
        return std::abs(got.r - want.r) < 50 && std::abs(got.g - want.g) < 50 && std::abs(got.b - want.b) < 50;
    }
    // The four quadrants in the four quarters of the picture `g` of the screen.
    bool clipWholeIn(const Geometry& g) {
        const auto pixels = region(g);
        const auto at = [&](int px, int py) { return pixels.at(static_cast<std::size_t>(py * g.width + px)); };
        const int w = g.width, h = g.height;
        return near(at(w / 4, h / 4), {255, 0, 0}) && near(at(3 * w / 4, h / 4), {0, 255, 0}) &&
               near(at(w / 4, 3 * h / 4), {0, 0, 255}) && near(at(3 * w / 4, 3 * h / 4), {255, 255, 0});
    }
    bool black(const Geometry& g) {
        const auto pixels = region(g);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const Rgb& p = pixels[i];
            if (p.r > 16 || p.g > 16 || p.b > 16) {
                ADD_FAILURE() << "not black at " << i % static_cast<std::size_t>(g.width) << ","
                              << i / static_cast<std::size_t>(g.width) << ": " << p.r << " " << p.g << " " << p.b;
                return false;
            }
        }
        return true;
    }
    // Mapped windows on the root that weren't there before the test.
    std::set<unsigned long> newTopLevels() {
        std::set<unsigned long> found;
        for (const unsigned long w : x.children(x.root())) {
            if (before.count(w) == 0 && x.isViewable(w)) found.insert(w);
        }
        return found;
    }

    XSession x;
    ProgramCopy program;
    std::set<unsigned long> before;
};

const Geometry kPrimary{0, 0, 1280, 720};

TEST_F(Hosted, PlaysTheClipWithSoundInTheDaemonsWindowAndLeavesItTheInput) {
    const auto daemon = start("1280x720+0+0");
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(kPrimary); }, 5000ms)) << "no clip in the daemon's window";
    // The marker moves: it plays.
    const auto middle = [&] {
        std::vector<int> greens;
        for (const Rgb& p : region(Geometry{0, 350, 1280, 20})) greens.push_back(p.g);
        return greens;
    };
    const auto first = middle();
    EXPECT_TRUE(XSession::waitUntil([&] { return !(middle() == first); }, 2000ms));
    EXPECT_EQ(newTopLevels(), (std::set<unsigned long>{daemon->window()})) << "a top-level window of ours";
    EXPECT_TRUE(XSession::waitUntil([&] { return soundStreamsOf(daemon->program()) == 1; }, 5000ms))
        << "streams: " << soundStreamsOf(daemon->program());

    // Moves, a click and a key over the clip reach the daemon, and the saver plays on.
    ASSERT_EQ(std::system("xdotool mousemove 640 360 sleep 0.1 mousemove_relative 20 20 mousemove_relative 20 20 "
                          "mousemove_relative 20 20 mousemove_relative 20 20 mousemove_relative 20 20 mousemove_relative 20 20"),
              0);
    EXPECT_TRUE(daemon->said("motion", 2000ms));
    ASSERT_EQ(std::system("xdotool click 1 click 3"), 0);
    EXPECT_TRUE(daemon->said("button", 2000ms));
    ASSERT_EQ(std::system("xdotool key a key Escape"), 0);
    EXPECT_TRUE(daemon->said("key", 2000ms));
    EXPECT_FALSE(daemon->said("exit", 700ms)) << "input ended the saver";
    EXPECT_FALSE(ended(daemon->program()));
    EXPECT_FALSE(x.cursorIsBlank()) << "the pointer is the daemon's to hide";
    EXPECT_TRUE(clipWholeIn(kPrimary));
}

// The daemon's signals end the saver at once, also once it was stopped and continued.
class HostedSignal : public Hosted, public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(HostedSignal, EndsTheSaverWithin100Ms) {
    const auto [signal, stopFirst] = GetParam();
    const auto daemon = start("1280x720+0+0");
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(kPrimary); }, 5000ms));
    if (stopFirst) {
        kill(daemon->program(), SIGSTOP);
        std::this_thread::sleep_for(100ms);  // stopped for a while, as behind an unlock dialog
        kill(daemon->program(), SIGCONT);
    }
    const auto sent = Clock::now();
    kill(daemon->program(), signal);
    ASSERT_TRUE(XSession::waitUntil([&] { return ended(daemon->program()); }, 1000ms));
    EXPECT_LT(Clock::now() - sent, 100ms);
    EXPECT_TRUE(daemon->said("signal " + std::to_string(signal), 1000ms));
}

INSTANTIATE_TEST_SUITE_P(Each, HostedSignal,
                         ::testing::Values(std::pair{SIGTERM, false}, std::pair{SIGTERM, true}, std::pair{SIGINT, false},
                                           std::pair{SIGHUP, false}));

TEST_F(Hosted, FollowsTheDaemonsWindowAndEndsWith0WhenItGoes) {
    const auto daemon = start("1280x720+0+0");
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(kPrimary); }, 5000ms));
    daemon->send("resize 640 360");
    const auto ours = x.children(daemon->window());
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_TRUE(XSession::waitUntil(
        [&] {
            const Geometry g = x.geometry(ours[0]);
            return g.width == 640 && g.height == 360 && clipWholeIn(Geometry{0, 0, 640, 360});
        },
        2000ms))
        << "the window didn't follow";
    const auto sent = Clock::now();
    daemon->send("destroy");
    EXPECT_TRUE(daemon->said("exit 0", 1000ms));
    EXPECT_LT(Clock::now() - sent, 1000ms);
}

TEST_F(Hosted, EndsWhenTheDaemonDies) {
    const auto daemon = start("1280x720+0+0");
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(kPrimary); }, 5000ms));
    const pid_t saver = daemon->program();
    daemon->killNow();
    // The orphan comes to this process, which waits for it.
    EXPECT_TRUE(XSession::waitUntil([&] { return waitpid(saver, nullptr, WNOHANG) == saver; }, 1000ms));
}

TEST_F(Hosted, APreviewPlaysSilentlyLetterboxed) {
    const auto daemon = start("300x300+100+100");
    // A 16:9 clip in a square pane: black above and below, the whole clip between.
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(Geometry{100, 100 + 66, 300, 168}); }, 5000ms));
    EXPECT_TRUE(black(Geometry{100, 100, 300, 60}));
    EXPECT_TRUE(black(Geometry{100, 100 + 240, 300, 60}));
    EXPECT_TRUE(holdsOpen(daemon->program(), clip()));
    EXPECT_EQ(soundStreamsOf(daemon->program()), 0) << "a preview sounded";
    EXPECT_EQ(newTopLevels(), (std::set<unsigned long>{daemon->window()}));
}

TEST_F(Hosted, TheOtherMonitorStaysBlackAndOneDecoderPlaysForBoth) {
    const auto other = start("1280x720+1280+0");
    const auto primary = start("1280x720+0+0");
    ASSERT_TRUE(XSession::waitUntil([&] { return clipWholeIn(kPrimary); }, 5000ms));
    EXPECT_TRUE(black(Geometry{1280, 0, 1280, 720}));
    EXPECT_TRUE(holdsOpen(primary->program(), clip()));
    EXPECT_FALSE(holdsOpen(other->program(), clip())) << "the other monitor's saver decodes";
    EXPECT_EQ(soundStreamsOf(other->program()), 0);
    EXPECT_FALSE(ended(other->program()));
}

// Command lines that name no window: one line on stderr, status 2, nothing shown.
class HostedRefused : public Hosted, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(HostedRefused, EndsWithStatus2) {
    unsetenv("XSCREENSAVER_WINDOW");
    program.start(GetParam());
    const auto status = program.waitForExit(5000ms);
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_EQ(*status, 2);
    const std::string said = program.standardError();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_TRUE(newTopLevels().empty());
}

INSTANTIATE_TEST_SUITE_P(Each, HostedRefused,
                         ::testing::Values(std::vector<std::string>{"--root"}, std::vector<std::string>{"-root"},
                                           std::vector<std::string>{"--window-id", "0xnothing"},
                                           std::vector<std::string>{"-window-id", "0x7ffffff"},
                                           std::vector<std::string>{"--root", "--window-id"}));

}  // namespace
}  // namespace tessiva::integration
