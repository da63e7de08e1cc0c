#include <cstdio>

#include "data/money_provider.hpp"

// Until the host lands: print the current timeline of the shared store.
int main() {
  pocketta::MoneyProvider provider;
  provider.getTimeline({}, [](const host::Timeline<pocketta::MoneyEntry>& timeline) {
    for (const auto& entry : timeline.entries) {
      std::printf("date %.3f  balance %.2f  income %.2f  expense %.2f\n",
                  entry.date.timeIntervalSinceReferenceDate, entry.balance, entry.income,
                  entry.expense);
    }
  });
  return 0;
}
