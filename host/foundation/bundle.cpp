#include "host/foundation/bundle.h"

#include <filesystem>
#include <system_error>

namespace host {

namespace fs = std::filesystem;

static std::string defaultResourcePath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "share/paddock/resources";
    return (exe.parent_path().parent_path() / "share" / "paddock" / "resources").string();
}

NSBundle::NSBundle() : resourcePath_(defaultResourcePath()) {}

NSBundle& NSBundle::mainBundle() {
    static NSBundle bundle;
    return bundle;
}

std::optional<std::string> NSBundle::pathForResource(const std::string& name,
                                                     const std::string& type) const {
    std::string file = type.empty() ? name : name + "." + type;
    if (file.empty() || file == "." || file.find('/') != std::string::npos ||
        file.find("..") != std::string::npos)
        return std::nullopt;
    fs::path path = fs::path(resourcePath_) / file;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    return path.string();
}

}  // namespace host
