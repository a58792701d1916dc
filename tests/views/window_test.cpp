#include <gtest/gtest.h>

#include "host/layers/recording_backend.h"
#include "host/views/screen.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Counts its draws and layouts; lays out a child to its right half.
class Panel : public UIView {
  public:
    using UIView::UIView;
    int draws = 0, layouts = 0;
    std::shared_ptr<UIView> child;
    void drawRect(const CGRect&) override { ++draws; }
    void layoutSubviews() override {
        ++layouts;
        const CGSize s = bounds().size;
        if (child) child->setFrame(CGRectMake(s.width / 2, 0, s.width / 2, s.height));
    }
};

using Window = ViewTest;

TEST_F(Window, RenderingLaysOutThenRedrawsWhatAskedAtTheScreensScaleThenComposesAtTheZoom) {
    ScopedRecordingBackend recording;
    UIScreen::mainScreen().setScale(2);
    auto panel = std::make_shared<Panel>(CGRectMake(0, 0, 100, 100));
    auto child = std::make_shared<Panel>(CGRectMake(0, 0, 1, 1));
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
    // Drawn at 2 pixels a point, composed at zoom 3 with each image fitted to its points.
    EXPECT_EQ(recording.callsStartingWith("scale"),
              (std::vector<std::string>{"scale 2 2", "scale 2 2", "scale 3 3", "scale 0.5 0.5",
                                        "scale 0.5 0.5"}));
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

}  // namespace
