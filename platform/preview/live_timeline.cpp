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

std::string jsonDate(foundation::Date date) {
  const auto text = host::iso8601(date);
  return text ? host::jsonString(*text) : "null";
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
  std::string out = host::timelineJson(*timeline_);
  out.pop_back();  // the closing brace: the preview's own members follow
  out += ", \"store\": {\"path\": " + host::jsonString(store_.path) +
         ", \"format\": " + host::jsonString(store_.format) +
         ", \"status\": " + host::jsonString(store_.status) +
         ", \"detail\": " + host::jsonString(store_.detail) + "}";
  out += ", \"requests\": [";
  for (std::size_t i = 0; i < requests_.size(); ++i) {
    out += (i ? ", " : "") + std::string("{\"date\": ") + jsonDate(requests_[i].at) +
           ", \"reason\": " + host::jsonString(describe(requests_[i].reason)) + "}";
  }
  out += "]";
  // How many requests a day the policy asks for, when it names a date.
  std::string perDay = "null";
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
  out += ", \"budget\": {\"requestsToday\": " + std::to_string(requestsToday_) +
         ", \"daily\": " + std::to_string(dailyBudget_) + ", \"policyPerDay\": " + perDay +
         ", \"overBudget\": " + (overBudget ? "true" : "false") + "}";
  out += ", \"generation\": " + std::to_string(generation_) + "}";
  return out;
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
