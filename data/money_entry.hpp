#pragma once

#include <ostream>

#include "foundation/date.hpp"

namespace pocketta {

// One reading of the user's figures; amounts are in the currency's main unit, as stored.
struct MoneyEntry {
  foundation::Date date;
  double balance = 0;
  double income = 0;
  double expense = 0;

  friend bool operator==(const MoneyEntry&, const MoneyEntry&) = default;
};

void PrintTo(const MoneyEntry& entry, std::ostream* os);

}  // namespace pocketta
