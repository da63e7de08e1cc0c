#pragma once

#include <vector>

#include "data/money_entry.hpp"
#include "host/any_entry.hpp"

namespace pocketta {

// The entry's amounts as the host reads them out (its timeline command), in field order.
inline std::vector<host::EntryField> timelineEntryFields(const MoneyEntry& entry) {
  return {{"balance", entry.balance}, {"income", entry.income}, {"expense", entry.expense}};
}

// The entry with the named amounts replaced, for the host's checks with values of its own.
inline MoneyEntry withTimelineEntryFields(MoneyEntry entry,
                                          const std::vector<host::EntryField>& fields) {
  for (const auto& field : fields) {
    if (field.name == "balance") entry.balance = field.value;
    if (field.name == "income") entry.income = field.value;
    if (field.name == "expense") entry.expense = field.value;
  }
  return entry;
}

}  // namespace pocketta
