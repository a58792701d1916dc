// Composes the stage as the window shows it during a cow show: the placard
// centred, and above it a screen-sized layer whose contents are a 320 x 480
// image (what the GL view presents into), in 32-bit or 5-6-5 pixels, or no
// such layer. Reports the median and the 99th percentile of single
// compositions, at zoom 1 and 2.
//
// Run: build/bin/compose_bench

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "host/views/screen.h"
#include "host/views/window.h"
#include "placard/PlacardView.h"

namespace {

using namespace host;

void BM_ComposeStage(benchmark::State& state) {
    const float zoom = static_cast<float>(state.range(0));
    // 0: no GL layer shown; 1: its contents 32-bit; 2: 5-6-5, as a GL view presents them.
    const bool glLayerShown = state.range(1) != 0;
    const bool rgb565 = state.range(1) == 2;
    const CGRect screen = UIScreen::mainScreen().bounds();
    auto window = std::make_shared<UIWindow>(screen);
    auto stage = std::make_shared<UIView>(screen);
    window->addSubview(stage);
    auto placard = PlacardView::init();
    if (!placard) {
        state.SkipWithError("no placard: cow.png is missing");
        return;
    }
    placard->setCenter(stage->center());
    stage->addSubview(placard);

    // The GL view's stand-in: a plain layer showing a full-screen picture.
    auto glView = std::make_shared<UIView>(screen);
    auto contents =
        CGImage::create(320, 480, rgb565 ? CGImage::Format::rgb565 : CGImage::Format::argb32);
    for (int y = 0; y < 480; ++y) {
        uint8_t* row = contents->data() + y * contents->stride();
        for (int x = 0; x < 320; ++x) {
            if (rgb565)
                reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(x * 0x0841u);
            else
                reinterpret_cast<uint32_t*>(row)[x] = 0xFF000000u | (x * 0x010101u & 0x3F7FFF);
        }
    }
    contents->markDirty();
    glView->layer().setContents(contents);
    glView->setHidden(!glLayerShown);
    stage->addSubview(glView);
    window->makeKeyAndVisible();

    auto frame = CGImage::create(static_cast<int>(320 * zoom), static_cast<int>(480 * zoom));
    window->renderInto(*frame, 0.0, zoom);  // the placard draws itself once

    std::vector<double> ms;
    for (auto _ : state) {
        // A new GL frame for every composition, as during a show.
        contents->markDirty();
        auto start = std::chrono::steady_clock::now();
        window->renderInto(*frame, 0.0, zoom);
        benchmark::DoNotOptimize(frame->data());
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, static_cast<size_t>(q * ms.size()))];
    };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
}

BENCHMARK(BM_ComposeStage)
    ->ArgNames({"zoom", "gl_layer"})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({1, 0})
    ->Args({2, 1})
    ->Args({2, 2})
    ->Args({2, 0})
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
