#pragma once

// GL ES 1.1 with the OES framebuffer-object entry points declared. The GL ES
// library exports only the core functions; host_eagl defines the OES ones and
// forwards them to the current context.
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GLES/gl.h>
#include <GLES/glext.h>
