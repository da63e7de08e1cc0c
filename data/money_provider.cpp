#include "data/money_provider.hpp"

#include <iomanip>
#include <optional>

#include "data/app_group.hpp"
#include "data/store_keys.hpp"
#include "foundation/user_defaults.hpp"

namespace pocketta {

void PrintTo(const MoneyEntry& entry, std::ostream* os) {
  *os << std::setprecision(17) << "MoneyEntry{date: " << entry.date.timeIntervalSinceReferenceDate
      << ", balance: " << entry.balance << ", income: " << entry.income
      << ", expense: " << entry.expense << "}";
}

MoneyEntry MoneyProvider::readEntry() const {
  const auto store = foundation::UserDefaults::initWithSuiteName(kAppGroup);
  if (!store) return MoneyEntry{foundation::Date::now(), 0.0, 0.0, 0.0};

  // The clock is read only when the store gives no date, after "updatedAt" and before the amounts.
  const auto updatedAt = store->objectForKey(kUpdatedAtKey);
  const std::optional<foundation::Date> storedDate =
      updatedAt ? foundation::asDate(*updatedAt) : std::nullopt;
  const foundation::Date date = storedDate ? *storedDate : foundation::Date::now();

  const double balance = store->doubleForKey(kBalanceKey);
  const double income = store->doubleForKey(kTodayIncomeKey);
  const double expense = store->doubleForKey(kTodayExpenseKey);
  return MoneyEntry{date, balance, income, expense};
}

MoneyEntry MoneyProvider::placeholder(const host::TimelineProviderContext&) const {
  return MoneyEntry{foundation::Date::now(), 277.0, 30.0, 16.0};
}

void MoneyProvider::getSnapshot(const host::TimelineProviderContext&,
                                const host::Completion<MoneyEntry>& completion) const {
  completion(readEntry());
}

void MoneyProvider::getTimeline(
    const host::TimelineProviderContext&,
    const host::Completion<host::Timeline<MoneyEntry>>& completion) const {
  const MoneyEntry entry = readEntry();
  std::vector<MoneyEntry> entries{entry};
  const foundation::Date reloadDate = foundation::Date::now().addingTimeInterval(kReloadDelay);
  completion(host::Timeline<MoneyEntry>{std::move(entries),
                                        host::TimelineReloadPolicy::after(reloadDate)});
}

}  // namespace pocketta
