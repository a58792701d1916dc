// The drawing backend over a browser's 2-D canvas (the web build's). Each
// image drawn into or drawn from has a canvas of its size holding its pixels
// (canvas_backend.js); the C++ side keeps the transform, so getCTM costs no
// call into the page, and copies pixels in and out only when they changed.

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/foundation/messages.h"
#include "host/layers/canvas_png.h"
#include "host/layers/cg_context.h"

extern "C" {
int paddock_canvas_create(int width, int height);
void paddock_canvas_free(int canvas);
void paddock_canvas_upload(int canvas, const uint8_t* pixels, int stride, int rgb565);
void paddock_canvas_download(int canvas, uint8_t* pixels, int stride, int rgb565);
void paddock_canvas_begin(int canvas);
void paddock_canvas_end(int canvas);
void paddock_canvas_save(int canvas);
void paddock_canvas_restore(int canvas);
void paddock_canvas_set_transform(int canvas, double a, double b, double c, double d, double tx,
                                  double ty);
void paddock_canvas_clip_rect(int canvas, double x, double y, double w, double h);
void paddock_canvas_set_fill(int canvas, double r, double g, double b, double a);
void paddock_canvas_clear(int canvas, double r, double g, double b, double a);
void paddock_canvas_fill_rect(int canvas, double x, double y, double w, double h);
void paddock_canvas_fill_path(int canvas, const double* points, const uint8_t* moves, int count);
void paddock_canvas_draw_canvas(int canvas, int source, int width, int height, int filter,
                                int extended);
void paddock_canvas_fill_text(int canvas, const char* family, double size, const char* text,
                              double x, double y);
int paddock_text_font_ready(const char* family, char* why, int whySize);
double paddock_text_width(const char* family, double size, const char* text, int bytes);
void paddock_text_metrics(const char* family, double* ascent, double* descent);
int paddock_text_clusters(const char* text, int bytes, uint32_t* bounds, int capacity);
}

namespace host {

namespace {

// An image's canvas and the changes() count its pixels were copied at.
struct CanvasImage : CGImage::BackendData {
    int canvas = 0;
    unsigned long seen = 0;
    bool fresh = false;  // the canvas holds the image's current pixels
    ~CanvasImage() override { paddock_canvas_free(canvas); }
};

// The image's canvas, its pixels copied in when they changed since.
CanvasImage& canvasOf(const CGImage& image) {
    auto& slot = image.backendData();
    auto* held = dynamic_cast<CanvasImage*>(slot.get());
    if (!held) {
        auto made = std::make_unique<CanvasImage>();
        made->canvas = paddock_canvas_create(image.width(), image.height());
        held = made.get();
        slot = std::move(made);
    }
    if (!held->fresh || held->seen != image.changes()) {
        paddock_canvas_upload(held->canvas, image.data(), image.stride(),
                              image.format() == CGImage::Format::rgb565);
        held->seen = image.changes();
        held->fresh = true;
    }
    return *held;
}

// A line measured with the canvas's measureText: widths of the text's prefixes
// in 1/1024 points, so that cluster advances always sum to the line's width.
class CanvasTextLine : public CGTextLine {
  public:
    CanvasTextLine(std::string family, float size) : family_(std::move(family)), size_(size) {
        // Whole text units, rounded as the native engine rounds them (a half
        // unit of ascent up, of descent down): the baseline is the ascent, the
        // line box the ascent and the descent.
        double ascent = 0, descent = 0;
        paddock_text_metrics(family_.c_str(), &ascent, &descent);
        const double unitsPerPoint = double{size_} * kCGTextUnitsPerPoint;
        const auto up = int64_t(std::floor(ascent * unitsPerPoint + 0.5)),
                   down = int64_t(std::ceil(descent * unitsPerPoint - 0.5));
        baseline_ = float(double(up) / kCGTextUnitsPerPoint);
        height_ = float(double(up + down) / kCGTextUnitsPerPoint);
    }
    void setText(const std::string& text) override {
        if (laidOut_ && text == text_) return;
        text_ = text;
        laidOut_ = true;
        width_ = unitsOfPrefix(text_.size());
    }
    int64_t widthUnits() const override { return width_; }
    std::vector<int64_t> clusterAdvances(const std::vector<size_t>& bounds) const override {
        std::vector<int64_t> a(bounds.size() - 1, 0);
        int64_t before = 0;
        for (size_t i = 1; i < bounds.size(); ++i) {
            const int64_t upTo = bounds[i] >= text_.size() ? width_ : unitsOfPrefix(bounds[i]);
            a[i - 1] = upTo - before;
            before = upTo;
        }
        return a;
    }
    float height() const override { return height_; }
    float baseline() const override { return baseline_; }

    const std::string& family() const { return family_; }
    float size() const { return size_; }
    const std::string& text() const { return text_; }

  private:
    int64_t unitsOfPrefix(size_t bytes) const {
        if (bytes == 0) return 0;
        return std::llround(paddock_text_width(family_.c_str(), size_, text_.c_str(), int(bytes)) *
                            kCGTextUnitsPerPoint);
    }

    std::string family_;
    float size_;
    float baseline_ = 0, height_ = 0;
    std::string text_;
    bool laidOut_ = false;
    int64_t width_ = 0;
};

class CanvasContext : public CGContext {
  public:
    explicit CanvasContext(int canvas) : canvas_(canvas) {}

