#include "host/commands.hpp"

namespace host {

CommandResult renderCommand(const CommandContext& context) {
  auto families = familiesToShow(context);
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  const auto& chosen = std::get<std::vector<WidgetFamily>>(families);
  auto planned = planOutput(context, chosen.size());
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const auto& plan = std::get<OutputPlan>(planned);
  if (!context.line.placeholder) {
    if (auto failure = checkStore(context)) return *failure;
  }

  const auto report = context.reporter();
  std::vector<std::pair<WidgetFamily, ui::View>> views;
  for (const auto family : chosen) {
    const auto request = providerContext(family, context.line.snapshot);
    AnyEntry entry;
    if (context.line.placeholder) {
      entry = requestPlaceholder(context.configuration.provider, request, report);
    } else if (context.line.snapshot) {
      auto snapshot = requestSnapshot(context.configuration.provider, request, report);
      entry = snapshot ? std::move(*snapshot)
                       : requestPlaceholder(context.configuration.provider, request, report);
    } else {
      entry = currentEntry(context, request);
    }
    views.emplace_back(family, context.configuration.content(entry));
  }
  std::vector<std::string> rendered =
      renderPictures(views, plan.format, context.pictureSettings(),
                     context.renderOptions(context.line.placeholder));
  std::vector<std::pair<std::string, std::string>> pictures;
  for (std::size_t i = 0; i < views.size(); ++i) {
    pictures.emplace_back(std::string(shortName(views[i].first)), std::move(rendered[i]));
  }
  return writePictures(context, plan, pictures);
}

}  // namespace host
