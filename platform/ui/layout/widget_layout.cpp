#include "ui/layout/widget_layout.hpp"

#include <algorithm>
#include <cmath>

#include "ui/view/view.hpp"

namespace ui {

namespace {

// The first container background declared in the tree, outermost first.
const ContainerBackgroundModifier* findContainerBackground(const View& view) {
  for (auto it = view.modifiers.rbegin(); it != view.modifiers.rend(); ++it) {
    if (const auto* background = std::get_if<ContainerBackgroundModifier>(&*it)) return background;
  }
  const ContainerBackgroundModifier* found = nullptr;
  auto search = [&](const View& child) {
    if (found == nullptr) found = findContainerBackground(child);
  };
  std::visit(
      [&](const auto& node) {
        using Node = std::decay_t<decltype(node)>;
        if constexpr (std::is_same_v<Node, VStack> || std::is_same_v<Node, HStack>) {
          for (const View& child : node.children) search(child);
        } else if constexpr (std::is_same_v<Node, Link>) {
          search(*node.label);
        } else if constexpr (std::is_same_v<Node, Label>) {
          if (const auto* parts = std::get_if<TitleAndIcon>(&node.content)) {
            search(*parts->icon);
            search(*parts->title);
          }
        }
      },
      view.node);
  return found;
}

}  // namespace

WidgetLayout layoutWidget(const View& view, const RenderEnvironment& environment,
                          const TextMeasurer& measurer) {
  // A NaN, negative or endless canvas lays out as an empty one rather than spreading NaN.
  WidgetCanvas canvas = environment.canvas;
  auto sane = [](double value) { return value > 0 && std::isfinite(value) ? value : 0.0; };
  canvas.size = {sane(canvas.size.width), sane(canvas.size.height)};
  // Laid out left to right, then mirrored about the whole canvas.
  RenderEnvironment leftToRight = environment;
  leftToRight.layoutDirection = LayoutDirection::leftToRight;

  const foundation::Rect content = canvas.contentRect();
  LayoutNode root = layout(view, content.size, leftToRight, measurer);
  translate(root, content.minX() + (content.size.width - root.frame.size.width) / 2,
            content.minY() + (content.size.height - root.frame.size.height) / 2);

  std::optional<LayoutNode> background;
  if (const ContainerBackgroundModifier* declared = findContainerBackground(view)) {
    LayoutNode node = layout(*declared->content, canvas.size, leftToRight, measurer);
    translate(node,
              (canvas.size.width - node.frame.size.width) *
                  alignmentFactor(declared->alignment.horizontal),
              (canvas.size.height - node.frame.size.height) *
                  alignmentFactor(declared->alignment.vertical));
    background = std::move(node);
  }

  WidgetLayout result{canvas, std::move(background), std::move(root)};
  if (environment.layoutDirection == LayoutDirection::rightToLeft) {
    // Mirrored about the canvas, which is the same as about the centred content.
    mirrorHorizontally(result.content, canvas.size.width);
    if (result.background) mirrorHorizontally(*result.background, canvas.size.width);
  }
  return result;
}

}  // namespace ui
