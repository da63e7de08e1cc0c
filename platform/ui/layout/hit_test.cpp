#include "ui/layout/hit_test.hpp"

namespace ui {

std::optional<foundation::URL> hitTest(const LayoutNode& node, foundation::Point point) {
  // Children may overflow their parent's frame, so every subtree is searched; a child's link
  // is inside its parent's and wins. Later siblings are drawn on top, so they are asked first.
  for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
    if (auto url = hitTest(*it, point)) return url;
  }
  if (const auto* link = std::get_if<LinkLayout>(&node.content)) {
    if (node.frame.contains(point)) return link->destination;
  }
  return std::nullopt;
}

std::optional<foundation::URL> hitTest(const WidgetLayout& layout, foundation::Point point) {
  // Taps land on the content; the background carries no links.
  return hitTest(layout.content, point);
}

}  // namespace ui
