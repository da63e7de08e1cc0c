#pragma once

#include <optional>
#include <vector>

#include "ui/view/alignment.hpp"
#include "ui/view/view_modifiers.hpp"

namespace ui {

struct View;

// Children top to bottom. `spacing` in points between consecutive children; nothing means the
// platform's default.
struct VStack : ViewModifiers<VStack> {
  VStack(std::vector<View> children);
  VStack(HorizontalAlignment alignment, std::vector<View> children);
  VStack(HorizontalAlignment alignment, std::optional<double> spacing, std::vector<View> children);

  HorizontalAlignment alignment = HorizontalAlignment::center;
  std::optional<double> spacing;
  std::vector<View> children;

  friend bool operator==(const VStack&, const VStack&) = default;
};

// Children leading to trailing. `spacing` as for VStack.
struct HStack : ViewModifiers<HStack> {
  HStack(std::vector<View> children);
  HStack(VerticalAlignment alignment, std::vector<View> children);
  HStack(VerticalAlignment alignment, std::optional<double> spacing, std::vector<View> children);

  VerticalAlignment alignment = VerticalAlignment::center;
  std::optional<double> spacing;
  std::vector<View> children;

  friend bool operator==(const HStack&, const HStack&) = default;
};

}  // namespace ui
