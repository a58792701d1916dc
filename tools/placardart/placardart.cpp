// Draws the placard picture, resources/cow.png: a wooden sign with a dark band
// for one line of text near its top (centred 90 points above the middle) and
// a cow's head in a meadow below. Run: placardart resources/cow.png
// With --scale N (2 or 3) it draws the same placard at N times the detail, for
// enlarged windows: the build lays these out as cow@2x.png and cow@3x.png.
// With --icon SIZE it draws the application icon instead: the same cow's head
// in a small framed meadow, SIZE pixels square.

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr int kWidth = 220;
constexpr int kHeight = 300;
// The text line's centre: 90 points above the middle.
constexpr double kTextCentreY = kHeight / 2.0 - 90.0;

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void rgb(cairo_t* cr, int hex, double alpha = 1.0) {
    cairo_set_source_rgba(cr, ((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0,
                          (hex & 0xFF) / 255.0, alpha);
}

void fillStroke(cairo_t* cr, int fill, int stroke, double width) {
    rgb(cr, fill);
    cairo_fill_preserve(cr);
    rgb(cr, stroke);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void ellipse(cairo_t* cr, double cx, double cy, double rx, double ry, double angle = 0) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void board(cairo_t* cr) {
    // The wooden sign, its grain, and four nails.
    roundedRect(cr, 4, 4, kWidth - 8, kHeight - 8, 14);
    cairo_pattern_t* wood = cairo_pattern_create_linear(0, 0, kWidth, kHeight);
    cairo_pattern_add_color_stop_rgb(wood, 0, 0.70, 0.48, 0.27);
    cairo_pattern_add_color_stop_rgb(wood, 1, 0.55, 0.35, 0.18);
    cairo_set_source(cr, wood);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(wood);
    rgb(cr, 0x4A2C14);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);

    cairo_set_line_width(cr, 1);
    for (int i = 0; i < 9; ++i) {
        double y = 20 + i * 31.0;
        cairo_move_to(cr, 10, y);
        cairo_curve_to(cr, 70, y - 5 + i % 3 * 4, 140, y + 6 - i % 2 * 5, kWidth - 10, y + 1);
        rgb(cr, 0x5C3A1E, 0.35);
        cairo_stroke(cr);
    }
    for (double x : {16.0, kWidth - 16.0})
        for (double y : {16.0, kHeight - 16.0}) {
            ellipse(cr, x, y, 3.2, 3.2);
            fillStroke(cr, 0xB8B8B8, 0x555555, 1);
        }
}

void textBand(cairo_t* cr) {
    // A dark panel under the text, wider than the 200-point text line.
    roundedRect(cr, 8, kTextCentreY - 21, kWidth - 16, 42, 8);
    fillStroke(cr, 0x2B1A0E, 0x1A0F07, 2);
}

// Fills the current path with sky fading down to the horizon, `horizon` of
// the way from `top` to `bottom`, and grass below it.
void skyAndGrass(cairo_t* cr, double top, double bottom, double horizon) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, top, 0, bottom);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.55, 0.80, 0.97);
    cairo_pattern_add_color_stop_rgb(sky, horizon, 0.80, 0.92, 0.99);
    cairo_pattern_add_color_stop_rgb(sky, horizon, 0.45, 0.72, 0.30);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.30, 0.58, 0.20);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

void meadow(cairo_t* cr) {
    roundedRect(cr, 18, 98, kWidth - 36, 184, 10);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    skyAndGrass(cr, 98, 282, 0.62);
    // Sun and a hill.
    ellipse(cr, 170, 124, 13, 13);
    rgb(cr, 0xFFD94A);
    cairo_fill(cr);
    cairo_move_to(cr, 18, 222);
    cairo_curve_to(cr, 70, 196, 120, 200, 202, 218);
    cairo_line_to(cr, 202, 282);
    cairo_line_to(cr, 18, 282);
    cairo_close_path(cr);
    rgb(cr, 0x5E9A3A);
    cairo_fill(cr);
    cairo_restore(cr);
    roundedRect(cr, 18, 98, kWidth - 36, 184, 10);
    rgb(cr, 0x4A2C14);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
}

