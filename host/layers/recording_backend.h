#pragma once

#include <string>
#include <vector>

#include "host/layers/cg_context.h"

namespace host {

// The null drawing backend the tests use: it makes no pixels, records every
// call as a line of text, and measures text by rule, so that what a view
// draws and how the compositor walks the tree can be checked exactly.
//
// Text: every character (UTF-8 code point) is a cluster as wide as half the
// font size; the line box is 1.25 sizes high with its baseline one size
// below the top.
//
// Records, numbers as %g:
//   "into W x H"                   drawIntoImage, before the calls it lends
//   "save", "restore", "translate X Y", "scale X Y", "concat A B C D TX TY"
//   "clip X Y W H"                 the rectangle in user space
//   "fill-color R G B A", "clear R G B A", "fill-rect X Y W H", "fill-path N"
//   "image W x H FILTER EDGES at X Y to X Y"
//                                  FILTER nearest|bilinear|smooth, EDGES
//                                  transparent|extended, then the pixel
//                                  positions of the image's top left and bottom right
//   "text SIZE \"TEXT\" at X Y"    the line box's top left in user space
class RecordingDrawingBackend : public CGDrawingBackend {
  public:
    static constexpr float kAdvancePerPoint = 0.5f, kHeightPerPoint = 1.25f;
    std::vector<std::string> calls;
    // The records that start with `prefix`.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;

    void drawIntoImage(CGImage& image, CGDrawFunction draw) override;
    const std::string& systemFontFamily() override { return family_; }
    std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size) override;
    std::vector<size_t> clusterBounds(std::string_view text) override;
    // Records "png PATH" and writes nothing: false.
    bool writePNG(const CGImage& image, const std::string& path) override;

  private:
    std::string family_ = "Recorded Sans";
};

// Installs a recording backend for the life of the object.
class ScopedRecordingBackend : public RecordingDrawingBackend {
  public:
    ScopedRecordingBackend() { setDrawingBackend(this); }
    ~ScopedRecordingBackend() override { setDrawingBackend(nullptr); }
    ScopedRecordingBackend(const ScopedRecordingBackend&) = delete;
    ScopedRecordingBackend& operator=(const ScopedRecordingBackend&) = delete;
};

}  // namespace host
