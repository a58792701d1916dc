#pragma once

#include <optional>
#include <string>

namespace host {

// The application's resources folder. It is found relative to the running
// executable: <exe dir>/../share/paddock/resources, which holds in the build
// tree (build/bin, build/tests) and in an installed tree (prefix/bin) alike.
class NSBundle {
  public:
    static NSBundle& mainBundle();

    const std::string& resourcePath() const { return resourcePath_; }
    // Points the bundle elsewhere (tests, tools).
    void setResourcePath(std::string path) { resourcePath_ = std::move(path); }

    // The full path of resource `name`.`type` (or exactly `name` when type is
    // empty) if such a regular file exists; nullopt otherwise. Names that
    // would leave the folder (a slash, or "..") are never found.
    std::optional<std::string> pathForResource(const std::string& name,
                                               const std::string& type) const;

  private:
    NSBundle();
    std::string resourcePath_;
};

}  // namespace host
