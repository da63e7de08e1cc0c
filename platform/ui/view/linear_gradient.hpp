#pragma once

#include "ui/view/gradient.hpp"
#include "ui/view/unit_point.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

// Fills its whole frame; the colours run along the line from startPoint to endPoint, in unit
// points of that frame.
struct LinearGradient : ViewModifiers<LinearGradient> {
  LinearGradient(Gradient gradient, UnitPoint startPoint, UnitPoint endPoint)
      : gradient(std::move(gradient)), startPoint(startPoint), endPoint(endPoint) {}

  Gradient gradient;
  UnitPoint startPoint;
  UnitPoint endPoint;

  friend bool operator==(const LinearGradient&, const LinearGradient&) = default;
};

}  // namespace ui
