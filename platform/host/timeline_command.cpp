#include "host/commands.hpp"
#include "host/timeline_json.hpp"

namespace host {

CommandResult timelineCommand(const CommandContext& context) {
  if (auto failure = context.checkStore()) return *failure;
  const auto families = context.configuration.families();
  const WidgetFamily family = families.empty() ? WidgetFamily::systemSmall : families.front();
  const auto timeline = requestTimeline(context.configuration.provider,
                                        context.providerContext(family), context.reporter());
  if (!timeline) return CommandResult::failure("the provider gave no timeline");
  context.io.out << (context.line.json ? oneLine(timelineJson(*timeline)) + "\n"
                                       : timelineText(*timeline));
  context.io.out.flush();
  if (!context.io.out) return CommandResult::failure("cannot write standard output");
  return CommandResult::ok();
}

}  // namespace host
