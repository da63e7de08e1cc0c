#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "foundation/geometry.hpp"
#include "ui/display/display_list.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/view/color.hpp"

namespace ui {

namespace detail {
class BackgroundCache;
}

// How many glyphs of a text run are its face's missing-glyph box (no face of the set has the
// character). A run without shaped glyphs has none to count.
std::size_t missingGlyphs(const TextRun& run);

// The first item of the list that is the widget's content: after its container background's
// items, or after the backdrop the system draws in its place.
std::size_t contentStart(const DisplayList& list, const RenderEnvironment& environment);

// A text run against what is drawn behind it.
struct TextContrast {
  std::size_t item = 0;  // the run's index in the list
  // The lowest contrast of the run's colour, as drawn on each pixel under its glyphs, against
  // that pixel; and that pixel's colour.
  double ratio = 21;
  RGBA text;
  RGBA background;
  friend bool operator==(const TextContrast&, const TextContrast&) = default;
};

// Content drawn where the phone does not show it, or where the widget should not draw it.
struct StrayContent {
  std::size_t item = 0;     // the content item whose box holds them; the list's size: none
  std::size_t pixels = 0;   // device pixels at least half covered
  double distance = 0;      // how far the farthest lies outside, in points
  foundation::Rect bounds;  // the pixels' bounding box, in points
  friend bool operator==(const StrayContent&, const StrayContent&) = default;
};

// What the pixels of one picture show: each text run's contrast, and the content drawn under
// the rounded corners (outside the canvas's shape, which the phone cuts away) or outside the
// content margins.
struct PictureInspection {
  std::vector<TextContrast> contrast;
  std::vector<StrayContent> underCorners;
  std::vector<StrayContent> outsideMargins;
  friend bool operator==(const PictureInspection&, const PictureInspection&) = default;
};

// Looks at the pixels of pictures as the PNG backend draws them, each twice: once without its
// text, whose pixels are then exactly what lies behind every glyph (the drawn picture has the
// glyph itself there, and its antialiased edges mix both colours); and its content alone on
// transparent pixels, which show where the glyphs and the other content left ink. Text on pixels
// that are not opaque (under a corner, or a widget without a background) is not measured: what
// shows there is the phone's wallpaper. Keeps the widget backgrounds it has drawn for the next
// pictures, as the PNG encoder does. Thread-safe.
class PictureInspector {
 public:
  PictureInspector();
  ~PictureInspector();
  PictureInspector(const PictureInspector&) = delete;
  PictureInspector& operator=(const PictureInspector&) = delete;

  // The list drawn on `canvas` at `scale` device pixels per point; its content starts at
  // `contentStart` (see contentStart). Throws FontSetError.
  PictureInspection inspect(const DisplayList& list, std::size_t contentStart,
                            const WidgetCanvas& canvas, double scale) const;

 private:
  struct Buffers;
  std::unique_ptr<detail::BackgroundCache> backgrounds_;
  std::unique_ptr<Buffers> buffers_;
};

}  // namespace ui
