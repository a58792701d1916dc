#pragma once

#include <cmath>

#include "host/geometry/geometry.h"

namespace host {

// The device's screen: 320 x 480 points, origin at the top left, shown at
// `scale` pixels per point (the window's zoom). Views draw their contents at
// that scale, and pictures with a variant for it are loaded in that variant,
// so text and art stay sharp when the window is enlarged.
class UIScreen {
  public:
    static UIScreen& mainScreen() {
        static UIScreen screen;
        return screen;
    }
    CGRect bounds() const { return CGRectMake(0, 0, 320, 480); }
    float scale() const { return scale_; }
    // Set by the shell before anything is drawn; 1 to 8, anything else is ignored.
    void setScale(float scale) {
        if (std::isfinite(scale) && scale >= 1.0f && scale <= 8.0f) scale_ = scale;
    }

  private:
    float scale_ = 1.0f;
};

}  // namespace host
