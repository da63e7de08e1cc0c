#include "ui/inspection/contrast.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

double linear(double component) {
  const double c = std::clamp(component, 0.0, 1.0);
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

double relativeLuminance(RGBA color) {
  return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

double contrastRatio(RGBA a, RGBA b) {
  const double la = relativeLuminance(a);
  const double lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

RGBA composite(RGBA over, RGBA under) {
  const double a = std::clamp(over.opacity, 0.0, 1.0);
  const double b = std::clamp(under.opacity, 0.0, 1.0);
  const double opacity = a + b * (1 - a);
  if (opacity <= 0) return {0, 0, 0, 0};
  auto mix = [&](double top, double bottom) { return (top * a + bottom * b * (1 - a)) / opacity; };
  return {mix(over.red, under.red), mix(over.green, under.green), mix(over.blue, under.blue),
          opacity};
}

}  // namespace ui
