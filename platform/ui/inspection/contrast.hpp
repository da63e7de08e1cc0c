#pragma once

#include "ui/view/color.hpp"

namespace ui {

// The relative luminance of an sRGB colour as WCAG 2 defines it: 0 for black, 1 for white. The
// opacity is not looked at: composite a translucent colour first.
double relativeLuminance(RGBA color);

// The contrast ratio of two opaque colours as WCAG 2 defines it, from 1 (the same luminance) to
// 21 (black and white), whichever is the lighter.
double contrastRatio(RGBA a, RGBA b);

// `over` drawn with its opacity on `under`, as the rasteriser blends (in sRGB components).
RGBA composite(RGBA over, RGBA under);

}  // namespace ui
