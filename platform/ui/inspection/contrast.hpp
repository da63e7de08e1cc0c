#pragma once

#include "ui/view/color.hpp"

namespace ui {

// The relative luminance of an sRGB colour as WCAG 2 defines it: 0 for black, 1 for white. The
// opacity is not looked at: composite a translucent colour first.
double relativeLuminance(RGBA color);

// An sRGB component (0...1) as linear light, as relativeLuminance weighs it.
double linearized(double component);

// The contrast ratio of two relative luminances: (lighter + 0.05) / (darker + 0.05).
double luminanceContrast(double a, double b);

// The contrast ratio of two opaque colours as WCAG 2 defines it, from 1 (the same luminance) to
// 21 (black and white), whichever is the lighter.
double contrastRatio(RGBA a, RGBA b);

// `over` drawn with its opacity on `under`, as the rasteriser blends (in sRGB components).
RGBA composite(RGBA over, RGBA under);

}  // namespace ui
