#include <cairo.h>
#include <gtest/gtest.h>

#include "host/foundation/bundle.h"
#include "host/views/screen.h"
#include "host/views/window.h"
#include "placard/PlacardView.h"

// The shipped placard, centred on a stage in a window, as the compositor
// draws it.

namespace {

using namespace host;

TEST(PlacardOnStage, ComposesThePictureCentredWithTheTextBandAbove) {
    auto window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    auto stage = std::make_shared<UIView>(UIScreen::mainScreen().bounds());
    window->addSubview(stage);
    auto placard = PlacardView::init();
    ASSERT_TRUE(placard);
    placard->setCenter(stage->center());
    stage->addSubview(placard);
    window->makeKeyAndVisible();
    auto frame = window->snapshot(0.0, 1.0f);
    ASSERT_TRUE(frame);

    auto path = NSBundle::mainBundle().pathForResource("cow.png", "");
    ASSERT_TRUE(path);
    cairo_surface_t* s = cairo_image_surface_create_from_png(path->c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    CGImage cow(s);
    const int w = cow.width(), h = cow.height();
    const int left = 160 - w / 2, top = 240 - h / 2;

    // Outside the placard: the black of an empty stage. Inside, away from
    // the text: the picture's own opaque pixels.
    EXPECT_EQ(frame->pixel(left - 1, 240), 0xFF000000u);
    EXPECT_EQ(frame->pixel(left + w, 240), 0xFF000000u);
    EXPECT_EQ(frame->pixel(160, top - 1), 0xFF000000u);
    EXPECT_EQ(frame->pixel(160, top + h), 0xFF000000u);
    const int band = h / 2 - 90;
    int same = 0, opaque = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = cow.pixel(x, y);
            if (p >> 24 != 0xFF || std::abs(y - band) < 15) continue;
            ++opaque;
            same += frame->pixel(left + x, top + y) == p;
        }
    EXPECT_EQ(same, opaque);
    EXPECT_GT(opaque, w * h / 2);

    // The first display string in white, centred across, 90 points above the centre.
    int white = 0, whiteLeft = 1000, whiteRight = -1;
    for (int y = 240 - 90 - 12; y <= 240 - 90 + 12; ++y)
        for (int x = left; x < left + w; ++x)
            if (frame->pixel(x, y) == 0xFFFFFFFF && cow.pixel(x - left, y - top) != 0xFFFFFFFF) {
                ++white;
                whiteLeft = std::min(whiteLeft, x);
                whiteRight = std::max(whiteRight, x);
            }
    EXPECT_GT(white, 40);
    EXPECT_NEAR((whiteLeft + whiteRight) / 2.0, 160, 3);
    EXPECT_LE(whiteRight - whiteLeft, w - 20);
}

}  // namespace
