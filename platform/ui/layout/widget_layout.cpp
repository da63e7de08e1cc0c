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

double alignmentFactor(HorizontalAlignment alignment) {
  return alignment == HorizontalAlignment::leading    ? 0
         : alignment == HorizontalAlignment::trailing ? 1
                                                      : 0.5;
}

double alignmentFactor(VerticalAlignment alignment) {
  return alignment == VerticalAlignment::top ? 0 : alignment == VerticalAlignment::bottom ? 1 : 0.5;
}

struct Builder {
  DisplayList& list;
  bool redacted;

  void add(const LayoutNode& node, double gradientCornerRadius) {
    const foundation::Rect& frame = node.frame;
    std::visit(
        [&](const auto& content) {
          using Content = std::decay_t<decltype(content)>;
          if constexpr (std::is_same_v<Content, TextLayout>) {
            for (std::size_t i = 0; i < content.lines.size(); ++i) {
              const TextLineLayout& line = content.lines[i];
              if (line.text.empty()) continue;
              const foundation::Rect box{
                  {frame.minX() + line.x,
                   frame.minY() + content.lineHeight * static_cast<double>(i)},
                  {line.width, content.lineHeight}};
              if (redacted) {
                // The placeholder bar covers the glyphs' body, not the line's leading.
                const double height = std::min(box.size.height, content.font.pointSize * 0.8);
                list.emplace_back(std::in_place_type<FillRoundedRect>,
                                  foundation::Rect{{box.minX(), box.midY() - height / 2},
                                                   {box.size.width, height}},
                                  height * 0.3, content.color);
              } else {
                list.emplace_back(std::in_place_type<TextRun>, line.text, content.font,
                                  content.color, box, content.ascent, line.shaped);
              }
            }
          } else if constexpr (std::is_same_v<Content, SymbolLayout>) {
            if (frame.size.width > 0 && frame.size.height > 0) {
              list.push_back(Symbol{content.name, frame, content.color});
            }
          } else if constexpr (std::is_same_v<Content, GradientLayout>) {
            const foundation::Point start{frame.minX() + content.startPoint.x * frame.size.width,
                                          frame.minY() + content.startPoint.y * frame.size.height};
            const foundation::Point end{frame.minX() + content.endPoint.x * frame.size.width,
                                        frame.minY() + content.endPoint.y * frame.size.height};
            list.push_back(FillGradient{frame, gradientCornerRadius, content.colors, start, end});
          } else if constexpr (std::is_same_v<Content, LinkLayout>) {
            const std::size_t at = list.size();
            list.push_back(LinkRegion{frame, content.destination, 0});
            for (const LayoutNode& child : node.children) add(child, gradientCornerRadius);
            std::get<LinkRegion>(list[at]).itemCount = list.size() - at - 1;
            return;
          }
          for (const LayoutNode& child : node.children) add(child, gradientCornerRadius);
        },
        node.content);
  }
};

}  // namespace

WidgetLayout layoutWidget(const View& view, const WidgetCanvas& requested,
                          const LayoutEnvironment& env) {
  // A NaN, negative or endless canvas lays out as an empty one rather than spreading NaN.
  WidgetCanvas canvas = requested;
  auto sane = [](double value) { return value > 0 && std::isfinite(value) ? value : 0.0; };
  canvas.size = {sane(canvas.size.width), sane(canvas.size.height)};
  LayoutEnvironment leftToRight = env;
  leftToRight.layoutDirection = LayoutDirection::leftToRight;

  const foundation::Rect content = canvas.contentRect();
  LayoutNode root = layout(view, content.size, leftToRight);
  offset(root, content.minX() + (content.size.width - root.frame.size.width) / 2,
         content.minY() + (content.size.height - root.frame.size.height) / 2);

  std::optional<LayoutNode> background;
  if (const ContainerBackgroundModifier* declared = findContainerBackground(view)) {
    LayoutNode node = layout(*declared->content, canvas.size, leftToRight);
    offset(node,
           (canvas.size.width - node.frame.size.width) *
               alignmentFactor(declared->alignment.horizontal),
           (canvas.size.height - node.frame.size.height) *
               alignmentFactor(declared->alignment.vertical));
    background = std::move(node);
  }

  WidgetLayout result{canvas, std::move(background), std::move(root)};
  if (env.layoutDirection == LayoutDirection::rightToLeft) {
    // Mirrored about the canvas, which is the same as about the centred content.
    mirrorHorizontally(result.content, canvas.size.width);
    if (result.background) mirrorHorizontally(*result.background, canvas.size.width);
  }
  return result;
}

WidgetLayout layoutWidget(const View& view, const WidgetCanvas& canvas,
                          const RenderOptions& options) {
  LayoutEnvironment env;
  env.colorScheme = options.colorScheme;
  env.layoutDirection = options.layoutDirection;
  env.dynamicTypeSize = options.dynamicTypeSize;
  env.localize = options.localize;
  env.redacted = options.redacted;
  return layoutWidget(view, canvas, env);
}

DisplayList displayList(const WidgetLayout& layout, bool redacted) {
  DisplayList list;
  if (layout.background) {
    // The background is clipped to the widget's rounded shape; shapes other than gradients do
    // not occur in backgrounds.
    Builder{list, false}.add(*layout.background, layout.canvas.cornerRadius);
  }
  Builder{list, redacted}.add(layout.content, 0);
  return list;
}

}  // namespace ui
