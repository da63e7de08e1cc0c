#pragma once

#include <string>

#include "foundation/geometry.hpp"
#include "host/check_rule.hpp"

namespace host {

// One thing a rule found in one picture.
struct CheckFinding {
  CheckRule rule = CheckRule::truncated;
  // What it concerns: the text as drawn (lines joined by "/"), the link's destination, a symbol's
  // name, or "content".
  std::string subject;
  foundation::Rect frame;  // in the widget's points
  // What was measured, in the unit `detail` gives it in: a scale in %, lines, glyphs, a contrast
  // ratio, points, pixels.
  double figure = 0;
  std::string detail;  // the figure as a person reads it: "2.9:1 (needs 4.5:1) ..."
  friend bool operator==(const CheckFinding&, const CheckFinding&) = default;
};

}  // namespace host
