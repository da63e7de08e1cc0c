#pragma once

#include "foundation/floating_point_format_style.hpp"

namespace pocketta {

// The currency every balance is kept in (ISO 4217).
inline constexpr const char* kCurrencyCode = "CNY";

using AmountStyle = foundation::FloatingPointFormatStyle<double>;
using BalanceStyle = foundation::FloatingPointFormatStyle<double>::Currency;

// The balance as a CNY amount in the user's locale of the moment: the locale's symbol for CNY,
// the currency's two fraction digits, the locale's grouping and negative form.
BalanceStyle balanceStyle();

// Today's income or expense as a plain decimal number in the user's locale of the moment, with
// 0 to 2 fraction digits and no sign added for the direction of the money.
AmountStyle amountStyle();

}  // namespace pocketta
