#include "host/layers/compositor.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/host_support.h"

using namespace host;

namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A layer showing one row of pixels stretched over its frame, added to `parent`.
std::shared_ptr<CALayer> add(CALayer& parent, CGRect frame, std::vector<uint32_t> argb = {kRed}) {
    auto image = CGImage::create(int(argb.size()), 1);
    std::memcpy(image->data(), argb.data(), argb.size() * 4);
    image->markDirty();
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(frame);
    layer->setContents(image);
    parent.addSublayer(layer);
    return layer;
}

CATransform3D scaled(float s) {
    return CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(s, s));
}

class Compositor : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        root->setFrame(CGRectMake(0, 0, 320, 480));
    }
    void compose(double t = 0) { composeLayerTree(*root, *frame, t, 1.0f); }
    std::shared_ptr<CALayer> root = std::make_shared<CALayer>();
    std::shared_ptr<CGImage> frame = CGImage::create(320, 480);
};

TEST_F(Compositor, LayersLandAtTheirFramesInOrderScaledAboutTheirPositionInTheirParents) {
    add(*root, CGRectMake(10, 10, 40, 20));
    add(*root, CGRectMake(100, 10, 40, 40));
    add(*root, CGRectMake(120, 30, 40, 40), {kGreen});
    add(*root, CGRectMake(40, 120, 40, 40), {kBlue})->setTransform(scaled(2));
    add(*root, CGRectMake(110, 120, 200, 100), {kRed, kBlue});
    add(*root, CGRectMake(0, 300, 100, 100))->setTransform(scaled(0));
    add(*add(*root, CGRectMake(150, 250, 100, 100)), CGRectMake(5, 5, 10, 10), {kGreen});
    auto shifted = add(*root, CGRectMake(250, 250, 60, 60));
    shifted->setBounds(CGRectMake(10, 10, 60, 60));
    add(*shifted, CGRectMake(10, 10, 10, 10), {kGreen});
    auto hidden = add(*root, CGRectMake(150, 400, 100, 60));
    add(*hidden, CGRectMake(0, 0, 20, 20), {kGreen});
    hidden->setHidden(true);
    add(*add(*root, CGRectMake(260, 400, 50, 60)), CGRectMake(0, 0, 20, 20))->setHidden(true);
    compose();
    // Corners of a frame and just outside it; a later sublayer over an earlier
    // one; scaled 2 about the position to 20..100 x 100..180; contents
    // stretched; scaled to 0; a sublayer in its parent, and at a parent's
    // bounds origin; a hidden layer, a hidden sublayer.
    const struct {
        int x, y;
        uint32_t colour;
    } pixels[] = {{10, 10, kRed},     {49, 29, kRed},     {9, 20, kBlack},    {50, 20, kBlack},
                  {30, 30, kBlack},   {110, 20, kRed},    {130, 40, kGreen},  {150, 60, kGreen},
                  {21, 140, kBlue},   {98, 178, kBlue},   {18, 140, kBlack},  {60, 182, kBlack},
                  {130, 170, kRed},   {290, 170, kBlue},  {312, 170, kBlack}, {50, 350, kBlack},
                  {160, 260, kGreen}, {170, 270, kRed},   {252, 252, kGreen}, {265, 265, kRed},
                  {160, 410, kBlack}, {200, 430, kBlack}, {265, 405, kRed}};
    for (const auto& p : pixels) EXPECT_EQ(frame->pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST_F(Compositor, DrawsPresentationValuesAtTheGivenTime) {
    auto layer = add(*root, CGRectMake(0, 0, 20, 20));  // centre (10, 10)
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setToValue(NSValue::valueWithCGPoint({210, 10}));
    a->setDuration(1.0);
    const double t0 = now();
    layer->addAnimation(a, "slide");
    layer->setPosition({210, 10});
    EXPECT_TRUE(layerTreeIsAnimating(*root, t0 + 0.5));
    compose(t0 + 0.5);
    EXPECT_EQ(frame->pixel(110, 10), kRed);
    EXPECT_EQ(frame->pixel(10, 10), kBlack);
    EXPECT_EQ(frame->pixel(210, 10), kBlack);
    compose(t0 + 1.0);
    EXPECT_EQ(frame->pixel(210, 10), kRed);
    EXPECT_FALSE(layerTreeIsAnimating(*root, t0 + 1.0));
    // Animations under a hidden layer need no frames.
    layer->addAnimation(a, "again");
    EXPECT_TRUE(layerTreeIsAnimating(*root, now() + 0.1));
    layer->setHidden(true);
    EXPECT_FALSE(layerTreeIsAnimating(*root, now() + 0.1));
}

}  // namespace

namespace {

// 5-6-5 contents (a GL view's) are widened alike wherever they are looked at:
// read a pixel at a time, composed into the frame, and written as PNG.
TEST_F(Compositor, Rgb565ContentsReadComposeAndWriteAsTheSameWidenedColours) {
    const uint16_t shades[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0xA2EB, 0x0841};
    const uint32_t widened[] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00,
                                0xFF0000FF, 0xFFA55D5A, 0xFF080808};
    const int n = int(std::size(shades));
    auto image = CGImage::create(n, 2, CGImage::Format::rgb565);
    ASSERT_EQ(image->format(), CGImage::Format::rgb565);
    for (int y = 0; y < 2; ++y)
        std::memcpy(image->data() + y * image->stride(), shades, sizeof shades);
    image->markDirty();
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(CGRectMake(0, 0, n, 2));
    layer->setContents(image);
    root->addSublayer(layer);
    compose();

    testsupport::TempDir dir;
    ASSERT_TRUE(image->writePNG(dir.file("565.png")));
    cairo_surface_t* png = cairo_image_surface_create_from_png(dir.file("565.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    CGImage written(png);
    for (int x = 0; x < n; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image->pixel(x, 1), widened[x]);
        EXPECT_EQ(frame->pixel(x, 1), widened[x]);
        EXPECT_EQ(written.pixel(x, 1) | 0xFF000000, widened[x]);
    }
}

}  // namespace

namespace {

// A 5-6-5 layer (a GL view's) over the rest: where it covers the whole frame
// what lies beneath is not drawn at all, and nothing that shows is lost —
// not when it is moved, shrunk or turned, and not when it changes between
// compositions at a zoom where it is drawn scaled.
TEST_F(Compositor, AnOpaqueLayerOverTheWholeFrameHidesWhatIsBeneathAndShowsEachNewPicture) {
    add(*root, CGRectMake(0, 0, 320, 480), {kGreen});  // beneath
    auto gl = std::make_shared<CALayer>();
    auto picture = CGImage::create(320, 480, CGImage::Format::rgb565);
    auto fill = [&](uint16_t colour) {
        for (int y = 0; y < 480; ++y)
            std::fill_n(reinterpret_cast<uint16_t*>(picture->data() + y * picture->stride()), 320,
                        colour);
        picture->markDirty();
    };
    fill(0x001F);
    gl->setFrame(CGRectMake(0, 0, 320, 480));
    gl->setContents(picture);
    root->addSublayer(gl);
    const struct {
        CGRect frame;
        CATransform3D transform;
        bool covers;  // no corner of the frame shows what lies beneath
    } cases[] = {
        {CGRectMake(0, 0, 320, 480), CATransform3DIdentity, true},
        {CGRectMake(-10, -10, 340, 500), CATransform3DIdentity, true},
        {CGRectMake(1, 0, 320, 480), CATransform3DIdentity, false},
        {CGRectMake(0, 0, 320, 480), scaled(0.9f), false},
        {CGRectMake(0, 0, 320, 480),
         // Turned a little: a shear stands in for a turn here.
         CATransform3DMakeAffineTransform(CGAffineTransform{1, 0.1f, 0, 1, 0, 0}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.origin.x << " " << c.frame.size.width);
        gl->setFrame(c.frame);
        gl->setTransform(c.transform);
        compose();
        int green = 0;
        for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 479}, {319, 479}})
            green += frame->pixel(x, y) == kGreen;
        EXPECT_EQ(green == 0, c.covers);
        EXPECT_EQ(frame->pixel(160, 240), kBlue);
    }
    gl->setFrame(CGRectMake(0, 0, 320, 480));
    gl->setTransform(CATransform3DIdentity);
    auto big = CGImage::create(640, 960);
    for (uint16_t colour : {0xF800, 0x07E0, 0x001F}) {
        fill(colour);
        composeLayerTree(*root, *big, 0, 2.0f);
        EXPECT_EQ(big->pixel(320, 480), picture->pixel(160, 240)) << "a new picture is shown";
        EXPECT_EQ(big->pixel(0, 0), picture->pixel(0, 0));
    }
}

}  // namespace
