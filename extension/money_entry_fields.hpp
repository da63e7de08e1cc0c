#pragma once

#include <vector>

#include "data/money_entry.hpp"
#include "host/any_entry.hpp"

namespace pocketta {

// The entry's amounts as the host reads them out (its timeline command), in field order.
inline std::vector<host::EntryField> timelineEntryFields(const MoneyEntry& entry) {
  return {{"balance", entry.balance}, {"income", entry.income}, {"expense", entry.expense}};
}

}  // namespace pocketta
