#include "host/views/graphics_context.h"

#include <vector>

namespace host {

static std::vector<cairo_t*>& contextStack() {
    static std::vector<cairo_t*> stack;
    return stack;
}

cairo_t* UIGraphicsGetCurrentContext() {
    auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back();
}

void UIGraphicsPushContext(cairo_t* context) { contextStack().push_back(context); }

void UIGraphicsPopContext() {
    auto& stack = contextStack();
    if (!stack.empty()) stack.pop_back();
}

}  // namespace host
