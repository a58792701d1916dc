// One frame of the cow show's GL work at 320 x 480, through the stage's own
// show steps (CowShow::drawFrame): clear, load identity, make current,
// draw_cow (which waits for GL to finish) and swapBuffers (the copy into the
// layer's contents). Shows are run
// back to back; each frame is timed on its own so that p50 and p99 can be
// given, and operator new is counted to show that steady frames allocate nothing.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "gl/EAGLView.h"
#include "scene/cow_scene.h"
#include "stage/CowShow.h"

namespace {
std::atomic<long> news{0};
}

void* operator new(std::size_t size) {
    news.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kWidth = 320, kHeight = 480;

void BM_ShowFrame(benchmark::State& state) {
    auto view = EAGLView::initWithFrame(host::CGRectMake(0, 0, kWidth, kHeight),
                                        host::kEAGLColorFormatRGB565);
    if (!view) {
        state.SkipWithError("no GL ES 1.1 context");
        return;
    }
    srand(1);
    cow_scene* bp = CowShow::makeScene(kWidth, kHeight);
    CowShow::start(bp, kWidth, kHeight);

    std::vector<double> milliseconds;
    milliseconds.reserve(static_cast<size_t>(state.max_iterations));
    long steadyNews = 0, steadyFrames = 0, shows = 1, frameOfShow = 0;
    for (auto _ : state) {
        if (CowShow::isOver()) {
            state.PauseTiming();
            CowShow::start(bp, kWidth, kHeight);
            ++shows;
            frameOfShow = 0;
            state.ResumeTiming();
        }
        long newsBefore = news.load(std::memory_order_relaxed);
        auto start = std::chrono::steady_clock::now();
        CowShow::drawFrame(bp, view.get());
        auto end = std::chrono::steady_clock::now();
        long allocated = news.load(std::memory_order_relaxed) - newsBefore;
        // The first present of a show may make the layer's image; after that none.
        if (frameOfShow > 0) {
            steadyNews += allocated;
            ++steadyFrames;
        }
        ++frameOfShow;
        milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }

    std::sort(milliseconds.begin(), milliseconds.end());
    auto percentile = [&](double q) {
        return milliseconds[static_cast<size_t>(q * (milliseconds.size() - 1))];
    };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p99_ms"] = percentile(0.99);
    state.counters["max_ms"] = milliseconds.back();
    state.counters["shows"] = static_cast<double>(shows);
    state.counters["news_per_steady_frame"] =
        steadyFrames ? static_cast<double>(steadyNews) / steadyFrames : 0.0;
    std::printf(
        "frame_bench: %zu frames over %ld shows: p50 %.3f ms, p99 %.3f ms, max %.3f ms; "
        "%ld operator new calls in %ld steady frames\n",
        milliseconds.size(), shows, percentile(0.50), percentile(0.99), milliseconds.back(),
        steadyNews, steadyFrames);
    view.reset();
    free_cow_scene(bp);
}

// About three shows.
BENCHMARK(BM_ShowFrame)->Iterations(3000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
