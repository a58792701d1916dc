#include "host/layers/cg_context.h"

namespace host {

static CGDrawingBackend* installed = nullptr;

CGDrawingBackend& drawingBackend() { return installed ? *installed : cairoDrawingBackend(); }

void setDrawingBackend(CGDrawingBackend* backend) { installed = backend; }

}  // namespace host
