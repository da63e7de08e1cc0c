#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "foundation/date.hpp"
#include "host/sleeper.hpp"

namespace hosttest {

// Waits by moving the test's clock to the deadline, so no test sleeps; an endless wait is a
// stop, and so is the fiftieth wait, which keeps a loop that never ends from hanging its test.
class SimulatedSleeper final : public host::Sleeper {
 public:
  explicit SimulatedSleeper(foundation::ManualClock& clock) : clock_(clock) {}
  bool sleepUntil(foundation::Date deadline) override {
    waits.push_back(deadline);
    if (!std::isfinite(deadline.timeIntervalSinceReferenceDate)) return false;
    if (clock_.now() < deadline) clock_.set(deadline);
    return waits.size() < kMaxWaits;
  }
  static constexpr std::size_t kMaxWaits = 50;
  std::vector<foundation::Date> waits;

 private:
  foundation::ManualClock& clock_;
};

}  // namespace hosttest
