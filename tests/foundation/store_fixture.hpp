#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "foundation/user_defaults.hpp"
#include "support/process_probes.hpp"
#include "support/temporary_containers.hpp"

// What the store's tests share: a suite in a temporary containers root with fast, counted
// retries, and the four values the widget reads.
namespace foundation::testing {

using support::Bytes;

inline const std::string kSuite = "group.pocketta.test";

// A file written by the platform's own tools (tests/foundation/data/make_fixtures.py).
inline Bytes fixture(const std::string& name) {
  return support::readFile(std::filesystem::path(POCKETTA_TEST_DATA_DIR) / name);
}

// The four values the widget reads, as one reading of the store.
struct Reading {
  double updatedAt = 0;  // 0: no date stored
  double balance = 0, income = 0, expense = 0;
  friend bool operator==(const Reading&, const Reading&) = default;
  friend void PrintTo(const Reading& r, std::ostream* os) {
    *os << "{" << r.updatedAt << ", " << r.balance << ", " << r.income << ", " << r.expense << "}";
  }
};
inline Reading version(double v) {
  return Reading{v, v, v, v};
}
inline Reading read(const UserDefaults& store) {
  const auto date = store.objectForKey("updatedAt");
  const auto stored = date ? asDate(*date) : std::nullopt;
  return Reading{stored ? stored->timeIntervalSinceReferenceDate : 0.0,
                 store.doubleForKey("balance"), store.doubleForKey("todayIncome"),
                 store.doubleForKey("todayExpense")};
}

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    options_.containersRoot = root_.root();
    options_.retryDelay = std::chrono::milliseconds(0);
    options_.beforeRetry = [this](int) { ++retries_; };
  }
  std::filesystem::path suitePath() const { return root_.storePath(kSuite); }
  void writeSuite(const Bytes& bytes) const { support::writeFile(suitePath(), bytes); }
  std::optional<UserDefaults> open() const {
    return UserDefaults::initWithSuiteName(kSuite, options_);
  }
  // The reading of a suite that must open.
  Reading readSuite() const {
    const auto store = open();
    EXPECT_TRUE(store.has_value());
    return store ? read(*store) : Reading{-1, -1, -1, -1};
  }

  support::TemporaryContainers root_;
  UserDefaultsOptions options_;
  int retries_ = 0;
};

using support::FileRecord;
using support::onSmallStack;
using support::PeakMemoryProbe;
inline constexpr long kMiB = PeakMemoryProbe::kMiB;

}  // namespace foundation::testing
