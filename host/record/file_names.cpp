#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "host/record/recorder.h"

namespace host {

static bool isFolder(const std::string& path) {
    struct stat s;
    return !path.empty() && ::stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

// XDG_VIDEOS_DIR="$HOME/Videos" in user-dirs.dirs, as xdg-user-dir reads it.
static std::string configuredVideosFolder(const std::string& home) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && *config ? config : home + "/.config";
    std::ifstream in(base + "/user-dirs.dirs");
    for (std::string line; std::getline(in, line);) {
        const std::string key = "XDG_VIDEOS_DIR=\"";
        if (!line.starts_with(key) || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        if (!value.starts_with("/")) return "";
        return value;
    }
    return "";
}

std::string userVideosFolder() {
    const char* homeVariable = std::getenv("HOME");
    const std::string home = homeVariable && *homeVariable ? homeVariable : ".";
    if (std::string configured = configuredVideosFolder(home); isFolder(configured))
        return configured;
    if (isFolder(home + "/Videos")) return home + "/Videos";
    return home;
}

std::string datedRecordingName(const std::string& name, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
    return name + " " + stamp + ".mp4";
}

}  // namespace host
