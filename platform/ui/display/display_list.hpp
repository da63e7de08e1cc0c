#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "foundation/geometry.hpp"
#include "foundation/url.hpp"
#include "ui/environment/widget_rendering_mode.hpp"
#include "ui/typesetting/resolved_font.hpp"
#include "ui/typesetting/shaped_line.hpp"
#include "ui/view/color.hpp"

namespace ui {

// What a backend draws, in widget points, back to front. Built from the layout; every backend
// draws the same list, so a test of the list covers them all.

// A rounded rectangle filled with one colour; radius 0 is a plain rectangle.
struct FillRoundedRect {
  foundation::Rect rect;
  double cornerRadius = 0;
  RGBA color;
  friend bool operator==(const FillRoundedRect&, const FillRoundedRect&) = default;
};

// A rounded rectangle filled with a linear gradient whose colours are spread evenly from `start`
// to `end` (widget points).
struct FillGradient {
  foundation::Rect rect;
  double cornerRadius = 0;
  std::vector<RGBA> colors;
  foundation::Point start{};
  foundation::Point end{};
  friend bool operator==(const FillGradient&, const FillGradient&) = default;
};

// One line of text. `rect` is its line box; the baseline lies `ascent` below its top. `shaped`
// holds the glyphs it was measured with, which the backends draw; without it they shape `text`.
struct TextRun {
  std::string text;
  ResolvedFont font;
  RGBA color;
  foundation::Rect rect;
  double ascent = 0;
  typesetting::ShapedLineRef shaped;
  friend bool operator==(const TextRun&, const TextRun&) = default;
};

// A named symbol drawn to fill `rect` (a square) in `color`. Unknown names draw nothing.
struct Symbol {
  std::string name;
  foundation::Rect rect;
  RGBA color;
  friend bool operator==(const Symbol&, const Symbol&) = default;
};

// A tap target: `itemCount` items that follow belong to the link's content.
struct LinkRegion {
  foundation::Rect rect;
  foundation::URL destination;
  std::size_t itemCount = 0;
  friend bool operator==(const LinkRegion&, const LinkRegion&) = default;
};

// The widget's container background: the `itemCount` items that follow, drawn behind the content
// over `rect` and clipped to its corners of `cornerRadius`. Marked rather than known by position,
// so that a backend can keep a background it has drawn before, and a list drawn without one
// (on the tinted home screen, say) simply has no such item.
struct ContainerBackground {
  foundation::Rect rect;
  double cornerRadius = 0;
  std::size_t itemCount = 0;
  friend bool operator==(const ContainerBackground&, const ContainerBackground&) = default;
};

using DisplayItem =
    std::variant<ContainerBackground, FillRoundedRect, FillGradient, TextRun, Symbol, LinkRegion>;
using DisplayList = std::vector<DisplayItem>;

struct WidgetLayout;
struct RenderEnvironment;

// The list of a laid-out widget, back to front, as the environment has the system show it: its
// container background (marked as such) or, where that is not shown, the system's backdrop; then
// its content, in the colours of the rendering mode (see shownColor). Redacted, every text
// becomes a rounded bar of its width in its colour.
DisplayList displayList(const WidgetLayout& layout, const RenderEnvironment& environment);

// A content colour as the system draws it in `mode`: as it is in full colour; accented, `tint`
// with the colour's own opacity; vibrant, `tint` darkened to the colour's brightness, so that
// every colour is a shade of the tint.
RGBA shownColor(RGBA color, WidgetRenderingMode mode, RGBA tint);

// Moves every item by (dx, dy) points: rects, and the ends of gradients. For placing a list drawn
// on its own canvas onto a larger one.
void translate(DisplayList& list, double dx, double dy);

std::ostream& operator<<(std::ostream& os, const DisplayItem& item);
void PrintTo(const DisplayItem& item, std::ostream* os);
void PrintTo(const DisplayList& list, std::ostream* os);

}  // namespace ui
