#include <gtest/gtest.h>

#include "host/layers/cg_context.h"
#include "host/views/graphics_context.h"
#include "host/views/screen.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Fills itself with one colour; lays out a child to its right half.
class Panel : public UIView {
  public:
    Panel(CGRect frame, float r, float g, float b) : UIView(frame), r_(r), g_(g), b_(b) {}
    int draws = 0, layouts = 0;
    std::shared_ptr<UIView> child;
    void drawRect(const CGRect&) override {
        ++draws;
        UIGraphicsGetCurrentContext()->setFillColor(r_, g_, b_, 1);
        UIGraphicsGetCurrentContext()->fillRect(bounds());
    }
    void layoutSubviews() override {
        ++layouts;
        const CGRect b = bounds();
        if (child)
            child->setFrame(CGRectMake(b.size.width / 2, 0, b.size.width / 2, b.size.height));
    }

  private:
    float r_, g_, b_;
};

using Window = ViewTest;

TEST_F(Window, RenderingLaysOutAndRedrawsWhatAskedThenComposesAtTheZoom) {
    auto panel = std::make_shared<Panel>(CGRectMake(0, 0, 100, 100), 1, 0, 0);
    auto child = std::make_shared<Panel>(CGRectMake(0, 0, 1, 1), 0, 0, 1);
    panel->child = child;
    panel->addSubview(child);
    stage->addSubview(panel);
    panel->setNeedsDisplay();
    child->setNeedsDisplay();
    auto frame = CGImage::create(320, 480);
    window->renderInto(*frame, now(), 1.0f);
    EXPECT_EQ(panel->draws, 1);
    EXPECT_EQ(frame->pixel(10, 50), 0xFFFF0000u);
    // The child was laid out to the right half before it was drawn at that size.
    EXPECT_EQ(frame->pixel(60, 50), 0xFF0000FFu);
    EXPECT_EQ(frame->pixel(99, 99), 0xFF0000FFu);
    EXPECT_EQ(frame->pixel(150, 50), 0xFF000000u);
    // Nothing asked for: nothing redrawn.
    auto shot = window->snapshot(now(), 2.0f);
    EXPECT_EQ(panel->draws, 1);
    EXPECT_EQ(panel->layouts, 1);
    ASSERT_EQ(shot->width(), 640);
    ASSERT_EQ(shot->height(), 960);
    EXPECT_EQ(shot->pixel(198, 198), 0xFF0000FFu);
    EXPECT_EQ(shot->pixel(202, 198), 0xFF000000u);
    // The key window is the one made visible, while it lives.
    EXPECT_EQ(child->window(), window.get());
    EXPECT_EQ(UIWindow::keyWindow(), window.get());
    window.reset();
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
}

}  // namespace

namespace {

// A view draws its contents at the screen's pixels per point, so an enlarged
// window shows detail a point-sized drawing lacks: an edge half-way across a
// point is a blend at 1 pixel per point and a clean step at 2.
class HalfPointEdge : public UIView {
  public:
    using UIView::UIView;
    void drawRect(const CGRect&) override {
        CGMutablePathRef path = CGPathCreateMutable();
        for (auto [x, y] : {std::pair{0.0f, 0.0f}, {10.5f, 0.0f}, {10.5f, 10.0f}, {0.0f, 10.0f}})
            CGPathAddLineToPoint(path, nullptr, x, y);
        UIGraphicsGetCurrentContext()->setFillColor(1, 1, 1, 1);
        UIGraphicsGetCurrentContext()->fillPath(*path);
    }
};

TEST_F(Window, ViewsDrawAtTheScreensScaleSoAnEnlargedWindowKeepsTheirDetail) {
    for (float scale : {1.0f, 2.0f, 4.0f}) {
        SCOPED_TRACE(scale);
        UIScreen::mainScreen().setScale(scale);
        auto view = std::make_shared<HalfPointEdge>(CGRectMake(20, 30, 20, 10));
        stage->addSubview(view);
        view->setNeedsDisplay();
        auto shot = window->snapshot(now(), scale);
        const auto& contents = view->layer().contents();
        ASSERT_TRUE(contents);
        EXPECT_EQ(contents->width(), int(20 * scale));
        EXPECT_EQ(contents->height(), int(10 * scale));
        // Placed where the view is at every scale.
        EXPECT_EQ(shot->pixel(int(20 * scale), int(30 * scale)), 0xFFFFFFFFu);
        EXPECT_EQ(shot->pixel(int(20 * scale) - 1, int(30 * scale)), 0xFF000000u);
        EXPECT_EQ(shot->pixel(int(20 * scale), int(40 * scale)), 0xFF000000u);
        // The edge at 30.5 points.
        const int y = int(35 * scale);
        if (scale == 1.0f) {
            EXPECT_EQ(shot->pixel(30, y) & 0xFF, 0x80u) << "a half-covered pixel";
        } else {
            EXPECT_EQ(shot->pixel(int(30.5f * scale) - 1, y), 0xFFFFFFFFu);
            EXPECT_EQ(shot->pixel(int(30.5f * scale), y), 0xFF000000u);
        }
        view->removeFromSuperview();
    }
    UIScreen::mainScreen().setScale(1.0f);
}

}  // namespace
