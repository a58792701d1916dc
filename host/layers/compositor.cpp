#include "host/layers/compositor.h"

#include <cmath>

#include "host/layers/cg_context.h"

namespace host {

namespace {

// One walk over the tree in drawing order. The first walk only measures: it
// finds the last layer whose opaque contents cover the whole target, so that
// the second, which draws, skips everything that layer hides (a full-screen
// GL view over the rest of the stage during a show).
struct Walk {
    CGContext& c;
    double time;
    int width, height;  // of the target, in pixels
    bool measuring;
    int index = 0;         // of the next layer with contents, in drawing order
    int firstShown = 0;    // layers with contents before this one are hidden
    bool covered = false;  // some layer hides the whole target
};

bool isIntegerTranslation(const CGContextMatrix& m) {
    return m.a == 1 && m.b == 0 && m.c == 0 && m.d == 1 && m.tx == std::floor(m.tx) &&
           m.ty == std::floor(m.ty);
}

// Whether the transform can be undone: a scale of zero cannot, and shows nothing.
bool isInvertible(const CGAffineTransform& t) {
    const double a = t.a, b = t.b, c = t.c, d = t.d;
    if (b == 0 && c == 0) return a != 0 && d != 0;
    const double determinant = a * d - b * c;
    return std::isfinite(determinant) && determinant != 0;
}

// Whether contents drawn into `b` under the current matrix hide the whole target.
bool coversTarget(const Walk& walk, const CGRect& b, const CGImage& contents) {
    if (contents.format() != CGImage::Format::rgb565) return false;  // the one opaque format
    const CGContextMatrix m = walk.c.getCTM();
    if (m.c != 0 || m.b != 0 || m.a <= 0 || m.d <= 0) return false;
    const double left = m.tx + m.a * b.origin.x, top = m.ty + m.d * b.origin.y;
    const double right = left + m.a * b.size.width, bottom = top + m.d * b.size.height;
    return left <= 0 && top <= 0 && right >= walk.width && bottom >= walk.height;
}

void drawContents(CGContext& c, const CGRect& b, const CGImage& contents) {
    c.saveGState();
    c.clipToRect(b);
    c.translateCTM(b.origin.x, b.origin.y);
    c.scaleCTM(b.size.width / contents.width(), b.size.height / contents.height());
    // Pixel-aligned copies stay exact; anything scaled or turned is smoothed,
    // and smoothing must not fade the edges into transparency.
    const bool exact = isIntegerTranslation(c.getCTM());
    c.drawImage(contents, exact ? CGImageFilter::nearest : CGImageFilter::bilinear,
                CGImageEdges::extended);
    c.restoreGState();
}

void drawLayer(Walk& walk, const CALayer& layer) {
    if (layer.isHidden()) return;
    CGContext& c = walk.c;
    const CALayerAnimatedValues shown = layer.presentationValues(walk.time);
    const CGRect b = layer.bounds();
    const CGAffineTransform t = CATransform3DGetAffineTransform(shown.transform);
    // A singular transform shows nothing of this subtree.
    if (!isInvertible(t)) return;

    c.saveGState();
    c.translateCTM(shown.position.x, shown.position.y);
    c.concatCTM(t);
    // Local coordinates: the bounds' origin is the layer's top left.
    c.translateCTM(-(b.origin.x + b.size.width * 0.5), -(b.origin.y + b.size.height * 0.5));

    const auto& contents = layer.contents();
    if (contents && b.size.width > 0 && b.size.height > 0) {
        const int index = walk.index++;
        if (walk.measuring) {
            if (coversTarget(walk, b, *contents)) {
                walk.firstShown = index;
                walk.covered = true;
            }
        } else if (index >= walk.firstShown) {
            drawContents(c, b, *contents);
        }
    }
    for (const auto& sub : layer.sublayers()) drawLayer(walk, *sub);
    c.restoreGState();
}

}  // namespace

void composeLayerTree(const CALayer& root, CGImage& target, double time, float scale) {
    drawingBackend().drawIntoImage(target, [&](CGContext& c) {
        if (!(scale > 0 && std::isfinite(scale))) {
            c.clearToColor(0, 0, 0, 1);
            return;
        }
        c.scaleCTM(scale, scale);
        // The root's own placement is ignored: its bounds fill the target.
        const CGRect b = root.bounds();
        const CGPoint p = root.presentationValues(time).position;
        c.translateCTM(b.size.width * 0.5 - p.x, b.size.height * 0.5 - p.y);
        Walk walk{c, time, target.width(), target.height(), true};
        c.saveGState();
        drawLayer(walk, root);
        c.restoreGState();
        // Black behind everything, unless an opaque layer replaces every pixel.
        if (!walk.covered) c.clearToColor(0, 0, 0, 1);
        walk.measuring = false;
        walk.index = 0;
        drawLayer(walk, root);
    });
}

bool layerTreeIsAnimating(const CALayer& root, double time) {
    if (root.isHidden()) return false;
    if (root.hasRunningAnimations(time)) return true;
    for (const auto& sub : root.sublayers())
        if (layerTreeIsAnimating(*sub, time)) return true;
    return false;
}

}  // namespace host
