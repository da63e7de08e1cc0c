#include <algorithm>
#include <thread>

#include "host/cell_check.hpp"
#include "host/check_report.hpp"
#include "host/commands.hpp"
#include "ui/inspection/picture_inspection.hpp"

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
  // One tree an entry: its numbers are formatted in each cell's own locale.
  std::vector<ui::View> views;
  for (const AnyEntry& entry : entriesOf(context, matrix)) {
    views.push_back(context.configuration.content(entry));
  }
  const ui::PictureInspector inspector;
  CheckReport report(matrix, rules, context.io.out, context.line.json);
  // A slice of cells at a time, a few dozen for each core: the memory a check holds is that of a
  // slice whatever the matrix's size, and the findings are written in the matrix's order.
  const std::size_t slice = 64 * std::max(1u, std::thread::hardware_concurrency());
  const std::size_t total = cellCount(matrix);
  std::vector<CellCheck> checked;
  for (std::size_t first = 0; first < total && context.io.out; first += slice) {
    const std::vector<MatrixCell> cells = cellsOf(matrix, first, slice);
    checked.assign(cells.size(), {});
    forEachCell(cells.size(), 0, [&](std::size_t i) {
      checked[i] = checkCell(cells[i], matrix, views[cells[i].entry], context.userEnvironment,
                             context.renderer, rules, &inspector);
    });
    for (const CellCheck& cell : checked) report.add(cell);
  }
  report.finish();
  context.io.out.flush();
  if (!context.io.out) return CommandResult::failure("cannot write standard output");
  return report.errors() > 0 ? CommandResult{1, ""} : CommandResult::ok();
}

}  // namespace host
