#include "preview/live_timeline.hpp"

#include <cmath>
#include <ctime>

#include "host/timeline_json.hpp"

namespace preview {
namespace {

constexpr std::size_t kRequestsKept = 50;

// Days since 1970 in the local time zone, to count the requests of today.
long long localDay(foundation::Date date) {
  const auto seconds = static_cast<std::time_t>(std::floor(date.timeIntervalSince1970()));
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return 0;
  return static_cast<long long>(
      std::floor((date.timeIntervalSince1970() + local.tm_gmtoff) / 86400.0));
}

}  // namespace

std::string_view describe(ReloadReason reason) {
  switch (reason) {
    case ReloadReason::firstLoad:
      return "first load";
    case ReloadReason::policyDate:
      return "the policy's date was reached";
    case ReloadReason::storeChanged:
      return "the store changed";
    case ReloadReason::pageAsked:
      return "a reload was asked from the page";
    case ReloadReason::signalAsked:
      return "SIGUSR1 asked for a reload";
  }
  return "?";
}

void LiveTimeline::publish(host::AnyTimeline timeline, ReloadReason reason,
                           foundation::Date requestedAt, StoreReport store) {
  {
    std::lock_guard lock(mutex_);
    const long long today = localDay(requestedAt);
    if (today != day_) {
      day_ = today;
      requestsToday_ = 0;
    }
    ++requestsToday_;
    requests_.push_front({requestedAt, reason});
    if (requests_.size() > kRequestsKept) requests_.pop_back();
    timeline_ = std::move(timeline);
    requestedAt_ = requestedAt;
    store_ = std::move(store);
    ++generation_;
    json_ = jsonLocked();
  }
  changed_.notify_all();
}

std::string LiveTimeline::jsonLocked() const {
  host::Json json = host::timelineJson(*timeline_);
  json["store"] = {{"path", store_.path},
                   {"format", store_.format},
                   {"status", store_.status},
                   {"detail", store_.detail}};
  host::Json requests = host::Json::array();
  for (const Request& request : requests_) {
    requests.push_back(
        {{"date", host::jsonDate(request.at)}, {"reason", describe(request.reason)}});
  }
  json["requests"] = std::move(requests);
  // How many requests a day the policy asks for, when it names a date.
  host::Json perDay = nullptr;
  bool overBudget = false;
  if (const auto* after = std::get_if<host::TimelineReloadPolicy::After>(&timeline_->policy.kind)) {
    const double interval =
        after->date.timeIntervalSinceReferenceDate - requestedAt_->timeIntervalSinceReferenceDate;
    if (interval > 0 && std::isfinite(interval)) {
      const double requests = std::ceil(86400.0 / interval);
      perDay = host::jsonNumber(requests);
      overBudget = requests > dailyBudget_;
    }
  }
  json["budget"] = {{"requestsToday", requestsToday_},
                    {"daily", dailyBudget_},
                    {"policyPerDay", std::move(perDay)},
                    {"overBudget", overBudget}};
  json["generation"] = generation_;
  return host::oneLine(json);
}

std::optional<host::AnyTimeline> LiveTimeline::timeline() const {
  std::lock_guard lock(mutex_);
  return timeline_;
}

std::string LiveTimeline::json() const {
  std::lock_guard lock(mutex_);
  return json_;
}

std::optional<std::pair<std::uint64_t, std::string>> LiveTimeline::waitNewer(
    std::uint64_t seen, std::chrono::seconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return stopping_ || generation_ > seen; });
  if (stopping_ || generation_ <= seen) return std::nullopt;
  return std::pair{generation_, json_};
}

void LiveTimeline::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

bool LiveTimeline::stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

}  // namespace preview
