#include "foundation/locale.hpp"
#include "host/commands.hpp"
#include "host/fit_result.hpp"

namespace host {

std::variant<std::vector<std::string>, CommandResult> fitLocales(
    const std::optional<std::string>& list, const foundation::Locale& userLocale) {
  if (!list) return std::vector<std::string>{userLocale.identifier()};
  if (*list == "all") return foundation::Locale::availableIdentifiers();
  std::vector<std::string> locales;
  std::size_t start = 0;
  while (start <= list->size()) {
    const auto end = std::min(list->find(',', start), list->size());
    const std::string locale = list->substr(start, end - start);
    if (!foundation::Locale(locale).hasKnownLanguage()) {
      return CommandResult::usage("unknown locale '" + locale.substr(0, 64) + "' in --locales");
    }
    locales.push_back(locale);
    start = end + 1;
  }
  return locales;
}

CommandResult fitCommand(const CommandContext& context) {
  auto families = context.familiesToShow();
  if (auto* failure = std::get_if<CommandResult>(&families)) return *failure;
  const auto chosen = std::get<std::vector<WidgetFamily>>(families);
  auto locales = fitLocales(context.line.locales, context.userEnvironment.locale);
  if (auto* failure = std::get_if<CommandResult>(&locales)) return *failure;
  if (context.line.fieldValues.empty()) {
    if (auto failure = context.checkStore()) return *failure;
  }
  AnyEntry entry = context.currentEntry(context.providerContext(chosen.front()));
  if (!context.line.fieldValues.empty()) {
    if (!entry.withFields) {
      return CommandResult::usage("the widget " + context.configuration.kind +
                                  " takes no values from the command line");
    }
    std::vector<EntryField> fields;
    for (const auto& [name, value] : context.line.fieldValues) fields.push_back({name, value});
    entry = entry.withFields(fields);
  }

  const auto& sizes = context.line.textSizes;
  const auto results =
      checkFit(context, entry, std::get<std::vector<std::string>>(locales), chosen,
               sizes.empty() ? std::vector{context.line.textSizeOrDefault()} : sizes);
  context.io.out << (context.line.json ? fitJson(results) + "\n" : fitText(results));
  context.io.out.flush();
  if (!context.io.out) return CommandResult::failure("cannot write standard output");
  for (const auto& result : results) {
    if (result.truncated()) return CommandResult{1, ""};
  }
  return CommandResult::ok();
}

}  // namespace host
