// libFuzzer entry for start-up: "Info.json" and, after the first NUL byte,
// "MainWindow.json" in a bundle of their own, read by host::loadMainInterface
// with the program's own delegate class. Start-up succeeds exactly when they
// describe a window and a delegate connected to it, and makes them so.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "host/foundation/bundle.h"
#include "host/foundation/json_file.h"
#include "host/shell/main_interface.h"
#include "host/views/screen.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

Json::Value parsed(std::string_view text) {
    Json::Value value;
    if (!host::parseJSON(text, value)) return Json::Value();
    return value;
}

std::string stringAt(const Json::Value& object, const char* key, const char* otherwise = "") {
    if (!object.isObject() || !object.isMember(key) || !object[key].isString()) return otherwise;
    return object[key].asString();
}

// Whether start-up must succeed with these two files in the bundle.
bool acceptable(std::string_view info, std::optional<std::string_view> mainWindow) {
    const Json::Value list = parsed(info);
    const std::string nib = stringAt(list, "NSMainNibFile", "\n");
    if (nib != "Info" && !(nib == "MainWindow" && mainWindow)) return false;
    const Json::Value file = parsed(nib == "Info" ? info : *mainWindow);
    if (!file.isObject() || !file.isMember("window") || !file.isMember("delegate")) return false;
    if (stringAt(file["window"], "class") != "UIWindow") return false;
    const Json::Value& delegate = file["delegate"];
    if (stringAt(delegate, "class") != "PaddockAppDelegate") return false;
    if (!delegate.isObject() || !delegate.isMember("outlets")) return false;
    return stringAt(delegate["outlets"], "window") == "window";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);
    const std::size_t nul = bytes.find('\0');
    const std::string_view info = bytes.substr(0, nul);
    std::optional<std::string_view> mainWindow;
    if (nul != std::string_view::npos) mainWindow = bytes.substr(nul + 1);

    host::NSBundle& bundle = host::NSBundle::mainBundle();
    bundle.setResourcePath(fuzz::Folder::get().path());
    fuzz::Folder::get().write("Info.json", info);
    if (mainWindow)
        fuzz::Folder::get().write("MainWindow.json", *mainWindow);
    else
        fuzz::Folder::get().remove("MainWindow.json");

    auto objects = host::loadMainInterface(bundle, nullptr);
    FUZZ_EXPECT(objects.has_value() == acceptable(info, mainWindow));
    if (objects) {
        FUZZ_EXPECT(objects->delegate && objects->window &&
                    objects->delegate->window() == objects->window);
        FUZZ_EXPECT(objects->window->frame() == host::UIScreen::mainScreen().bounds());
        const Json::Value list = parsed(info);
        FUZZ_EXPECT(objects->bundleName == stringAt(list, "CFBundleName") &&
                    objects->iconFile == stringAt(list, "CFBundleIconFile") &&
                    objects->version == stringAt(list, "CFBundleShortVersionString"));
    }
    return 0;
}
