#pragma once

#include <memory>
#include <string>

#include "host/geometry/geometry.h"
#include "host/layers/image.h"

namespace host {

// A picture loaded from the bundle. One image pixel is one point.
class UIImage {
  public:
    // The PNG file `name` (with its extension) in the main bundle's resources;
    // nullptr, with one line naming the file and the problem, when it is
    // missing or cannot be decoded.
    static std::shared_ptr<UIImage> imageNamed(const std::string& name);
    // Any PNG file; nullptr with one line when it cannot be had: damaged,
    // over 64 MiB, over 8192 pixels a side, or with a chunk other than image
    // data over 1 MiB. What a file claims is never allocated before it is checked.
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& path);

    explicit UIImage(std::shared_ptr<host::CGImage> image) : image_(std::move(image)) {}

    CGSize size() const;
    // Draws the image with its top-left corner at `point` in the current
    // context, over what is there; does nothing without a current context.
    void drawAtPoint(CGPoint point) const;
    const std::shared_ptr<host::CGImage>& CGImage() const { return image_; }

  private:
    std::shared_ptr<host::CGImage> image_;
};

}  // namespace host
