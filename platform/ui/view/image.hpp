#pragma once

#include <string>

#include "ui/view/view_modifiers.hpp"

namespace ui {

// A symbol from the platform's built-in set, drawn in the inherited font and colour.
struct Image : ViewModifiers<Image> {
  explicit Image(std::string systemName) : systemName(std::move(systemName)) {}

  std::string systemName;

  friend bool operator==(const Image&, const Image&) = default;
};

}  // namespace ui
