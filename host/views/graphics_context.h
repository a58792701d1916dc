#pragma once

namespace host {

class CGContext;

// The context that drawRect:, image and text drawing and colours draw into: a
// stack, so drawing can nest. Contexts are lent by the drawing backend
// (host/layers/cg_context.h); the stack does not own them.
CGContext* UIGraphicsGetCurrentContext();
void UIGraphicsPushContext(CGContext* context);
void UIGraphicsPopContext();

}  // namespace host
