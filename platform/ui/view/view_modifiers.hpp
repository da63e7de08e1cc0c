#pragma once

#include <optional>

#include "ui/view/alignment.hpp"
#include "ui/view/color.hpp"
#include "ui/view/container_background_placement.hpp"
#include "ui/view/font.hpp"

namespace ui {

struct View;

// The modifier calls every node and View offers. Each returns a new View: the receiver with the
// modifier appended after those it already has, so the list keeps the order of the calls
// (innermost first). Defined for the closed set of node types and View only.
template <class Derived>
struct ViewModifiers {
  // Inherited by every text and symbol inside that has no font of its own.
  View font(Font font) const;
  // Inherited; the innermost setting wins.
  View foregroundStyle(Color color) const;
  // How far text may shrink to fit, as a fraction of its font size (0...1).
  View minimumScaleFactor(double factor) const;
  // Most lines text may take; nothing means no limit.
  View lineLimit(std::optional<int> limit) const;
  // Declares `content` as the background the host draws behind the container.
  View containerBackground(ContainerBackgroundPlacement placement, Alignment alignment,
                           View content) const;
  View containerBackground(ContainerBackgroundPlacement placement, View content) const;

  friend bool operator==(const ViewModifiers&, const ViewModifiers&) = default;
};

}  // namespace ui
