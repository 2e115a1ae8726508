// tessiva_bench: runs the optimised program on the current X display (a fresh Xvfb from
// run-under-xvfb.sh) next to baseline players on the same clip, and prints a table of numbers.
// It measures; it never fails a build. The machine is noisy: every figure is a median of
// several runs made in this one invocation, and ratios compare runs made side by side.
//
// How the screen is watched: one XDamage object on the root window, reporting every drawing
// operation as a raw rectangle, tells when the screen changed; each batch of such events is
// followed by a few one-row XGetImage reads of a grid of probe points, compared with frames
// of the clip that ffmpeg decoded. The server stamps each damage event with its own
// millisecond clock, which is mapped onto CLOCK_MONOTONIC through a PropertyNotify round trip
// at the start of each run.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "x_session.h"

// Xlib last: it defines None, Bool, Status and friends as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

namespace tessiva::bench {
namespace {

namespace fs = std::filesystem;
using integration::ProgramCopy;
using integration::XSession;

// ---------------------------------------------------------------------------------------
// Time, settings, statistics

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

const double g_started = nowMs();

void note(const std::string& text) {
    std::fprintf(stderr, "[bench %7.1f s] %s\n", (nowMs() - g_started) / 1000.0, text.c_str());
    std::fflush(stderr);
}

bool g_debug = false;

int envInt(const char* name, int fallback, int minimum) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') {
        note(std::string(name) + "=" + text + " is not a whole number; using " + std::to_string(fallback));
        return fallback;
    }
    return static_cast<int>(std::max<long>(value, minimum));
}

std::string fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

double worst(const std::vector<double>& values) {
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

// Nearest-rank percentile, p in 0..100.
double percentile(std::vector<double> values, double p) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

std::string joined(const std::vector<double>& values, int decimals) {
    std::string text;
    for (const double v : values) {
        if (!text.empty()) text += ' ';
        text += fixed(v, decimals);
    }
    return text;
}

// ---------------------------------------------------------------------------------------
// Processes

// Everything started here is killed if the driver itself is interrupted.
constexpr int kTrackedSlots = 32;
std::array<std::atomic<pid_t>, kTrackedSlots> g_tracked{};

void track(pid_t pid) {
    for (auto& slot : g_tracked) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid)) return;
    }
}

void untrack(pid_t pid) {
    for (auto& slot : g_tracked) {
        pid_t expected = pid;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

extern "C" void onInterrupt(int signal) {
    for (auto& slot : g_tracked) {
        const pid_t pid = slot.load();
        if (pid > 0) kill(pid, SIGKILL);
    }
    _exit(128 + signal);
}

int shell(const std::string& command) {
    if (g_debug) note("$ " + command);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string shellOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Starts a baseline player with stdin from /dev/null and its output in `log`.
pid_t spawn(const std::vector<std::string>& arguments, const std::string& log) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        std::vector<char*> argv;
        for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0) track(pid);
    return pid;
}

// True while `pid` (a child of ours) runs; reaps it when it has ended.
bool running(pid_t pid) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    return done == 0;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    const double deadline = nowMs() + 2000;
    while (nowMs() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) != 0) {
            untrack(pid);
            return;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    untrack(pid);
}

int pidfdOpen(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// utime + stime of the process (all its threads) and of its waited-for children, in ticks.
std::optional<long long> cpuTicks(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 2));
    std::vector<std::string> f;
    std::string field;
    while (fields >> field) f.push_back(field);
    // f[0] is field 3 (state): utime, stime, cutime and cstime are fields 14 to 17.
    if (f.size() < 15) return std::nullopt;
    return std::stoll(f[11]) + std::stoll(f[12]) + std::stoll(f[13]) + std::stoll(f[14]);
}

// Each thread's name (digits folded to N, so that a pool's threads add up) and its
// utime + stime in ticks, by thread id.
std::map<pid_t, std::pair<std::string, long long>> threadTicks(pid_t pid) {
    std::map<pid_t, std::pair<std::string, long long>> out;
    std::error_code error;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string stat = readFile(it->path() / "stat");
        const auto open = stat.find('(');
        const auto close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::string name;
        bool digits = false;
        for (const char c : stat.substr(open + 1, close - open - 1)) {
            const bool digit = c >= '0' && c <= '9';
            if (digit && !digits) name += 'N';
            if (!digit) name += c;
            digits = digit;
        }
        std::istringstream fields(stat.substr(close + 2));
        std::vector<std::string> f;
        std::string field;
        while (fields >> field) f.push_back(field);
        if (f.size() < 13) continue;
        out[static_cast<pid_t>(std::stol(it->path().filename().string()))] = {name, std::stoll(f[11]) + std::stoll(f[12])};
    }
    return out;
}

double ticksToSeconds(long long ticks) { return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)); }

// A "Key:   value kB" line of /proc/<pid>/status (or another such file of the process), as a
// number.
std::optional<long> statusValue(pid_t pid, const std::string& key, const std::string& file = "status") {
    std::istringstream lines(readFile("/proc/" + std::to_string(pid) + "/" + file));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + ":", 0) == 0) return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    }
    return std::nullopt;
}

int openFiles(pid_t pid) {
    std::error_code error;
    int count = 0;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

// The X server that run-under-xvfb.sh started: a sibling of ours named Xvfb.
pid_t findXServer() {
    const pid_t parent = getppid();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string stat = readFile(entry.path() / "stat");
        const auto open = stat.find('(');
        const auto close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        if (stat.substr(open + 1, close - open - 1) != "Xvfb") continue;
        std::istringstream rest(stat.substr(close + 2));
        std::string state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) return static_cast<pid_t>(std::stol(name));
    }
    return -1;
}

// ---------------------------------------------------------------------------------------
// Pictures: a grid of probe points, on screen and in ffmpeg's decoding of the clip

struct Grid {
    std::vector<int> xs, ys;
};

Grid makeGrid(int width, int height) {
    Grid grid;
    const int margin = 40;
    for (int i = 0; i < 12; ++i) grid.xs.push_back(margin + i * (width - 2 * margin) / 11);
    for (int i = 0; i < 8; ++i) grid.ys.push_back(margin + i * (height - 2 * margin) / 7);
    return grid;
}

using Samples = std::vector<std::array<int, 3>>;

double meanDifference(const Samples& a, const Samples& b) {
    if (a.size() != b.size() || a.empty()) return NAN;
    long total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int c = 0; c < 3; ++c) total += std::abs(a[i][static_cast<std::size_t>(c)] - b[i][static_cast<std::size_t>(c)]);
    }
    return static_cast<double>(total) / static_cast<double>(a.size() * 3);
}

// The share of probe points that are black (every channel below 24).
double blackShare(const Samples& s) {
    if (s.empty()) return 0.0;
    int black = 0;
    for (const auto& p : s) black += (p[0] < 24 && p[1] < 24 && p[2] < 24) ? 1 : 0;
    return static_cast<double>(black) / static_cast<double>(s.size());
}

// The frame of `clip` at `seconds`, scaled and bordered onto the screen as the program's
// scaler does, sampled on the grid.
Samples referenceFrame(const std::string& clip, double seconds, int width, int height, const Grid& grid,
                       const std::string& scratch) {
    const std::string raw = scratch + "/frame.rgb";
    const std::string w = std::to_string(width), h = std::to_string(height);
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -ss " + fixed(seconds, 3) + " -i " + shellQuote(clip) +
                                " -frames:v 1 -vf 'scale=" + w + ":" + h + ":force_original_aspect_ratio=decrease,pad=" + w +
                                ":" + h + ":(ow-iw)/2:(oh-ih)/2' -f rawvideo -pix_fmt rgb24 " + shellQuote(raw);
    if (shell(command) != 0) throw std::runtime_error("ffmpeg could not decode a frame of " + clip);
    const std::string bytes = readFile(raw);
    if (bytes.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        throw std::runtime_error("ffmpeg gave a short frame of " + clip);
    }
    Samples samples;
    for (const int y : grid.ys) {
        for (const int x : grid.xs) {
            const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
            samples.push_back({static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]),
                               static_cast<unsigned char>(bytes[at + 2])});
        }
    }
    return samples;
}

// ---------------------------------------------------------------------------------------
// Clips

struct Clip {
    std::string file;
    double duration = 0;
    // The program rewinds when the position rounds to the same whole second as the duration.
    double rewindAt = 0;
    Samples first;     // frame 0
    Samples atRewind;  // the frame where the program rewinds
};

double probeDuration(const std::string& file) {
    const std::string text =
        shellOutput("ffprobe -v error -show_entries format=duration -of default=noprint_wrappers=1:nokey=1 " + shellQuote(file));
    return text.empty() ? NAN : std::strtod(text.c_str(), nullptr);
}

Clip describeClip(const std::string& file, int width, int height, const Grid& grid, const std::string& scratch) {
    Clip clip;
    clip.file = file;
    clip.duration = probeDuration(file);
    if (!(clip.duration > 0)) throw std::runtime_error("ffprobe cannot read the duration of " + file);
    clip.rewindAt = std::max(0.0, std::round(clip.duration) - 0.5);
    clip.first = referenceFrame(file, 0.0, width, height, grid, scratch);
    clip.atRewind = referenceFrame(file, std::min(clip.rewindAt, clip.duration - 0.05), width, height, grid, scratch);
    return clip;
}

