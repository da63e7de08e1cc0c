#pragma once

#include <optional>

#include "ui/view/view_modifiers.hpp"

namespace ui {

// Flexible space along the axis of the enclosing stack.
struct Spacer : ViewModifiers<Spacer> {
  Spacer() = default;
  // In points; nothing means the platform's default minimum.
  explicit Spacer(std::optional<double> minLength) : minLength(minLength) {}

  std::optional<double> minLength;

  friend bool operator==(const Spacer&, const Spacer&) = default;
};

}  // namespace ui
