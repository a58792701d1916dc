#pragma once

typedef struct _cairo cairo_t;

namespace host {

// The context that drawRect:, image and text drawing and colours draw into: a
// stack, so drawing can nest.
cairo_t* UIGraphicsGetCurrentContext();
void UIGraphicsPushContext(cairo_t* context);
void UIGraphicsPopContext();

}  // namespace host
