// One cow show drawn headless: the GL view the stage makes, and the stage's own
// show steps (CowShow) every 1/90 s of virtual time until the show is over.
// The sound cues are not given, so rand() is the scene's alone and a seed
// gives one show. Frames can be saved as PNG and gathered into a contact sheet.

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gl/EAGLView.h"
#include "host/layers/cg_image.h"
#include "scene/cow_scene.h"
#include "stage/CowShow.h"
#include "tools/parse_number.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 480;
constexpr double kTickSeconds = 1.0 / 90.0;
// A show lasts about a thousand frames; this only stops a broken physics.
constexpr long kMaxFrames = 100000;
// Contact-sheet thumbnails are a quarter of the frame each way.
constexpr int kThumbScale = 4;
constexpr int kSheetColumns = 10;

void print_usage(FILE* out) {
    fprintf(out, "usage: cowshow [--out DIR] [--every N] [--sheet FILE] [--seed N] [--help]\n");
}

struct Options {
    std::string out;
    std::string sheet;
    unsigned long every = 1;
    unsigned seed = (unsigned)time(nullptr);
};

// 0 to go on, otherwise the exit status.
int parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            print_usage(stdout);
            printf(
                "Draws one cow show headless at 320 x 480 and prints frames, floor contacts\n"
                "and seconds of show.\n"
                "  --out DIR     write every Nth presented frame to DIR as frame_NNNN.png\n"
                "  --every N     which frames --out and --sheet take (default 1: all)\n"
                "  --sheet FILE  write those frames, quarter size, as one contact sheet PNG\n"
                "  --seed N      seed rand with N (default: the clock)\n");
            return -1;
        }
        std::string name = arg, value;
        bool known = arg == "--out" || arg == "--every" || arg == "--sheet" || arg == "--seed";
        size_t eq = arg.find('=');
        if (!known && eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            known = name == "--out" || name == "--every" || name == "--sheet" || name == "--seed";
        } else if (known) {
            if (i + 1 >= argc) {
                fprintf(stderr, "cowshow: %s needs a value\n", arg.c_str());
                print_usage(stderr);
                return 2;
            }
            value = argv[++i];
        }
        if (!known) {
            fprintf(stderr, "cowshow: unknown option '%s'\n", arg.c_str());
            print_usage(stderr);
            return 2;
        }
        unsigned long number = 0;
        if (name == "--out" || name == "--sheet") {
            if (value.empty()) {
                fprintf(stderr, "cowshow: %s needs a path\n", name.c_str());
                print_usage(stderr);
                return 2;
            }
            (name == "--out" ? options.out : options.sheet) = value;
        } else if (name == "--every") {
            if (!parse_number(value.c_str(), LONG_MAX, &number) || number == 0) {
                fprintf(stderr, "cowshow: --every needs a whole number from 1, not '%s'\n",
                        value.c_str());
                print_usage(stderr);
                return 2;
            }
            options.every = number;
        } else {
            if (!parse_number(value.c_str(), UINT_MAX, &number)) {
                fprintf(stderr, "cowshow: --seed needs a whole number from 0 to %u, not '%s'\n",
                        UINT_MAX, value.c_str());
                print_usage(stderr);
                return 2;
            }
            options.seed = (unsigned)number;
        }
    }
    return 0;
}

// A quarter-size copy of one frame, each pixel the mean of 4 x 4.
std::shared_ptr<host::CGImage> thumbnail(const host::CGImage& frame) {
    int tw = frame.width() / kThumbScale, th = frame.height() / kThumbScale;
    auto thumb = host::CGImage::create(tw, th);
    if (!thumb) return nullptr;
    for (int y = 0; y < th; ++y) {
        auto* dst = reinterpret_cast<uint32_t*>(thumb->data() + (size_t)y * thumb->stride());
        for (int x = 0; x < tw; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < kThumbScale; ++dy)
                for (int dx = 0; dx < kThumbScale; ++dx) {
                    uint32_t p = frame.pixel(x * kThumbScale + dx, y * kThumbScale + dy);
                    for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
                }
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c) out |= (sum[c] / (kThumbScale * kThumbScale)) << (8 * c);
            dst[x] = out;
        }
    }
    thumb->markDirty();
    return thumb;
}

