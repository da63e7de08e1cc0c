#pragma once

// Private to the ui library: drawing a line of text with Cairo from its shaped glyphs.

#include <cairo.h>

#include "ui/display/display_list.hpp"

namespace ui::typesetting {

// Shows the run's glyphs (shaped now if the run carries none) in its colour, its baseline
// `ascent` below the top of its rect, with hinting off so positions are exactly as measured.
// Throws FontSetError.
void paintTextRun(cairo_t* cr, const TextRun& run);

}  // namespace ui::typesetting
