#pragma once

#include <cstdint>
#include <string_view>

#include "presentation/amount_styles.hpp"
#include "ui/view/view.hpp"

namespace pocketta {

// The two tap targets of the action row, in their order there (leading first). Each opens the
// containing app through a deep link "pocketta://<action>", where the action name is the URL's
// host and nothing else travels in the URL.
enum class QuickAction : std::uint8_t { addIncome, addExpense };

// The action's name in its deep link: "add-income", "add-expense".
std::string_view toString(QuickAction action);

// The destination literal, byte for byte: "pocketta://add-income", "pocketta://add-expense".
std::string_view deepLink(QuickAction action);

// The link for `action` showing `amount` in `style`, outermost first: the action's colour
// (green for income, orange for expense), the link to its deep link, a label whose title is the
// amount text and whose icon is the action's arrow.
ui::View quickActionLink(QuickAction action, double amount, const AmountStyle& style);

}  // namespace pocketta
