#include "host/views/application_loop.h"

#include <gtest/gtest.h>

#include <deque>
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

// A window that has pixels of the frame's kind gets each frame composed
// straight into them and shown without a copy; pixels of another size are
// not used.
TEST_F(ApplicationLoopTest, FramesAreComposedIntoTheWindowsOwnPixelsWhenTheyFit) {
    auto blue = CGImage::create(1, 1);
    *reinterpret_cast<uint32_t*>(blue->data()) = 0xFF0000FF;
    auto cover = std::make_shared<CALayer>();
    cover->setFrame(CGRectMake(0, 0, 320, 480));
    cover->setContents(blue);
    view->layer().addSublayer(cover);
    for (const int width : {320, 321}) {
        SCOPED_TRACE(width);
        auto backend = scripted(clock, {{1, input(Kind::Redraw)}});
        backend->ownPixels = CGImage::create(width, 480);
        run(*backend);
        ASSERT_EQ(backend->presented.size(), 2u);
        const bool fits = width == 320;
        for (const CGImage* shown : backend->presented)
            EXPECT_EQ(shown == backend->ownPixels.get(), fits);
        EXPECT_EQ(backend->ownPixels->pixel(5, 5), fits ? 0xFF0000FFu : 0u);
    }
}

// A backend fed between turns, as a page's events come; it presents at every turn.
struct PageWindow : WindowBackend {
    explicit PageWindow(Clock& clock) : clock(clock) {}
    int zoom() const override { return 1; }
    double refreshInterval() const override { return 0; }
    bool present(const CGImage&, std::string&) override {
        presents.push_back(clock.now() - 10);
        return true;
    }
    std::optional<InputEvent> waitEvent(double) override { return pollEvent(); }
    std::optional<InputEvent> pollEvent() override {
        if (queue.empty()) return std::nullopt;
        InputEvent e = queue.front();
        queue.pop_front();
        return e;
    }
    void wake() override {}
    bool wasDestroyedElsewhere() const override { return false; }
    Clock& clock;
    std::deque<InputEvent> queue;
    std::vector<double> presents;
};

TEST_F(ApplicationLoopTest, TurnsFireEachTimerAndTouchAtItsOwnTimeInOrder) {
    // A 90 Hz tick under 60 Hz turns (set a little after each 1/60 s so that
    // no fire ties with a turn), with a touch that happened between two fires.
    std::vector<std::pair<std::string, double>> log;
    auto tick = NSTimer::scheduledTimerWithTimeInterval(
        1.0 / 90, [&](NSTimer&) { log.emplace_back("tick", now() - 10); }, true);
    struct Toucher : UIView {
        using UIView::UIView;
        std::vector<std::pair<std::string, double>>* log;
        void touchesBegan(const NSSet<UITouch>& t, UIEvent*) override {
            log->emplace_back("touch", t.anyObject()->timestamp() - 10);
        }
    };
    auto toucher = std::make_shared<Toucher>(CGRectMake(0, 0, 320, 480));
    toucher->log = &log;
    window.addSubview(toucher);
    PageWindow page(clock);
    ApplicationLoop app(window, page);
    ASSERT_TRUE(app.start());
    std::vector<size_t> ticksPerTurn;
    for (int k = 1; k <= 6; ++k) {
        // Came 0.02 s before the fourth turn: after the fourth tick, before the fifth.
        if (k == 4) page.queue.push_back(input(Kind::Touch, 0.02));
        const size_t before = log.size();
        ASSERT_TRUE(app.turn(clock, 10 + k / 60.0 + 0.001));
        ticksPerTurn.push_back(log.size() - before - (k == 4));
    }
    tick->invalidate();
    EXPECT_EQ(ticksPerTurn, (std::vector<size_t>{1, 2, 1, 2, 1, 2}));
    ASSERT_EQ(log.size(), 10u);
    const double touchAt = 4 / 60.0 + 0.001 - 0.02;
    for (size_t i = 0, fire = 1; i < log.size(); ++i) {
        const bool touch = i == 4;
        EXPECT_EQ(log[i].first, touch ? "touch" : "tick") << "at " << i;
        EXPECT_NEAR(log[i].second, touch ? touchAt : (fire++) / 90.0, 1e-9) << "at " << i;
    }
    std::vector<double> turns;
    for (int k = 1; k <= 6; ++k) turns.push_back(k / 60.0 + 0.001);
    expectTimes(page.presents, turns);

    // Ten seconds late (a page put away), a turn catches up on a quarter of a
    // second only: the tick fires through it at its own times, not 900 times.
    log.clear();
    tick = NSTimer::scheduledTimerWithTimeInterval(
        1.0 / 90, [&](NSTimer&) { log.emplace_back("tick", now() - 10); }, true);
    ASSERT_TRUE(app.turn(clock, 20.101));
    tick->invalidate();
    EXPECT_GE(log.size(), 22u);
    EXPECT_LE(log.size(), 24u);
    for (const auto& [what, at] : log)
        EXPECT_GE(at, 10.101 - ApplicationLoop::kMostCaughtUp - 1e-9);
}

}  // namespace
