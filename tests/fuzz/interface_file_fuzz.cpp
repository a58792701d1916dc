// libFuzzer entry for interface files: the input is written as an interface
// file in a bundle of its own and unarchived by a real UIViewController. A
// view comes back exactly when the file describes a view of a known class
// with a usable frame, and then it has that frame.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "host/foundation/bundle.h"
#include "host/foundation/json_file.h"
#include "host/views/view.h"
#include "host/views/view_controller.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The frame the file asks for, when the file is one the loader must accept:
// {"view": {"class": "UIView"[, "frame": [x, y, w, h]]}} with finite numbers
// up to 1e5 in size and no negative width or height.
std::optional<host::CGRect> acceptableFrame(std::string_view bytes) {
    host::JSONValue file;
    if (!host::parseJSON(bytes, file)) return std::nullopt;
    const host::JSONValue* view = file.find("view");
    if (!view || !view->isObject() || host::stringMemberOf(*view, "class") != "UIView")
        return std::nullopt;
    if (!view->find("frame")) return host::CGRect{};
    const host::JSONValue& f = *view->find("frame");
    if (!f.isArray() || f.size() != 4) return std::nullopt;
    float v[4];
    for (int i = 0; i < 4; ++i) {
        if (!f[i].isNumeric()) return std::nullopt;
        const double d = f[i].asDouble();
        if (!std::isfinite(d) || std::fabs(d) > 1e5) return std::nullopt;
        v[i] = f[i].asFloat();
    }
    if (v[2] < 0 || v[3] < 0) return std::nullopt;
    return host::CGRectMake(v[0], v[1], v[2], v[3]);
}

// Frames go through the layer as a centre and bounds, so they come back equal
// up to float rounding at the scale of the largest number.
bool near(const host::CGRect& a, const host::CGRect& b) {
    const float t = 1e-5f * std::max({1.0f, std::fabs(b.origin.x), std::fabs(b.origin.y),
                                      b.size.width, b.size.height});
    return std::fabs(a.origin.x - b.origin.x) <= t && std::fabs(a.origin.y - b.origin.y) <= t &&
           std::fabs(a.size.width - b.size.width) <= t &&
           std::fabs(a.size.height - b.size.height) <= t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);
    host::NSBundle& bundle = host::NSBundle::mainBundle();
    bundle.setResourcePath(fuzz::Folder::get().path());
    fuzz::Folder::get().write("Stage.json", bytes);

    auto controller = host::UIViewController::initWithNibName("Stage", &bundle);
    const std::shared_ptr<host::UIView> view = controller->view();
    FUZZ_EXPECT(controller->view() == view);  // unarchived once

    const auto expected = acceptableFrame(bytes);
    FUZZ_EXPECT(bool(view) == bool(expected));
    // near() also fails on a frame that is not finite.
    if (view)
        FUZZ_EXPECT(near(view->frame(), *expected) && view->className() == "UIView" &&
                    view->subviews().empty());
    return 0;
}
