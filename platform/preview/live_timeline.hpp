#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/date.hpp"
#include "host/any_entry.hpp"
#include "preview/store_report.hpp"

namespace preview {

// Why the host asked for a timeline.
enum class ReloadReason : std::uint8_t {
  firstLoad,
  policyDate,
  storeChanged,
  pageAsked,
  signalAsked
};
std::string_view describe(ReloadReason reason);

// How many timeline requests a day the phone grants a widget. The platform publishes no exact
// figure: its documentation says a widget the user looks at often typically gets 40 to 70
// reloads a day. The default is the upper end; the host's --daily-budget changes it.
inline constexpr int kDefaultDailyBudget = 70;

// What the preview host has: the timeline it holds, why each request came, the store, and the
// day's requests against the budget. Every open page gets each new state. Thread-safe.
class LiveTimeline {
 public:
  explicit LiveTimeline(int dailyBudget) : dailyBudget_(dailyBudget) {}

  // Keeps a new timeline, answered at `requestedAt`, and wakes every page.
  void publish(host::AnyTimeline timeline, ReloadReason reason, foundation::Date requestedAt,
               StoreReport store);

  std::optional<host::AnyTimeline> timeline() const;
  // GET /api/timeline: what `timeline --json` prints, plus "store", "requests" and "budget".
  std::string json() const;

  // The next state after `seen` (a generation number; 0 before any): its number and JSON.
  // Nothing when `timeout` passed first or the host is stopping.
  std::optional<std::pair<std::uint64_t, std::string>> waitNewer(std::uint64_t seen,
                                                                 std::chrono::seconds timeout);
  void stop();
  bool stopping() const;

 private:
  struct Request {
    foundation::Date at;
    ReloadReason reason;
  };
  std::string jsonLocked() const;

  const int dailyBudget_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t generation_ = 0;
  bool stopping_ = false;
  std::optional<host::AnyTimeline> timeline_;
  std::optional<foundation::Date> requestedAt_;
  StoreReport store_;
  std::deque<Request> requests_;  // the latest first, bounded
  long long requestsToday_ = 0;
  long long day_ = -1;  // local day of the last request
  std::string json_;
};

}  // namespace preview
