#pragma once

#include <memory>
#include <string>

namespace host {

// A font: a family and a size in points, which are pixels of the composed
// frame. The system font is DejaVu Sans (Debian's fonts-dejavu-core), or the
// closest sans face fontconfig has; without any usable font, measuring gives
// zero sizes and drawing draws nothing (one line says so, once).
class UIFont {
  public:
    static std::shared_ptr<UIFont> systemFontOfSize(float size);
    UIFont(std::string family, float pointSize)
        : family_(std::move(family)), pointSize_(pointSize) {}

    const std::string& familyName() const { return family_; }
    float pointSize() const { return pointSize_; }
    std::shared_ptr<UIFont> fontWithSize(float size) const;

  private:
    std::string family_;
    float pointSize_;
};

// The family the system font resolves to; empty when no font is usable.
const std::string& systemFontFamily();

}  // namespace host
