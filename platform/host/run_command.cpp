#include "host/commands.hpp"
#include "host/run_loop.hpp"
#include "host/signals.hpp"
#include "host/store_status_line.hpp"
#include "host/store_watcher.hpp"

namespace host {

CommandResult runCommand(const CommandContext& context) {
  auto families = context.familiesToShow();
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  const auto chosen = std::get<std::vector<WidgetFamily>>(families);
  std::vector<std::string> names;
  for (const auto family : chosen) names.emplace_back(shortName(family));
  auto planned = planOutput(context, names);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto plan = std::get<OutputPlan>(planned);
  if (auto failure = context.checkStore()) return *failure;

  const WidgetConfiguration& configuration = context.configuration;
  const auto report = context.reporter();
  const auto request = context.providerContext(chosen.front());
  StoreStatusLine storeStatus(context);
  auto requestTimelineNow = [&]() {
    if (auto line = storeStatus.next()) context.io.err << *line << std::endl;
    return requestTimeline(configuration.provider, request, report);
  };
  auto show = [&](const AnyEntry& entry) -> std::optional<std::string> {
    const ui::View view = configuration.content(entry);
    std::vector<Picture> pictures;
    for (const auto family : chosen) pictures.push_back({view, context.renderEnvironment(family)});
    std::vector<std::string> rendered =
        context.renderer.render(pictures, plan.format, plan.terminal);
    std::vector<std::pair<std::string, std::string>> written;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      written.emplace_back(names[i], std::move(rendered[i]));
    }
    const auto result = writePictures(context, plan, written);
    if (result.status != 0) return context.program() + ": " + result.message;
    return std::nullopt;
  };

  StoreWatcher watcher(context.storeFile());
  SystemSleeper systemSleeper(&watcher);
  Sleeper& sleeper = context.io.sleeper ? *context.io.sleeper : systemSleeper;
  RunLoopOptions options;
  options.reloads = context.line.reloads;
  const StopOnSignal stopOnSignal;
  const int status = runLoop(requestTimelineNow, show, sleeper, context.io.err, options);
  // runLoop has already said what failed. Stopped by a signal: the shell's status for it.
  if (status == 0 && stopSignal() != 0) return CommandResult{128 + stopSignal(), ""};
  return CommandResult{status, ""};
}

}  // namespace host
