#pragma once

#include "host/geometry/geometry.h"

namespace host {

// The device's screen: 320 x 480 points, origin at the top left.
class UIScreen {
  public:
    static const UIScreen& mainScreen() {
        static const UIScreen screen;
        return screen;
    }
    CGRect bounds() const { return CGRectMake(0, 0, 320, 480); }
};

}  // namespace host
