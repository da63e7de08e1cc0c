#include "host/commands.hpp"
#include "host/timeline_json.hpp"

namespace host {

CommandResult timelineCommand(const CommandContext& context) {
  if (auto failure = checkStore(context)) return *failure;
  const auto families = context.configuration.families();
  const WidgetFamily family = families.empty() ? WidgetFamily::systemSmall : families.front();
  const auto timeline = requestTimeline(context.configuration.provider,
                                        providerContext(family, false), context.reporter());
  if (!timeline) return CommandResult::failure("the provider gave no timeline");
  context.environment.out << (context.line.json ? timelineJson(*timeline) + "\n"
                                                : timelineText(*timeline));
  context.environment.out.flush();
  if (!context.environment.out) return CommandResult::failure("cannot write standard output");
  return CommandResult::ok();
}

}  // namespace host
