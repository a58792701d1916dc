// libFuzzer entry for start-up: the input is a property list "Info.json" and,
// after the first NUL byte if there is one, a main interface file
// "MainWindow.json", both written into a bundle of their own and read by the
// real host::loadMainInterface with the program's own delegate class. Start-up
// succeeds exactly when the files describe a window and a delegate connected
// to it, and then the objects are made and connected as described.
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

const fuzz::TempFolder& bundleFolder() {
    static const fuzz::TempFolder folder;
    return folder;
}

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
    std::string_view contents;
    if (nib == "Info") {
        contents = info;
    } else if (nib == "MainWindow" && mainWindow) {
        contents = *mainWindow;
    } else {
        return false;
    }
    const Json::Value file = parsed(contents);
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
    bundle.setResourcePath(bundleFolder().path());
    bundleFolder().write("Info.json", info);
    if (mainWindow)
        bundleFolder().write("MainWindow.json", *mainWindow);
    else
        bundleFolder().remove("MainWindow.json");

    auto objects = host::loadMainInterface(bundle, nullptr);
    FUZZ_EXPECT(objects.has_value() == acceptable(info, mainWindow));
    if (objects) {
        FUZZ_EXPECT(objects->delegate && objects->window);
        FUZZ_EXPECT(objects->delegate->window() == objects->window);
        FUZZ_EXPECT(objects->window->frame() == host::UIScreen::mainScreen().bounds());
        const Json::Value list = parsed(info);
        FUZZ_EXPECT(objects->bundleName == stringAt(list, "CFBundleName"));
        FUZZ_EXPECT(objects->iconFile == stringAt(list, "CFBundleIconFile"));
        FUZZ_EXPECT(objects->version == stringAt(list, "CFBundleShortVersionString"));
    }
    return 0;
}
