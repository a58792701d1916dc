#pragma once

// Every line the host can print, in one place, so tests can check which one
// came. Each module keeps its own block; printf formats end in a newline.

namespace host::messages {

// foundation

// layers, views, shell

// eagl

// audio

}  // namespace host::messages
