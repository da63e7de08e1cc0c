#pragma once

#include "ui/environment/dynamic_type_size.hpp"
#include "ui/typesetting/resolved_font.hpp"
#include "ui/view/font.hpp"

namespace ui {

// A text style as the renderer draws it: the style's size at the user's text size and its weight
// from the text style table, with bold(), monospaced() and monospacedDigit() carried over. A
// fixed size stays as it is.
ResolvedFont resolveFont(const Font& font, DynamicTypeSize size = DynamicTypeSize::large);

}  // namespace ui
