#include "host/matrix_check.hpp"

#include <algorithm>
#include <thread>

#include "host/cell_check.hpp"
#include "host/command_context.hpp"
#include "ui/inspection/picture_inspection.hpp"

namespace host {

bool checkMatrix(const CommandContext& context, const Matrix& matrix,
                 const std::vector<AnyEntry>& entries, const CheckRules& rules, CheckReport& report,
                 const std::function<bool()>& keepGoing) {
  // One tree an entry: its numbers are formatted in each cell's own locale.
  std::vector<ui::View> views;
  for (const AnyEntry& entry : entries) views.push_back(context.configuration.content(entry));
  const ui::PictureInspector inspector;
  const std::size_t slice = 64 * std::max(1u, std::thread::hardware_concurrency());
  const std::size_t total = cellCount(matrix);
  std::vector<CellCheck> checked;
  for (std::size_t first = 0; first < total; first += slice) {
    if (keepGoing && !keepGoing()) return false;
    const std::vector<MatrixCell> cells = cellsOf(matrix, first, slice);
    checked.assign(cells.size(), {});
    forEachCell(cells.size(), 0, [&](std::size_t i) {
      checked[i] = checkCell(cells[i], matrix, views[cells[i].entry], context.userEnvironment,
                             context.renderer, rules, &inspector);
    });
    for (const CellCheck& cell : checked) report.add(cell);
  }
  return true;
}

}  // namespace host
