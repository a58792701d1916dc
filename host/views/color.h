#pragma once

#include <memory>

namespace host {

// A colour with alpha, components 0…1 (not premultiplied).
class UIColor {
  public:
    static std::shared_ptr<UIColor> blackColor();
    static std::shared_ptr<UIColor> whiteColor();
    static std::shared_ptr<UIColor> colorWithRed(float red, float green, float blue, float alpha);

    UIColor(float red, float green, float blue, float alpha)
        : red_(red), green_(green), blue_(blue), alpha_(alpha) {}

    // Makes this the colour that later fills and text in the current context
    // use; does nothing when there is no current context.
    void set() const;

    float red() const { return red_; }
    float green() const { return green_; }
    float blue() const { return blue_; }
    float alpha() const { return alpha_; }

  private:
    float red_, green_, blue_, alpha_;
};

}  // namespace host
