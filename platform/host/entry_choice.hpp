#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "foundation/date.hpp"

namespace host {

// Which entry of a timeline shows at `now`: the latest whose date has come (the last of equals);
// when none has come, the first. Nothing for an empty timeline. A date that is not a number never
// comes.
template <class Entry>
std::optional<std::size_t> entryShowing(const std::vector<Entry>& entries, foundation::Date now) {
  if (entries.empty()) return std::nullopt;
  std::optional<std::size_t> chosen;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const foundation::Date date = entries[i].date;
    if (!(date <= now)) continue;
    if (!chosen || entries[*chosen].date <= date) chosen = i;
  }
  return chosen ? *chosen : std::size_t{0};
}

}  // namespace host
