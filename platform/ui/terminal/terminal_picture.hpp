#pragma once

#include <string>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"
#include "ui/terminal/terminal_renderer.hpp"

namespace ui {

// The widget as a picture in the terminal, drawn by the library in `options.pictures` in the
// terminal's protocol: an image (sixel, kitty, iTerm2) the width of at most `options.columns`
// cells, at two pixels per point where it fits. Where the terminal shows no image, the fills in
// block symbols with the texts and symbols drawn over them as characters, so that they stay
// readable and copyable, and the links as hyperlinks. Without a library, or in symbols without
// colour, renderTerminal.
std::string renderTerminalPicture(const DisplayList& list, const WidgetCanvas& canvas,
                                  const TerminalOptions& options);

}  // namespace ui
