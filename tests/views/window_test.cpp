#include <cairo.h>
#include <gtest/gtest.h>

#include "host/views/graphics_context.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Fills itself with one colour; lays out a child to its right half.
class Panel : public UIView {
  public:
    Panel(CGRect frame, double r, double g, double b) : UIView(frame), r_(r), g_(g), b_(b) {}
    int draws = 0, layouts = 0;
    std::shared_ptr<UIView> child;
    void drawRect(const CGRect&) override {
        ++draws;
        cairo_set_source_rgb(UIGraphicsGetCurrentContext(), r_, g_, b_);
        cairo_paint(UIGraphicsGetCurrentContext());
    }
    void layoutSubviews() override {
        ++layouts;
        const CGRect b = bounds();
        if (child)
            child->setFrame(CGRectMake(b.size.width / 2, 0, b.size.width / 2, b.size.height));
    }

  private:
    double r_, g_, b_;
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
