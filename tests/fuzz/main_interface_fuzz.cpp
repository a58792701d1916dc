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

host::JSONValue parsed(std::string_view text) {
    host::JSONValue value;
    if (!host::parseJSON(text, value)) return host::JSONValue();
    return value;
}

// The member `key` of an object; null for anything else.
const host::JSONValue& at(const host::JSONValue& object, const char* key) {
    static const host::JSONValue none;
    const host::JSONValue* member = object.find(key);
    return member ? *member : none;
}

std::string stringAt(const host::JSONValue& object, const char* key, const char* otherwise = "") {
    const host::JSONValue& member = at(object, key);
    return member.isString() ? member.asString() : otherwise;
}

// Whether start-up must succeed with these two files in the bundle.
bool acceptable(std::string_view info, std::optional<std::string_view> mainWindow) {
    const host::JSONValue list = parsed(info);
    const std::string nib = stringAt(list, "NSMainNibFile", "\n");
    if (nib != "Info" && !(nib == "MainWindow" && mainWindow)) return false;
    const host::JSONValue file = parsed(nib == "Info" ? info : *mainWindow);
    if (!file.find("window") || !file.find("delegate")) return false;
    if (stringAt(at(file, "window"), "class") != "UIWindow") return false;
    const host::JSONValue& delegate = at(file, "delegate");
    if (stringAt(delegate, "class") != "PaddockAppDelegate") return false;
    if (!delegate.find("outlets")) return false;
    return stringAt(at(delegate, "outlets"), "window") == "window";
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
        const host::JSONValue list = parsed(info);
        FUZZ_EXPECT(objects->bundleName == stringAt(list, "CFBundleName") &&
                    objects->iconFile == stringAt(list, "CFBundleIconFile") &&
                    objects->version == stringAt(list, "CFBundleShortVersionString"));
    }
    return 0;
}
