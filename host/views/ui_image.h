#pragma once

#include <memory>
#include <string>

#include "host/geometry/geometry.h"
#include "host/layers/cg_image.h"

namespace host {

// A picture loaded from the bundle, `scale` pixels to the point: a file named
// "name@2x.png" holds the picture "name.png" at twice the detail, the same
// size in points.
class UIImage {
  public:
    // The PNG file `name` (with its extension) in the main bundle's resources,
    // in the variant for the screen's scale when the bundle has one
    // ("cow@2x.png" for "cow.png" on a 2x screen, else the next smaller, else
    // the plain file); nullptr, with one line naming the file and the
    // problem, when it is missing or cannot be decoded.
    static std::shared_ptr<UIImage> imageNamed(const std::string& name);
    // Any PNG file, at the scale its name says ("@3x" before the extension),
    // else 1; nullptr with one line when it cannot be had: damaged,
    // over 64 MiB, over 8192 pixels a side, or with a chunk other than image
    // data over 1 MiB. What a file claims is never allocated before it is checked.
    static std::shared_ptr<UIImage> imageWithContentsOfFile(const std::string& path);

    explicit UIImage(std::shared_ptr<host::CGImage> image, float scale = 1.0f)
        : image_(std::move(image)), scale_(scale) {}

    // In points: the pixels divided by the scale.
    CGSize size() const;
    float scale() const { return scale_; }
    // Draws the image with its top-left corner at `point` in the current
    // context, over what is there; does nothing without a current context.
    void drawAtPoint(CGPoint point) const;
    const std::shared_ptr<host::CGImage>& CGImage() const { return image_; }

  private:
    std::shared_ptr<host::CGImage> image_;
    float scale_;
};

}  // namespace host
