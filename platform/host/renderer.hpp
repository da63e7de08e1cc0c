#pragma once

#include <string>
#include <vector>

#include "host/output_format.hpp"
#include "ui/display/display_list.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/raster/png_encoder.hpp"
#include "ui/terminal/terminal_renderer.hpp"
#include "ui/typesetting/text_measurer.hpp"
#include "ui/view/view.hpp"

namespace host {

// One picture to draw: the widget's view and everything else it depends on.
struct Picture {
  ui::View view;
  ui::RenderEnvironment environment;
};

// Draws the host's pictures, and keeps what they share: the lines already shaped and the widget
// backgrounds already drawn and compressed. One per host, shared by all its threads: what it
// keeps changes how soon a picture is drawn, never what is drawn.
class Renderer {
 public:
  ui::WidgetLayout layout(const ui::View& view, const ui::RenderEnvironment& environment) const;
  ui::DisplayList displayList(const ui::View& view, const ui::RenderEnvironment& environment) const;

  // Each picture in `format`: the bytes of a PNG, the text of an SVG or of a terminal preview or
  // picture (drawn for `terminal`), or the view tree. PNGs are laid out one after the other, then
  // drawn and compressed at the same time on at most `maxThreads` threads (0: as many as help).
  std::vector<std::string> render(const std::vector<Picture>& pictures, OutputFormat format,
                                  const ui::TerminalOptions& terminal = {},
                                  unsigned maxThreads = 0);
  // A list drawn on the environment's canvas, at its scale, in a format that draws.
  std::string draw(const ui::DisplayList& list, const ui::RenderEnvironment& environment,
                   OutputFormat format, const ui::TerminalOptions& terminal = {});

 private:
  ui::ShapingTextMeasurer measurer_;
  ui::PngEncoder png_;
};

}  // namespace host
