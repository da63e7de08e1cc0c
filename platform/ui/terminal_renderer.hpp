#pragma once

#include <string>

#include "ui/display_list.hpp"
#include "ui/widget_canvas.hpp"

namespace ui {

// A preview for a terminal with 24-bit colour: one character cell per 4 x 8 points, the
// background in cell colours, texts and symbols as characters in their colours. Lines end in
// "\n" after a reset of the attributes.
std::string renderTerminal(const DisplayList& list, const WidgetCanvas& canvas);

}  // namespace ui
