#include "host/renderer.hpp"

#include "ui/svg/svg_renderer.hpp"
#include "ui/terminal/terminal_picture.hpp"
#include "ui/view/view_dump.hpp"

namespace host {

ui::WidgetLayout Renderer::layout(const ui::View& view,
                                  const ui::RenderEnvironment& environment) const {
  return ui::layoutWidget(view, environment, measurer_);
}

ui::DisplayList Renderer::displayList(const ui::View& view,
                                      const ui::RenderEnvironment& environment) const {
  return ui::displayList(layout(view, environment), environment);
}

std::vector<std::string> Renderer::render(const std::vector<Picture>& pictures, OutputFormat format,
                                          const ui::TerminalOptions& terminal,
                                          unsigned maxThreads) {
  std::vector<std::string> out;
  out.reserve(pictures.size());
  if (format == OutputFormat::png) {
    std::vector<ui::PngPicture> drawn;
    drawn.reserve(pictures.size());
    for (const auto& [view, environment] : pictures) {
      drawn.push_back(
          {displayList(view, environment), environment.canvas, environment.displayScale});
    }
    for (const std::vector<std::uint8_t>& bytes : png_.encode(drawn, maxThreads)) {
      out.emplace_back(bytes.begin(), bytes.end());
    }
    return out;
  }
  for (const auto& [view, environment] : pictures) {
    out.push_back(format == OutputFormat::tree
                      ? ui::dump(view, {environment.locale})
                      : draw(displayList(view, environment), environment, format, terminal));
  }
  return out;
}

std::string Renderer::draw(const ui::DisplayList& list, const ui::RenderEnvironment& environment,
                           OutputFormat format, const ui::TerminalOptions& terminal) {
  switch (format) {
    case OutputFormat::png: {
      const auto bytes = png_.encode({list, environment.canvas, environment.displayScale});
      return std::string(bytes.begin(), bytes.end());
    }
    case OutputFormat::svg:
      return ui::renderSvg(list, environment.canvas);
    case OutputFormat::terminal:
      return ui::renderTerminal(list, environment.canvas, terminal);
    case OutputFormat::graphics:
      return ui::renderTerminalPicture(list, environment.canvas, terminal);
    case OutputFormat::tree:
      break;
  }
  return {};
}

}  // namespace host
