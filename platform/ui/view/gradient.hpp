#pragma once

#include <ostream>
#include <vector>

#include "ui/view/color.hpp"

namespace ui {

// Colours spread evenly from the start (first colour) to the end (last colour).
struct Gradient {
  std::vector<Color> colors;

  friend bool operator==(const Gradient&, const Gradient&) = default;
};

void PrintTo(const Gradient& gradient, std::ostream* os);

}  // namespace ui
