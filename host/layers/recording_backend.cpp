#include "host/layers/recording_backend.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace host {

namespace {

std::string format(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* f, ...) {
    char buffer[512];
    va_list args;
    va_start(args, f);
    std::vsnprintf(buffer, sizeof buffer, f, args);
    va_end(args);
    return buffer;
}

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

class RecordingTextLine : public CGTextLine {
  public:
    explicit RecordingTextLine(float size)
        : size_(size),
          advance_(std::lround(double{size} * RecordingDrawingBackend::kAdvancePerPoint *
                               kCGTextUnitsPerPoint)) {}
    void setText(const std::string& text) override { text_ = text; }
    int64_t widthUnits() const override {
        return advance_ * std::count_if(text_.begin(), text_.end(),
                                        [](char c) { return !continuationByte(c); });
    }
    std::vector<int64_t> clusterAdvances(const std::vector<size_t>& bounds) const override {
        std::vector<int64_t> a(bounds.size() - 1, 0);
        for (size_t at = 0; at < text_.size(); ++at) {
            if (continuationByte(text_[at])) continue;
            size_t c = std::upper_bound(bounds.begin(), bounds.end(), at) - bounds.begin();
            a[std::min(c, a.size()) - 1] += advance_;
        }
        return a;
    }
    float height() const override { return size_ * RecordingDrawingBackend::kHeightPerPoint; }
    float baseline() const override { return size_; }
    float size() const { return size_; }
    const std::string& text() const { return text_; }

  private:
    float size_;
    int64_t advance_;
    std::string text_;
};

class RecordingContext : public CGContext {
  public:
    explicit RecordingContext(std::vector<std::string>& calls) : calls_(calls) {}

    void saveGState() override {
        saved_.push_back(m_);
        calls_.push_back("save");
    }
    void restoreGState() override {
        if (!saved_.empty()) m_ = saved_.back(), saved_.pop_back();
        calls_.push_back("restore");
    }
    // Composed as cairo composes, so the same decisions follow from the matrix.
    void translateCTM(double tx, double ty) override {
        m_.tx = tx * m_.a + ty * m_.c + m_.tx;
        m_.ty = tx * m_.b + ty * m_.d + m_.ty;
        calls_.push_back(format("translate %g %g", tx, ty));
    }
    void scaleCTM(double sx, double sy) override {
        m_.a *= sx, m_.b *= sx, m_.c *= sy, m_.d *= sy;
        calls_.push_back(format("scale %g %g", sx, sy));
    }
    void concatCTM(const CGAffineTransform& t) override {
        m_ = CGContextMatrixConcat(t, m_);
        calls_.push_back(format("concat %g %g %g %g %g %g", t.a, t.b, t.c, t.d, t.tx, t.ty));
    }
    CGContextMatrix getCTM() const override { return m_; }
    void clipToRect(const CGRect& r) override {
        calls_.push_back(
            format("clip %g %g %g %g", r.origin.x, r.origin.y, r.size.width, r.size.height));
    }
    void setFillColor(float r, float g, float b, float a) override {
        calls_.push_back(format("fill-color %g %g %g %g", r, g, b, a));
    }
    void clearToColor(float r, float g, float b, float a) override {
        calls_.push_back(format("clear %g %g %g %g", r, g, b, a));
    }
    void fillRect(const CGRect& r) override {
        calls_.push_back(
            format("fill-rect %g %g %g %g", r.origin.x, r.origin.y, r.size.width, r.size.height));
    }
    void fillPath(const CGMutablePath& path) override {
        calls_.push_back(format("fill-path %zu", path.elements.size()));
    }
    void drawImage(const CGImage& image, CGImageFilter filter, CGImageEdges edges) override {
        static const char* filters[] = {"nearest", "bilinear", "smooth"};
        const double w = image.width(), h = image.height();
        calls_.push_back(format("image %d x %d %s %s at %g %g to %g %g", image.width(),
                                image.height(), filters[static_cast<int>(filter)],
                                edges == CGImageEdges::extended ? "extended" : "transparent", m_.tx,
                                m_.ty, m_.a * w + m_.c * h + m_.tx, m_.b * w + m_.d * h + m_.ty));
    }
    void showTextLine(const CGTextLine& line, CGPoint p) override {
        const auto* recorded = dynamic_cast<const RecordingTextLine*>(&line);
        if (!recorded) return;
        calls_.push_back(format("text %g \"%s\" at %g %g", recorded->size(),
                                recorded->text().c_str(), p.x, p.y));
    }

  private:
    std::vector<std::string>& calls_;
    CGContextMatrix m_;
    std::vector<CGContextMatrix> saved_;
};

}  // namespace

std::vector<std::string> RecordingDrawingBackend::callsStartingWith(
    const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& c : calls)
        if (c.starts_with(prefix)) found.push_back(c);
    return found;
}

void RecordingDrawingBackend::drawIntoImage(CGImage& image, CGDrawFunction draw) {
    calls.push_back(format("into %d x %d", image.width(), image.height()));
    RecordingContext context(calls);
    draw(context);
    image.markDirty();
}

std::unique_ptr<CGTextLine> RecordingDrawingBackend::newTextLine(const std::string&, float size) {
    return std::make_unique<RecordingTextLine>(size);
}

std::vector<size_t> RecordingDrawingBackend::clusterBounds(std::string_view text) {
    std::vector<size_t> bounds;
    for (size_t at = 0; at < text.size(); ++at)
        if (!continuationByte(text[at])) bounds.push_back(at);
    bounds.push_back(text.size());
    return bounds;
}

bool RecordingDrawingBackend::writePNG(const CGImage&, const std::string& path) {
    calls.push_back("png " + path);
    return false;
}

}  // namespace host
