#include <algorithm>
#include <cmath>

#include "host/layers/bilinear_2x.h"
#include "host/layers/cairo_backend.h"

namespace host {

namespace cairo_backend {

namespace {

// The cairo surface over an image's pixels, and the widened copy of 5-6-5
// pixels that scaling samples from.
struct CairoImage : CGImage::BackendData {
    cairo_surface_t* surface = nullptr;
    unsigned long seen = 0;  // the image's changes when last marked dirty
    cairo_surface_t* widened = nullptr;
    unsigned long widenedAt = 0;
    ~CairoImage() override {
        if (widened) cairo_surface_destroy(widened);
        cairo_surface_destroy(surface);
    }
};

CairoImage& cairoImage(const CGImage& image) {
    auto& slot = image.backendData();
    auto* held = dynamic_cast<CairoImage*>(slot.get());
    if (!held) {
        auto made = std::make_unique<CairoImage>();
        made->surface = cairo_image_surface_create_for_data(
            const_cast<uint8_t*>(image.data()),
            image.format() == CGImage::Format::rgb565 ? CAIRO_FORMAT_RGB16_565
                                                      : CAIRO_FORMAT_ARGB32,
            image.width(), image.height(), image.stride());
        made->seen = image.changes();
        held = made.get();
        slot = std::move(made);
    } else if (held->seen != image.changes()) {
        cairo_surface_mark_dirty(held->surface);
        held->seen = image.changes();
    }
    return *held;
}

// Puts the fill colour and operator back when it goes. Not cairo_save: a
// context allocates a saved state for each level of nesting the first time
// it is reached, and the compositor makes a new context each frame.
class KeptFill {
  public:
    explicit KeptFill(cairo_t* cr)
        : cr_(cr),
          source_(cairo_pattern_reference(cairo_get_source(cr))),
          operator_(cairo_get_operator(cr)) {}
    ~KeptFill() {
        cairo_set_source(cr_, source_);
        cairo_pattern_destroy(source_);
        cairo_set_operator(cr_, operator_);
    }
    KeptFill(const KeptFill&) = delete;
    KeptFill& operator=(const KeptFill&) = delete;

  private:
    cairo_t* cr_;
    cairo_pattern_t* source_;
    cairo_operator_t operator_;
};

class CairoContext : public CGContext {
  public:
    explicit CairoContext(cairo_t* cr) : cr_(cr) {}

    void saveGState() override { cairo_save(cr_); }
    void restoreGState() override { cairo_restore(cr_); }
    void translateCTM(double tx, double ty) override { cairo_translate(cr_, tx, ty); }
    void scaleCTM(double sx, double sy) override { cairo_scale(cr_, sx, sy); }
    void concatCTM(const CGAffineTransform& t) override {
        cairo_matrix_t m;
        cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
        cairo_transform(cr_, &m);
    }
    CGContextMatrix getCTM() const override {
        cairo_matrix_t m;
        cairo_get_matrix(cr_, &m);
        return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
    }
    void clipToRect(const CGRect& r) override {
        cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
        cairo_clip(cr_);
    }
    void setFillColor(float red, float green, float blue, float alpha) override {
        cairo_set_source_rgba(cr_, red, green, blue, alpha);
    }
    void clearToColor(float red, float green, float blue, float alpha) override {
        const KeptFill kept(cr_);
        cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr_, red, green, blue, alpha);
        cairo_paint(cr_);
    }
    void fillRect(const CGRect& r) override {
        cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
        cairo_fill(cr_);
    }
    void fillPath(const CGMutablePath& path) override {
        cairo_new_path(cr_);
        for (const auto& e : path.elements) {
            if (e.type == CGPathElement::Type::MoveToPoint) {
                cairo_close_path(cr_);
                cairo_move_to(cr_, e.point.x, e.point.y);
            } else {
                cairo_line_to(cr_, e.point.x, e.point.y);
            }
        }
        cairo_close_path(cr_);
        cairo_fill(cr_);
    }
    void drawImage(const CGImage& image, CGImageFilter filter, CGImageEdges edges) override {
        if (filter == CGImageFilter::bilinear && edges == CGImageEdges::extended &&
            drawOpaqueTwice(image))
            return;
        const KeptFill kept(cr_);
        cairo_set_source_surface(cr_, surfaceOf(image, filter != CGImageFilter::nearest), 0, 0);
        cairo_pattern_t* source = cairo_get_source(cr_);
        if (filter != CGImageFilter::smooth)
            cairo_pattern_set_filter(source, filter == CGImageFilter::nearest
                                                 ? CAIRO_FILTER_NEAREST
                                                 : CAIRO_FILTER_BILINEAR);
        if (edges == CGImageEdges::extended) cairo_pattern_set_extend(source, CAIRO_EXTEND_PAD);
        cairo_paint(cr_);
    }
    void showTextLine(const CGTextLine& line, CGPoint topLeft) override {
        const auto* laidOut = dynamic_cast<const PangoTextLine*>(&line);
        if (!laidOut) return;
        cairo_move_to(cr_, topLeft.x, topLeft.y);
        pango_cairo_layout_path(cr_, laidOut->layout());
        cairo_fill(cr_);
    }

