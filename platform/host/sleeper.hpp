#pragma once

#include "foundation/date.hpp"

namespace host {

// Waits for the live host. The real one sleeps and wakes early on SIGINT or SIGTERM; tests
// substitute one that moves a simulated clock, so no test ever sleeps.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  // Waits until Date::now() is at or past `deadline` (an infinite deadline waits for a stop).
  // Returns false when asked to stop first.
  virtual bool sleepUntil(foundation::Date deadline) = 0;
};

// Sleeps on the system clock; SIGINT and SIGTERM end the wait (see StopOnSignal).
class SystemSleeper final : public Sleeper {
 public:
  bool sleepUntil(foundation::Date deadline) override;
};

}  // namespace host
