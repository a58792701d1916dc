#include "host/layers/compositor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/layers/recording_backend.h"
#include "host/views/ui_image.h"
#include "tests/support/host_support.h"

using namespace host;

namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A layer showing one row of pixels stretched over its frame, added to `parent`.
std::shared_ptr<CALayer> add(CALayer& parent, CGRect frame, std::vector<uint32_t> argb = {kRed},
                             CGImage::Format format = CGImage::Format::argb32) {
    auto image = CGImage::create(int(argb.size()), 1, format);
    if (format == CGImage::Format::argb32) std::memcpy(image->data(), argb.data(), argb.size() * 4);
    image->markDirty();
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(frame);
    layer->setContents(image);
    parent.addSublayer(layer);
    return layer;
}

CATransform3D affine(CGAffineTransform t) { return CATransform3DMakeAffineTransform(t); }
CATransform3D scaled(float s) { return affine(CGAffineTransformMakeScale(s, s)); }

class Compositor : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        root->setFrame(CGRectMake(0, 0, 320, 480));
    }
    void compose(double t = 0, float zoom = 1) { composeLayerTree(*root, *frame, t, zoom); }
    std::shared_ptr<CALayer> root = std::make_shared<CALayer>();
    std::shared_ptr<CGImage> frame = CGImage::create(320, 480);
};

// The walk, on the recording backend: where each layer's contents land in
// the frame's pixels, in drawing order, with the filter chosen.
TEST_F(Compositor, DrawsEachShownLayerInOrderUnderItsTransformAndSkipsWhatCannotShow) {
    ScopedRecordingBackend recording;
    add(*root, CGRectMake(10, 10, 40, 20));
    add(*root, CGRectMake(40, 120, 40, 40), {kBlue, kRed})->setTransform(scaled(2));
    add(*root, CGRectMake(0, 300, 100, 100))->setTransform(scaled(0));
    add(*root, CGRectMake(0, 0, 0, 10));
    auto parent = add(*root, CGRectMake(150, 250, 100, 100));
    parent->setBounds(CGRectMake(10, 10, 100, 100));
    add(*parent, CGRectMake(10, 10, 10, 10), {kGreen});
    auto hidden = add(*root, CGRectMake(150, 400, 100, 60));
    add(*hidden, CGRectMake(0, 0, 20, 20), {kGreen});
    hidden->setHidden(true);
    add(*root, CGRectMake(0, 0, 320, 480), {kBlue}, CGImage::Format::rgb565)
        ->setTransform(affine({1, 0.1f, 0, 1, 0, 0}));  // opaque, but turned: hides nothing
    compose(0, 2);
    EXPECT_EQ(recording.callsStartingWith("image"),
              (std::vector<std::string>{
                  "image 1 x 1 bilinear extended at 20 20 to 100 60",
                  "image 2 x 1 bilinear extended at 40 200 to 200 360",
                  "image 1 x 1 bilinear extended at 300 500 to 500 700",
                  "image 1 x 1 bilinear extended at 300 500 to 320 520",
                  "image 1 x 1 bilinear extended at 0 -32 to 640 992",
              }));
    // Black behind it all, before the first layer.
    const auto& calls = recording.calls;
    const auto clear = std::find(calls.begin(), calls.end(), "clear 0 0 0 1");
    EXPECT_LT(clear - calls.begin(), std::find_if(calls.begin(), calls.end(), [](const auto& c) {
                                         return c.starts_with("image");
                                     }) - calls.begin());
    recording.calls.clear();
    // One pixel a pixel, at whole pixels: copied exactly.
    root->sublayers().back()->setHidden(true);
    add(*root, CGRectMake(7, 9, 2, 1), {kRed, kBlue});
    compose();
    EXPECT_EQ(recording.callsStartingWith("image").back(),
              "image 2 x 1 nearest extended at 7 9 to 9 10");
    // save and restore pair up, so nothing leaks from one layer to the next.
    long depth = 0;
    for (const auto& c : recording.calls) depth += (c == "save") - (c == "restore");
    EXPECT_EQ(depth, 0);
}

