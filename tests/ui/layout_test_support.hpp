#pragma once

#include <cmath>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "ui/layout.hpp"
#include "ui/text_measurer.hpp"

namespace ui::testing {

// Text of half an em per character, so frames do not depend on the fonts installed: "POCKETTA"
// at 12 pt is 48 wide, "CN¥277.00" at 22 pt 99.
inline LayoutEnvironment environment(ColorScheme scheme = ColorScheme::light,
                                     LayoutDirection direction = LayoutDirection::leftToRight) {
  static const FixedAdvanceTextMeasurer measurer(0.5);
  LayoutEnvironment env;
  env.textMeasurer = &measurer;
  env.colorScheme = scheme;
  env.layoutDirection = direction;
  return env;
}

// One laid-out node as a line of a table: what it is ("text CNY", "symbol star", "link URL",
// "stack"...) and its frame.
struct FrameRow {
  std::string what;
  double x, y, width, height;
  // Sums of advances carry rounding noise far below a device pixel.
  friend bool operator==(const FrameRow& a, const FrameRow& b) {
    auto near = [](double p, double q) { return std::abs(p - q) < 1e-9; };
    return a.what == b.what && near(a.x, b.x) && near(a.y, b.y) && near(a.width, b.width) &&
           near(a.height, b.height);
  }
  friend void PrintTo(const FrameRow& r, std::ostream* os) {
    *os << r.what << " (" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
  }
};

inline std::string what(const LayoutNode& node) {
  return std::visit(
      [](const auto& content) -> std::string {
        using Content = std::decay_t<decltype(content)>;
        if constexpr (std::is_same_v<Content, StackLayout>) return "stack";
        if constexpr (std::is_same_v<Content, SpacerLayout>) return "spacer";
        if constexpr (std::is_same_v<Content, LabelLayout>) return "label";
        if constexpr (std::is_same_v<Content, TextLayout>) return "text " + content.text;
        if constexpr (std::is_same_v<Content, SymbolLayout>) return "symbol " + content.name;
        if constexpr (std::is_same_v<Content, LinkLayout>)
          return "link " + content.destination.absoluteString();
        if constexpr (std::is_same_v<Content, GradientLayout>) return "gradient";
      },
      node.content);
}

// Every node in pre-order.
inline std::vector<FrameRow> flatten(const LayoutNode& node) {
  std::vector<FrameRow> rows{{what(node), node.frame.minX(), node.frame.minY(),
                              node.frame.size.width, node.frame.size.height}};
  for (const LayoutNode& child : node.children) {
    for (FrameRow& row : flatten(child)) rows.push_back(std::move(row));
  }
  return rows;
}

// The first node whose text, symbol name or link destination is `shown`.
inline const LayoutNode* find(const LayoutNode& node, const std::string& shown) {
  const std::string kind = what(node);
  for (const char* prefix : {"text ", "symbol ", "link "}) {
    if (kind == prefix + shown) return &node;
  }
  for (const LayoutNode& child : node.children) {
    if (const LayoutNode* found = find(child, shown)) return found;
  }
  return nullptr;
}

}  // namespace ui::testing
