#pragma once

// Private to the ui library: linear gradients drawn with Cairo.

#include <cairo.h>

#include "ui/display_list.hpp"

namespace ui::detail {

// Fills the gradient's rounded rectangle through a Cairo pattern.
void fillGradient(cairo_t* cr, const FillGradient& fill);

// The same picture as fillGradient on a transparent image surface drawn at `scale` (`cr` draws
// on `surface`), faster where the rectangle sits on whole device pixels. The surface holds the
// picture's rows from `firstRow` on (`cr` offset to match).
void paintBackground(cairo_surface_t* surface, cairo_t* cr, const FillGradient& fill, double scale,
                     int firstRow);

}  // namespace ui::detail
