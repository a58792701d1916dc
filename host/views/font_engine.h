#pragma once

#include <pango/pangocairo.h>

#include <string>

// Shared by the font and text code only: the one pango context all text is
// measured and drawn with, so that sizes never depend on the surface drawn to.

namespace host {

// Hinting off and glyph positions unrounded, so measurements are the same on
// every machine with the same font files. Null when no font is usable.
PangoContext* fontContext();

// A description of `family` at `size` points; the caller frees it.
PangoFontDescription* newFontDescription(const std::string& family, float size);

}  // namespace host
