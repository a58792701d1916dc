#include "host/views/view_controller.h"

#include <gtest/gtest.h>

#include "host/foundation/messages.h"
#include "host/views/view.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

// A view class of the test's own, made only through an interface file.
class ArchivedView : public UIView {
  public:
    explicit ArchivedView(const CGRect& frame) : UIView(frame) {}
    static int made;
};
int ArchivedView::made = 0;

class ViewController : public ::testing::Test {
  protected:
    void SetUp() override {
        UIViewClassRegistry::shared().registerClass(
            "ArchivedView", [](const NSCoder& coder) -> std::shared_ptr<UIView> {
                ++ArchivedView::made;
                auto frame = coder.decodeFrame();
                return frame ? std::make_shared<ArchivedView>(*frame) : nullptr;
            });
        UIViewClassRegistry::shared().registerClass(
            "FailingView", [](const NSCoder&) -> std::shared_ptr<UIView> { return nullptr; });
        bundle.setResourcePath(dir.path());
        ArchivedView::made = 0;
    }
    testsupport::TempDir dir;
    NSBundle& bundle = NSBundle::mainBundle();
    std::string saved = NSBundle::mainBundle().resourcePath();
    void TearDown() override { bundle.setResourcePath(saved); }
};

// A byte order mark is skipped and a repeated key's last value wins.
TEST_F(ViewController, ViewIsUnarchivedOnceFromTheInterfaceFileByItsClassName) {
    dir.write("Stage.json",
              "\xEF\xBB\xBF"
              R"({"view": {"class": "Nonesuch", "frame": [0, 0, 320, 480],)"
              R"( "class": "ArchivedView"}})");
    testsupport::StderrCapture out;
    auto controller = UIViewController::initWithNibName("Stage", &bundle);
    EXPECT_EQ(ArchivedView::made, 0);  // nothing is read before the view is asked for
    auto view = controller->view();
    ASSERT_TRUE(dynamic_cast<ArchivedView*>(view.get())) << out.text();
    EXPECT_EQ(view->center(), CGPointMake(160, 240));
    EXPECT_EQ(controller->view(), view);
    EXPECT_EQ(ArchivedView::made, 1);
    EXPECT_EQ(out.text(), "");
}

TEST_F(ViewController, UnusableInterfaceFilesGiveNoViewAndOneLineSayingWhy) {
    const std::string file = dir.file("Stage.json");
    auto unusable = [&](const std::string& why) {
        return testsupport::message(messages::kInterfaceFileUnusable, file.c_str(), why.c_str());
    };
    const std::string notAFrame = "the frame is not four numbers [x, y, width, height]";
    const std::string nested =
        "{\"view\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    const struct {
        const char* contents;  // nullptr: no file
        std::string line;
    } cases[] = {
        {nullptr,
         testsupport::message(messages::kInterfaceFileMissing, "Stage", dir.path().c_str())},
        {"{\"view\": ", unusable("it is not JSON")},
        // Strict JSON: no comments, no trailing commas, nothing after the value,
        // and nesting deep enough to exhaust a recursive reader is refused.
        {R"({"view": {"class": "UIView"}} // stage)", unusable("it is not JSON")},
        {R"({"view": {"class": "UIView"}} {})", unusable("it is not JSON")},
        {nested.c_str(), unusable("it is not JSON")},
        {"[1, 2]", unusable("it holds no \"view\" object")},
        {R"({"view": {"frame": [0, 0, 1, 1]}})", unusable("the view names no class")},
        {R"({"view": {"class": "Nonesuch"}})", unusable("the view class \"Nonesuch\" is unknown")},
        {R"({"view": {"class": "UIView", "frame": [0, 0, "wide", 1]}})", unusable(notAFrame)},
        {R"({"view": {"class": "UIView", "frame": [0, 0, 1e300, 1]}})", unusable(notAFrame)},
        {R"({"view": {"class": "UIView", "frame": [0, 0, -320, 480]}})",
         unusable("a view of class \"UIView\" cannot be made from it")},
        {R"({"view": {"class": "FailingView"}})",
         unusable("a view of class \"FailingView\" cannot be made from it")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contents ? c.contents : "no file");
        std::filesystem::remove(file);
        if (c.contents) dir.write("Stage.json", std::string(c.contents));
        testsupport::StderrCapture out;
        EXPECT_EQ(UIViewController::initWithNibName("Stage", &bundle)->view(), nullptr);
        EXPECT_EQ(out.text(), c.line);
    }
}

}  // namespace