// The last opaque layer over the whole frame hides all drawn before it; the
// measuring walk must not draw and must not shift what is drawn after.
TEST_F(Compositor, AnOpaqueLayerOverTheWholeFrameSkipsWhatLiesBeneath) {
    ScopedRecordingBackend recording;
    add(*root, CGRectMake(0, 0, 10, 10), {kRed});
    add(*root, CGRectMake(-10, -10, 340, 500), {kBlue}, CGImage::Format::rgb565);
    add(*root, CGRectMake(0, 0, 320, 480), {kBlue}, CGImage::Format::rgb565);
    add(*root, CGRectMake(5, 5, 10, 10), {kGreen});
    add(*root, CGRectMake(1, 0, 320, 480), {kBlue}, CGImage::Format::rgb565);  // misses a column
    compose();
    EXPECT_EQ(recording.callsStartingWith("image"),
              (std::vector<std::string>{"image 1 x 1 bilinear extended at 0 0 to 320 480",
                                        "image 1 x 1 bilinear extended at 5 5 to 15 15",
                                        "image 1 x 1 bilinear extended at 1 0 to 321 480"}));
    // Nothing shows through the cover, so the frame is not cleared first;
    // one column short, it is.
    EXPECT_TRUE(recording.callsStartingWith("clear").empty());
    root->sublayers().at(2)->setHidden(true);
    root->sublayers().at(1)->setFrame(CGRectMake(0, 0, 320, 479));
    recording.calls.clear();
    compose();
    EXPECT_EQ(recording.callsStartingWith("clear").size(), 1u);
}

// The rest proves the cairo backend with real pixels.
TEST_F(Compositor, ContentsAreStretchedOverTheirFramesAtPresentationValues) {
    auto layer = add(*root, CGRectMake(0, 0, 20, 20));  // centre (10, 10)
    add(*root, CGRectMake(110, 120, 200, 100), {kRed, kBlue});
    add(*root, CGRectMake(40, 300, 40, 40), {kGreen})->setTransform(scaled(2));
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setToValue(NSValue::valueWithCGPoint({210, 10}));
    a->setDuration(1.0);
    const double t0 = now();
    layer->addAnimation(a, "slide");
    layer->setPosition({210, 10});
    EXPECT_TRUE(layerTreeIsAnimating(*root, t0 + 0.5));
    compose(t0 + 0.5);
    const struct {
        int x, y;
        uint32_t colour;
    } pixels[] = {{101, 1, kRed},    {119, 19, kRed},   {99, 10, kBlack},  {120, 10, kBlack},
                  {10, 10, kBlack},  {130, 170, kRed},  {290, 170, kBlue}, {312, 170, kBlack},
                  {21, 281, kGreen}, {98, 358, kGreen}, {18, 300, kBlack}, {60, 362, kBlack}};
    for (const auto& p : pixels) EXPECT_EQ(frame->pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    compose(t0 + 1.0);
    EXPECT_EQ(frame->pixel(210, 10), kRed);
    EXPECT_FALSE(layerTreeIsAnimating(*root, t0 + 1.0));
    // Animations under a hidden layer need no frames.
    layer->addAnimation(a, "again");
    EXPECT_TRUE(layerTreeIsAnimating(*root, now() + 0.1));
    layer->setHidden(true);
    EXPECT_FALSE(layerTreeIsAnimating(*root, now() + 0.1));
}

// 5-6-5 contents (a GL view's) are widened alike wherever they are looked at:
// read a pixel at a time, composed one to one or scaled, and written as PNG;
// and a new picture is widened again.
TEST_F(Compositor, Rgb565ContentsReadComposeAndWriteAsTheSameWidenedColours) {
    const uint16_t shades[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0xA2EB, 0x0841};
    const uint32_t widened[] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00,
                                0xFF0000FF, 0xFFA55D5A, 0xFF080808};
    // Each shade two pixels wide, so that smoothing at zoom 2 blends it with
    // itself; an odd width, so rows are padded.
    const int n = int(std::size(shades)), w = 2 * n + 1;
    auto image = CGImage::create(w, 2, CGImage::Format::rgb565);
    auto fill = [&](const uint16_t* row) {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < w; ++x)
                reinterpret_cast<uint16_t*>(image->data() + y * image->stride())[x] =
                    row[std::min(x / 2, n - 1)];
        image->markDirty();
    };
    fill(shades);
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(CGRectMake(0, 0, w, 2));
    layer->setContents(image);
    root->addSublayer(layer);
    auto big = CGImage::create(640, 960);
    testsupport::TempDir dir;
    ASSERT_TRUE(image->writePNG(dir.file("565.png")));
    compose();
    composeLayerTree(*root, *big, 0, 2.0f);
    auto written = UIImage::imageWithContentsOfFile(dir.file("565.png"));
    ASSERT_TRUE(written);
    for (int x = 0; x < n; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image->pixel(2 * x, 1), widened[x]);
        EXPECT_EQ(frame->pixel(2 * x, 1), widened[x]);
        EXPECT_EQ(big->pixel(4 * x + 2, 2), widened[x]);
        EXPECT_EQ(written->CGImage()->pixel(2 * x, 1), widened[x]);
    }
    const uint16_t reversed[] = {0x0841, 0xA2EB, 0x001F, 0x07E0, 0xF800, 0xFFFF, 0x0000};
    fill(reversed);
    composeLayerTree(*root, *big, 0, 2.0f);
    for (int x = 0; x < n; ++x) EXPECT_EQ(big->pixel(4 * x + 2, 2), widened[n - 1 - x]) << x;
}

