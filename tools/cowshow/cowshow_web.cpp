// cowshow for the browser: one cow show drawn through the GL view on the
// WebGL backend and the stage's own show steps, as the native cowshow draws
// it, with the frames asked for kept in memory for the page to read (the
// page has no files to write). The page can also make a bare GL ES context
// and call the GL ES entry points itself, to look at the GL ES layer alone.

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "gl/EAGLView.h"
#include "host/eagl/eagl_context.h"
#include "host/layers/cg_image.h"
#include "scene/cow_scene.h"
#include "stage/CowShow.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;
// A show lasts about a thousand frames; this only stops a broken physics.
constexpr int kMaxFrames = 100000;

// A kept frame: 0xAARRGGBB pixels, top row first, as CGImage::pixel reads them.
struct Frame {
    int number;
    std::vector<uint32_t> pixels;
};
std::vector<Frame> frames;
bool ran = false;
std::shared_ptr<host::EAGLContext> bareContext;

}  // namespace

extern "C" {

// Runs the one show of this page seeded with `seed` and keeps the frames whose
// numbers (from 0, as cowshow --out names them) are in wanted[0..count). The
// number of frames the show drew; -1 when no GL view could be made, -2 when a
// show has already run (the scene's shared variables carry over, as they
// would in one native process).
EMSCRIPTEN_KEEPALIVE int cowshow_run(unsigned seed, const int* wanted, int count) {
    if (ran) return -2;
    ran = true;
    std::shared_ptr<EAGLView> view = EAGLView::initWithFrame(
        host::CGRectMake(0, 0, kWidth, kHeight), host::kEAGLColorFormatRGB565);
    if (!view) return -1;
    srand(seed);
    cow_scene* bp = CowShow::makeScene(kWidth, kHeight);
    CowShow::start(bp, kWidth, kHeight);
    int number = 0;
    for (; !CowShow::isOver() && number < kMaxFrames; ++number) {
        CowShow::drawFrame(bp, view.get());
        // The cue flags the stage's tick would turn into sounds.
        cowreset = NO;
        cowreset2 = NO;
        const std::shared_ptr<host::CGImage>& image = view->layer().contents();
        bool keep = false;
        for (int i = 0; i < count; ++i) keep = keep || wanted[i] == number;
        if (!image || !keep) continue;
        Frame frame{number, {}};
        frame.pixels.reserve(static_cast<size_t>(image->width()) * image->height());
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x) frame.pixels.push_back(image->pixel(x, y));
        frames.push_back(std::move(frame));
    }
    view.reset();
    free_cow_scene(bp);
    return number;
}

// The pixels of kept frame `number` (kWidth x kHeight), or null if it was not kept.
EMSCRIPTEN_KEEPALIVE const uint32_t* cowshow_frame(int number) {
    for (const Frame& frame : frames)
        if (frame.number == number) return frame.pixels.data();
    return nullptr;
}

// A new GL ES 1.1 context made current, for GL ES calls from the page; the
// one made before is dropped. 0 when none can be made.
EMSCRIPTEN_KEEPALIVE int cowshow_gl_context() {
    host::EAGLContext::setCurrentContext(nullptr);
    bareContext = host::EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    return bareContext && host::EAGLContext::setCurrentContext(bareContext.get()) ? 1 : 0;
}

}  // extern "C"
