#pragma once

#include <functional>
#include <vector>

#include "host/any_entry.hpp"
#include "host/check_report.hpp"
#include "host/check_rule.hpp"
#include "host/matrix.hpp"

namespace host {

struct CommandContext;

// Checks every cell of `matrix` by `rules` (entries: the matrix's, from entriesOf), a slice of a
// few dozen cells for each core at a time, each cell in an environment of its own, and hands the
// cells to `report` in the matrix's order: the memory it holds is a slice's, whatever the
// matrix's size. Between slices it asks `keepGoing` (none: always) and stops when told; returns
// whether every cell was checked.
bool checkMatrix(const CommandContext& context, const Matrix& matrix,
                 const std::vector<AnyEntry>& entries, const CheckRules& rules, CheckReport& report,
                 const std::function<bool()>& keepGoing = {});

}  // namespace host
