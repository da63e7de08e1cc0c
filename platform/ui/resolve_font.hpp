#pragma once

#include "ui/font.hpp"
#include "ui/resolved_font.hpp"

namespace ui {

// A text style as the renderer draws it: the style's size and weight from the text style
// table, with bold(), monospaced() and monospacedDigit() carried over.
ResolvedFont resolveFont(const Font& font);

}  // namespace ui
