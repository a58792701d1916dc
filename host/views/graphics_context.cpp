#include "host/views/graphics_context.h"

#include <vector>

namespace host {

static std::vector<CGContext*>& contextStack() {
    static std::vector<CGContext*> stack;
    return stack;
}

CGContext* UIGraphicsGetCurrentContext() {
    auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back();
}

void UIGraphicsPushContext(CGContext* context) { contextStack().push_back(context); }

void UIGraphicsPopContext() {
    auto& stack = contextStack();
    if (!stack.empty()) stack.pop_back();
}

}  // namespace host
