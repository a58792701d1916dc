#include "host/views/color.h"

#include <algorithm>

#include "host/layers/cg_context.h"
#include "host/views/graphics_context.h"

namespace host {

// NaN becomes 0, like any other value below the range.
static float unit(float v) { return v > 0 ? std::min(v, 1.0f) : 0.0f; }

std::shared_ptr<UIColor> UIColor::blackColor() { return colorWithRed(0, 0, 0, 1); }

std::shared_ptr<UIColor> UIColor::whiteColor() { return colorWithRed(1, 1, 1, 1); }

std::shared_ptr<UIColor> UIColor::colorWithRed(float red, float green, float blue, float alpha) {
    return std::make_shared<UIColor>(unit(red), unit(green), unit(blue), unit(alpha));
}

void UIColor::set() const {
    if (CGContext* c = UIGraphicsGetCurrentContext()) c->setFillColor(red_, green_, blue_, alpha_);
}

}  // namespace host
