#include <algorithm>

#include "host/commands.hpp"
#include "ui/display/offset.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/render_display_list.hpp"
#include "ui/view/view.hpp"
#include "ui/view/view_dump.hpp"

namespace host {
namespace {

// The gallery sheet, in points.
constexpr double kMargin = 24;
constexpr double kHeaderHeight = 52;
constexpr double kGap = 24;

}  // namespace

CommandResult galleryCommand(const CommandContext& context) {
  auto planned = planOutput(context, 1);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto& plan = std::get<OutputPlan>(planned);
  if (auto failure = checkStore(context)) return *failure;

  const WidgetConfiguration& configuration = context.configuration;
  const std::string name = context.localized(configuration.displayName().key);
  const std::string description = context.localized(configuration.descriptionKey().key);
  const auto families = configuration.families();
  const auto options = context.renderOptions(false);
  const auto report = context.reporter();

  std::vector<std::pair<WidgetFamily, ui::View>> views;
  for (const auto family : families) {
    const auto request = providerContext(family, true);
    auto snapshot = requestSnapshot(configuration.provider, request, report);
    const AnyEntry entry = snapshot ? std::move(*snapshot)
                                    : requestPlaceholder(configuration.provider, request, report);
    views.emplace_back(family, configuration.content(entry));
  }

  std::string picture;
  if (!specOf(plan.format).draw) {
    picture = name + "\n" + description + "\n";
    for (const auto& [family, view] : views) {
      picture += "\n" + std::string(toString(family)) + "\n" + ui::dump(view);
    }
  } else {
    double width = kMargin;
    double tallest = 0;
    for (const auto& [family, view] : views) {
      const auto size = canvasFor(family).size;
      width += size.width + kGap;
      tallest = std::max(tallest, size.height);
    }
    width = std::max(width - kGap + kMargin, 2 * kMargin + 200);
    const double height = kMargin + kHeaderHeight + tallest + kMargin;
    const ui::WidgetCanvas sheet{{width, height}, 0, 0};

    ui::DisplayList list;
    list.push_back(ui::FillRoundedRect{sheet.bounds(), 0,
                                       context.line.appearanceOrDefault() == Appearance::dark
                                           ? ui::RGBA{0.0, 0.0, 0.0, 1}
                                           : ui::RGBA{0.949, 0.949, 0.969, 1}});
    const ui::View header = ui::VStack(ui::HorizontalAlignment::center, 4,
                                       {ui::Text::verbatim(name).font(ui::Font::headline),
                                        ui::Text::verbatim(description).font(ui::Font::footnote)})
                                .foregroundStyle(ui::Color::primary);
    auto headerList = ui::renderDisplayList(
        header, ui::WidgetCanvas{{width - 2 * kMargin, kHeaderHeight}, 0, 0}, options);
    ui::offset(headerList, kMargin, kMargin - 8);
    list.insert(list.end(), headerList.begin(), headerList.end());

    double x = kMargin;
    for (const auto& [family, view] : views) {
      const auto canvas = canvasFor(family);
      auto widgetList = ui::renderDisplayList(view, canvas, options);
      ui::offset(widgetList, x, kMargin + kHeaderHeight);
      list.insert(list.end(), widgetList.begin(), widgetList.end());
      x += canvas.size.width + kGap;
    }
    picture = specOf(plan.format).draw(list, sheet, context.pictureSettings());
  }
  return writePictures(context, plan, {{"gallery", picture}});
}

}  // namespace host
