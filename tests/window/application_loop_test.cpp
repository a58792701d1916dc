#include "host/views/application_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "host/foundation/messages.h"
#include "host/views/scripted_window.h"
#include "tests/support/host_support.h"

// The window's loop on a scripted backend, with no display: what it presents,
// how long it sleeps, what it delivers and says. Times count from the start.

namespace {

using namespace host;
using Kind = InputEvent::Kind;
using Steps = std::vector<ScriptedWindow::Step>;
constexpr double kNever = NSRunLoop::kNever, p = 1.0 / 60;

// Logs the touches it gets as "began@1.75 ".
struct TouchLog : UIView {
    using UIView::UIView;
    std::string log;
    void note(const char* what, const NSSet<UITouch>& t) {
        log += what + ("@" + testing::PrintToString(t.anyObject()->timestamp() - 10)) + " ";
    }
    void touchesBegan(const NSSet<UITouch>& t, UIEvent*) override { note("began", t); }
    void touchesCancelled(const NSSet<UITouch>& t, UIEvent*) override { note("cancelled", t); }
};

InputEvent input(Kind kind, double age = 0) { return {kind, 1, UITouchPhase::Began, {9, 9}, age}; }

std::string formatted(const char* format, const char* text) {
    char line[200];
    std::snprintf(line, sizeof line, format, text);
    return line;
}

class ApplicationLoopTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        window.addSubview(view);
        window.makeKeyAndVisible();
    }
    // A backend whose steps come at their times after now.
    static std::unique_ptr<ScriptedWindow> scripted(VirtualClock& clock, Steps steps) {
        for (auto& step : steps) step.time += clock.now();
        return std::make_unique<ScriptedWindow>(clock, steps);
    }
    // Runs the loop; then the times it presented and waited for count from 10.
    void run(ScriptedWindow& backend) {
        std::vector<double> shown;
        ApplicationLoop app(window, backend,
                            {[&](const CGImage&, double t) { shown.push_back(t); },
                             [&] { view->log += "toggle ", app.setNeedsFrame(); }});
        EXPECT_EQ(app.run(), 0);
        EXPECT_EQ(shown, backend.presents) << "the hook hears of every frame shown";
        for (auto* times : {&backend.presents, &backend.waits})
            for (double& t : *times) t -= 10;
    }
    UIWindow window{CGRectMake(0, 0, 320, 480)};
    std::shared_ptr<TouchLog> view = std::make_shared<TouchLog>(CGRectMake(0, 0, 320, 480));
};

void expectTimes(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size()) << testing::PrintToString(got);
    for (size_t i = 0; i < got.size(); ++i)  // (inf - inf is not near 0)
        EXPECT_NEAR(got[i] == want[i] ? 0 : got[i] - want[i], 0, 1e-9) << "at " << i;
}

TEST_F(ApplicationLoopTest, PresentsWhatChangedAtMostOncePerRefreshAndSleepsUntilTheNextThing) {
    auto timer = [&](auto&) {
        NSTimer::scheduledTimerWithTimeInterval(
            0.25, [&](NSTimer&) { view->log += "timer "; }, false);
    };
    auto animation = [&](auto&) {
        UIView::beginAnimations(nullptr);
        UIView::setAnimationDuration(0.09);
        view->setCenter({0, 0});
        UIView::commitAnimations();
    };
    const InputEvent redraw = input(Kind::Redraw), touch = input(Kind::Touch);
    const std::string lost = formatted(messages::kWindowUnusable, "the surface is lost");
    const struct {
        const char* what;
        Steps steps;
        std::function<void(ScriptedWindow&)> setup;
        std::vector<double> presents, waits;
        std::string log = "", said = "";
    } cases[] = {
        // clang-format off
        {"idle: one frame, then an unbounded sleep", {}, {}, {0}, {kNever}},
        {"a timer wakes the loop at its time", {}, timer, {0, 0.25}, {0.25, kNever}, "timer "},
        {"an animation: one frame per refresh, and the last after its end", {}, animation,
         {0, p, 2 * p, 3 * p, 4 * p, 5 * p, 6 * p},
         {p, 2 * p, 3 * p, 4 * p, 5 * p, 0.09, 6 * p, kNever}},
        {"input faster than the display", {{0.005, redraw}, {0.01, redraw}}, {}, {0, p},
         {kNever, p, p, kNever}},
        {"a touch is dated by its age", {{2, input(Kind::Touch, 0.25)}}, {}, {0, 2}, {kNever, kNever},
         "began@1.75 "},
        {"cancel all cancels the fingers down", {{1, touch}, {1.5, input(Kind::CancelAll, 0.125)}},
         {}, {0, 1, 1.5}, {kNever, kNever, kNever}, "began@1 cancelled@1.375 "},
        {"quit ends the loop", {{1, input(Kind::Quit)}, {2, touch}}, {}, {0}, {kNever}},
        {"recording is toggled and the frame shown at once", {{1, input(Kind::ToggleRecording)}}, {},
         {0, 1}, {kNever, kNever}, "toggle "},
        {"a failing present is reported once", {{1, redraw}, {2, redraw}},
         [](auto& b) { b.failPresents = true; }, {0, 1, 2}, {kNever, kNever, kNever}, "", lost},
        {"a window destroyed elsewhere ends the loop with one line", {{1, redraw}, {2, touch}},
         [](auto& b) { b.goneAt = 11; }, {0}, {kNever}, "", messages::kWindowDestroyed},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown(), clock = VirtualClock(10.0), SetUp();
        window.cancelAllTouches(0), view->log.clear();
        testsupport::StderrCapture said;
        auto backend = scripted(clock, c.steps);
        if (c.setup) c.setup(*backend);
        run(*backend);
        EXPECT_EQ(said.text(), c.said);
        EXPECT_EQ(view->log, c.log);
        expectTimes(backend->presents, c.presents);
        expectTimes(backend->waits, c.waits);
    }
}

TEST_F(ApplicationLoopTest, WorkPostedFromAnotherThreadEndsAnUnboundedSleep) {
    auto backend = scripted(clock, {});
    backend->blockWhenIdle = true;
    std::thread::id ranOn;
    std::thread poster([&] {
        while (!backend->sleeping()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        loop.post([&] { ranOn = std::this_thread::get_id(), backend->blockWhenIdle = false; });
    });
    run(*backend);
    poster.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    // What the work changed is shown at the next refresh.
    expectTimes(backend->presents, {0, p});
    expectTimes(backend->waits, {kNever, p, kNever});
}

}  // namespace
