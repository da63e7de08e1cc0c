#pragma once

#include <string_view>

namespace pocketta {

// The shared store's keys: written by the containing app, read by readEntry alone.
inline constexpr std::string_view kUpdatedAtKey = "updatedAt";  // a date
inline constexpr std::string_view kBalanceKey = "balance";      // the amounts: numbers
inline constexpr std::string_view kTodayIncomeKey = "todayIncome";
inline constexpr std::string_view kTodayExpenseKey = "todayExpense";

}  // namespace pocketta