void cowHead(cairo_t* cr) {
    const double cx = kWidth / 2.0, cy = 196;
    // Horns, behind the head.
    for (int side : {-1, 1}) {
        cairo_move_to(cr, cx + side * 22, cy - 40);
        cairo_curve_to(cr, cx + side * 40, cy - 52, cx + side * 46, cy - 66, cx + side * 40,
                       cy - 76);
        cairo_curve_to(cr, cx + side * 36, cy - 62, cx + side * 30, cy - 54, cx + side * 14,
                       cy - 46);
        cairo_close_path(cr);
        fillStroke(cr, 0xF4EBD0, 0x6B5B3E, 1.5);
    }
    // Ears.
    for (int side : {-1, 1}) {
        ellipse(cr, cx + side * 50, cy - 28, 20, 9, side * 0.35);
        fillStroke(cr, 0xF7F2EA, 0x222222, 2);
        ellipse(cr, cx + side * 52, cy - 28, 12, 4.5, side * 0.35);
        rgb(cr, 0xE9A3A8);
        cairo_fill(cr);
    }
    // Head with black patches.
    ellipse(cr, cx, cy - 8, 38, 46);
    fillStroke(cr, 0xFBFAF6, 0x222222, 2.5);
    cairo_save(cr);
    ellipse(cr, cx, cy - 8, 37, 45);
    cairo_clip(cr);
    ellipse(cr, cx - 26, cy - 30, 22, 18, 0.4);
    ellipse(cr, cx + 30, cy + 4, 14, 20, -0.3);
    rgb(cr, 0x1E1E1E);
    cairo_fill(cr);
    cairo_restore(cr);
    // Tuft.
    for (int i = -2; i <= 2; ++i) {
        ellipse(cr, cx + i * 6, cy - 52 + std::abs(i) * 2, 5, 7, i * 0.3);
        rgb(cr, 0x3B2A1A);
        cairo_fill(cr);
    }
    // Eyes.
    for (int side : {-1, 1}) {
        ellipse(cr, cx + side * 15, cy - 16, 7, 8);
        fillStroke(cr, 0xFFFFFF, 0x222222, 1.5);
        ellipse(cr, cx + side * 14, cy - 14, 3.5, 4.5);
        rgb(cr, 0x111111);
        cairo_fill(cr);
        ellipse(cr, cx + side * 13, cy - 16, 1.2, 1.2);
        rgb(cr, 0xFFFFFF);
        cairo_fill(cr);
    }
    // Muzzle, nostrils and a smile.
    ellipse(cr, cx, cy + 22, 30, 19);
    fillStroke(cr, 0xF2A9B0, 0x8E4B52, 2);
    for (int side : {-1, 1}) {
        ellipse(cr, cx + side * 11, cy + 18, 4.5, 6, side * 0.3);
        rgb(cr, 0x7A3038);
        cairo_fill(cr);
    }
    cairo_move_to(cr, cx - 12, cy + 31);
    cairo_curve_to(cr, cx - 5, cy + 36, cx + 5, cy + 36, cx + 12, cy + 31);
    rgb(cr, 0x7A3038);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // A bell on its collar.
    ellipse(cr, cx, cy + 50, 8, 7);
    fillStroke(cr, 0xE8B83A, 0x7A5A10, 1.5);
}

// The icon: a wooden frame round a patch of sky and grass, the head filling
// most of it. Drawn on a 256-unit square scaled to the size asked for.
void icon(cairo_t* cr, int size) {
    cairo_scale(cr, size / 256.0, size / 256.0);
    roundedRect(cr, 8, 8, 240, 240, 44);
    fillStroke(cr, 0x9A6A3A, 0x4A2C14, 8);
    roundedRect(cr, 26, 26, 204, 204, 30);
    cairo_save(cr);
    cairo_clip_preserve(cr);
    skyAndGrass(cr, 26, 230, 0.6);
    // The head spans about 110 x 140 placard units around (110, 190).
    cairo_translate(cr, 128, 140);
    cairo_scale(cr, 1.32, 1.32);
    cairo_translate(cr, -kWidth / 2.0, -190);
    cowHead(cr);
    cairo_restore(cr);
}

int writePng(cairo_surface_t* s, const char* path) {
    cairo_status_t status = cairo_surface_write_to_png(s, path);
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "placardart: cannot write %s: %s\n", path,
                     cairo_status_to_string(status));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--icon") == 0) {
        char* end = nullptr;
        long size = std::strtol(argv[2], &end, 10);
        if (*end || size < 16 || size > 1024) {
            std::fprintf(stderr, "placardart: --icon wants a size from 16 to 1024\n");
            return 2;
        }
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(size), int(size));
        cairo_t* cr = cairo_create(s);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        icon(cr, int(size));
        cairo_destroy(cr);
        return writePng(s, argv[3]);
    }
    int scale = 1;
    if (argc == 4 && std::strcmp(argv[1], "--scale") == 0) {
        char* end = nullptr;
        scale = int(std::strtol(argv[2], &end, 10));
        if (*end || scale < 2 || scale > 3) {
            std::fprintf(stderr, "placardart: --scale wants 2 or 3\n");
            return 2;
        }
        argv += 2;
        argc -= 2;
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: placardart [--scale 2|3] OUT.png | placardart --icon SIZE OUT.png\n");
        return 2;
    }
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth * scale, kHeight * scale);
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, scale, scale);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    board(cr);
    textBand(cr);
    meadow(cr);
    cowHead(cr);
    cairo_destroy(cr);
    return writePng(s, argv[1]);
}
