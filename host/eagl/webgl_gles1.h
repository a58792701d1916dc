#pragma once

// The GL ES 1.1 layer over WebGL 1 (webgl_gles1.cpp), as the WebGL backend
// sees it. The layer defines the GL ES 1.1 functions the toy and the host
// call; each context's fixed-function state lives here, and the WebGL context
// underneath does the rasterising through one shader that lights per vertex.

#include <string>

namespace host::webgl_gles1 {

struct State;

// The fixed-function state of a new context, with its shader and buffers made
// in the WebGL context that is current now. Null with `why` set when the
// shader cannot be built.
State* create(std::string& why);
// After the browser gave back a lost WebGL context, now current: makes the
// state's shader, buffers and framebuffer objects again under the same names
// (their pixels are gone) and hands on the WebGL settings it had. False with
// `why` set when the shader cannot be built.
bool restore(State* state, std::string& why);
// Frees the state; its WebGL objects go with the WebGL context.
void destroy(State* state);
// The state GL ES calls act on from now on; null: none (calls do nothing).
void makeCurrent(State* state);

// The address of one of the layer's OES framebuffer entry points, or null.
using Proc = void (*)();
Proc procAddress(const char* name);

}  // namespace host::webgl_gles1
