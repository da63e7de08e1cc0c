#include <poll.h>

#include <algorithm>
#include <cmath>

#include "host/signals.hpp"
#include "host/sleeper.hpp"

namespace host {

bool SystemSleeper::sleepUntil(foundation::Date deadline) {
  while (!stopRequested()) {
    const double remaining = deadline.timeIntervalSinceReferenceDate -
                             foundation::Date::now().timeIntervalSinceReferenceDate;
    // A deadline that is not a number never comes.
    if (remaining <= 0) return true;
    // Wake at least once a minute: the wall clock may be set forward while we wait.
    const double slice = std::isnan(remaining) ? 60.0 : std::min(remaining, 60.0);
    const int timeoutMs = static_cast<int>(std::ceil(slice * 1000.0));
    const int fd = stopRequestFd();
    pollfd descriptor{fd, POLLIN, 0};
    poll(fd >= 0 ? &descriptor : nullptr, fd >= 0 ? 1 : 0, timeoutMs);
  }
  return false;
}

}  // namespace host
