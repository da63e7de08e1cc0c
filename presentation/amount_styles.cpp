#include "presentation/amount_styles.hpp"

namespace pocketta {

// Both styles hold the autoupdating locale rather than a snapshot, so a tree built before the
// user changes locale still shows the new locale's form when it is formatted.

BalanceStyle balanceStyle() {
  return BalanceStyle(kCurrencyCode, foundation::Locale::autoupdatingCurrent());
}

AmountStyle amountStyle() {
  using foundation::NumberFormatStyleConfiguration;
  return AmountStyle(foundation::Locale::autoupdatingCurrent())
      .precision(NumberFormatStyleConfiguration::Precision::fractionLength({0, 2}));
}

}  // namespace pocketta
