#pragma once

// Every line the program prints, in one place, so tests name the one that
// came instead of copying its text; a constant's name is its id. Each module
// keeps its own block; printf formats end in a newline. The host's lines go to
// standard error through say(); the toy's documented lines (the last block)
// go to standard output. What is asked for (--help's usage, --version) is not
// here: it is the program's answer, kept beside the options it describes.

namespace host {

// Prints one of the lines below to standard error.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace host

namespace host::messages {

// foundation: text files
inline constexpr const char* kTextFileUnreadable = "%s: cannot be read: %s\n";
inline constexpr const char* kTextFileTooLarge = "%s: too large for a text file (over %zu bytes)\n";
inline constexpr const char* kTextFileEmpty = "%s: the text file is empty\n";
inline constexpr const char* kTextFileOddLength =
    "%s: not UTF-16 text: odd length of %zu bytes\n";
inline constexpr const char* kTextFileLittleEndian =
    "%s: UTF-16 text in little-endian byte order; big-endian expected\n";
inline constexpr const char* kTextFileUnpairedSurrogate =
    "%s: not UTF-16 text: unpaired surrogate at byte %zu\n";
inline constexpr const char* kTextFileBadUtf8 = "%s: not UTF-8 text: invalid byte at %zu\n";

// views: interface files
inline constexpr const char* kInterfaceFileMissing = "interface file \"%s\" not found in %s\n";
inline constexpr const char* kInterfaceFileUnusable = "interface file %s cannot be used: %s\n";

// views: images, fonts and text
inline constexpr const char* kImageNotFound = "image \"%s\" not found in %s\n";
inline constexpr const char* kImageUnreadable = "image %s cannot be used: %s\n";
inline constexpr const char* kNoUsableFont =
    "no usable font (install fonts-dejavu-core): text is not drawn\n";
// The web build: the page's font did not load; %s says why.
inline constexpr const char* kPageFontUnusable =
    "no usable font (the page's font did not load: %s): text is not drawn\n";
inline constexpr const char* kSystemFontSubstituted =
    "font %s not found (install fonts-dejavu-core): using %s, text sizes may differ\n";

// shell (to standard error: the command line, the script, the display)
inline constexpr const char* kBadCommandLine = "%s: %s (try --help)\n";
inline constexpr const char* kScriptUnreadable = "cannot read the script %s: %s\n";
// file:line: problem
inline constexpr const char* kScriptBadLine = "%s:%d: %s\n";
inline constexpr const char* kNoDisplay =
    "%s: no display to open a window on (%s); run without one with %s --headless --script FILE\n";
inline constexpr const char* kTraceUnwritable = "cannot write the trace file %s: %s\n";
inline constexpr const char* kSnapshotUnwritable = "cannot write the snapshot %s: %s\n";
inline constexpr const char* kOutputUnwritable = "cannot write to standard output: %s\n";
inline constexpr const char* kWindowUnusable = "cannot draw into the window: %s\n";
inline constexpr const char* kWindowDestroyed =
    "the window was closed by another program: quitting\n";
// Start-up files: what ("property list", "main interface file"), name, folder.
inline constexpr const char* kStartFileMissing = "cannot start: the %s \"%s\" is not in %s\n";
// What, path, why.
inline constexpr const char* kStartFileUnusable = "cannot start: the %s %s cannot be used: %s\n";
inline constexpr const char* kUnknownPrincipalClass =
    "cannot start: the application class \"%s\" is unknown (only UIApplication)\n";
inline constexpr const char* kNothingLaunched =
    "cannot start: launching put nothing in the window (see the lines above)\n";
// The browser's page: a bad query in its address (?clock-start=...); the problem.
inline constexpr const char* kBadPageAddress = "cannot start: the page's address: %s\n";

// layers and views: animations and touches
inline constexpr const char* kUnknownTimingFunction =
    "CAMediaTimingFunction: unknown timing function name \"%s\"; pacing stays linear\n";
inline constexpr const char* kUnanimatableKeyPath =
    "CALayer addAnimation: key path \"%s\" cannot be animated (only position and transform); "
    "the animation only keeps time\n";
inline constexpr const char* kAnimationValueMismatch =
    "CALayer addAnimation: a value for key path \"%s\" is not a %s; it is ignored\n";
inline constexpr const char* kCommitWithoutBegin =
    "UIView commitAnimations: no animation block is open; nothing to commit\n";
inline constexpr const char* kBlockSettingOutsideBlock =
    "UIView %s: no animation block is open; the setting is ignored\n";
inline constexpr const char* kStopSelectorWrongClass =
    "UIView animation block: the did-stop selector's class is not the delegate's; no stop "
    "call\n";

// eagl
// No GL ES 1.1 context could be made; %s says why.
inline constexpr const char* kEAGLNoContext = "EAGLContext: no OpenGL ES 1.1 context: %s\n";
// initWithAPI: with an API other than GL ES 1.1.
inline constexpr const char* kEAGLUnsupportedAPI =
    "EAGLContext: rendering API %d is not supported (only 1, OpenGL ES 1.1)\n";
// PADDOCK_GL names no GL ES backend: the program, the value.
inline constexpr const char* kUnknownGLESBackend =
    "%s: PADDOCK_GL=%s is not a GL ES backend (egl or none)\n";
// The browser gave back a lost WebGL context but the GL view's objects could
// not be made again in it (%s says why): the GL view stays blank.
inline constexpr const char* kWebGLNotRestored =
    "WebGL: the GL ES context came back but cannot be used again: %s\n";

// audio
// No sound can be heard; %s says why. Said once each time the output opens.
inline constexpr const char* kAudioSilent = "Sound is off (%s): sounds play silently\n";
// Every mixer channel is playing; said once each time the output opens.
inline constexpr const char* kAudioChannelsBusy =
    "All %d sound channels are busy: a sound was skipped\n";

// record: path and why; path; path, frames recorded and dropped
inline constexpr const char* kRecordingUnwritable = "cannot record to %s: %s\n";
inline constexpr const char* kRecordingStarted = "recording to %s\n";
inline constexpr const char* kRecordingFinished = "recorded %s (%lld frames, %lld dropped)\n";

}  // namespace host::messages

// The toy's documented lines, exactly as its classes print them with printf to
// standard output. The host never prints these; they are kept here so that
// every line the program prints is in this one file.
namespace toy::messages {

// The GL view: the GL error code; the context's address.
inline constexpr const char* kCreateSurfaceGLError =
    "OpenGL error 0x%04X in -[EAGLView _createSurface]\n";
inline constexpr const char* kSwapBuffersGLError =
    "OpenGL error 0x%04X in -[EAGLView swapBuffers]\n";
inline constexpr const char* kSetCurrentContextFailed =
    "Failed to set current context %p in -[EAGLView setCurrentContext]\n";
inline constexpr const char* kClearCurrentContextFailed =
    "Failed to clear current context in -[EAGLView clearCurrentContext]\n";
inline constexpr const char* kSwapRenderbufferFailed =
    "Failed to swap renderbuffer in -[EAGLView swapBuffers]\n";

// Sound effects: the sound service's status; the path (the name when no file bears it).
inline constexpr const char* kCreateSoundFailed =
    "AudioServicesCreateSystemSoundID() called from -[AudioFX initWithPath:] returned error %i\n";
inline constexpr const char* kOpenSoundFileFailed =
    "-[AudioFX initWithPath:]: Failed opening sound file at path \"%s\"\n";
inline constexpr const char* kAddSoundCompletionFailed =
    "AudioServicesAddSystemSoundCompletion() called from -[AudioFX setDelegate:] returned error "
    "%i\n";

// The stage, once per run, when a show would start without a GL view.
inline constexpr const char* kNoShowWithoutGL =
    "-[PaddockView touchesEnded:withEvent:]: no GL view, so the cow show is skipped\n";

}  // namespace toy::messages
