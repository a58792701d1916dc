#pragma once

namespace host {

// Threads are not offered: everything runs on the main thread. The class is
// declared so that a reference to one can be held, and stay empty.
class NSThread;

}  // namespace host