    void saveGState() override {
        saved_.push_back(m_);
        paddock_canvas_save(canvas_);
    }
    void restoreGState() override {
        if (saved_.empty()) return;
        m_ = saved_.back();
        saved_.pop_back();
        paddock_canvas_restore(canvas_);
    }
    // Each applies before the current transform, as the canvas's own calls do.
    void translateCTM(double tx, double ty) override {
        m_.tx = tx * m_.a + ty * m_.c + m_.tx;
        m_.ty = tx * m_.b + ty * m_.d + m_.ty;
        apply();
    }
    void scaleCTM(double sx, double sy) override {
        m_.a *= sx, m_.b *= sx, m_.c *= sy, m_.d *= sy;
        apply();
    }
    void concatCTM(const CGAffineTransform& t) override {
        m_ = CGContextMatrixConcat(t, m_);
        apply();
    }
    CGContextMatrix getCTM() const override { return m_; }
    void clipToRect(const CGRect& r) override {
        paddock_canvas_clip_rect(canvas_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    }
    void setFillColor(float red, float green, float blue, float alpha) override {
        paddock_canvas_set_fill(canvas_, red, green, blue, alpha);
    }
    void clearToColor(float red, float green, float blue, float alpha) override {
        paddock_canvas_clear(canvas_, red, green, blue, alpha);
    }
    void fillRect(const CGRect& r) override {
        paddock_canvas_fill_rect(canvas_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    }
    void fillPath(const CGMutablePath& path) override {
        points_.clear();
        moves_.clear();
        for (const auto& e : path.elements) {
            points_.push_back(e.point.x);
            points_.push_back(e.point.y);
            moves_.push_back(e.type == CGPathElement::Type::MoveToPoint);
        }
        paddock_canvas_fill_path(canvas_, points_.data(), moves_.data(), int(moves_.size()));
    }
    void drawImage(const CGImage& image, CGImageFilter filter, CGImageEdges edges) override {
        const CanvasImage& source = canvasOf(image);
        paddock_canvas_draw_canvas(canvas_, source.canvas, image.width(), image.height(),
                                   static_cast<int>(filter), edges == CGImageEdges::extended);
    }
    void showTextLine(const CGTextLine& line, CGPoint topLeft) override {
        const auto* laidOut = dynamic_cast<const CanvasTextLine*>(&line);
        if (!laidOut || laidOut->text().empty()) return;
        paddock_canvas_fill_text(canvas_, laidOut->family().c_str(), laidOut->size(),
                                 laidOut->text().c_str(), topLeft.x,
                                 double{topLeft.y} + laidOut->baseline());
    }

  private:
    void apply() { paddock_canvas_set_transform(canvas_, m_.a, m_.b, m_.c, m_.d, m_.tx, m_.ty); }

    int canvas_;
    CGContextMatrix m_;
    std::vector<CGContextMatrix> saved_;
    // Reused by every path, so filling allocates only for a longer path.
    static inline std::vector<double> points_;
    static inline std::vector<uint8_t> moves_;
};

constexpr const char* kSystemFamily = "DejaVu Sans";

class CanvasBackend : public CGDrawingBackend {
  public:
    void drawIntoImage(CGImage& image, CGDrawFunction draw) override {
        CanvasImage& target = canvasOf(image);
        paddock_canvas_begin(target.canvas);
        {
            CanvasContext context(target.canvas);
            draw(context);
        }
        paddock_canvas_end(target.canvas);
        paddock_canvas_download(target.canvas, image.data(), image.stride(),
                                image.format() == CGImage::Format::rgb565);
        image.markDirty();
        // The canvas holds exactly what was read back, except for the rounding
        // of premultiplied colours: the next draw from it starts from the canvas.
        target.seen = image.changes();
    }
    const std::string& systemFontFamily() override {
        static const std::string family = [] {
            char why[160] = "";
            if (paddock_text_font_ready(kSystemFamily, why, sizeof why))
                return std::string(kSystemFamily);
            say(messages::kPageFontUnusable, why);
            return std::string();
        }();
        return family;
    }
    std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size) override {
        if (systemFontFamily().empty()) return nullptr;
        return std::make_unique<CanvasTextLine>(family, size);
    }
    std::vector<size_t> clusterBounds(std::string_view text) override {
        // Never more boundaries than bytes and one.
        std::vector<uint32_t> found(text.size() + 1);
        const std::string copy(text);
        const int n =
            paddock_text_clusters(copy.c_str(), int(copy.size()), found.data(), int(found.size()));
        std::vector<size_t> bounds(found.begin(), found.begin() + n);
        if (bounds.empty() || bounds.front() != 0) bounds.insert(bounds.begin(), 0);
        if (bounds.back() != text.size()) bounds.push_back(text.size());
        return bounds;
    }
    // The browser's encoders answer only asynchronously: our own writer.
    bool writePNG(const CGImage& image, const std::string& path) override {
        return writeStoredPNG(image, path);
    }
};

}  // namespace

CGDrawingBackend& canvasDrawingBackend() {
    static auto* backend = new CanvasBackend;
    return *backend;
}

}  // namespace host