  private:
    // The window's zoom 2 enlarges the opaque GL view every frame: done here
    // without pixman when nothing but a pixel-aligned rectangle clips it, with
    // the same pixels. False when the case is any other.
    bool drawOpaqueTwice(const CGImage& image) {
        if (image.format() != CGImage::Format::rgb565) return false;
        cairo_matrix_t m;
        cairo_get_matrix(cr_, &m);
        if (m.xx != 2 || m.yy != 2 || m.xy != 0 || m.yx != 0 || m.x0 != std::floor(m.x0) ||
            m.y0 != std::floor(m.y0) || std::fabs(m.x0) > 1e6 || std::fabs(m.y0) > 1e6)
            return false;
        cairo_surface_t* target = cairo_get_target(cr_);
        if (cairo_get_group_target(cr_) != target ||
            cairo_get_operator(cr_) != CAIRO_OPERATOR_OVER ||
            cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
            cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32)
            return false;

        // The clip, in pixels: one rectangle on whole pixels, or nothing.
        cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr_);
        bool aligned = clip->status == CAIRO_STATUS_SUCCESS && clip->num_rectangles <= 1;
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (aligned && clip->num_rectangles == 1) {
            const cairo_rectangle_t& r = clip->rectangles[0];
            x0 = m.x0 + 2 * r.x, y0 = m.y0 + 2 * r.y;
            x1 = x0 + 2 * r.width, y1 = y0 + 2 * r.height;
            aligned = x0 == std::floor(x0) && y0 == std::floor(y0) && x1 == std::floor(x1) &&
                      y1 == std::floor(y1);
        }
        cairo_rectangle_list_destroy(clip);
        if (!aligned) return false;
        const int width = cairo_image_surface_get_width(target);
        const int height = cairo_image_surface_get_height(target);
        const int left = static_cast<int>(std::clamp(x0, 0.0, double(width)));
        const int top = static_cast<int>(std::clamp(y0, 0.0, double(height)));
        const int right = static_cast<int>(std::clamp(x1, 0.0, double(width)));
        const int bottom = static_cast<int>(std::clamp(y1, 0.0, double(height)));
        if (left >= right || top >= bottom) return true;

        cairo_surface_flush(target);
        const PixelRows rows{image.data(), image.width(), image.height(), image.stride()};
        drawBilinear2x(rows, cairo_image_surface_get_data(target),
                       cairo_image_surface_get_stride(target), static_cast<int>(m.x0),
                       static_cast<int>(m.y0), left, top, right, bottom);
        cairo_surface_mark_dirty_rectangle(target, left, top, right - left, bottom - top);
        return true;
    }

    cairo_t* cr_;
};

// cairo's RGB24 copy of 5-6-5 pixels.
cairo_surface_t* widen(cairo_surface_t* from, cairo_surface_t* into) {
    cairo_t* cr = cairo_create(into);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, from, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return into;
}

class CairoBackend : public CGDrawingBackend {
  public:
    void drawIntoImage(CGImage& image, CGDrawFunction draw) override {
        cairo_surface_t* surface = surfaceOf(image);
        cairo_t* cr = cairo_create(surface);
        CairoContext context(cr);
        draw(context);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        image.markDirty();
    }
    const std::string& systemFontFamily() override { return fontFamily(); }
    std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size) override {
        return cairo_backend::newTextLine(family, size);
    }
    std::vector<size_t> clusterBounds(std::string_view text) override {
        return cairo_backend::clusterBounds(text);
    }
    bool writePNG(const CGImage& image, const std::string& path) override {
        cairo_surface_t* surface = surfaceOf(image);
        if (image.format() == CGImage::Format::argb32)
            return cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
        // PNG has no 5-6-5: write the widened colours.
        cairo_surface_t* wide = widen(
            surface, cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width(), image.height()));
        const bool written = cairo_surface_status(wide) == CAIRO_STATUS_SUCCESS &&
                             cairo_surface_write_to_png(wide, path.c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(wide);
        return written;
    }
};

}  // namespace

cairo_surface_t* surfaceOf(const CGImage& image, bool forScaling) {
    CairoImage& held = cairoImage(image);
    if (!forScaling || image.format() == CGImage::Format::argb32) return held.surface;
    if (!held.widened) {
        held.widened =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width(), image.height());
        if (cairo_surface_status(held.widened) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(held.widened);
            held.widened = nullptr;
            return held.surface;  // slower, but drawn
        }
        held.widenedAt = image.changes() + 1;
    }
    if (held.widenedAt != image.changes()) {
        widen(held.surface, held.widened);
        held.widenedAt = image.changes();
    }
    return held.widened;
}

}  // namespace cairo_backend

CGDrawingBackend& cairoDrawingBackend() {
    // Lives for the process, as pango's font caches do.
    static auto* backend = new cairo_backend::CairoBackend;
    return *backend;
}

}  // namespace host
