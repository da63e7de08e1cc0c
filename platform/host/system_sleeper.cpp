#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "host/signals.hpp"
#include "host/sleeper.hpp"
#include "host/store_watcher.hpp"

namespace host {

bool SystemSleeper::sleepUntil(foundation::Date deadline) {
  while (!stopRequested()) {
    if (takeReloadRequest()) {
      // The app's way of saying "look again": whatever the watches missed, they start afresh.
      if (watcher_) watcher_->rearm();
      reason_ = "SIGUSR1";
    }
    if (watcher_ && watcher_->takeChange()) reason_ = "the store changed";
    if (reason_) return true;
    const double remaining = deadline.timeIntervalSinceReferenceDate -
                             foundation::Date::now().timeIntervalSinceReferenceDate;
    // A deadline that is not a number never comes.
    if (remaining <= 0) return true;
    // Wake at least once a minute: the wall clock may be set forward while we wait.
    double slice = std::isnan(remaining) ? 60.0 : std::min(remaining, 60.0);
    if (const auto due = watcher_ ? watcher_->dueAt() : std::nullopt) {
      slice =
          std::min(slice, std::chrono::duration<double>(*due - StoreWatcher::Clock::now()).count());
    }
    const int timeoutMs = static_cast<int>(std::ceil(std::max(slice, 0.0) * 1000.0));
    pollfd descriptors[3] = {{stopRequestFd(), POLLIN, 0},
                             {reloadRequestFd(), POLLIN, 0},
                             {watcher_ ? watcher_->fd() : -1, POLLIN, 0}};
    poll(descriptors, 3, timeoutMs);  // a negative descriptor is skipped
    if (descriptors[2].revents & POLLIN) watcher_->readEvents();
  }
  return false;
}

std::optional<std::string> SystemSleeper::takeReloadReason() {
  auto reason = std::move(reason_);
  reason_.reset();
  return reason;
}

}  // namespace host
