#include "host/commands.hpp"
#include "host/run_loop.hpp"
#include "host/signals.hpp"
#include "host/store_status_line.hpp"
#include "host/store_watcher.hpp"

namespace host {

CommandResult runCommand(const CommandContext& context) {
  auto families = familiesToShow(context);
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  const auto chosen = std::get<std::vector<WidgetFamily>>(families);
  auto planned = planOutput(context, chosen.size());
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto plan = std::get<OutputPlan>(planned);
  if (auto failure = checkStore(context)) return *failure;

  const WidgetConfiguration& configuration = context.configuration;
  const auto report = context.reporter();
  const auto request = providerContext(chosen.front(), false);
  std::optional<std::string> failure;
  StoreStatusLine storeStatus(context);
  auto requestTimelineNow = [&]() {
    if (auto line = storeStatus.next()) context.environment.err << *line << std::endl;
    return requestTimeline(configuration.provider, request, report);
  };
  auto show = [&](const AnyEntry& entry) -> std::optional<std::string> {
    const ui::View view = configuration.content(entry);
    std::vector<std::pair<WidgetFamily, ui::View>> views;
    for (const auto family : chosen) views.emplace_back(family, view);
    std::vector<std::string> rendered =
        renderPictures(views, plan.format, context.pictureSettings(), context.renderOptions(false));
    std::vector<std::pair<std::string, std::string>> pictures;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      pictures.emplace_back(std::string(shortName(chosen[i])), std::move(rendered[i]));
    }
    const auto written = writePictures(context, plan, pictures);
    if (written.status != 0) return context.program() + ": " + written.message;
    return std::nullopt;
  };

  StoreWatcher watcher(storeFile(context));
  SystemSleeper systemSleeper(&watcher);
  Sleeper& sleeper = context.environment.sleeper ? *context.environment.sleeper : systemSleeper;
  RunLoopOptions options;
  options.reloads = context.line.reloads;
  const StopOnSignal stopOnSignal;
  const int status = runLoop(requestTimelineNow, show, sleeper, context.environment.err, options);
  // runLoop has already said what failed. Stopped by a signal: the shell's status for it.
  if (status == 0 && stopSignal() != 0) return CommandResult{128 + stopSignal(), ""};
  return CommandResult{status, ""};
}

}  // namespace host