// At zoom 2 a 5-6-5 picture is enlarged by the backend's own code, not by
// cairo: it must give cairo's pixels, which a 32-bit copy of the same
// picture still gets, wherever the layer lies (odd pixels, half pixels, off
// the frame, over all of it).
TEST_F(Compositor, EnlargingA565PictureTwiceGivesCairosPixelsWhereverItLies) {
    const int w = 37, h = 23;
    auto narrow = CGImage::create(w, h, CGImage::Format::rgb565);
    auto wide = CGImage::create(w, h);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            reinterpret_cast<uint16_t*>(narrow->data() + y * narrow->stride())[x] =
                uint16_t(state >> 16);
        }
    narrow->markDirty();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            reinterpret_cast<uint32_t*>(wide->data() + y * wide->stride())[x] = narrow->pixel(x, y);
    wide->markDirty();
    const CGRect frames[] = {CGRectMake(10, 20, w, h),    CGRectMake(10.5f, 20.5f, w, h),
                             CGRectMake(-5, -7, w, h),    CGRectMake(300, 470, w, h),
                             CGRectMake(3.25f, 4, w, h),  CGRectMake(0, 0, 320, 480),
                             CGRectMake(20, 30, 2 * w, h)};
    auto layer = std::make_shared<CALayer>();
    root->addSublayer(layer);
    auto ours = CGImage::create(640, 960), cairos = CGImage::create(640, 960);
    for (const CGRect& f : frames) {
        SCOPED_TRACE(testing::Message() << f.origin.x << "," << f.origin.y << " " << f.size.width);
        layer->setFrame(f);
        layer->setContents(narrow);
        composeLayerTree(*root, *ours, 0, 2.0f);
        layer->setContents(wide);
        composeLayerTree(*root, *cairos, 0, 2.0f);
        int differ = 0;
        for (int y = 0; y < 960; ++y)
            differ += std::memcmp(ours->data() + y * ours->stride(),
                                  cairos->data() + y * cairos->stride(), 640 * 4) != 0;
        EXPECT_EQ(differ, 0) << "rows differ";
    }
}

}  // namespace
