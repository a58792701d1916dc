#pragma once

// What a drawing backend must provide: the one seam between the host and a 2-D
// graphics library. Views, images, text and the compositor draw only through
// these calls; the backend decides how pixels are made. Built here:
//   cairo_*.cpp       cairo for shapes and images, pango for text (the program's)
//   recording_backend records the calls and measures text by rule (the tests')
//   canvas_*.cpp      a browser's 2-D canvas and measureText (the web build's)

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/geometry/geometry.h"
#include "host/geometry/path.h"
#include "host/layers/cg_image.h"

namespace host {

// A context's current transform, user space to pixels, in double precision:
// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct CGContextMatrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool operator==(const CGContextMatrix&) const = default;
};

// `m` after `t` is applied first: what concatCTM(t) makes of a transform m.
inline CGContextMatrix CGContextMatrixConcat(const CGAffineTransform& t, const CGContextMatrix& m) {
    CGContextMatrix r;
    r.a = t.a * m.a + t.b * m.c;
    r.b = t.a * m.b + t.b * m.d;
    r.c = t.c * m.a + t.d * m.c;
    r.d = t.c * m.b + t.d * m.d;
    r.tx = t.tx * m.a + t.ty * m.c + m.tx;
    r.ty = t.tx * m.b + t.ty * m.d + m.ty;
    return r;
}

// How an image's pixels are sampled when it is drawn other than one to one.
enum class CGImageFilter {
    nearest,   // the nearest pixel: exact for pixel-aligned copies
    bilinear,  // the four nearest, blended
    smooth,    // the backend's good default for pictures
};

// What lies beyond an image's edges while it is sampled.
enum class CGImageEdges {
    transparent,  // nothing: the picture ends at its edges
    extended,     // its edge pixels repeat, so smoothing never fades the edges
};

// Text is measured in whole 1/1024 points, so that fitting a line compares
// integers and gives the same result on every machine with the same fonts.
inline constexpr int kCGTextUnitsPerPoint = 1024;

// One line of text in one font at one size, laid out by the backend.
class CGTextLine {
  public:
    virtual ~CGTextLine() = default;
    // Lays out `text` (valid UTF-8, one line, no control characters); the
    // same text again costs nothing.
    virtual void setText(const std::string& text) = 0;
    // The advance of the whole line, in text units.
    virtual int64_t widthUnits() const = 0;
    // The advance of each cluster of the text between consecutive `bounds`
    // (byte offsets from 0 to the text's length), in text units.
    virtual std::vector<int64_t> clusterAdvances(const std::vector<size_t>& bounds) const = 0;
    // The line box's height and its baseline below the box's top, in points.
    virtual float height() const = 0;
    virtual float baseline() const = 0;
};

// Where drawing goes: an image, whose user space starts as one unit a pixel,
// origin top left, y down, no clip, filling in opaque black.
class CGContext {
  public:
    virtual ~CGContext() = default;

    // Graphics state (transform, clip, fill colour): save pushes a copy,
    // restore pops it.
    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;

    // The transform: each call applies before the current one, so later
    // calls act on coordinates given afterwards.
    virtual void translateCTM(double tx, double ty) = 0;
    virtual void scaleCTM(double sx, double sy) = 0;
    virtual void concatCTM(const CGAffineTransform& transform) = 0;
    virtual CGContextMatrix getCTM() const = 0;

    // Narrows the clip to `rect` under the current transform (edges
    // antialiased).
    virtual void clipToRect(const CGRect& rect) = 0;

    // The colour of later fills and text, components 0…1, not premultiplied.
    virtual void setFillColor(float red, float green, float blue, float alpha) = 0;
    // Sets every pixel inside the clip to this colour, replacing what is there.
    virtual void clearToColor(float red, float green, float blue, float alpha) = 0;
    // Fill the rectangle, or the polygons of the path (each subpath closed,
    // non-zero winding), in the fill colour over what is there.
    virtual void fillRect(const CGRect& rect) = 0;
    virtual void fillPath(const CGMutablePath& path) = 0;

    // Draws `image` over what is there, its pixels on the unit squares from
    // (0, 0) to (width, height) of user space, sampled by `filter` under the
    // transform; `edges` says what lies around it (the clip bounds it).
    virtual void drawImage(const CGImage& image, CGImageFilter filter, CGImageEdges edges) = 0;

    // Fills the glyphs of `line` (made by this context's backend) in the fill
    // colour, the line box's top left at `topLeft`. Drawn as outlines, so
    // positions keep their fractions of a pixel.
    virtual void showTextLine(const CGTextLine& line, CGPoint topLeft) = 0;
};

// A call of `draw` that holds no copy of it: what a context is lent to.
class CGDrawFunction {
  public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, CGDrawFunction>>>
    CGDrawFunction(F&& f)  // NOLINT: converts from any callable, as std::function does
        : target_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* t, CGContext& c) { (*static_cast<std::remove_reference_t<F>*>(t))(c); }) {}
    void operator()(CGContext& c) const { call_(target_, c); }

  private:
    void* target_;
    void (*call_)(void*, CGContext&);
};

// A backend: contexts over images, the text engine, and image files.
class CGDrawingBackend {
  public:
    virtual ~CGDrawingBackend() = default;

    // Calls `draw` with a context drawing into `image`; the pixels are in the
    // image when this returns. Allocates nothing per call once the image has
    // been drawn into or drawn before, so composing a frame stays free of the heap.
    virtual void drawIntoImage(CGImage& image, CGDrawFunction draw) = 0;

    // The family the system font resolves to; empty when no font is usable
    // (then no line is made and no text is drawn).
    virtual const std::string& systemFontFamily() = 0;
    // A line in `family` at `size` points (0 < size <= 10000); nullptr when no
    // font is usable.
    virtual std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size) = 0;
    // Byte offsets of the grapheme cluster boundaries of valid UTF-8 `text`,
    // from 0 to its length: where a line may be cut without breaking a letter.
    virtual std::vector<size_t> clusterBounds(std::string_view text) = 0;

    // Writes `image` as a PNG file (5-6-5 widened to 8 bits a channel);
    // false when it cannot be written.
    virtual bool writePNG(const CGImage& image, const std::string& path) = 0;
};

// The backend everything draws with: cairo and pango (in the web build the
// browser's canvas) unless a test has put another in its place. Not owned; it
// must outlive its use.
CGDrawingBackend& drawingBackend();
void setDrawingBackend(CGDrawingBackend* backend);  // nullptr: back to the default
CGDrawingBackend& cairoDrawingBackend();
// A browser's 2-D canvas and measureText (canvas_backend.cpp, web build only).
CGDrawingBackend& canvasDrawingBackend();

}  // namespace host
