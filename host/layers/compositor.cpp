#include "host/layers/compositor.h"

#include <cairo.h>

#include <cmath>

namespace host {


namespace {

// One walk over the tree in drawing order. The first walk only measures: it
// finds the last layer whose opaque contents cover the whole target, so that
// the second, which draws, skips everything that layer hides (a full-screen
// GL view over the rest of the stage during a show).
struct Walk {
    cairo_t* cr;
    double time;
    int width, height;  // of the target, in pixels
    bool measuring;
    int index = 0;       // of the next layer with contents, in drawing order
    int firstShown = 0;  // layers with contents before this one are hidden
};

bool isIntegerTranslation(const cairo_matrix_t& m) {
    return m.xx == 1 && m.yx == 0 && m.xy == 0 && m.yy == 1 && m.x0 == std::floor(m.x0) &&
           m.y0 == std::floor(m.y0);
}

// Whether contents drawn into `b` under the current matrix hide the whole target.
bool coversTarget(const Walk& walk, const CGRect& b, const CGImage& contents) {
    if (contents.format() != CGImage::Format::rgb565) return false;  // the one opaque format
    cairo_matrix_t m;
    cairo_get_matrix(walk.cr, &m);
    if (m.xy != 0 || m.yx != 0 || m.xx <= 0 || m.yy <= 0) return false;
    const double left = m.x0 + m.xx * b.origin.x, top = m.y0 + m.yy * b.origin.y;
    const double right = left + m.xx * b.size.width, bottom = top + m.yy * b.size.height;
    return left <= 0 && top <= 0 && right >= walk.width && bottom >= walk.height;
}

void drawContents(cairo_t* cr, const CGRect& b, const CGImage& contents) {
    cairo_save(cr);
    cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
    cairo_clip(cr);
    cairo_translate(cr, b.origin.x, b.origin.y);
    cairo_scale(cr, b.size.width / contents.width(), b.size.height / contents.height());
    cairo_matrix_t device;
    cairo_get_matrix(cr, &device);
    // Pixel-aligned copies stay exact; anything scaled or turned is smoothed.
    const bool exact = isIntegerTranslation(device);
    cairo_set_source_surface(cr, exact ? contents.surface() : contents.surfaceForScaling(), 0, 0);
    cairo_pattern_t* source = cairo_get_source(cr);
    cairo_pattern_set_filter(source, exact ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    // Smoothing must not fade the edges into transparency: repeat them.
    cairo_pattern_set_extend(source, CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void drawLayer(Walk& walk, const CALayer& layer) {
    if (layer.isHidden()) return;
    cairo_t* cr = walk.cr;
    const CALayerAnimatedValues shown = layer.presentationValues(walk.time);
    const CGRect b = layer.bounds();
    const CGAffineTransform t = CATransform3DGetAffineTransform(shown.transform);

    cairo_save(cr);
    cairo_translate(cr, shown.position.x, shown.position.y);
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    // A singular transform (a scale of zero) shows nothing of this subtree.
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) {
        cairo_restore(cr);
        return;
    }
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr, &m);
    // Local coordinates: the bounds' origin is the layer's top left.
    cairo_translate(cr, -(b.origin.x + b.size.width * 0.5), -(b.origin.y + b.size.height * 0.5));

    const auto& contents = layer.contents();
    if (contents && b.size.width > 0 && b.size.height > 0) {
        const int index = walk.index++;
        if (walk.measuring) {
            if (coversTarget(walk, b, *contents)) walk.firstShown = index;
        } else if (index >= walk.firstShown) {
            drawContents(cr, b, *contents);
        }
    }
    for (const auto& sub : layer.sublayers()) drawLayer(walk, *sub);
    cairo_restore(cr);
}

}  // namespace

void composeLayerTree(const CALayer& root, CGImage& target, double time, float scale) {
    cairo_t* cr = cairo_create(target.surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    if (scale > 0 && std::isfinite(scale)) {
        cairo_scale(cr, scale, scale);
        // The root's own placement is ignored: its bounds fill the target.
        const CGRect b = root.bounds();
        const CGPoint p = root.presentationValues(time).position;
        cairo_translate(cr, b.size.width * 0.5 - p.x, b.size.height * 0.5 - p.y);
        Walk walk{cr, time, target.width(), target.height(), true};
        cairo_save(cr);
        drawLayer(walk, root);
        cairo_restore(cr);
        walk.measuring = false;
        walk.index = 0;
        drawLayer(walk, root);
    }
    cairo_destroy(cr);
}

bool layerTreeIsAnimating(const CALayer& root, double time) {
    if (root.isHidden()) return false;
    if (root.hasRunningAnimations(time)) return true;
    for (const auto& sub : root.sublayers())
        if (layerTreeIsAnimating(*sub, time)) return true;
    return false;
}

}  // namespace host
