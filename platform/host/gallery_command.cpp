#include <algorithm>

#include "host/commands.hpp"
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
  auto planned = planOutput(context, {"gallery"});
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto& plan = std::get<OutputPlan>(planned);
  if (auto failure = context.checkStore()) return *failure;

  const WidgetConfiguration& configuration = context.configuration;
  const std::string name = context.localized(configuration.displayName().key);
  const std::string description = context.localized(configuration.descriptionKey().key);
  const auto families = configuration.families();
  const auto report = context.reporter();

  std::vector<std::pair<WidgetFamily, ui::View>> views;
  for (const auto family : families) {
    const auto request = context.providerContext(family, true);
    auto snapshot = requestSnapshot(configuration.provider, request, report);
    const AnyEntry entry = snapshot ? std::move(*snapshot)
                                    : requestPlaceholder(configuration.provider, request, report);
    views.emplace_back(family, configuration.content(entry));
  }

  std::string picture;
  if (!specOf(plan.format).drawn) {
    picture = name + "\n" + description + "\n";
    for (const auto& [family, view] : views) {
      picture += "\n" + std::string(toString(family)) + "\n" +
                 ui::dump(view, {context.userEnvironment.locale});
    }
  } else {
    double width = kMargin;
    double tallest = 0;
    for (const auto& [family, view] : views) {
      const auto size = context.device().size(family);
      width += size.width + kGap;
      tallest = std::max(tallest, size.height);
    }
    width = std::max(width - kGap + kMargin, 2 * kMargin + 200);
    const double height = kMargin + kHeaderHeight + tallest + kMargin;
    ui::RenderEnvironment sheet = context.userEnvironment;
    sheet.canvas = ui::WidgetCanvas{{width, height}, 0, 0};

    ui::DisplayList list;
    list.push_back(ui::FillRoundedRect{sheet.canvas.bounds(), 0,
                                       context.line.appearanceOrDefault() == Appearance::dark
                                           ? ui::RGBA{0.0, 0.0, 0.0, 1}
                                           : ui::RGBA{0.949, 0.949, 0.969, 1}});
    const ui::View header = ui::VStack(ui::HorizontalAlignment::center, 4,
                                       {ui::Text::verbatim(name).font(ui::Font::headline),
                                        ui::Text::verbatim(description).font(ui::Font::footnote)})
                                .foregroundStyle(ui::Color::primary);
    ui::RenderEnvironment headerEnvironment = context.userEnvironment;
    headerEnvironment.canvas = ui::WidgetCanvas{{width - 2 * kMargin, kHeaderHeight}, 0, 0};
    auto headerList = context.renderer.displayList(header, headerEnvironment);
    ui::translate(headerList, kMargin, kMargin - 8);
    list.insert(list.end(), headerList.begin(), headerList.end());

    double x = kMargin;
    for (const auto& [family, view] : views) {
      const ui::RenderEnvironment environment = context.renderEnvironment(family);
      auto widgetList = context.renderer.displayList(view, environment);
      ui::translate(widgetList, x, kMargin + kHeaderHeight);
      list.insert(list.end(), widgetList.begin(), widgetList.end());
      x += environment.canvas.size.width + kGap;
    }
    picture = context.renderer.draw(list, sheet, plan.format, plan.terminal);
  }
  return writePictures(context, plan, {{"gallery", picture}});
}

}  // namespace host
