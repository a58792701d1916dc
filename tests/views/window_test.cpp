#include <cairo.h>
#include <gtest/gtest.h>

#include "host/views/graphics_context.h"
#include "host/views/screen.h"
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
        cairo_t* cr = UIGraphicsGetCurrentContext();
        cairo_set_source_rgb(cr, r_, g_, b_);
        cairo_paint(cr);
    }
    void layoutSubviews() override {
        ++layouts;
        if (child) {
            CGRect b = bounds();
            child->setFrame(CGRectMake(b.size.width / 2, 0, b.size.width / 2, b.size.height));
        }
    }

  private:
    double r_, g_, b_;
};

using Window = ViewTest;

TEST_F(Window, RenderingLaysOutAndRedrawsWhatAskedThenComposes) {
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
    window->renderInto(*frame, now(), 1.0f);
    EXPECT_EQ(panel->draws, 1);
    EXPECT_EQ(panel->layouts, 1);
}

TEST_F(Window, SnapshotIsTheWindowTimesTheZoom) {
    auto panel = std::make_shared<Panel>(CGRectMake(300, 460, 20, 20), 0, 1, 0);
    panel->setNeedsDisplay();
    stage->addSubview(panel);
    auto shot = window->snapshot(now(), 2.0f);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width(), 640);
    EXPECT_EQ(shot->height(), 960);
    EXPECT_EQ(shot->pixel(639, 959), 0xFF00FF00u);
    EXPECT_EQ(shot->pixel(598, 918), 0xFF000000u);
}

TEST_F(Window, AnimatingOnlyWhileAnAnimationIsDue) {
    auto panel = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
    stage->addSubview(panel);
    EXPECT_FALSE(window->isAnimating(now()));
    UIView::beginAnimations("", nullptr);
    panel->setCenter({100, 100});
    UIView::commitAnimations();
    EXPECT_TRUE(window->isAnimating(now() + 0.1));
    EXPECT_FALSE(window->isAnimating(now() + 0.2));
}

TEST_F(Window, KeyWindowAndScreen) {
    EXPECT_EQ(UIWindow::keyWindow(), window.get());
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(stage->window(), window.get());
    auto loose = std::make_shared<UIView>(CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(loose->window(), nullptr);
    EXPECT_EQ(UIScreen::mainScreen().bounds(), CGRectMake(0, 0, 320, 480));
    auto other = std::make_shared<UIWindow>(CGRectMake(0, 0, 10, 10));
    EXPECT_TRUE(other->isHidden());
    window.reset();
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
}

}  // namespace
