#include "host/check_report.hpp"
#include "host/commands.hpp"
#include "host/matrix_check.hpp"

namespace host {

CommandResult checkCommand(const CommandContext& context) {
  auto planned = matrixOf(context);
  if (auto* failure = std::get_if<CommandResult>(&planned)) return *failure;
  const Matrix& matrix = std::get<Matrix>(planned);
  CheckRules rules = CheckRules::all();
  for (const CheckRule rule : context.line.skippedRules) rules = rules.without(rule);
  if (context.line.fieldValues.empty()) {
    if (auto failure = context.checkStore()) return *failure;
  }
  CheckReport report(matrix, rules, context.io.out, context.line.json);
  // A closed output stops the check at the next slice.
  checkMatrix(context, matrix, entriesOf(context, matrix), rules, report,
              [&] { return static_cast<bool>(context.io.out); });
  report.finish();
  context.io.out.flush();
  if (!context.io.out) return CommandResult::failure("cannot write standard output");
  return report.errors() > 0 ? CommandResult{1, ""} : CommandResult::ok();
}

}  // namespace host
