#pragma once

#include <optional>
#include <variant>

#include "ui/view/alignment.hpp"
#include "ui/view/box.hpp"
#include "ui/view/color.hpp"
#include "ui/view/container_background_placement.hpp"
#include "ui/view/font.hpp"

namespace ui {

struct View;

// Inherited font for texts and symbols without a font of their own.
struct FontModifier {
  Font font;
  friend bool operator==(const FontModifier&, const FontModifier&) = default;
};

// Inherited colour of texts and symbols; the innermost setting wins.
struct ForegroundStyleModifier {
  Color color;
  friend bool operator==(const ForegroundStyleModifier&, const ForegroundStyleModifier&) = default;
};

// Inherited: a text that does not fit may shrink down to this fraction of its font size.
struct MinimumScaleFactorModifier {
  double factor;
  friend bool operator==(const MinimumScaleFactorModifier&,
                         const MinimumScaleFactorModifier&) = default;
};

// Inherited: the most lines a text may take; nothing means no limit.
struct LineLimitModifier {
  std::optional<int> limit;
  friend bool operator==(const LineLimitModifier&, const LineLimitModifier&) = default;
};

// Not drawn with the view: tells the host what to draw behind the container.
struct ContainerBackgroundModifier {
  ContainerBackgroundPlacement placement;
  Alignment alignment;
  Box<View> content;
  friend bool operator==(const ContainerBackgroundModifier&,
                         const ContainerBackgroundModifier&) = default;
};

using Modifier = std::variant<FontModifier, ForegroundStyleModifier, MinimumScaleFactorModifier,
                              LineLimitModifier, ContainerBackgroundModifier>;

}  // namespace ui
