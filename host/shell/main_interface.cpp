#include "host/shell/main_interface.h"

#include <cstdio>

#include "host/foundation/json_file.h"
#include "host/foundation/messages.h"
#include "host/foundation/strings.h"
#include "host/views/screen.h"

namespace host {

namespace {

constexpr const char* kPropertyList = "Info";

// The string at `key` of a JSON object, or nullptr.
const std::string* stringAt(const nlohmann::json& object, const char* key) {
    if (!object.is_object() || !object.contains(key) || !object[key].is_string()) return nullptr;
    return object[key].get_ptr<const std::string*>();
}

// A resource read as JSON; one line and nothing when it cannot be.
std::optional<nlohmann::json> readResource(const NSBundle& bundle, const std::string& name,
                                           const char* what) {
    auto path = bundle.pathForResource(name, "json");
    if (!path) {
        say(messages::kStartFileMissing, what, name.c_str(),
                     bundle.resourcePath().c_str());
        return std::nullopt;
    }
    nlohmann::json json;
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
    const std::string* nibName = stringAt(*info, "NSMainNibFile");
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
        say(messages::kStartFileUnusable, "main interface file", path.c_str(),
                     why.c_str());
        return std::nullopt;
    };

    const nlohmann::json* window = file->is_object() && file->contains("window") ? &(*file)["window"]
                                                                               : nullptr;
    const std::string* windowClass = window ? stringAt(*window, "class") : nullptr;
    if (!windowClass) return fail("it holds no window of class \"UIWindow\"");
    if (*windowClass != "UIWindow")
        return fail("the window class " + quotedForMessage(*windowClass) + " is unknown");

    const nlohmann::json* delegate =
        file->contains("delegate") ? &(*file)["delegate"] : nullptr;
    const std::string* fileClass = delegate ? stringAt(*delegate, "class") : nullptr;
    std::string className = delegateClassName ? delegateClassName : fileClass ? *fileClass : "";
    if (className.empty()) return fail("it holds no application delegate with a class");
    const auto* make = UIApplicationDelegateClassRegistry::shared().factoryForClass(className);
    if (!make) return fail("the application delegate class " + quotedForMessage(className) +
                    " is unknown");
    const nlohmann::json* outlets =
        delegate && delegate->contains("outlets") ? &(*delegate)["outlets"] : nullptr;
    const std::string* windowOutlet = outlets ? stringAt(*outlets, "window") : nullptr;
    if (!windowOutlet || *windowOutlet != "window")
        return fail("the delegate's \"window\" outlet is not connected to the window");

    MainInterface objects;
    if (const std::string* name = stringAt(*info, "CFBundleName")) objects.bundleName = *name;
    if (const std::string* icon = stringAt(*info, "CFBundleIconFile")) objects.iconFile = *icon;
    if (const std::string* version = stringAt(*info, "CFBundleShortVersionString"))
        objects.version = *version;
    objects.delegate = (*make)();
    if (!objects.delegate) return fail("the application delegate could not be made");
    objects.window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    objects.delegate->setWindow(objects.window);
    return objects;
}

}  // namespace host
