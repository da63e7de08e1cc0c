#pragma once

// What several stage benchmarks share: a containers root holding the sample store, written in
// either property-list form, made the host's containers root while a benchmark runs.

#include <cstdint>
#include <string>
#include <string_view>

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

// A temporary containers root with the App Group's sample store, the host's setting for as long
// as this lives.
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
  }

 private:
  support::TemporaryContainers containers_;
  support::ContainersRootGuard root_{containers_.root()};
};

}  // namespace bench