// Cuts the first `seconds` of the sample clip, re-encoded as the sample is (H.264 + AAC).
std::string cutClip(const std::string& sample, double seconds, const std::string& out) {
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -i " + shellQuote(sample) + " -t " + fixed(seconds, 3) +
                                " -c:v libx264 -preset veryfast -crf 24 -pix_fmt yuv420p -g 60 -c:a aac -b:a 48k"
                                " -movflags +faststart -f mp4 " + shellQuote(out);
    if (shell(command) != 0) throw std::runtime_error("ffmpeg could not make " + out);
    return out;
}

// ---------------------------------------------------------------------------------------
// The screen

struct Update {
    double at = 0;        // when the server drew it (its timestamp, on our clock)
    double received = 0;  // when its event was read here
    int area = 0;
    bool probed = false;
    double vsFirst = NAN;     // mean difference of the probe grid to the clip's first frame
    double black = 0;         // share of black probe points
    double vsPrevious = NAN;  // mean difference to the previous probe (0: the same picture)
};

class Screen {
public:
    explicit Screen(XSession& x) : m_display(x.display()), m_root(x.root()) {
        width = x.screenWidth();
        height = x.screenHeight();
        grid = makeGrid(width, height);
        int error = 0;
        if (XDamageQueryExtension(m_display, &m_damageEvent, &error) == 0) throw std::runtime_error("the X server has no DAMAGE");
        int major = 0, minor = 0, opcode = 0;
        if (XTestQueryExtension(m_display, &opcode, &error, &major, &minor) == 0) throw std::runtime_error("the X server has no XTEST");
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        // A root of a colour the clip never has: what a program leaves behind when it ends is
        // painted over, so a stale picture can't pass for the next program's first frame.
        XSetWindowBackground(m_display, m_root, 0x00FF00);
        XClearWindow(m_display, m_root);
        XSetWindowAttributes attributes{};
        attributes.event_mask = PropertyChangeMask;
        m_clockWindow = XCreateWindow(m_display, m_root, 0, 0, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                      CWEventMask, &attributes);
        m_clockAtom = XInternAtom(m_display, "TESSIVA_BENCH_CLOCK", False);
        XSync(m_display, False);
        calibrate();
    }

    ~Screen() {
        watch(false);
        XDestroyWindow(m_display, m_clockWindow);
        XSync(m_display, False);
    }

    Display* display() const { return m_display; }
    Window root() const { return m_root; }

    // Maps the server's millisecond clock onto ours: the server stamps a PropertyNotify
    // somewhere between our request and the end of the round trip.
    void calibrate() {
        double best = 1e9;
        for (int i = 0; i < 9; ++i) {
            const long value = i;
            const double before = nowMs();
            XChangeProperty(m_display, m_clockWindow, m_clockAtom, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&value), 1);
            XSync(m_display, False);
            const double after = nowMs();
            XEvent event;
            if (XCheckTypedWindowEvent(m_display, m_clockWindow, PropertyNotify, &event) == 0) continue;
            if (after - before < best) {
                best = after - before;
                m_serverReference = static_cast<std::uint32_t>(event.xproperty.time);
                m_localReference = (before + after) / 2.0;
            }
        }
        clockUncertainty = best / 2.0 + 1.0;
    }

    double toLocal(unsigned long serverTime) const {
        const auto delta = static_cast<std::int32_t>(static_cast<std::uint32_t>(serverTime) - m_serverReference);
        return m_localReference + static_cast<double>(delta);
    }

    void watch(bool on) {
        if (on && m_damage == 0) {
            m_damage = XDamageCreate(m_display, m_root, XDamageReportRawRectangles);
            XSync(m_display, False);
        } else if (!on && m_damage != 0) {
            XDamageDestroy(m_display, m_damage);
            m_damage = 0;
            XSync(m_display, False);
            discardEvents();
        }
    }

    void setReference(const Samples* first) { m_first = first; }
    void setProbing(bool on) { m_probing = on; }

    void discardEvents() {
        XSync(m_display, False);
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
        }
    }

    // Forgets what was seen so far (the next probe has no predecessor either).
    void forget() {
        updates.clear();
        windowsGone.clear();
        m_previous.clear();
    }

    // Waits up to `timeoutMs` for X events, reads every one that has come, and probes the
    // screen after a batch that held a large update.
    void pumpOnce(double timeoutMs) {
        if (XPending(m_display) == 0) {
            pollfd fd = {ConnectionNumber(m_display), POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(std::ceil(std::max(0.0, timeoutMs)))) < 0 && errno != EINTR) {
                throw std::runtime_error("poll failed");
            }
        }
        readEvents();
    }

    // Pumps until `until` (our clock).
    void pumpUntil(double until) {
        while (nowMs() < until) pumpOnce(until - nowMs());
    }

    Samples probe() {
        Samples samples;
        samples.reserve(grid.xs.size() * grid.ys.size());
        for (const int y : grid.ys) {
            XImage* row = XGetImage(m_display, m_root, 0, y, static_cast<unsigned>(width), 1, AllPlanes, ZPixmap);
            for (const int x : grid.xs) {
                const unsigned long p = row != nullptr ? XGetPixel(row, x, 0) : 0;
                samples.push_back({static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)});
            }
            if (row != nullptr) XDestroyImage(row);
        }
        return samples;
    }

    int width = 0, height = 0;
    Grid grid;
    double clockUncertainty = 0;
    std::vector<Update> updates;      // large updates only: a quarter of the screen or more
    std::vector<double> windowsGone;  // when an unmap or destroy of a top-level was read

private:
    void readEvents() {
        const double received = nowMs();
        bool open = false;  // a drawing operation whose rectangles are still coming
        Update current;
        int left = 0, top = 0, right = 0, bottom = 0;
        bool large = false;
        auto finish = [&] {
            current.area = (right - left) * (bottom - top);
            if (current.area * 4 >= width * height) {
                updates.push_back(current);
                large = true;
            }
            open = false;
        };
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == m_damageEvent + XDamageNotify) {
                const auto* damage = reinterpret_cast<const XDamageNotifyEvent*>(&event);
                const XRectangle& r = damage->area;
                if (!open) {
                    current = Update{};
                    current.at = toLocal(damage->timestamp);
                    current.received = received;
                    left = r.x;
                    top = r.y;
                    right = r.x + r.width;
                    bottom = r.y + r.height;
                } else {
                    left = std::min<int>(left, r.x);
                    top = std::min<int>(top, r.y);
                    right = std::max<int>(right, r.x + r.width);
                    bottom = std::max<int>(bottom, r.y + r.height);
                }
                open = damage->more != 0;
                if (!open) finish();
            } else if (event.type == UnmapNotify || event.type == DestroyNotify) {
                windowsGone.push_back(received);
            }
        }
        if (open) finish();
        if (large && m_probing) {
            Samples now = probe();
            Update& last = updates.back();
            last.probed = true;
            if (m_first != nullptr) last.vsFirst = meanDifference(now, *m_first);
            last.black = blackShare(now);
            if (!m_previous.empty()) last.vsPrevious = meanDifference(now, m_previous);
            m_previous = std::move(now);
            if (g_debug) {
                note("update at " + fixed(last.at - g_started, 1) + " ms, read " + fixed(last.received - last.at, 1) +
                     " ms later, vs first " + fixed(last.vsFirst, 1) + ", vs previous " + fixed(last.vsPrevious, 1) +
                     ", black " + fixed(last.black, 2));
            }
        }
    }

    Display* m_display;
    Window m_root;
    Window m_clockWindow = 0;
    Atom m_clockAtom = 0;
    int m_damageEvent = 0;
    Damage m_damage = 0;
    std::uint32_t m_serverReference = 0;
    double m_localReference = 0;
    const Samples* m_first = nullptr;
    bool m_probing = true;
    Samples m_previous;
};

// A probe this close to the clip's first frame shows clip content, not a black or grey window.
constexpr double kShowsFirstFrame = 20.0;

// ---------------------------------------------------------------------------------------
// The program and the baselines

struct Settings {
    int runs = 3;
    int exitTries = 20;
    int xdotoolTries = 5;
    int cpuSeconds = 20;
    int warmUpMs = 3000;
    int soakSeconds = 600;
    int shortSeamRewinds = 5;
    int firstFrameRounds = 7;
};

// A copy of the program in a temporary folder of its own, with its own Tessiva.ini pointing
// at a folder that holds `clip` as vorn.evc.
std::unique_ptr<ProgramCopy> startProgram(const std::string& clip, double& startedAt, int sound = 1) {
    auto program = std::make_unique<ProgramCopy>();
    const std::string folder = program->folder() + "/clips/";
    fs::create_directories(folder);
    fs::copy_file(clip, folder + "vorn.evc");
    // sound=1: the sound track is decoded and played, into autoaudiosink's fallback fakesink
    // on a machine without a sound device; the baselines decode it into a null sink too.
    // sound=0 plays with no sound path at all.
    std::ofstream(program->folder() + "/Tessiva.ini") << "[config]\npath=" << folder << "\nsound=" << sound << "\n";
    startedAt = nowMs();
    const pid_t pid = program->start({"/S"});
    track(pid);
    return program;
}

// True once the program has ended (and then it is reaped).
bool ended(ProgramCopy& program) {
    const pid_t pid = program.pid();
    if (pid <= 0) return true;
    if (!program.waitForExit(std::chrono::milliseconds(0)).has_value()) return false;
    untrack(pid);
    return true;
}

