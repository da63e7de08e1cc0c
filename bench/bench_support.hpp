#pragma once

// What several stage benchmarks share: a containers root holding the sample store, written in
// either property-list form, and pointed at through the environment while a benchmark runs.

#include <cstdint>
#include <string>
#include <string_view>

#include "support/environment_guard.hpp"
#include "support/property_list_writer.hpp"
#include "support/temporary_containers.hpp"

namespace bench {

inline constexpr std::string_view kAppGroup = POCKETTA_APP_GROUP;

// The sample store's figures (samples/group-containers): 2026-12-06T08:30:00Z in seconds since
// 2001-01-01, and the three amounts.
inline constexpr double kUpdatedAt = 818238600.0;
inline constexpr double kBalance = 12840.5;
inline constexpr std::int64_t kIncome = 350;
inline constexpr double kExpense = 86.4;

using StoreForm = support::PlistFormat;

// A temporary containers root with the App Group's sample store, named by
// POCKETTA_GROUP_CONTAINERS for as long as this lives.
class StoreFixture {
 public:
  explicit StoreFixture(StoreForm form) {
    using foundation::PropertyListValue;
    containers_.writeStore(
        std::string(kAppGroup),
        support::writePlist(form, PropertyListValue::Dictionary{
                                      {"balance", kBalance},
                                      {"todayExpense", kExpense},
                                      {"todayIncome", kIncome},
                                      {"updatedAt", foundation::Date{kUpdatedAt}},
                                  }));
    root_.set(containers_.root().c_str());
  }

 private:
  support::TemporaryContainers containers_;
  support::EnvironmentGuard root_{"POCKETTA_GROUP_CONTAINERS"};
};

}  // namespace bench
