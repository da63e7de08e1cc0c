#include "ui/inspection/contrast.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

double linearized(double component) {
  const double c = std::clamp(component, 0.0, 1.0);
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double relativeLuminance(RGBA color) {
  return 0.2126 * linearized(color.red) + 0.7152 * linearized(color.green) +
         0.0722 * linearized(color.blue);
}

double luminanceContrast(double a, double b) {
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

double contrastRatio(RGBA a, RGBA b) {
  return luminanceContrast(relativeLuminance(a), relativeLuminance(b));
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
