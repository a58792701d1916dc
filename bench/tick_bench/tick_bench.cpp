// The whole frame tick through the real stage: the stage made from its
// interface file in the real bundle, in a 320 x 480 window, on a virtual
// clock with silent sound. A drag and release sent to the window starts each
// show; then every 1/90 s the run loop runs what is due (the frame timer:
// physics, GL drawing, the copy into the GL view's layer, sound cues; and the
// placard's animations) and, as the window path does, the window is composed
// into an image. Each tick is timed on its own.
//
// Three cases take turns show by show, so that they share the machine's ups
// and downs: the tick alone (the baseline), and the tick with composition at
// zoom 1 and at zoom 2. Reports p50 and p99 per tick and the ratios to the
// baseline.
//
// Run: build/bin/tick_bench [ROUNDS]      (default 3 rounds: 9 shows)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/foundation/clock.h"
#include "host/foundation/run_loop.h"
#include "host/views/screen.h"
#include "host/views/view_controller.h"
#include "host/views/window.h"
#include "stage/PaddockView.h"

namespace {

using namespace host;
using Stopwatch = std::chrono::steady_clock;

constexpr double kTick = 1.0 / 90.0;
// A show lasts about a thousand ticks; this only stops a broken one.
constexpr int kMaxTicksPerShow = 20000;

struct Case {
    const char* name;
    float zoom;  // 0: no composition
    std::vector<double> ms;
};

double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * (v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    if (argc > 2 || (argc == 2 && ((rounds = std::atoi(argv[1])) < 1 || rounds > 1000))) {
        std::fprintf(stderr, "usage: tick_bench [ROUNDS]   (ROUNDS: 1 to 1000, default 3)\n");
        return 2;
    }

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    // A fixed calendar start seeds the same shows every run.
    VirtualClock clock(0.0, 1700000000);
    loop.setClock(&clock);
    AudioOutput::openSilent("tick_bench");

    auto window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    auto controller = UIViewController::initWithNibName("PaddockView", &NSBundle::mainBundle());
    auto stage = controller ? std::dynamic_pointer_cast<PaddockView>(controller->view()) : nullptr;
    if (!stage || !stage->placardView() || !stage->glView()) {
        std::fprintf(stderr,
                     "tick_bench: no stage with a placard and a GL view from PaddockView in %s\n",
                     NSBundle::mainBundle().resourcePath().c_str());
        return 1;
    }
    window->addSubview(stage);
    window->makeKeyAndVisible();

    auto frame1 = CGImage::create(320, 480), frame2 = CGImage::create(640, 960);
    Case cases[] = {{"tick alone", 0, {}}, {"tick + compose zoom 1", 1, {}},
                    {"tick + compose zoom 2", 2, {}}};

    double t = 0;
    auto step = [&](double dt) {
        t += dt;
        clock.advanceTo(t);
        loop.runDue();
    };
    // Composed once at each zoom before timing: the placard draws itself then.
    window->renderInto(*frame1, t, 1);
    window->renderInto(*frame2, t, 2);

    int shows = 0;
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            // Press the placard, drag it, let go: the show starts on release.
            step(0.5);
            window->sendTouch(1, UITouchPhase::Began, {160, 240}, t);
            step(0.3);
            window->sendTouch(1, UITouchPhase::Moved, {60, 140}, t);
            step(0.1);
            window->sendTouch(1, UITouchPhase::Ended, {60, 140}, t);
            if (!stage->isShowRunning()) {
                std::fprintf(stderr, "tick_bench: the release started no show\n");
                return 1;
            }
            ++shows;
            CGImage* frame = c.zoom == 2 ? frame2.get() : frame1.get();
            int ticks = 0;
            while (stage->isShowRunning()) {
                if (++ticks > kMaxTicksPerShow) {
                    std::fprintf(stderr, "tick_bench: a show ran past %d ticks\n",
                                 kMaxTicksPerShow);
                    return 1;
                }
                auto start = Stopwatch::now();
                step(kTick);
                if (c.zoom > 0) window->renderInto(*frame, t, c.zoom);
                c.ms.push_back(
                    std::chrono::duration<double, std::milli>(Stopwatch::now() - start).count());
            }
        }
    }

    std::printf("tick_bench: %d shows, 1/90 s ticks through the real stage (budget 11.1 ms)\n",
                shows);
    const double base50 = percentile(cases[0].ms, 0.5), base99 = percentile(cases[0].ms, 0.99);
    for (const Case& c : cases) {
        double p50 = percentile(c.ms, 0.5), p99 = percentile(c.ms, 0.99);
        std::printf("  %-22s %6zu ticks  p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms", c.name,
                    c.ms.size(), p50, p99, *std::max_element(c.ms.begin(), c.ms.end()));
        if (c.zoom > 0) std::printf("  (x%.2f p50, x%.2f p99 of the tick alone)", p50 / base50,
                                    p99 / base99);
        std::printf("\n");
    }

    loop.reset();
    window.reset();
    stage.reset();
    controller.reset();
    AudioOutput::close();
    loop.setClock(nullptr);
    return 0;
}
