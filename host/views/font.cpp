#include "host/views/font.h"

#include "host/layers/cg_context.h"

namespace host {

const std::string& systemFontFamily() { return drawingBackend().systemFontFamily(); }

std::shared_ptr<UIFont> UIFont::systemFontOfSize(float size) {
    return std::make_shared<UIFont>(systemFontFamily(), size);
}

std::shared_ptr<UIFont> UIFont::fontWithSize(float size) const {
    return std::make_shared<UIFont>(family_, size);
}

}  // namespace host
