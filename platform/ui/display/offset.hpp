#pragma once

#include "ui/display/display_list.hpp"

namespace ui {

// Moves every item of a list by (dx, dy) points: rects, and the ends of gradients. For placing a
// list drawn on its own canvas onto a larger one.
void offset(DisplayList& list, double dx, double dy);

}  // namespace ui
