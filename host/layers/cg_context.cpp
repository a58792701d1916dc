#include "host/layers/cg_context.h"

namespace host {

static CGDrawingBackend* installed = nullptr;

#ifdef __EMSCRIPTEN__
CGDrawingBackend& drawingBackend() { return installed ? *installed : canvasDrawingBackend(); }
#else
CGDrawingBackend& drawingBackend() { return installed ? *installed : cairoDrawingBackend(); }
#endif

void setDrawingBackend(CGDrawingBackend* backend) { installed = backend; }

}  // namespace host
