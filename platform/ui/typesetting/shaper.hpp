#pragma once

// Private to the ui library: shaping one line of text with the font set.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "ui/typesetting/resolved_font.hpp"
#include "ui/typesetting/shaped_line.hpp"

namespace ui::typesetting {

// Past this many UTF-16 units a line is not shaped further (a widget's line holds a few dozen),
// which bounds the time a hostile string can take.
inline constexpr std::size_t kMaxShapedUnits = 4096;

// Shapes `text` (malformed UTF-8 shows U+FFFD) in the faces of `font`, at 1 em: bidirectional
// and script runs from ICU, each character from the first face of the chain that has it (the
// primary face's missing-glyph box where none has), HarfBuzz for the glyphs, `tnum` where the
// font asks for equal digits. The size and the point size do not matter: glyphs and positions
// scale. Throws FontSetError.
ShapedLine shapeLine(std::string_view text, const ResolvedFont& font);

// `text` with every malformed byte replaced by U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace ui::typesetting
