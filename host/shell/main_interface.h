#pragma once

#include <memory>
#include <optional>

#include "host/foundation/bundle.h"
#include "host/shell/application.h"

namespace host {

// The objects of the main interface file, made and connected.
struct MainInterface {
    std::unique_ptr<UIApplicationDelegate> delegate;
    std::shared_ptr<UIWindow> window;
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
