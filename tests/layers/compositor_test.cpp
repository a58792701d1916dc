#include "host/layers/compositor.h"

#include <gtest/gtest.h>

#include <cstring>

#include "virtual_time.h"

using namespace host;

namespace {

constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

std::shared_ptr<CGImage> solid(int w, int h, uint32_t argb) {
    auto image = CGImage::create(w, h);
    uint8_t* data = image->data();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::memcpy(data + y * image->stride() + x * 4, &argb, 4);
    image->markDirty();
    return image;
}

std::shared_ptr<CALayer> coloured(CGRect frame, uint32_t argb) {
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(frame);
    layer->setContents(
        solid(static_cast<int>(frame.size.width), static_cast<int>(frame.size.height), argb));
    return layer;
}

class Compositor : public VirtualTimeTest {
  protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        root = std::make_shared<CALayer>();
        root->setFrame(CGRectMake(0, 0, 320, 480));
        frame = CGImage::create(320, 480);
    }
    void compose(double t = 0) { composeLayerTree(*root, *frame, t, 1.0f); }
    std::shared_ptr<CALayer> root;
    std::shared_ptr<CGImage> frame;
};

TEST_F(Compositor, LayersLandAtTheirFramesOverBlack) {
    root->addSublayer(coloured(CGRectMake(30, 50, 40, 20), kRed));
    compose();
    EXPECT_EQ(frame->pixel(30, 50), kRed);
    EXPECT_EQ(frame->pixel(69, 69), kRed);
    EXPECT_EQ(frame->pixel(29, 60), kBlack);
    EXPECT_EQ(frame->pixel(70, 60), kBlack);
    EXPECT_EQ(frame->pixel(50, 70), kBlack);
    EXPECT_EQ(frame->pixel(300, 400), kBlack);
}

TEST_F(Compositor, LaterSublayersLieAboveEarlierOnes) {
    root->addSublayer(coloured(CGRectMake(0, 0, 100, 100), kRed));
    root->addSublayer(coloured(CGRectMake(50, 50, 100, 100), kGreen));
    compose();
    EXPECT_EQ(frame->pixel(25, 25), kRed);
    EXPECT_EQ(frame->pixel(75, 75), kGreen);
    EXPECT_EQ(frame->pixel(125, 125), kGreen);
}

TEST_F(Compositor, TransformScalesAboutThePosition) {
    auto layer = coloured(CGRectMake(80, 80, 40, 40), kBlue);  // centre (100, 100)
    layer->setTransform(CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(2, 2)));
    root->addSublayer(layer);
    compose();
    EXPECT_EQ(frame->pixel(61, 100), kBlue);
    EXPECT_EQ(frame->pixel(138, 138), kBlue);
    EXPECT_EQ(frame->pixel(58, 100), kBlack);
    EXPECT_EQ(frame->pixel(100, 142), kBlack);
}

TEST_F(Compositor, SublayersSitInTheirParentsBoundsAndHiddenSkipsTheSubtree) {
    auto parent = coloured(CGRectMake(150, 250, 100, 100), kRed);
    auto child = coloured(CGRectMake(5, 5, 10, 10), kGreen);  // centre (10, 10) in the parent
    parent->addSublayer(child);
    root->addSublayer(parent);
    compose();
    EXPECT_EQ(frame->pixel(160, 260), kGreen);
    EXPECT_EQ(frame->pixel(170, 270), kRed);

    // A bounds origin shifts what the parent's sublayers are drawn against.
    parent->setBounds(CGRectMake(10, 10, 100, 100));
    compose();
    EXPECT_EQ(frame->pixel(150, 250), kGreen);

    parent->setHidden(true);
    compose();
    EXPECT_EQ(frame->pixel(150, 250), kBlack);
    EXPECT_EQ(frame->pixel(200, 300), kBlack);

    parent->setHidden(false);
    child->setHidden(true);
    compose();
    EXPECT_EQ(frame->pixel(150, 250), kRed);
}

TEST_F(Compositor, ContentsStretchOverTheBounds) {
    auto image = CGImage::create(2, 1);
    uint32_t two[] = {kRed, kBlue};
    std::memcpy(image->data(), two, sizeof two);
    image->markDirty();
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(CGRectMake(0, 0, 200, 100));
    layer->setContents(image);
    root->addSublayer(layer);
    compose();
    EXPECT_EQ(frame->pixel(20, 50), kRed);
    EXPECT_EQ(frame->pixel(180, 50), kBlue);
    EXPECT_EQ(frame->pixel(210, 50), kBlack);
}

TEST_F(Compositor, ZoomScalesTheWholeFrame) {
    root->addSublayer(coloured(CGRectMake(30, 50, 40, 20), kRed));
    auto big = CGImage::create(640, 960);
    composeLayerTree(*root, *big, 0, 2.0f);
    EXPECT_EQ(big->pixel(60, 100), kRed);
    EXPECT_EQ(big->pixel(139, 139), kRed);
    EXPECT_EQ(big->pixel(58, 100), kBlack);
    EXPECT_EQ(big->pixel(141, 120), kBlack);
}

TEST_F(Compositor, DrawsPresentationValuesAtTheGivenTime) {
    auto layer = coloured(CGRectMake(0, 0, 20, 20), kRed);  // centre (10, 10)
    root->addSublayer(layer);
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setFromValue(NSValue::valueWithCGPoint({10, 10}));
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

TEST_F(Compositor, ALayerScaledToNothingShowsNothing) {
    auto layer = coloured(CGRectMake(0, 0, 100, 100), kRed);
    layer->setTransform(CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(0, 0)));
    root->addSublayer(layer);
    compose();
    EXPECT_EQ(frame->pixel(50, 50), kBlack);
}

}  // namespace
