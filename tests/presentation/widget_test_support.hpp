#pragma once

#include "data/money_entry.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/locale_guard.hpp"

namespace pocketta::testing {

// The user's locale for one test, cleared when it goes.
using UserLocale = support::LocaleGuard;

inline MoneyEntry entry(double balance, double income, double expense, double date = 0) {
  return MoneyEntry{foundation::Date::fromTimeIntervalSince1970(date), balance, income, expense};
}

// The widget's real tree for the amounts; its texts follow the user's locale when laid out.
inline ui::View widget(double balance, double income, double expense) {
  return PockettaWidgetView{entry(balance, income, expense)}.body();
}

}  // namespace pocketta::testing
