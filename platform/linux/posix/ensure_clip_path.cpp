// A build tool: makes sure a settings file names the sample clip's folder, so that a freshly
// built program plays something. It adds "path" when the file has none and touches nothing
// else; a path someone chose stays as it is.
//   tessiva_ensure_clip_path SETTINGS-FILE FOLDER/
#include <cstdio>
#include <string>

#include "platform/linux/posix/private_profile.h"
#include "settings/ini.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SETTINGS-FILE FOLDER/\n", argv[0]);
        return 2;
    }
    tessiva::PosixProfile profile;
    const std::string file = argv[1];
    std::string folder = argv[2];
    if (folder.empty() || folder.back() != '/') folder += '/';
    // A default no stored value can equal tells a missing key from an empty one.
    const std::string missing = "\x01missing";
    if (tessiva::ReadIni(profile, file, "config", "path", missing) != missing) return 0;
    const tessiva::Status written = tessiva::WriteIni(profile, file, "config", "path", folder);
    if (!written.ok()) {
        std::fprintf(stderr, "%s\n", written.message().c_str());
        return 1;
    }
    return 0;
}
