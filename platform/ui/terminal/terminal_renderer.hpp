#pragma once

#include <string>

#include "ui/display/display_list.hpp"
#include "ui/environment/widget_canvas.hpp"

namespace ui {

struct TerminalOptions {
  // The most character cells a line may take; cells grow beyond 4 x 8 points to fit. 0: no
  // limit.
  int columns = 0;
  // 24-bit colour escapes; without, plain text (NO_COLOR, a dumb terminal).
  bool color = true;
};

// A preview for a terminal: one character cell per 4 x 8 points (or larger, to fit), the
// background in cell colours, texts and symbols as characters in their colours, right-to-left
// text in display order. In colour, lines end in "\n" after a reset of the attributes.
std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas,
                           const TerminalOptions& options = {});

}  // namespace ui
