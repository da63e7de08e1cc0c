#include "ui/display/display_list.hpp"

#include <algorithm>

#include "foundation/overloaded.hpp"
#include "ui/layout/widget_layout.hpp"

namespace ui {

namespace {

std::ostream& operator<<(std::ostream& os, const foundation::Rect& r) {
  return os << '(' << r.minX() << ", " << r.minY() << ", " << r.size.width << " x " << r.size.height
            << ')';
}

std::ostream& operator<<(std::ostream& os, const RGBA& c) {
  return os << "rgba(" << c.red * 255 << ", " << c.green * 255 << ", " << c.blue * 255 << ", "
            << c.opacity << ')';
}

using foundation::Overloaded;

// Every colour an item is drawn in, replaced by what `shown` makes of it.
template <class Shown>
void recolor(DisplayItem& item, Shown shown) {
  std::visit(
      [&](auto& element) {
        if constexpr (requires { element.color; }) element.color = shown(element.color);
        if constexpr (requires { element.colors; }) {
          for (RGBA& color : element.colors) color = shown(color);
        }
      },
      item);
}

// Adds the drawing of a laid-out tree, marking each link with the items of its content.
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
              const typesetting::TextLine& line = content.lines[i];
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

std::ostream& operator<<(std::ostream& os, const DisplayItem& item) {
  std::visit(Overloaded{
                 [&](const ContainerBackground& background) {
                   os << "ContainerBackground " << background.rect << " radius "
                      << background.cornerRadius << " items " << background.itemCount;
                 },
                 [&](const FillRoundedRect& fill) {
                   os << "FillRoundedRect " << fill.rect << " radius " << fill.cornerRadius << ' '
                      << fill.color;
                 },
                 [&](const FillGradient& fill) {
                   os << "FillGradient " << fill.rect << " radius " << fill.cornerRadius
                      << " from (" << fill.start.x << ", " << fill.start.y << ") to (" << fill.end.x
                      << ", " << fill.end.y << ")";
                   for (const RGBA& color : fill.colors) os << ' ' << color;
                 },
                 [&](const TextRun& run) {
                   os << "TextRun \"" << run.text << "\" " << run.font << ' ' << run.color << ' '
                      << run.rect << " ascent " << run.ascent;
                 },
                 [&](const Symbol& symbol) {
                   os << "Symbol " << symbol.name << ' ' << symbol.rect << ' ' << symbol.color;
                 },
                 [&](const LinkRegion& link) {
                   os << "LinkRegion " << link.destination.absoluteString() << ' ' << link.rect
                      << " items " << link.itemCount;
                 },
             },
             item);
  return os;
}

void PrintTo(const DisplayItem& item, std::ostream* os) {
  *os << item;
}

void PrintTo(const DisplayList& list, std::ostream* os) {
  for (const DisplayItem& item : list) *os << '\n' << item;
}

DisplayList displayList(const WidgetLayout& layout, const RenderEnvironment& environment) {
  DisplayList list;
  const WidgetCanvas& canvas = layout.canvas;
  if (layout.background && environment.showsWidgetContainerBackground) {
    // Clipped to the widget's rounded shape; shapes other than gradients do not occur in
    // backgrounds, so each carries the corners itself.
    list.push_back(ContainerBackground{canvas.bounds(), canvas.cornerRadius, 0});
    Builder{list, false}.add(*layout.background, canvas.cornerRadius);
    std::get<ContainerBackground>(list.front()).itemCount = list.size() - 1;
  } else if (environment.backdrop) {
    list.push_back(FillRoundedRect{canvas.bounds(), canvas.cornerRadius, *environment.backdrop});
  }
  const std::size_t content = list.size();
  Builder{list, environment.redacted}.add(layout.content, 0);
  if (environment.widgetRenderingMode != WidgetRenderingMode::fullColor) {
    for (std::size_t i = content; i < list.size(); ++i) {
      recolor(list[i], [&](RGBA color) {
        return shownColor(color, environment.widgetRenderingMode, environment.contentTint);
      });
    }
  }
  return list;
}

RGBA shownColor(RGBA color, WidgetRenderingMode mode, RGBA tint) {
  switch (mode) {
    case WidgetRenderingMode::fullColor:
      return color;
    case WidgetRenderingMode::accented:
      return {tint.red, tint.green, tint.blue, tint.opacity * color.opacity};
    case WidgetRenderingMode::vibrant: {
      // Brightness as the eye weighs the primaries (Rec. 709), on the stored components.
      const double brightness = 0.2126 * color.red + 0.7152 * color.green + 0.0722 * color.blue;
      return {tint.red * brightness, tint.green * brightness, tint.blue * brightness,
              tint.opacity * color.opacity};
    }
  }
  return color;
}

void translate(DisplayList& list, double dx, double dy) {
  for (auto& item : list) {
    std::visit(
        [&](auto& element) {
          if constexpr (requires { element.rect.origin; }) {
            element.rect.origin.x += dx;
            element.rect.origin.y += dy;
          }
          if constexpr (requires {
                          element.start.x;
                          element.end.x;
                        }) {
            element.start.x += dx;
            element.start.y += dy;
            element.end.x += dx;
            element.end.y += dy;
          }
        },
        item);
  }
}

}  // namespace ui
