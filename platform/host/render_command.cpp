#include "host/commands.hpp"

namespace host {

CommandResult renderCommand(const CommandContext& context) {
  auto families = context.familiesToShow();
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  const auto& chosen = std::get<std::vector<WidgetFamily>>(families);
  std::vector<std::string> names;
  for (const auto family : chosen) names.emplace_back(shortName(family));
  auto planned = planOutput(context, names);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto& plan = std::get<OutputPlan>(planned);
  const CommandLine& line = context.line;
  if (!line.placeholder) {
    if (auto failure = context.checkStore()) return *failure;
  }

  const auto& provider = context.configuration.provider;
  const auto report = context.reporter();
  std::vector<Picture> pictures;
  for (const auto family : chosen) {
    const auto request = context.providerContext(family, line.snapshot);
    AnyEntry entry;
    if (line.placeholder) {
      entry = requestPlaceholder(provider, request, report);
    } else if (line.snapshot) {
      auto snapshot = requestSnapshot(provider, request, report);
      entry = snapshot ? std::move(*snapshot) : requestPlaceholder(provider, request, report);
    } else {
      entry = context.currentEntry(request);
    }
    pictures.push_back({context.configuration.content(entry),
                        context.renderEnvironment(family, line.placeholder)});
  }
  std::vector<std::string> rendered = context.renderer.render(pictures, plan.format, plan.terminal);
  std::vector<std::pair<std::string, std::string>> written;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    written.emplace_back(names[i], std::move(rendered[i]));
  }
  return writePictures(context, plan, written);
}

}  // namespace host
