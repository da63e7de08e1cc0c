#include <algorithm>
#include <sstream>

#include "foundation/shortest_decimal.hpp"
#include "foundation/url.hpp"
#include "host/commands.hpp"
#include "host/timeline_json.hpp"
#include "ui/layout/hit_test.hpp"
#include "ui/layout/widget_layout.hpp"

namespace host {
namespace {

std::vector<std::string> splitAtSpaces(const std::string& command) {
  std::vector<std::string> words;
  std::istringstream in(command);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

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

  if (auto failure = checkStore(context)) return *failure;
  const AnyEntry entry = currentEntry(context, providerContext(family, false));
  const ui::View view = context.configuration.content(entry);
  const ui::WidgetLayout layout = ui::layoutWidget(view, canvas, context.renderOptions(false));
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
  auto& out = context.environment.out;
  if (context.line.print) {
    out << link->absoluteString() << std::endl;
    return CommandResult::ok();
  }
  const auto command = splitAtSpaces(context.line.openWith.value_or("xdg-open"));
  out.flush();
  if (auto failure = context.environment.openURL(command, link->absoluteString())) {
    return CommandResult::failure(*failure);
  }
  return CommandResult::ok();
}

}  // namespace host
