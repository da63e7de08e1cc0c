#include <algorithm>

#include "foundation/shortest_decimal.hpp"
#include "foundation/url.hpp"
#include "host/commands.hpp"
#include "host/timeline_json.hpp"
#include "host/url_opener.hpp"
#include "ui/layout/hit_test.hpp"

namespace host {

CommandResult tapCommand(const CommandContext& context) {
  // Medium unless asked (or unless the context shows the small family alone).
  const RenderingContext where = context.renderingContext();
  const WidgetFamily family = !context.line.families.empty() ? context.line.families.front()
                              : shows(where, WidgetFamily::systemMedium)
                                  ? WidgetFamily::systemMedium
                                  : WidgetFamily::systemSmall;
  const auto supported = context.configuration.families();
  if (std::find(supported.begin(), supported.end(), family) == supported.end()) {
    return CommandResult::usage("the widget " + context.configuration.kind +
                                " does not support the " + std::string(shortName(family)) +
                                " family");
  }
  if (!shows(where, family)) {
    return CommandResult::usage(std::string(toString(where)) +
                                " shows the small family only: give --family small");
  }
  const foundation::Point point = context.line.tapPoint.value_or(foundation::Point{});
  const ui::WidgetCanvas canvas = context.device().canvas(family);
  const std::string at = "(" + foundation::shortestDecimal(point.x) + ", " +
                         foundation::shortestDecimal(point.y) + ")";
  if (!canvas.bounds().contains(point)) {
    return CommandResult::usage("the point " + at + " is outside the " +
                                std::string(shortName(family)) + " widget (" +
                                foundation::shortestDecimal(canvas.size.width) + " x " +
                                foundation::shortestDecimal(canvas.size.height) + " points)");
  }

  if (auto failure = context.checkStore()) return *failure;
  const AnyEntry entry = context.currentEntry(context.providerContext(family));
  const ui::View view = context.configuration.content(entry);
  const ui::WidgetLayout layout = context.renderer.layout(view, context.renderEnvironment(family));
  std::optional<foundation::URL> link = ui::hitTest(layout, point);

  // No link of its own under the point: a tap opens the containing app, which is not a URL a
  // script could use, so it is said on standard error and fails. A small widget is one tap
  // target on the phone (--phone) and always in StandBy.
  const bool oneTarget = family == WidgetFamily::systemSmall &&
                         (context.line.phone || !shows(where, WidgetFamily::systemMedium));
  if (link && oneTarget) {
    return CommandResult::failure("a tap at " + at +
                                  " opens the containing app: on the phone a small widget is one "
                                  "tap target, and its link to " +
                                  link->absoluteString() + " does not open");
  }
  if (!link) {
    return CommandResult::failure("no link at " + at + ": a tap there opens the containing app");
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
