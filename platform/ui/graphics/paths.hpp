#pragma once

// Private to the ui library: vector paths shared by the raster and SVG backends, so both draw
// the same shapes.

#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/geometry.hpp"

namespace ui::detail {

struct PathElement {
  enum class Kind : std::uint8_t { moveTo, lineTo, curveTo, closePath };
  Kind kind = Kind::moveTo;
  // moveTo and lineTo use points[0]; curveTo uses control, control, end.
  foundation::Point points[3];
};

using Path = std::vector<PathElement>;

// A part of a symbol: filled with the even-odd rule when strokeWidth is 0, else stroked with
// round caps and joins. Coordinates in the symbol's unit square.
struct SymbolShape {
  Path path;
  double strokeWidth = 0;
};

// A named symbol as every backend draws it: its shapes, and the character that stands for it in
// a terminal.
struct SymbolDefinition {
  std::vector<SymbolShape> shapes;
  std::string_view terminalGlyph;
};

// The one table of symbols the renderers know; null for any other name (drawn as nothing, and
// taking no room).
const SymbolDefinition* findSymbol(std::string_view name);

// The shapes of a named symbol; empty for a name the renderer does not know.
const std::vector<SymbolShape>& symbolShapes(std::string_view name);

// A rectangle with corners that ease into the straight edges (as the phone's widget corners do)
// rather than circular arcs; radius 0 gives a plain rectangle.
Path continuousRoundedRect(const foundation::Rect& rect, double radius);

// The path mapped from the unit square into `rect`.
Path transformed(const Path& path, const foundation::Rect& rect);

}  // namespace ui::detail
