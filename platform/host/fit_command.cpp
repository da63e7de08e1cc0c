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
  auto planned = matrixOf(context);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const Matrix& matrix = std::get<Matrix>(planned);
  if (context.line.fieldValues.empty()) {
    if (auto failure = context.checkStore()) return *failure;
  }
  const auto results = checkFit(context, matrix, entriesOf(context, matrix));
  context.io.out << (context.line.json ? fitJson(matrix, results) + "\n"
                                       : fitText(matrix, results));
  context.io.out.flush();
  if (!context.io.out) return CommandResult::failure("cannot write standard output");
  for (const auto& result : results) {
    if (result.truncated()) return CommandResult{1, ""};
  }
  return CommandResult::ok();
}

}  // namespace host
