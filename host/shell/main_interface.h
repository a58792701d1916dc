#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/foundation/bundle.h"
#include "host/shell/application.h"

namespace host {

// The objects of the main interface file, made and connected, and what the
// property list says of the application itself.
struct MainInterface {
    std::unique_ptr<UIApplicationDelegate> delegate;
    std::shared_ptr<UIWindow> window;
    // "CFBundleName": the window's title; empty when not given.
    std::string bundleName;
    // "CFBundleIconFile": a PNG resource for the window's icon; empty when not given.
    std::string iconFile;
    // "CFBundleShortVersionString"; empty when not given.
    std::string version;
};

// Reads the bundle's property list "Info.json" ({"NSMainNibFile": NAME}) and
// the main interface file NAME.json it names:
//   {"window": {"class": "UIWindow"},
//    "delegate": {"class": C, "outlets": {"window": "window"}}}
// The window covers the screen; the delegate's window outlet must be
// connected. `delegateClassName`, when not null, replaces the file's class.
// Nothing, with one line on standard error, when a file cannot be used.
std::optional<MainInterface> loadMainInterface(const NSBundle& bundle,
                                               const char* delegateClassName);

}  // namespace host
