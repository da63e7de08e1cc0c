#pragma once

// Private to the ui library: the shared vector shapes and colours put onto a Cairo context.

#include <cairo.h>

#include "ui/graphics/paths.hpp"
#include "ui/view/color.hpp"

namespace ui::detail {

// Appends `path` to the context's current path, in user space.
void appendPath(cairo_t* cr, const Path& path);

void setSource(cairo_t* cr, const RGBA& color);

}  // namespace ui::detail
