#include <gtest/gtest.h>

#include "host/layers/recording_backend.h"
#include "host/views/graphics_context.h"
#include "host/views/screen.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Fills itself white from (0, 0) to (edge, height) as a path; lays out a
// child to its right half.
class Panel : public UIView {
  public:
    Panel(CGRect frame, float edge) : UIView(frame), edge_(edge) {}
    int draws = 0, layouts = 0;
    std::shared_ptr<UIView> child;
    void drawRect(const CGRect& rect) override {
        ++draws;
        CGMutablePathRef path = CGPathCreateMutable();
        for (auto [x, y] : {std::pair{0.0f, 0.0f},
                            {edge_, 0.0f},
                            {edge_, rect.size.height},
                            {0.0f, rect.size.height}})
            CGPathAddLineToPoint(path, nullptr, x, y);
        UIGraphicsGetCurrentContext()->setFillColor(1, 1, 1, 1);
        UIGraphicsGetCurrentContext()->fillPath(*path);
    }
    void layoutSubviews() override {
        ++layouts;
        const CGSize s = bounds().size;
        if (child) child->setFrame(CGRectMake(s.width / 2, 0, s.width / 2, s.height));
    }

  private:
    float edge_;
};

using Window = ViewTest;

TEST_F(Window, RenderingLaysOutThenRedrawsWhatAskedAtTheScreensScaleThenComposesAtTheZoom) {
    ScopedRecordingBackend recording;
    UIScreen::mainScreen().setScale(2);
    auto panel = std::make_shared<Panel>(CGRectMake(0, 0, 100, 100), 10);
    auto child = std::make_shared<Panel>(CGRectMake(0, 0, 1, 1), 10);
    panel->child = child;
    panel->addSubview(child);
    stage->addSubview(panel);
    panel->setNeedsDisplay();
    child->setNeedsDisplay();
    window->renderInto(*CGImage::create(320, 480), now(), 3.0f);
    UIScreen::mainScreen().setScale(1);
    // The child was laid out to the right half before it was drawn at that size.
    EXPECT_EQ(recording.callsStartingWith("into"),
              (std::vector<std::string>{"into 200 x 200", "into 100 x 200", "into 320 x 480"}));
    EXPECT_EQ(recording.callsStartingWith("image"),
              (std::vector<std::string>{"image 200 x 200 bilinear extended at 0 0 to 300 300",
                                        "image 100 x 200 bilinear extended at 150 0 to 300 300"}));
    // Nothing asked for: nothing laid out or redrawn.
    recording.calls.clear();
    auto shot = window->snapshot(now(), 2.0f);
    EXPECT_EQ(panel->draws + panel->layouts, 2);
    EXPECT_EQ(recording.callsStartingWith("into"), std::vector<std::string>{"into 640 x 960"});
    // The key window is the one made visible, while it lives.
    EXPECT_EQ(child->window(), window.get());
    EXPECT_EQ(UIWindow::keyWindow(), window.get());
    window.reset();
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
}

// With real pixels: an edge half-way across a point is a blend at 1 pixel per
// point and a clean step at 2 and 4, so an enlarged window keeps the detail.
TEST_F(Window, ViewsDrawAtTheScreensScaleSoAnEnlargedWindowKeepsTheirDetail) {
    for (float scale : {1.0f, 2.0f, 4.0f}) {
        SCOPED_TRACE(scale);
        UIScreen::mainScreen().setScale(scale);
        auto view = std::make_shared<Panel>(CGRectMake(20, 30, 20, 10), 10.5f);
        stage->addSubview(view);
        view->setNeedsDisplay();
        auto shot = window->snapshot(now(), scale);
        ASSERT_EQ(view->layer().contents()->width(), int(20 * scale));
        auto at = [&](float x, float y) { return shot->pixel(int(x * scale), int(y * scale)); };
        EXPECT_EQ(at(20, 30), 0xFFFFFFFFu);
        EXPECT_EQ(at(20 - 1 / scale, 30), 0xFF000000u);
        EXPECT_EQ(at(20, 40), 0xFF000000u);
        if (scale == 1.0f) {
            EXPECT_EQ(at(30, 35) & 0xFF, 0x80u) << "a half-covered pixel";
        } else {
            EXPECT_EQ(at(30.5f - 1 / scale, 35), 0xFFFFFFFFu);
            EXPECT_EQ(at(30.5f, 35), 0xFF000000u);
        }
        view->removeFromSuperview();
    }
    UIScreen::mainScreen().setScale(1.0f);
}

}  // namespace
