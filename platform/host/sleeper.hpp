#pragma once

#include <optional>
#include <string>

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
  // Why the host should ask for a timeline now, before the policy's date, when a wait ended for
  // that: "the store changed", "SIGUSR1". Taken once.
  virtual std::optional<std::string> takeReloadReason() { return std::nullopt; }
};

class StoreWatcher;

// Sleeps on the system clock; SIGINT and SIGTERM end the wait (see StopOnSignal). SIGUSR1 and a
// change of the watched store, when there is a watcher, end it early with a reason to reload;
// SIGUSR1 also re-arms the watcher.
class SystemSleeper final : public Sleeper {
 public:
  explicit SystemSleeper(StoreWatcher* watcher = nullptr) : watcher_(watcher) {}
  bool sleepUntil(foundation::Date deadline) override;
  std::optional<std::string> takeReloadReason() override;

 private:
  StoreWatcher* watcher_;
  std::optional<std::string> reason_;
};

}  // namespace host
