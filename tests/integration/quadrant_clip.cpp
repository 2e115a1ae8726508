#include "quadrant_clip.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace tessiva::integration {
namespace {

std::string quadrantClipPath() {
    return std::filesystem::temp_directory_path() / ("tessiva-quadrants-" + std::to_string(getpid()) + ".mp4");
}

// The clip is made once per run and goes with it.
class ClipCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(quadrantClipPath(), ignored);
    }
};
const auto* const g_cleanup = ::testing::AddGlobalTestEnvironment(new ClipCleanup);

}  // namespace

const std::string& quadrantClip() {
    static const std::string path = [] {
        const std::string file = quadrantClipPath();
        const std::string command =
            "ffmpeg -hide_banner -loglevel error -y -f lavfi -i \"color=c=red:s=320x180:r=30:d=3[a];"
            "color=c=lime:s=320x180:r=30:d=3[b];color=c=blue:s=320x180:r=30:d=3[c];color=c=yellow:s=320x180:r=30:d=3[d];"
            "color=c=white:s=40x20:r=30:d=3[m];[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack[q];"
            "[q][m]overlay=x='mod(t*200\\,600)':y=170\" "
            "-f lavfi -i sine=frequency=440:duration=3 -c:v libx264 -pix_fmt yuv420p -c:a aac -t 3 -shortest " + file;
        if (std::system(command.c_str()) != 0) return std::string();
        return file;
    }();
    return path;
}

}  // namespace tessiva::integration
