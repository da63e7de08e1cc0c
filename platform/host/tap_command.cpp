#include <algorithm>

#include "foundation/shortest_decimal.hpp"
#include "foundation/url.hpp"
#include "host/commands.hpp"
#include "host/timeline_json.hpp"
#include "host/url_opener.hpp"
#include "ui/layout/hit_test.hpp"

namespace host {
namespace {}  // namespace

CommandResult tapCommand(const CommandContext& context) {
  const WidgetFamily family =
      context.line.families.empty() ? WidgetFamily::systemMedium : context.line.families.front();
  const auto supported = context.configuration.families();
  if (std::find(supported.begin(), supported.end(), family) == supported.end()) {
    return CommandResult::usage("the widget " + context.configuration.kind +
                                " does not support the " + std::string(shortName(family)) +
                                " family");
  }
  const foundation::Point point = context.line.tapPoint.value_or(foundation::Point{});
  const ui::WidgetCanvas canvas = canvasFor(family);
  const std::string where = "(" + foundation::shortestDecimal(point.x) + ", " +
                            foundation::shortestDecimal(point.y) + ")";
  if (!canvas.bounds().contains(point)) {
    return CommandResult::usage("the point " + where + " is outside the " +
                                std::string(shortName(family)) + " widget (" +
                                foundation::shortestDecimal(canvas.size.width) + " x " +
                                foundation::shortestDecimal(canvas.size.height) + " points)");
  }

  if (auto failure = context.checkStore()) return *failure;
  const AnyEntry entry = context.currentEntry(providerContext(family, false));
  const ui::View view = context.configuration.content(entry);
  const ui::WidgetLayout layout = context.renderer.layout(view, context.renderEnvironment(family));
  std::optional<foundation::URL> link = ui::hitTest(layout, point);

  // No link of its own under the point: a tap opens the containing app, which is not a URL a
  // script could use, so it is said on standard error and fails.
  if (link && context.line.phone && family == WidgetFamily::systemSmall) {
    return CommandResult::failure("a tap at " + where +
                                  " opens the containing app: on the phone a small widget is one "
                                  "tap target, and its link to " +
                                  link->absoluteString() + " does not open");
  }
  if (!link) {
    return CommandResult::failure("no link at " + where + ": a tap there opens the containing app");
  }
  auto& out = context.io.out;
  if (context.line.print) {
    out << link->absoluteString() << std::endl;
    return CommandResult::ok();
  }
  const auto command = openerCommand(context.line.openWith.value_or("xdg-open"));
  out.flush();
  if (auto failure = context.io.openURL(command, link->absoluteString())) {
    return CommandResult::failure(*failure);
  }
  return CommandResult::ok();
}

}  // namespace host