// The thumbnails in rows of kSheetColumns, or nullptr when memory runs out.
std::shared_ptr<host::CGImage> contact_sheet(
    const std::vector<std::shared_ptr<host::CGImage>>& thumbs) {
    int n = (int)thumbs.size();
    int tw = thumbs[0]->width(), th = thumbs[0]->height();
    int columns = n < kSheetColumns ? n : kSheetColumns;
    auto sheet = host::CGImage::create(columns * tw, (n + kSheetColumns - 1) / kSheetColumns * th);
    if (!sheet) return nullptr;
    // Cells left over in the last row are black like the frames' background.
    for (int y = 0; y < sheet->height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(sheet->data() + (size_t)y * sheet->stride());
        std::fill(row, row + sheet->width(), 0xFF000000u);
    }
    for (int i = 0; i < n; ++i) {
        int ox = (i % kSheetColumns) * tw, oy = (i / kSheetColumns) * th;
        for (int y = 0; y < th; ++y)
            memcpy(sheet->data() + (size_t)(oy + y) * sheet->stride() + (size_t)ox * 4,
                   thumbs[i]->data() + (size_t)y * thumbs[i]->stride(), (size_t)tw * 4);
    }
    // Grey lines between the cells, over their first row and column.
    for (int y = 0; y < sheet->height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(sheet->data() + (size_t)y * sheet->stride());
        for (int x = 0; x < sheet->width(); ++x)
            if ((x > 0 && x % tw == 0) || (y > 0 && y % th == 0)) row[x] = 0xFF404040u;
    }
    sheet->markDirty();
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = parse_options(argc, argv, options);
    if (status != 0) return status < 0 ? 0 : status;

    if (!options.out.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.out, error);
        if (error) {
            printf("cowshow: cannot make the folder %s: %s\n", options.out.c_str(),
                   error.message().c_str());
            return 1;
        }
    }

    std::shared_ptr<EAGLView> view = EAGLView::initWithFrame(
        host::CGRectMake(0, 0, kWidth, kHeight), host::kEAGLColorFormatRGB565);
    if (!view) {
        printf("cowshow: no GL ES surface could be made; there is nothing to draw on\n");
        return 1;
    }

    // The stage's creation, then a show's start.
    srand(options.seed);
    cow_scene* bp = CowShow::makeScene(kWidth, kHeight);
    CowShow::start(bp, kWidth, kHeight);

    long frames = 0;
    int contacts = 0;
    bool writing = !options.out.empty();
    int result = 0;
    std::vector<std::shared_ptr<host::CGImage>> thumbs;
    while (!CowShow::isOver()) {
        if (frames >= kMaxFrames) {
            printf("cowshow: the show did not end within %ld frames\n", kMaxFrames);
            result = 1;
            break;
        }
        float before = count;
        CowShow::drawFrame(bp, view.get());
        if (count != before) ++contacts;
        // The cue flags the stage's tick would turn into sounds.
        cowreset = NO;
        cowreset2 = NO;

        const std::shared_ptr<host::CGImage>& frame = view->layer().contents();
        if (frame && frames % (long)options.every == 0) {
            if (writing) {
                char name[32];
                snprintf(name, sizeof name, "frame_%04ld.png", frames);
                std::string path = (std::filesystem::path(options.out) / name).string();
                if (!frame->writePNG(path)) {
                    printf("cowshow: cannot write %s; no more frames are written\n", path.c_str());
                    writing = false;
                    result = 1;
                }
            }
            if (!options.sheet.empty()) {
                auto thumb = thumbnail(*frame);
                if (!thumb) {
                    printf("cowshow: out of memory for the contact sheet; it is not written\n");
                    options.sheet.clear();
                    result = 1;
                } else {
                    thumbs.push_back(std::move(thumb));
                }
            }
        }
        ++frames;
    }
    if (!options.sheet.empty()) {
        auto sheet = thumbs.empty() ? nullptr : contact_sheet(thumbs);
        if (!sheet || !sheet->writePNG(options.sheet)) {
            printf("cowshow: cannot write the contact sheet %s\n", options.sheet.c_str());
            result = 1;
        }
    }

    printf("cowshow: %ld frames, %d floor contacts, %.2f s of show\n", frames, contacts,
           frames * kTickSeconds);
    view.reset();
    free_cow_scene(bp);
    return result;
}
