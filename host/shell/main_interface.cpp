#include "host/shell/main_interface.h"

#include <cstdio>

#include "host/foundation/json_file.h"
#include "host/foundation/messages.h"
#include "host/foundation/strings.h"
#include "host/views/screen.h"

namespace host {

namespace {

constexpr const char* kPropertyList = "Info";

// A resource read as JSON; one line and nothing when it cannot be.
std::optional<JSONValue> readResource(const NSBundle& bundle, const std::string& name,
                                      const char* what) {
    auto path = bundle.pathForResource(name, "json");
    if (!path) {
        say(messages::kStartFileMissing, what, name.c_str(), bundle.resourcePath().c_str());
        return std::nullopt;
    }
    JSONValue json;
    std::string why;
    if (!readJSONFile(*path, json, why)) {
        say(messages::kStartFileUnusable, what, path->c_str(), why.c_str());
        return std::nullopt;
    }
    return json;
}

}  // namespace

std::optional<MainInterface> loadMainInterface(const NSBundle& bundle,
                                               const char* delegateClassName) {
    auto info = readResource(bundle, kPropertyList, "property list");
    if (!info) return std::nullopt;
    const auto nibName = stringMemberOf(*info, "NSMainNibFile");
    if (!nibName) {
        say(messages::kStartFileUnusable, "property list",
            (bundle.resourcePath() + "/" + kPropertyList + ".json").c_str(),
            "it names no main interface file (\"NSMainNibFile\")");
        return std::nullopt;
    }
    auto file = readResource(bundle, *nibName, "main interface file");
    if (!file) return std::nullopt;
    const std::string path = bundle.resourcePath() + "/" + *nibName + ".json";
    auto fail = [&](const std::string& why) {
        say(messages::kStartFileUnusable, "main interface file", path.c_str(), why.c_str());
        return std::nullopt;
    };

    const JSONValue* window = memberOf(*file, "window");
    const auto windowClass = window ? stringMemberOf(*window, "class") : std::nullopt;
    if (!windowClass) return fail("it holds no window of class \"UIWindow\"");
    if (*windowClass != "UIWindow")
        return fail("the window class " + quotedForMessage(*windowClass) + " is unknown");

    const JSONValue* delegate = memberOf(*file, "delegate");
    const auto fileClass = delegate ? stringMemberOf(*delegate, "class") : std::nullopt;
    std::string className = delegateClassName ? delegateClassName : fileClass ? *fileClass : "";
    if (className.empty()) return fail("it holds no application delegate with a class");
    const auto* make = UIApplicationDelegateClassRegistry::shared().factoryForClass(className);
    if (!make)
        return fail("the application delegate class " + quotedForMessage(className) +
                    " is unknown");
    const JSONValue* outlets = delegate ? memberOf(*delegate, "outlets") : nullptr;
    const auto windowOutlet = outlets ? stringMemberOf(*outlets, "window") : std::nullopt;
    if (!windowOutlet || *windowOutlet != "window")
        return fail("the delegate's \"window\" outlet is not connected to the window");

    MainInterface objects;
    objects.bundleName = stringMemberOf(*info, "CFBundleName").value_or("");
    objects.iconFile = stringMemberOf(*info, "CFBundleIconFile").value_or("");
    objects.version = stringMemberOf(*info, "CFBundleShortVersionString").value_or("");
    objects.delegate = (*make)();
    if (!objects.delegate) return fail("the application delegate could not be made");
    objects.window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    objects.delegate->setWindow(objects.window);
    return objects;
}

}  // namespace host
