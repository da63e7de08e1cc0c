#pragma once

#include "data/money_entry.hpp"
#include "ui/view/view.hpp"

namespace pocketta {

// The widget's content for one entry: a header with the name and the currency code, the balance
// in large type, and the two quick-action links, on a dark diagonal gradient, white by default.
// The tree's shape is fixed; only the three amounts vary, and the entry's date is never read.
struct PockettaWidgetView {
  MoneyEntry entry;

  // Built afresh on each call, format styles included; equal entries give equal trees.
  ui::View body() const;
};

}  // namespace pocketta
