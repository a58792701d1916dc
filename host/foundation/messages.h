#pragma once

// Every line the host can print, in one place, so tests can check which one
// came. Each module keeps its own block; printf formats end in a newline.

namespace host::messages {

// foundation

// layers, views, shell

// eagl
// No GL ES 1.1 context could be made; %s says why.
inline constexpr const char* kEAGLNoContext = "EAGLContext: no OpenGL ES 1.1 context: %s\n";
// initWithAPI: with an API other than GL ES 1.1.
inline constexpr const char* kEAGLUnsupportedAPI =
    "EAGLContext: rendering API %d is not supported (only 1, OpenGL ES 1.1)\n";

// audio

}  // namespace host::messages
