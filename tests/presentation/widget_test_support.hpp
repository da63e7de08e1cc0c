#pragma once

#include "data/money_entry.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"

namespace pocketta::testing {

// Sets the user's locale for one test and clears the setting afterwards, so no test reads the
// machine's locale and none leaks its own into the next.
class UserLocale {
 public:
  explicit UserLocale(const char* identifier) { set(identifier); }
  ~UserLocale() { foundation::Locale::setUserPreferredIdentifier(""); }
  void set(const char* identifier) { foundation::Locale::setUserPreferredIdentifier(identifier); }
};

inline MoneyEntry entry(double balance, double income, double expense, double date = 0) {
  return MoneyEntry{foundation::Date::fromTimeIntervalSince1970(date), balance, income, expense};
}

// The widget's real tree for the amounts; its texts follow the user's locale when laid out.
inline ui::View widget(double balance, double income, double expense) {
  return PockettaWidgetView{entry(balance, income, expense)}.body();
}

}  // namespace pocketta::testing
