#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/typesetting/face_name.hpp"

namespace ui::typesetting {

// A glyph of a face, its origin on the baseline in em from the line's left edge (y down).
struct PositionedGlyph {
  std::uint32_t id = 0;
  double x = 0;
  double y = 0;
  friend bool operator==(const PositionedGlyph&, const PositionedGlyph&) = default;
};

// Glyphs of one face, emboldened when the font is bold and the face has no bold design.
struct GlyphRun {
  FaceName face = FaceName::sansRegular;
  bool embolden = false;
  std::vector<PositionedGlyph> glyphs;
  friend bool operator==(const GlyphRun&, const GlyphRun&) = default;
};

// One line shaped once, in em: measuring and both backends use the same glyphs and positions,
// so what is drawn is what was measured. Runs in visual order, left to right.
struct ShapedLine {
  std::vector<GlyphRun> runs;
  double width = 0;
  // Of the faces the line draws from, the largest.
  double ascent = 0;
  double descent = 0;
  // The paragraph's direction, from its first strong character.
  bool rightToLeft = false;
  friend bool operator==(const ShapedLine&, const ShapedLine&) = default;
};

// Shared between the layout, the display list and the backends; compared by content.
struct ShapedLineRef {
  std::shared_ptr<const ShapedLine> line;
  friend bool operator==(const ShapedLineRef& a, const ShapedLineRef& b) {
    return a.line == b.line || (a.line && b.line && *a.line == *b.line);
  }
};

}  // namespace ui::typesetting