void stopProgram(std::unique_ptr<ProgramCopy>& program) {
    if (!program) return;
    const pid_t pid = program->pid();
    program.reset();  // kills and reaps what still runs
    if (pid > 0) untrack(pid);
}

// Starts watching the screen afresh for a run of `clip`: the server's clock mapped again,
// probes compared with the clip's first frame, nothing left of earlier runs.
void watchForClip(Screen& screen, const Clip& clip) {
    screen.calibrate();
    screen.setReference(&clip.first);
    screen.setProbing(true);
    screen.watch(true);
    screen.discardEvents();
    screen.forget();
}

// Waits for the first update that shows the clip; false if none came in time or the
// program ended.
std::optional<Update> waitForFirstFrame(Screen& screen, const std::function<bool()>& gone, double timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    std::size_t seen = 0;
    while (nowMs() < deadline) {
        screen.pumpOnce(std::min(50.0, deadline - nowMs()));
        for (; seen < screen.updates.size(); ++seen) {
            const Update& u = screen.updates[seen];
            if (u.probed && u.vsFirst < kShowsFirstFrame) return u;
        }
        if (gone()) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Update> waitForFirstFrame(Screen& screen, ProgramCopy& program, double timeoutMs) {
    return waitForFirstFrame(screen, [&] { return ended(program); }, timeoutMs);
}

std::string stderrTail(const ProgramCopy& program) {
    std::string text = program.standardError();
    if (text.size() > 400) text = "..." + text.substr(text.size() - 400);
    return text;
}

// ---------------------------------------------------------------------------------------
// CPU, frames on screen and peak memory over 20 s of playback

enum class Player { Ours, Playbin, Mpv };

const char* playerName(Player p) {
    switch (p) {
    case Player::Ours: return "tessiva";
    case Player::Playbin: return "playbin";
    case Player::Mpv: return "mpv";
    }
    return "?";
}

struct CpuSample {
    bool ok = false;
    double cpu = NAN;      // seconds of CPU per 20 s of wall time
    double xserver = NAN;  // the X server's, in the same window
    double fps = NAN;      // large screen updates per second
    double peakMb = NAN;   // VmHWM at the end of the window
    double wakeups = NAN;  // the interface thread's voluntary context switches per second
    double privateDirtyMb = NAN;  // what the machine must keep for the process, at the end
    std::map<std::string, double> threads;  // CPU seconds per 20 s by thread name
    std::string error;
};

struct Baselines {
    std::string loopedSample;  // the sample three times over, for gst-launch (it can't loop)
    std::string logs;
};

// A baseline player on the whole screen, started as a user would; its output goes to `log`.
pid_t startBaseline(Player player, const Screen& screen, const Clip& sample, const Baselines& baselines,
                    const std::string& log) {
    const std::string w = std::to_string(screen.width), h = std::to_string(screen.height);
    if (player == Player::Playbin) {
        return spawn({"gst-launch-1.0", "-q", "playbin", "uri=file://" + baselines.loopedSample,
                      "video-sink=videoconvert ! videoscale add-borders=true ! capsfilter caps=video/x-raw,width=" + w +
                          ",height=" + h + ",pixel-aspect-ratio=1/1 ! ximagesink"},
                     log);
    }
    return spawn({"mpv", "--no-config", "--really-quiet", "--no-terminal", "--loop=inf", "--vo=x11", "--ao=null",
                  "--no-audio-display", "--hwdec=no", "--fs", "--osc=no", "--input-cursor=no", sample.file},
                 log);
}

// Exec to the first frame of the clip on the screen, for any player; NAN when none came.
double firstFrameRun(Screen& screen, Player player, const Clip& sample, const Baselines& baselines) {
    watchForClip(screen, sample);
    double startedAt = nowMs();
    double result = NAN;
    if (player == Player::Ours) {
        auto program = startProgram(sample.file, startedAt);
        if (const auto first = waitForFirstFrame(screen, *program, 10000)) result = first->at - startedAt;
        stopProgram(program);
    } else {
        const pid_t pid = startBaseline(player, screen, sample, baselines, baselines.logs + "/first-frame.log");
        if (const auto first = waitForFirstFrame(screen, [&] { return !running(pid); }, 10000)) result = first->at - startedAt;
        stop(pid);
    }
    screen.watch(false);
    return result;
}

CpuSample cpuRun(Screen& screen, Player player, const Clip& sample, const Baselines& baselines, pid_t xserver,
                 const Settings& settings, int sound = 1) {
    CpuSample result;
    screen.calibrate();
    screen.setProbing(false);
    screen.watch(true);
    screen.discardEvents();
    screen.forget();

    std::unique_ptr<ProgramCopy> ours;
    pid_t pid = -1;
    double startedAt = nowMs();
    const std::string log = baselines.logs + "/" + playerName(player) + ".log";
    if (player == Player::Ours) {
        ours = startProgram(sample.file, startedAt, sound);
        pid = ours->pid();
    } else {
        pid = startBaseline(player, screen, sample, baselines, log);
    }
    auto alive = [&] { return ours ? !ended(*ours) : running(pid); };
    auto finish = [&] {
        if (ours) {
            stopProgram(ours);
        } else {
            stop(pid);
        }
        screen.watch(false);
    };

    screen.pumpUntil(startedAt + settings.warmUpMs);
    if (pid <= 0 || !alive()) {
        result.error = std::string(playerName(player)) + " ended during the warm-up" +
                       (ours ? ": " + stderrTail(*ours) : ": see " + log);
        finish();
        return result;
    }
    const auto ticks0 = cpuTicks(pid);
    const auto threads0 = threadTicks(pid);
    const auto switches0 = statusValue(pid, "voluntary_ctxt_switches");
    const auto xs0 = xserver > 0 ? cpuTicks(xserver) : std::nullopt;
    const double t0 = nowMs();
    const std::size_t from = screen.updates.size();
    screen.pumpUntil(t0 + settings.cpuSeconds * 1000.0);
    const auto ticks1 = cpuTicks(pid);
    const auto threads1 = threadTicks(pid);
    const auto switches1 = statusValue(pid, "voluntary_ctxt_switches");
    const auto xs1 = xserver > 0 ? cpuTicks(xserver) : std::nullopt;
    const double t1 = nowMs();
    const auto peak = statusValue(pid, "VmHWM");
    const auto privateDirty = statusValue(pid, "Private_Dirty", "smaps_rollup");
    const bool stillRunning = alive();
    std::size_t frames = 0;
    for (std::size_t i = from; i < screen.updates.size(); ++i) frames += screen.updates[i].at >= t0 && screen.updates[i].at < t1;
    finish();

    if (!ticks0 || !ticks1 || !stillRunning) {
        result.error = std::string(playerName(player)) + " ended during the measurement";
        return result;
    }
    // Normalised to exactly the nominal window, as the sleep may overshoot a little.
    const double scale = settings.cpuSeconds * 1000.0 / (t1 - t0);
    result.cpu = ticksToSeconds(*ticks1 - *ticks0) * scale * (20.0 / settings.cpuSeconds);
    if (xs0 && xs1) result.xserver = ticksToSeconds(*xs1 - *xs0) * scale * (20.0 / settings.cpuSeconds);
    result.fps = static_cast<double>(frames) / ((t1 - t0) / 1000.0);
    if (peak) result.peakMb = static_cast<double>(*peak) / 1024.0;
    if (privateDirty) result.privateDirtyMb = static_cast<double>(*privateDirty) / 1024.0;
    // The process's status speaks for its first thread, the interface thread.
    if (switches0 && switches1) result.wakeups = static_cast<double>(*switches1 - *switches0) / ((t1 - t0) / 1000.0);
    double named = 0;
    for (const auto& [tid, now] : threads1) {
        const auto before = threads0.find(tid);
        const long long spent = now.second - (before != threads0.end() ? before->second.second : 0);
        const double seconds = ticksToSeconds(spent) * scale * (20.0 / settings.cpuSeconds);
        result.threads[now.first] += seconds;
        named += seconds;
    }
    // Threads that ended within the window still count in the process's total.
    if (result.cpu - named > 0.005) result.threads["(ended threads)"] = result.cpu - named;
    result.ok = true;
    return result;
}

// ---------------------------------------------------------------------------------------
// Exit latency (and the time to the first frame, seen on the way)

enum class Input { Move, Key, Click };
enum class Injector { XTest, Xdotool };

const char* inputName(Input i) {
    switch (i) {
    case Input::Move: return "mouse move 5,5";
    case Input::Key: return "key a";
    case Input::Click: return "click 1";
    }
    return "?";
}

struct ExitSample {
    bool ok = false;
    double firstFrame = NAN;  // exec to the first update showing the clip
    double latency = NAN;     // XTest: request written -> waitpid; xdotool: spawn -> waitpid
    double afterSync = NAN;   // XTest: XSync returned (the server has the input) -> waitpid
    double afterTool = NAN;   // xdotool: xdotool exited -> waitpid (negative: the program went first)
    double tool = NAN;        // xdotool: spawn -> its exit
    double windowGone = NAN;  // input -> the server reported its window unmapped or destroyed
    std::string error;
};

void inject(Display* display, Input input) {
    switch (input) {
    case Input::Move: XTestFakeRelativeMotionEvent(display, 5, 5, CurrentTime); break;
    case Input::Key: {
        const KeyCode a = XKeysymToKeycode(display, XK_a);
        XTestFakeKeyEvent(display, a, True, CurrentTime);
        XTestFakeKeyEvent(display, a, False, CurrentTime);
        break;
    }
    case Input::Click:
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        break;
    }
    XFlush(display);
}

std::vector<std::string> xdotoolCommand(Input input) {
    switch (input) {
    case Input::Move: return {"xdotool", "mousemove_relative", "5", "5"};
    case Input::Key: return {"xdotool", "key", "a"};
    case Input::Click: return {"xdotool", "click", "1"};
    }
    return {};
}

ExitSample exitTry(Screen& screen, XSession& x, const Clip& sample, Input input, Injector injector, double settleMs,
                   const std::string& logs) {
    ExitSample result;
    Display* d = screen.display();
    // The pointer rests mid-screen before the program starts, so the relative move is a move.
    XWarpPointer(d, None, screen.root(), 0, 0, 0, 0, screen.width / 2, screen.height / 2);
    watchForClip(screen, sample);

    double startedAt = 0;
    auto program = startProgram(sample.file, startedAt);
    const pid_t pid = program->pid();
    const auto first = waitForFirstFrame(screen, *program, 10000);
    if (!first) {
        result.error = "no clip picture within 10 s: " + stderrTail(*program);
        stopProgram(program);
        screen.watch(false);
        return result;
    }
    result.firstFrame = first->at - startedAt;
    if (x.viewableWindowsOf(pid).empty()) {
        result.error = "the first frame is up but the program has no viewable window";
        stopProgram(program);
        screen.watch(false);
        return result;
    }
    // Playing for a while, and the input lands at a random phase of its loop.
    screen.pumpUntil(first->received + settleMs);
    screen.setProbing(false);
    screen.windowsGone.clear();

    const int pidfd = pidfdOpen(pid);
    if (pidfd < 0) {
        result.error = std::string("pidfd_open failed: ") + std::strerror(errno);
        stopProgram(program);
        screen.watch(false);
        return result;
    }
    // The program's end, xdotool's end and the X connection are watched together, so that
    // neither waits on the other.
    double inputAt = 0;
    double syncedAt = NAN;
    pid_t tool = -1;
    int toolfd = -1;
    if (injector == Injector::XTest) {
        inputAt = nowMs();
        inject(d, input);
        XSync(d, False);
        syncedAt = nowMs();
    } else {
        inputAt = nowMs();
        tool = spawn(xdotoolCommand(input), logs + "/xdotool.log");
        toolfd = tool > 0 ? pidfdOpen(tool) : -1;
    }
    double toolDone = NAN;
    // `at`: when its pidfd said it had ended; without it, the time it is reaped now.
    auto reapTool = [&](std::optional<double> at) {
        if (tool <= 0) return;
        waitpid(tool, nullptr, 0);
        untrack(tool);
        if (toolfd >= 0) close(toolfd);
        toolDone = at ? *at : nowMs();
        tool = -1;
        toolfd = -1;
    };
    bool gone = false;
    const double deadline = nowMs() + 3000;
    while (!gone && nowMs() < deadline) {
        pollfd fds[3] = {{pidfd, POLLIN, 0}, {toolfd, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
        const int ready = poll(fds, 3, static_cast<int>(std::ceil(std::max(0.0, deadline - nowMs()))));
        const double seen = nowMs();
        if (ready < 0 && errno != EINTR) break;
        if ((fds[1].revents & POLLIN) != 0) reapTool(seen);
        if ((fds[0].revents & POLLIN) != 0) gone = true;
        if ((fds[2].revents & POLLIN) != 0) screen.pumpOnce(0);
    }
    close(pidfd);
    // "Gone" is when waitpid returns: the pidfd has said the process has ended, so it
    // returns at once.
    const auto status = program->waitForExit(std::chrono::milliseconds(gone ? 0 : 100));
    const double reapedAt = nowMs();
    reapTool(std::nullopt);  // still running: the program went first, and the difference is negative
    if (!status) {
        result.error = std::string("still running 3 s after ") + inputName(input);
        stopProgram(program);
        screen.watch(false);
        return result;
    }
    untrack(pid);
    // The server notices the closed connection a little later; give it a moment to say so.
    const double windowDeadline = nowMs() + 100;
    while (screen.windowsGone.empty() && nowMs() < windowDeadline) screen.pumpOnce(windowDeadline - nowMs());
    if (!screen.windowsGone.empty()) result.windowGone = screen.windowsGone.front() - inputAt;
    result.latency = reapedAt - inputAt;
    if (injector == Injector::XTest) {
        result.afterSync = reapedAt - syncedAt;
    } else {
        result.tool = toolDone - inputAt;
        result.afterTool = reapedAt - toolDone;
    }
    if (*status != 0) result.error = "exit status " + std::to_string(*status);
    result.ok = *status == 0;
    program.reset();
    screen.watch(false);
    return result;
}

// ---------------------------------------------------------------------------------------
// The seam at each rewind

struct Seam {
    double gap = NAN;        // between the last update before the rewind and the first after
    double longestGap = NAN; // the longest gap between updates within 0.5 s either side
    double frozen = NAN;     // the longest time without a new picture within 0.5 s either side
    int blackProbes = 0;     // probes within 0.5 s either side that found the probe grid black
    int probes = 0;
};

struct SeamRun {
    std::vector<Seam> seams;
    std::vector<double> steadyGaps;  // gaps between updates away from the seams
    double firstFrame = NAN;
    int blackProbes = 0, probes = 0;
    std::string error;
};

SeamRun seamRun(Screen& screen, const Clip& clip, int rewinds) {
    SeamRun run;
    watchForClip(screen, clip);
    double startedAt = 0;
    auto program = startProgram(clip.file, startedAt);
    const auto first = waitForFirstFrame(screen, *program, 10000);
    if (!first) {
        run.error = "no clip picture within 10 s: " + stderrTail(*program);
        stopProgram(program);
        screen.watch(false);
        return run;
    }
    run.firstFrame = first->at - startedAt;

    // A rewind is a sudden return to the first frame: the probe's distance to it drops by
    // more than half the distance between the rewind frame and the first frame.
    const double drop = meanDifference(clip.first, clip.atRewind) / 2.0;
    std::vector<std::size_t> seamAt;
    const double deadline = first->at + rewinds * (clip.rewindAt * 1000.0 + 3000.0) + 3000.0;
    double lastSeam = first->at;
    std::size_t scanned = 0;
    double stopAt = deadline;
    std::optional<double> previousProbe;  // the last probe's distance to the first frame
    while (nowMs() < std::min(deadline, stopAt)) {
        screen.pumpOnce(std::min(50.0, std::min(deadline, stopAt) - nowMs()));
        for (; scanned < screen.updates.size(); ++scanned) {
            const Update& u = screen.updates[scanned];
            if (!u.probed || u.at < first->at) continue;
            if (previousProbe && *previousProbe - u.vsFirst > drop && u.vsFirst < kShowsFirstFrame && u.at - lastSeam > 500) {
                seamAt.push_back(scanned);
                lastSeam = u.at;
                if (static_cast<int>(seamAt.size()) == rewinds) stopAt = nowMs() + 1000;
            }
            previousProbe = u.vsFirst;
        }
        if (ended(*program)) {
            run.error = "the program ended while looping: " + stderrTail(*program);
            break;
        }
    }
    stopProgram(program);
    screen.watch(false);

    const auto& u = screen.updates;
    std::vector<bool> nearSeam(u.size(), false);
    for (const std::size_t s : seamAt) {
        Seam seam;
        const double at = u[s].at;
        if (s > 0) seam.gap = at - u[s - 1].at;
        double longest = 0, frozen = 0, lastNew = NAN;
        for (std::size_t i = 0; i < u.size(); ++i) {
            if (u[i].at < at - 500 || u[i].at > at + 500) continue;
            nearSeam[i] = true;
            if (i > 0 && u[i - 1].at >= at - 500) longest = std::max(longest, u[i].at - u[i - 1].at);
            if (u[i].probed) {
                ++seam.probes;
                if (u[i].black > 0.5) ++seam.blackProbes;
                if (!(u[i].vsPrevious < 0.05)) {  // a new picture (or the first probe)
                    if (!std::isnan(lastNew)) frozen = std::max(frozen, u[i].at - lastNew);
                    lastNew = u[i].at;
                }
            }
        }
        seam.longestGap = longest;
        seam.frozen = frozen;
        run.seams.push_back(seam);
    }
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (u[i].at < first->at) continue;
        if (u[i].probed) {
            ++run.probes;
            if (u[i].black > 0.5) ++run.blackProbes;
        }
        if (i > 0 && u[i - 1].at >= first->at && !nearSeam[i] && !nearSeam[i - 1]) run.steadyGaps.push_back(u[i].at - u[i - 1].at);
    }
    if (run.error.empty() && static_cast<int>(seamAt.size()) < rewinds) {
        run.error = "saw " + std::to_string(seamAt.size()) + " of " + std::to_string(rewinds) + " rewinds";
    }
    return run;
}

// ---------------------------------------------------------------------------------------
// Memory over a long loop of a very short clip

struct Soak {
    bool ok = false;
    double earlyAt = 0, lateAt = 0;           // seconds after the start
    double rssEarlyMb = NAN, rssLateMb = NAN;  // single readings at those moments
    // RSS steps up and down by a frame-sized block as buffers come and go, so two single
    // readings can land on different steps: medians of the readings (one a second) over
    // 20 s around the early mark and over the last 20 s, and a least-squares slope of all
    // readings after the early mark, say whether it grows.
    double medianEarlyMb = NAN, medianLateMb = NAN;
    double minMb = NAN, maxMb = NAN;  // after the early mark
    double slopeMbPer10Min = NAN;
    double peakMb = NAN;
    double cpuPer20s = NAN;  // over the whole loop after the early mark
    int threadsEarly = 0, threadsLate = 0, filesEarly = 0, filesLate = 0;
    double updatesPerSecond = NAN;
    std::string error;
};

double rssMb(pid_t pid) { return static_cast<double>(statusValue(pid, "VmRSS").value_or(0)) / 1024.0; }

Soak soak(Screen& screen, const Clip& clip, int seconds) {
    Soak result;
    watchForClip(screen, clip);
    double startedAt = 0;
    auto program = startProgram(clip.file, startedAt);
    const pid_t pid = program->pid();
    const auto first = waitForFirstFrame(screen, *program, 10000);
    if (!first) {
        result.error = "no clip picture within 10 s: " + stderrTail(*program);
        stopProgram(program);
        screen.watch(false);
        return result;
    }
    screen.setProbing(false);
    result.earlyAt = std::min(60.0, seconds / 2.0);
    result.lateAt = seconds;
    std::vector<std::pair<double, double>> readings;  // (seconds after the start, MB)
    std::optional<long long> ticksEarly;
    double ticksEarlyAt = 0;
    std::size_t counted = 0;
    const double countFrom = nowMs();
    for (int s = 1; s <= seconds; ++s) {
        const double mark = startedAt + s * 1000.0;
        screen.pumpUntil(mark);
        // Counted, not kept: ten minutes of updates would only cost memory here.
        counted += screen.updates.size();
        screen.updates.clear();
        if (ended(*program)) {
            result.error = "the program ended after " + std::to_string(s) + " s: " + stderrTail(*program);
            screen.watch(false);
            return result;
        }
        const double rss = rssMb(pid);
        readings.emplace_back(s, rss);
        if (s == static_cast<int>(result.earlyAt)) {
            result.rssEarlyMb = rss;
            result.threadsEarly = static_cast<int>(statusValue(pid, "Threads").value_or(0));
            result.filesEarly = openFiles(pid);
            ticksEarly = cpuTicks(pid);
            ticksEarlyAt = nowMs();
        }
        if (s % 60 == 0 || s == seconds) {
            note("soak " + std::to_string(s) + " s: VmRSS " + fixed(rss, 1) + " MB, threads " +
                 std::to_string(statusValue(pid, "Threads").value_or(0)) + ", open files " + std::to_string(openFiles(pid)));
        }
    }
    const double countTo = nowMs();
    result.rssLateMb = readings.back().second;
    result.peakMb = static_cast<double>(statusValue(pid, "VmHWM").value_or(0)) / 1024.0;
    result.threadsLate = static_cast<int>(statusValue(pid, "Threads").value_or(0));
    result.filesLate = openFiles(pid);
    const auto ticksLate = cpuTicks(pid);
    if (ticksEarly && ticksLate && countTo > ticksEarlyAt) {
        result.cpuPer20s = ticksToSeconds(*ticksLate - *ticksEarly) * 20000.0 / (countTo - ticksEarlyAt);
    }
    result.updatesPerSecond = static_cast<double>(counted) / ((countTo - countFrom) / 1000.0);
    stopProgram(program);
    screen.watch(false);

    std::vector<double> early, late, after;
    double n = 0, st = 0, sr = 0, stt = 0, str = 0;
    for (const auto& [t, rss] : readings) {
        if (std::abs(t - result.earlyAt) <= 10) early.push_back(rss);
        if (t > result.lateAt - 20) late.push_back(rss);
        if (t < result.earlyAt) continue;
        after.push_back(rss);
        n += 1;
        st += t;
        sr += rss;
        stt += t * t;
        str += t * rss;
    }
    result.medianEarlyMb = median(early);
    result.medianLateMb = median(late);
    if (!after.empty()) {
        result.minMb = *std::min_element(after.begin(), after.end());
        result.maxMb = *std::max_element(after.begin(), after.end());
    }
    if (n > 2 && n * stt - st * st > 0) result.slopeMbPer10Min = (n * str - st * sr) / (n * stt - st * st) * 600.0;
    result.ok = result.rssEarlyMb > 0 && result.rssLateMb > 0;
    return result;
}

// ---------------------------------------------------------------------------------------
// The table

struct Row {
    std::string figure, ours, playbin, mpv, ratio, target, verdict;
};

void printTable(const std::vector<Row>& rows) {
    std::printf("| Figure | Tessiva | playbin | mpv | Ratio | Target | Within target |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const auto& r : rows) {
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", r.figure.c_str(), r.ours.c_str(), r.playbin.c_str(),
                    r.mpv.c_str(), r.ratio.c_str(), r.target.c_str(), r.verdict.c_str());
    }
}

std::string verdict(bool known, bool met) { return !known ? "n/a" : met ? "yes" : "NO"; }

std::string toolVersion(const std::string& command) {
    const std::string text = shellOutput(command + " 2>/dev/null | head -n1");
    return text.empty() ? "missing" : text;
}

// What a thread costs here that does nothing but wait 10 ms at a time, as the playback loop's
// yield at most does: CPU seconds per 20 s, over 5 s. The interface thread can't go below it.
double idleLoopFloor() {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return NAN;
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    const double began = nowMs();
    while (nowMs() - began < 5000) {
        pollfd idle{pipeEnds[0], POLLIN, 0};
        poll(&idle, 1, 10);
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    const double wall = (nowMs() - began) / 1000.0;
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    const double used = static_cast<double>(end.tv_sec - start.tv_sec) + static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    return used * 20.0 / wall;
}

int run(int argc, char** argv) {
    std::string binary = TESSIVA_BINARY;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--debug") g_debug = true;
        else if (a == "--help" || a == "-h") {
            std::printf(
                "tessiva_bench: measures the program (%s) against gst-launch-1.0 playbin and mpv on the\n"
                "current X display; run it through scripts/bench.sh. Environment: BENCH_RUNS (5),\n"
                "BENCH_EXIT_TRIES (20), BENCH_XDOTOOL_TRIES (5), BENCH_SOAK_SECONDS (600), BENCH_CPU_SECONDS (20),\n"
                "BENCH_SHORT_SEAM_REWINDS (5), BENCH_KEEP=1 keeps the scratch folder.\n",
                binary.c_str());
            return 0;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    if (const char* debug = std::getenv("BENCH_DEBUG"); debug != nullptr && *debug != '\0' && *debug != '0') g_debug = true;
    // BENCH_ONLY=cpu,first,exit,seam,soak runs some parts only (the others print n/a).
    const std::string only = std::getenv("BENCH_ONLY") != nullptr ? std::getenv("BENCH_ONLY") : "";
    auto wants = [&](const std::string& part) { return only.empty() || ("," + only + ",").find("," + part + ",") != std::string::npos; };
    Settings settings;
    settings.runs = envInt("BENCH_RUNS", 5, 1);
    if (settings.runs < 3) note("BENCH_RUNS below 3: the medians are of too few runs to trust");
    settings.exitTries = envInt("BENCH_EXIT_TRIES", 20, 1);
    settings.xdotoolTries = envInt("BENCH_XDOTOOL_TRIES", 5, 0);
    settings.cpuSeconds = envInt("BENCH_CPU_SECONDS", 20, 5);
    settings.soakSeconds = envInt("BENCH_SOAK_SECONDS", 600, 20);
    settings.shortSeamRewinds = envInt("BENCH_SHORT_SEAM_REWINDS", 5, 1);
    settings.firstFrameRounds = envInt("BENCH_FIRST_FRAME_ROUNDS", 7, 1);
    if (!fs::exists(binary)) throw std::runtime_error("the program is not built: " + binary);

    signal(SIGINT, onInterrupt);
    signal(SIGTERM, onInterrupt);
    signal(SIGHUP, onInterrupt);

    char pattern[] = "/tmp/tessiva-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    const std::string scratch = pattern;
    struct Cleanup {
        std::string folder;
        ~Cleanup() {
            if (std::getenv("BENCH_KEEP") == nullptr) {
                std::error_code ignored;
                fs::remove_all(folder, ignored);
            }
        }
    } cleanup{scratch};

    XSession x;
    Screen screen(x);
    const pid_t xserver = findXServer();
    note("screen " + std::to_string(screen.width) + "x" + std::to_string(screen.height) + ", server clock mapped within " +
         fixed(screen.clockUncertainty, 1) + " ms, X server pid " + std::to_string(xserver));

    // The clips, made now with ffmpeg.
    const std::string sampleFile = scratch + "/vorn.mp4";
    fs::copy_file(std::string(TESSIVA_ASSETS_DIR) + "/vorn.evc", sampleFile);
    note("making clips in " + scratch);
    const std::string shortFile = cutClip(sampleFile, 0.4, scratch + "/short-0.4s.mp4");
    const std::string seamFile = cutClip(sampleFile, 2.0, scratch + "/seam-2s.mp4");
    Baselines baselines;
    baselines.logs = scratch;
    baselines.loopedSample = scratch + "/vorn-3x.mp4";
    if (shell("ffmpeg -hide_banner -loglevel error -y -stream_loop 2 -i " + shellQuote(sampleFile) + " -c copy -f mp4 " +
              shellQuote(baselines.loopedSample)) != 0) {
        throw std::runtime_error("ffmpeg could not loop the sample clip");
    }
    const Clip sample = describeClip(sampleFile, screen.width, screen.height, screen.grid, scratch);
    const Clip shortClip = describeClip(shortFile, screen.width, screen.height, screen.grid, scratch);
    const Clip seamClip = describeClip(seamFile, screen.width, screen.height, screen.grid, scratch);
    note("sample " + fixed(sample.duration, 2) + " s (rewinds at " + fixed(sample.rewindAt, 1) + " s), short " +
         fixed(shortClip.duration, 2) + " s, seam clip " + fixed(seamClip.duration, 2) + " s, looped sample " +
         fixed(probeDuration(baselines.loopedSample), 2) + " s");

    // 1. CPU: rounds of the three players, each round in a different order.
    std::vector<std::vector<CpuSample>> cpu(3);
    std::vector<CpuSample> shortCpu, silentCpu;
    const std::array<Player, 3> players{Player::Ours, Player::Playbin, Player::Mpv};
    for (int round = 0; round < settings.runs && wants("cpu"); ++round) {
        for (int k = 0; k < 3; ++k) {
            const Player p = players[static_cast<std::size_t>((k + round) % 3)];
            CpuSample s = cpuRun(screen, p, sample, baselines, xserver, settings);
            note(std::string("cpu round ") + std::to_string(round + 1) + " " + playerName(p) + ": " +
                 (s.ok ? fixed(s.cpu, 2) + " s CPU, X server " + fixed(s.xserver, 2) + " s, " + fixed(s.fps, 1) +
                             " updates/s, peak RSS " + fixed(s.peakMb, 1) + " MB"
                       : "FAILED: " + s.error));
            cpu[static_cast<std::size_t>(p)].push_back(s);
        }
        // The clip so short that every pass rewinds, against the sample's rounds.
        CpuSample s = cpuRun(screen, Player::Ours, shortClip, baselines, xserver, settings);
        note(std::string("cpu round ") + std::to_string(round + 1) + " tessiva, 0.4 s clip: " +
             (s.ok ? fixed(s.cpu, 2) + " s CPU" : "FAILED: " + s.error));
        shortCpu.push_back(s);
        // The same sample with sound=0, which plays with no sound path.
        s = cpuRun(screen, Player::Ours, sample, baselines, xserver, settings, 0);
        note(std::string("cpu round ") + std::to_string(round + 1) + " tessiva, sound=0: " +
             (s.ok ? fixed(s.cpu, 2) + " s CPU" : "FAILED: " + s.error));
        silentCpu.push_back(s);
    }

    // 1b. The first frame, from exec, for all three players the same way: rounds in turn.
    std::vector<std::vector<double>> startFrames(3);
    for (int round = 0; round < settings.firstFrameRounds && wants("first"); ++round) {
        for (int k = 0; k < 3; ++k) {
            const Player p = players[static_cast<std::size_t>((k + round) % 3)];
            const double ms = firstFrameRun(screen, p, sample, baselines);
            if (g_debug) note(std::string("first frame ") + playerName(p) + ": " + fixed(ms, 1) + " ms");
            if (!std::isnan(ms)) startFrames[static_cast<std::size_t>(p)].push_back(ms);
        }
    }
    if (wants("first")) note("first frames done");

    // 2. Exit latency, by XTest and (fewer) by xdotool; each try also gives a first-frame time.
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> settle(300.0, 700.0);
    const std::array<Input, 3> inputs{Input::Move, Input::Key, Input::Click};
    std::vector<std::vector<ExitSample>> byXTest(3), byXdotool(3), withBus(3);
    std::vector<double> firstFrames;
    std::vector<std::string> failures;
    auto exitTries = [&](int tries, std::vector<std::vector<ExitSample>>& into, const std::string& label) {
        for (int t = 0; t < tries; ++t) {
            for (const Input input : inputs) {
                ExitSample s = exitTry(screen, x, sample, input, Injector::XTest, settle(random), scratch);
                if (!std::isnan(s.firstFrame)) firstFrames.push_back(s.firstFrame);
                if (!s.ok) failures.push_back(label + inputName(input) + ": " + s.error);
                if (g_debug || !s.ok) {
                    note("exit " + label + inputName(input) + " try " + std::to_string(t + 1) + ": " +
                         (s.ok ? fixed(s.latency, 1) + " ms" : "FAILED: " + s.error));
                }
                into[static_cast<std::size_t>(input)].push_back(s);
            }
        }
    };
    // No session bus named, as in an X session started by hand; then one running, as on a
    // desktop. The program starts none of its own either way.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (wants("exit")) exitTries(settings.exitTries, byXTest, "XTest ");
    if (wants("exit")) {
        const std::string socket = scratch + "/session-bus";
        const pid_t bus = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + socket},
                                scratch + "/dbus-daemon.log");
        for (int i = 0; i < 100 && !fs::exists(socket); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (bus > 0 && fs::exists(socket)) {
            setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + socket).c_str(), 1);
            exitTries(std::max(5, settings.exitTries / 2), withBus, "XTest, session bus running, ");
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        } else {
            failures.push_back("no session bus could be started: " + readFile(scratch + "/dbus-daemon.log"));
        }
        if (bus > 0) stop(bus);
    }
    note("exit latency by XTest done");
    for (int t = 0; t < settings.xdotoolTries && wants("exit"); ++t) {
        for (const Input input : inputs) {
            ExitSample s = exitTry(screen, x, sample, input, Injector::Xdotool, settle(random), scratch);
            if (!std::isnan(s.firstFrame)) firstFrames.push_back(s.firstFrame);
            if (!s.ok) failures.push_back(std::string("xdotool ") + inputName(input) + ": " + s.error);
            byXdotool[static_cast<std::size_t>(input)].push_back(s);
        }
    }
    note("exit latency by xdotool done");

    // 3. Seams: the sample clip (one rewind a run) and a 2 s cut (several a run).
    std::vector<SeamRun> sampleSeams, shortSeams;
    for (int r = 0; r < settings.runs && wants("seam"); ++r) {
        sampleSeams.push_back(seamRun(screen, sample, 1));
        const SeamRun& s = sampleSeams.back();
        if (!std::isnan(s.firstFrame)) firstFrames.push_back(s.firstFrame);
        note("seam run " + std::to_string(r + 1) + " (sample clip): " +
             (s.seams.empty() ? "no seam: " + s.error
                              : "gap " + fixed(s.seams.front().gap, 1) + " ms, longest around " +
                                    fixed(s.seams.front().longestGap, 1) + " ms, frozen " + fixed(s.seams.front().frozen, 1) +
                                    " ms, black probes " + std::to_string(s.seams.front().blackProbes)));
    }
    for (int r = 0; r < settings.runs && wants("seam"); ++r) {
        shortSeams.push_back(seamRun(screen, seamClip, settings.shortSeamRewinds));
        const SeamRun& s = shortSeams.back();
        if (!std::isnan(s.firstFrame)) firstFrames.push_back(s.firstFrame);
        std::vector<double> gaps;
        for (const auto& seam : s.seams) gaps.push_back(seam.gap);
        note("seam run " + std::to_string(r + 1) + " (2 s clip): gaps " + joined(gaps, 1) + " ms" +
             (s.error.empty() ? "" : " (" + s.error + ")"));
    }

    // 4. Memory.
    Soak memory;
    if (wants("soak")) {
        note("soak: " + std::to_string(settings.soakSeconds) + " s of the 0.4 s clip");
        memory = soak(screen, shortClip, settings.soakSeconds);
        if (!memory.ok) failures.push_back("soak: " + memory.error);
    }

    // ---- Summaries ----
    auto cpuOf = [&](Player p, double CpuSample::*field) {
        std::vector<double> v;
        for (const auto& s : cpu[static_cast<std::size_t>(p)]) {
            if (s.ok) v.push_back(s.*field);
        }
        return v;
    };
    for (const Player p : players) {
        for (const auto& s : cpu[static_cast<std::size_t>(p)]) {
            if (!s.ok) failures.push_back(std::string("cpu ") + playerName(p) + ": " + s.error);
        }
    }
    const double cpuOurs = median(cpuOf(Player::Ours, &CpuSample::cpu));
    const double cpuPlaybin = median(cpuOf(Player::Playbin, &CpuSample::cpu));
    const double cpuMpv = median(cpuOf(Player::Mpv, &CpuSample::cpu));
    // Per-round ratios too: a round's three runs are close together in time.
    std::vector<double> roundRatios;
    for (std::size_t r = 0; r < std::min(cpu[0].size(), cpu[1].size()); ++r) {
        const auto& o = cpu[0][r];
        const auto& b = cpu[1][r];
        if (o.ok && b.ok && b.cpu > 0) roundRatios.push_back(o.cpu / b.cpu);
    }
    const double cpuRatio = cpuOurs / cpuPlaybin;

    std::vector<Row> rows;
    const std::string n = std::to_string(settings.runs);
    double exitWorst = 0, seamWorst = 0;
    bool everBlack = false;
    const double rssRatio =
        median(cpuOf(Player::Ours, &CpuSample::peakMb)) / median(cpuOf(Player::Playbin, &CpuSample::peakMb));
    rows.push_back({"CPU s per 20 s of playback (sample clip, median of " + n + ")", fixed(cpuOurs, 2), fixed(cpuPlaybin, 2),
                    fixed(cpuMpv, 2), fixed(cpuRatio, 3) + " (per round: " + joined(roundRatios, 3) + "); vs mpv " + fixed(cpuOurs / cpuMpv, 3),
                    "<= 1.00 x playbin", verdict(std::isfinite(cpuRatio), cpuRatio <= 1.00)});
    const double cpuSilent = median([&] {
        std::vector<double> v;
        for (const auto& s : silentCpu) {
            if (s.ok) v.push_back(s.cpu);
        }
        return v;
    }());
    rows.push_back({"CPU s per 20 s, tessiva with sound=0 beside sound=1 (median of " + n + ")",
                    fixed(cpuSilent, 2) + " / " + fixed(cpuOurs, 2), "", "", fixed(cpuSilent / cpuOurs, 3) + " x sound=1",
                    "sound=0 <= sound=1", verdict(std::isfinite(cpuSilent) && std::isfinite(cpuOurs), cpuSilent <= cpuOurs)});
    rows.push_back({"X server CPU s in the same 20 s (not a target)", fixed(median(cpuOf(Player::Ours, &CpuSample::xserver)), 2),
                    fixed(median(cpuOf(Player::Playbin, &CpuSample::xserver)), 2),
                    fixed(median(cpuOf(Player::Mpv, &CpuSample::xserver)), 2), "", "", ""});
    rows.push_back({"Screen updates per s in the same 20 s (not a target)", fixed(median(cpuOf(Player::Ours, &CpuSample::fps)), 1),
                    fixed(median(cpuOf(Player::Playbin, &CpuSample::fps)), 1), fixed(median(cpuOf(Player::Mpv, &CpuSample::fps)), 1),
                    "", "", ""});

    for (const Input input : inputs) {
        std::vector<double> latency, afterSync, gone;
        for (const auto& s : byXTest[static_cast<std::size_t>(input)]) {
            if (!s.ok) continue;
            latency.push_back(s.latency);
            afterSync.push_back(s.afterSync);
            if (!std::isnan(s.windowGone)) gone.push_back(s.windowGone);
        }
        const double med = median(latency), top = worst(latency);
        rows.push_back({std::string("Exit latency, ") + inputName(input) + " by XTest, ms: median / worst (" +
                            std::to_string(latency.size()) + " of " + std::to_string(settings.exitTries) + " tries)",
                        fixed(med, 1) + " / " + fixed(top, 1), "", "", "after XSync: " + fixed(median(afterSync), 1) + " / " +
                            fixed(worst(afterSync), 1) + "; window gone: " + fixed(median(gone), 1),
                        "worst <= 20", verdict(!latency.empty(), top <= 20 && latency.size() == byXTest[static_cast<std::size_t>(input)].size())});
        exitWorst = std::max(exitWorst, latency.empty() ? INFINITY : top);
    }
    double busExitWorst = 0;
    for (const Input input : inputs) {
        std::vector<double> latency;
        for (const auto& s : withBus[static_cast<std::size_t>(input)]) {
            if (s.ok) latency.push_back(s.latency);
        }
        const double top = worst(latency);
        rows.push_back({std::string("Exit latency, ") + inputName(input) + " by XTest with a session bus running, ms: median / worst (" +
                            std::to_string(latency.size()) + " of " + std::to_string(withBus[static_cast<std::size_t>(input)].size()) +
                            " tries)",
                        fixed(median(latency), 1) + " / " + fixed(top, 1), "", "", "", "worst <= 20",
                        verdict(!latency.empty(), top <= 20 && latency.size() == withBus[static_cast<std::size_t>(input)].size())});
        busExitWorst = std::max(busExitWorst, latency.empty() ? INFINITY : top);
    }
    for (const Input input : inputs) {
        std::vector<double> fromSpawn, fromReturn, tool;
        for (const auto& s : byXdotool[static_cast<std::size_t>(input)]) {
            if (!s.ok) continue;
            fromSpawn.push_back(s.latency);
            fromReturn.push_back(s.afterTool);
            tool.push_back(s.tool);
        }
        if (settings.xdotoolTries == 0) break;
        rows.push_back({std::string("Exit latency, ") + inputName(input) + " by xdotool, ms from spawn: median / worst (" +
                            std::to_string(fromSpawn.size()) + " tries; not the target's method)",
                        fixed(median(fromSpawn), 1) + " / " + fixed(worst(fromSpawn), 1), "", "",
                        "from xdotool's return (negative: gone before it returned): " + fixed(median(fromReturn), 1) + " / " + fixed(worst(fromReturn), 1) +
                            "; xdotool itself: " + fixed(median(tool), 1),
                        "", ""});
    }

    {
        const auto& o = startFrames[0];
        const auto& b = startFrames[1];
        const auto& m = startFrames[2];
        rows.push_back({"Time from exec to the first clip frame on screen, each player started alike, ms: median / worst (" +
                            std::to_string(o.size()) + ", " + std::to_string(b.size()) + ", " + std::to_string(m.size()) + " starts)",
                        fixed(median(o), 1) + " / " + fixed(worst(o), 1), fixed(median(b), 1) + " / " + fixed(worst(b), 1),
                        fixed(median(m), 1) + " / " + fixed(worst(m), 1), fixed(median(o) / median(b), 3) + " x playbin",
                        "median <= 150, and at or below both",
                        verdict(!o.empty() && !b.empty() && !m.empty(),
                                median(o) <= 150 && median(o) <= median(b) && median(o) <= median(m))});
    }
    {
        const double med = median(firstFrames), top = worst(firstFrames);
        rows.push_back({"Time from exec to the first clip frame on screen, ms: median / p90 / worst (" +
                            std::to_string(firstFrames.size()) + " starts)",
                        fixed(med, 1) + " / " + fixed(percentile(firstFrames, 90), 1) + " / " + fixed(top, 1), "", "", "",
                        "(context: starts of the exit and seam runs)", ""});
    }

    auto seamRows = [&](const std::vector<SeamRun>& runs, const std::string& label) {
        std::vector<double> gaps, around, frozen, steady;
        int black = 0, probes = 0, seamBlack = 0, seams = 0;
        for (const auto& r : runs) {
            for (const auto& s : r.seams) {
                gaps.push_back(s.gap);
                around.push_back(s.longestGap);
                frozen.push_back(s.frozen);
                seamBlack += s.blackProbes;
                ++seams;
            }
            black += r.blackProbes;
            probes += r.probes;
            steady.insert(steady.end(), r.steadyGaps.begin(), r.steadyGaps.end());
            if (!r.error.empty()) failures.push_back("seam (" + label + "): " + r.error);
        }
        const double top = worst(around);
        rows.push_back({"Seam, " + label + ": longest gap between screen updates within 0.5 s of a rewind, ms: median / worst (" +
                            std::to_string(seams) + " rewinds in " + std::to_string(runs.size()) + " runs)",
                        fixed(median(around), 1) + " / " + fixed(top, 1), "", "",
                        "gap across the rewind itself " + fixed(median(gaps), 1) + " / " + fixed(worst(gaps), 1) +
                            "; steady playback p50/p99/max " + fixed(median(steady), 1) + "/" + fixed(percentile(steady, 99), 1) +
                            "/" + fixed(worst(steady), 1),
                        "<= 40 (1.2 frames)", verdict(seams > 0, top <= 40.0)});
        seamWorst = std::max(seamWorst, seams > 0 ? top : INFINITY);
        everBlack = everBlack || black > 0;
        rows.push_back({"Seam, " + label + ": longest time without a new picture within 0.5 s of a rewind, ms: median / worst",
                        fixed(median(frozen), 1) + " / " + fixed(worst(frozen), 1), "", "", "", "(context for the row above)", ""});
        rows.push_back({"Seam, " + label + ": probes that found the screen black, near rewinds / whole run",
                        std::to_string(seamBlack) + " / " + std::to_string(black) + " of " + std::to_string(probes), "", "", "",
                        "never black", verdict(probes > 0, black == 0)});
    };
    seamRows(sampleSeams, "sample clip");
    seamRows(shortSeams, "2 s cut");

    rows.push_back({"Peak RSS (VmHWM) after 20 s of the sample clip, MB (median)", fixed(median(cpuOf(Player::Ours, &CpuSample::peakMb)), 1),
                    fixed(median(cpuOf(Player::Playbin, &CpuSample::peakMb)), 1),
                    fixed(median(cpuOf(Player::Mpv, &CpuSample::peakMb)), 1),
                    fixed(median(cpuOf(Player::Ours, &CpuSample::peakMb)) / median(cpuOf(Player::Playbin, &CpuSample::peakMb)), 3),
                    "<= 1.10 x playbin", verdict(std::isfinite(rssRatio), rssRatio <= 1.10)});
    {
        const double growth = memory.rssLateMb - memory.rssEarlyMb;
        const double robust = memory.medianLateMb - memory.medianEarlyMb;
        const std::string span = fixed(memory.earlyAt, 0) + " s -> " + fixed(memory.lateAt, 0) + " s";
        rows.push_back({"RSS growth looping the 0.4 s clip, MB: one VmRSS reading at " + span + " (one run)",
                        fixed(growth, 2) + " (" + fixed(memory.rssEarlyMb, 1) + " -> " + fixed(memory.rssLateMb, 1) + ")", "", "",
                        "peak " + fixed(memory.peakMb, 1) + " MB; threads " + std::to_string(memory.threadsEarly) + "->" +
                            std::to_string(memory.threadsLate) + ", open files " + std::to_string(memory.filesEarly) + "->" +
                            std::to_string(memory.filesLate),
                        "<= 2 MB", verdict(memory.ok, growth <= 2.0)});
        rows.push_back({"RSS growth, same run: medians of 1 s readings (20 s around " + fixed(memory.earlyAt, 0) +
                            " s, last 20 s); range after " + fixed(memory.earlyAt, 0) + " s; trend",
                        fixed(robust, 2) + " (" + fixed(memory.medianEarlyMb, 1) + " -> " + fixed(memory.medianLateMb, 1) + ")",
                        "", "",
                        "range " + fixed(memory.minMb, 1) + ".." + fixed(memory.maxMb, 1) + " MB; slope " +
                            fixed(memory.slopeMbPer10Min, 2) + " MB per 10 min; CPU " + fixed(memory.cpuPer20s, 2) +
                            " s per 20 s; " + fixed(memory.updatesPerSecond, 1) + " screen updates/s",
                        "<= 2 MB", verdict(memory.ok, robust <= 2.0)});
    }

    std::printf("\nTessiva benchmark: %s\n", binary.c_str());
    std::printf("Display %dx%d (Xvfb, no window manager), %ld CPUs, kernel %s\n", screen.width, screen.height,
                sysconf(_SC_NPROCESSORS_ONLN), shellOutput("uname -r").c_str());
    std::printf("Baselines: %s; %s\n", toolVersion("gst-launch-1.0 --version | sed -n 2p").c_str(), toolVersion("mpv --version | cut -d\" \" -f1-2").c_str());
    std::printf(
        "Clip: assets/vorn.evc (%.2f s); every player decodes its sound into a null sink (tessiva sound=1 -> autoaudiosink,\n"
        "which falls back to fakesink here; playbin likewise; mpv --ao=null). gst-launch cannot loop, so it plays the sample\n"
        "stream-copied three times over; the others loop the sample itself. CPU is utime+stime(+children) from\n"
        "/proc/<pid>/stat over %d s of wall time after a %d ms warm-up, scaled to 20 s. Exit latency: input injected with\n"
        "XTest from this process, timed from just before the request is written until waitpid() returns (woken by a pidfd\n"
        "of the process); the program is up first: its first frame shown, then 300-700 ms more. The xdotool rows time from\n"
        "xdotool's spawn and from its exit. Screen updates are XDamage raw rectangles on the root\n"
        "(a quarter of the screen or more), timed with the server's timestamps; the probe grid is %zux%zu points.\n"
        "Soak: %d s (BENCH_SOAK_SECONDS).\n\n",
        sample.duration, settings.cpuSeconds, settings.warmUpMs, screen.grid.xs.size(), screen.grid.ys.size(),
        settings.soakSeconds);
    printTable(rows);

    std::printf("\nCPU runs (s per 20 s): tessiva %s; playbin %s; mpv %s\n", joined(cpuOf(Player::Ours, &CpuSample::cpu), 2).c_str(),
                joined(cpuOf(Player::Playbin, &CpuSample::cpu), 2).c_str(), joined(cpuOf(Player::Mpv, &CpuSample::cpu), 2).c_str());
    for (const Player p : players) {
        std::map<std::string, std::vector<double>> byName;
        const auto& samples = cpu[static_cast<std::size_t>(p)];
        for (const auto& s : samples) {
            if (!s.ok) continue;
            for (const auto& [name, seconds] : s.threads) byName[name];
        }
        for (const auto& s : samples) {
            if (!s.ok) continue;
            for (auto& [name, values] : byName) {
                const auto found = s.threads.find(name);
                values.push_back(found != s.threads.end() ? found->second : 0.0);
            }
        }
        std::vector<std::pair<double, std::string>> ranked;
        for (const auto& [name, values] : byName) ranked.emplace_back(median(values), name);
        std::sort(ranked.rbegin(), ranked.rend());
        std::string text;
        for (const auto& [seconds, name] : ranked) {
            if (seconds < 0.005) continue;
            text += (text.empty() ? "" : ", ") + name + " " + fixed(seconds, 2);
        }
        if (!text.empty()) std::printf("CPU by thread, %s (median s per 20 s): %s\n", playerName(p), text.c_str());
    }
    for (const Input input : inputs) {
        std::vector<double> latency, bus;
        for (const auto& s : byXTest[static_cast<std::size_t>(input)]) latency.push_back(s.latency);
        for (const auto& s : withBus[static_cast<std::size_t>(input)]) bus.push_back(s.latency);
        std::printf("Exit latencies, %s (ms): %s; with a session bus running: %s\n", inputName(input),
                    joined(latency, 1).c_str(), joined(bus, 1).c_str());
    }
    std::printf("First-frame times (ms): %s\n", joined(firstFrames, 0).c_str());

    // One line per goal, from the figures of this run.
    std::vector<double> interface;
    for (const auto& sample : cpu[static_cast<std::size_t>(Player::Ours)]) {
        const auto found = sample.threads.find("tessiva");
        if (sample.ok && found != sample.threads.end()) interface.push_back(found->second);
    }
    const double floor = idleLoopFloor();
    auto goal = [](const char* name, bool measured, bool met, const std::string& figure) {
        std::printf("Goal: %-58s %-12s %s\n", name, !measured ? "not measured" : met ? "met" : "NOT met", figure.c_str());
    };
    std::printf("\n");
    const std::string cpuGoal = "CPU at most 1.00 x playbin at " + std::to_string(screen.width) + "x" +
                                std::to_string(screen.height) + " (median of the rounds)";
    goal(cpuGoal.c_str(), std::isfinite(cpuRatio), cpuRatio <= 1.00, fixed(cpuRatio, 3));
    goal("interface thread at most 0.03 s per 20 s", !interface.empty(), median(interface) <= 0.03,
         fixed(median(interface), 3) + " s (a bare loop that only waits 10 ms at a time uses " + fixed(floor, 3) +
             " s here)");
    {
        std::vector<double> wakeups;
        for (const auto& sample : cpu[static_cast<std::size_t>(Player::Ours)]) {
            if (sample.ok && std::isfinite(sample.wakeups)) wakeups.push_back(sample.wakeups);
        }
        goal("interface thread wake-ups at most 5 per second", !wakeups.empty(), median(wakeups) <= 5.0,
             fixed(median(wakeups), 1) + " per second (median of the rounds)");
    }
    {
        const auto dirty = [&](Player p) {
            std::vector<double> values;
            for (const auto& sample : cpu[static_cast<std::size_t>(p)]) {
                if (sample.ok && std::isfinite(sample.privateDirtyMb)) values.push_back(sample.privateDirtyMb);
            }
            return median(values);
        };
        const double ours = dirty(Player::Ours), playbin = dirty(Player::Playbin);
        goal("private dirty memory at most 1.05 x playbin", std::isfinite(ours) && std::isfinite(playbin) && playbin > 0,
             ours <= 1.05 * playbin, fixed(ours / playbin, 3) + " (" + fixed(ours, 1) + " MB against " + fixed(playbin, 1) + " MB)");
        std::vector<double> shortSeconds;
        for (const auto& sample : shortCpu) {
            if (sample.ok) shortSeconds.push_back(sample.cpu);
        }
        const double shortRatio = median(shortSeconds) / cpuOurs;
        goal("CPU of a 0.4 s clip at most 1.2 x the sample's", std::isfinite(shortRatio), shortRatio <= 1.2,
             fixed(shortRatio, 2) + " (" + fixed(median(shortSeconds), 2) + " s against " + fixed(cpuOurs, 2) + " s per 20 s)");
    }
    goal("peak RSS at most 1.10 x playbin", std::isfinite(rssRatio), rssRatio <= 1.10, fixed(rssRatio, 3));
    {
        const double o = median(startFrames[0]), b = median(startFrames[1]), m = median(startFrames[2]);
        goal("first frame median at most 150 ms, not above playbin/mpv",
             !startFrames[0].empty() && !startFrames[1].empty() && !startFrames[2].empty(), o <= 150 && o <= b && o <= m,
             "ours " + fixed(o, 1) + " ms, playbin " + fixed(b, 1) + " ms, mpv " + fixed(m, 1) + " ms");
    }
    goal("seam at most 40 ms worst on every cut clip, never black", std::isfinite(seamWorst) && seamWorst > 0,
         seamWorst <= 40 && !everBlack, fixed(seamWorst, 1) + " ms" + (everBlack ? ", black seen" : ""));
    goal("CPU with sound=0 at most sound=1's", std::isfinite(cpuSilent) && std::isfinite(cpuOurs), cpuSilent <= cpuOurs,
         fixed(cpuSilent, 2) + " s against " + fixed(cpuOurs, 2) + " s per 20 s (" + fixed(cpuSilent / cpuOurs, 3) + ")");
    goal("exit at most 20 ms worst for a move, a key and a click", std::isfinite(exitWorst) && exitWorst > 0,
         exitWorst <= 20, fixed(exitWorst, 1) + " ms with no session bus");
    goal("exit at most 20 ms worst with a session bus running", std::isfinite(busExitWorst) && busExitWorst > 0,
         busExitWorst <= 20, fixed(busExitWorst, 1) + " ms");
    if (!failures.empty()) {
        std::printf("\nFailures:\n");
        for (const auto& f : failures) std::printf("  %s\n", f.c_str());
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace tessiva::bench

int main(int argc, char** argv) {
    try {
        return tessiva::bench::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessiva_bench: %s\n", e.what());
        return 1;
    }
}
