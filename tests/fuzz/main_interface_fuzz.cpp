// libFuzzer entry for start-up: the input is a property list "Info.json" and,
// after the first NUL byte if there is one, a main interface file
// "MainWindow.json", both written into a bundle of their own and read by the
// real host::loadMainInterface with the program's own delegate class. Start-up
// succeeds exactly when the files describe a window and a delegate connected
// to it, and then the objects are made and connected as described.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "host/foundation/bundle.h"
#include "host/shell/main_interface.h"
#include "host/views/screen.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const fuzz::TempFolder& bundleFolder() {
    static const fuzz::TempFolder folder;
    return folder;
}

const std::string* stringAt(const nlohmann::json& object, const char* key) {
    if (!object.is_object() || !object.contains(key) || !object[key].is_string()) return nullptr;
    return object[key].get_ptr<const std::string*>();
}

// Whether start-up must succeed with these two files in the bundle.
bool acceptable(std::string_view info, std::optional<std::string_view> mainWindow) {
    const auto list = nlohmann::json::parse(info, nullptr, false);
    const std::string* nib = stringAt(list, "NSMainNibFile");
    if (!nib) return false;
    std::string_view contents;
    if (*nib == "Info") {
        contents = info;
    } else if (*nib == "MainWindow" && mainWindow) {
        contents = *mainWindow;
    } else {
        return false;
    }
    const auto file = nlohmann::json::parse(contents, nullptr, false);
    if (!file.is_object() || !file.contains("window") || !file.contains("delegate")) return false;
    const std::string* windowClass = stringAt(file["window"], "class");
    const std::string* delegateClass = stringAt(file["delegate"], "class");
    if (!windowClass || *windowClass != "UIWindow") return false;
    if (!delegateClass || *delegateClass != "PaddockAppDelegate") return false;
    const auto& delegate = file["delegate"];
    if (!delegate.contains("outlets")) return false;
    const std::string* outlet = stringAt(delegate["outlets"], "window");
    return outlet && *outlet == "window";
}

std::string stringOrEmpty(std::string_view info, const char* key) {
    const auto list = nlohmann::json::parse(info, nullptr, false);
    const std::string* value = stringAt(list, key);
    return value ? *value : std::string();
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
        FUZZ_EXPECT(objects->bundleName == stringOrEmpty(info, "CFBundleName"));
        FUZZ_EXPECT(objects->iconFile == stringOrEmpty(info, "CFBundleIconFile"));
        FUZZ_EXPECT(objects->version == stringOrEmpty(info, "CFBundleShortVersionString"));
    }
    return 0;
}
