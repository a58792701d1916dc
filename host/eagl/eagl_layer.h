#pragma once

#include <string>

#include "host/eagl/drawable_properties.h"
#include "host/layers/layer.h"

namespace host {

// A layer whose contents come from a GL ES renderbuffer: a context gives a
// renderbuffer storage of the layer's size and colour format
// (EAGLContext::renderbufferStorage) and presenting that renderbuffer copies
// its pixels into the layer's contents.
class CAEAGLLayer : public CALayer {
  public:
    CAEAGLLayer() = default;

    const EAGLDrawableProperties& drawableProperties() const { return properties_; }
    void setDrawableProperties(EAGLDrawableProperties properties) {
        properties_ = std::move(properties);
    }

    // Unset properties read as the platform defaults: RGBA8, not retained.
    std::string colorFormat() const {
        return properties_.stringValue(kEAGLDrawablePropertyColorFormat, kEAGLColorFormatRGBA8);
    }
    bool retainedBacking() const {
        return properties_.boolValue(kEAGLDrawablePropertyRetainedBacking, false);
    }

  private:
    EAGLDrawableProperties properties_;
};

}  // namespace host
