#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "foundation/date.hpp"
#include "host/any_entry.hpp"
#include "host/sleeper.hpp"

namespace host {

// When to ask for the next timeline, by the policy: after(date) at that date, atEnd at the last
// entry's date (at once for a timeline without entries), never not at all. A date that is not a
// number is never reached.
std::optional<foundation::Date> nextReloadDate(const AnyTimeline& timeline);

struct RunLoopOptions {
  // How many timeline requests before the loop ends; none: until stopped.
  std::optional<long long> reloads;
  // Requests are never closer than this many seconds, whatever the policy says, so a provider
  // that asks for reloads in the past cannot make the host spin.
  double minimumInterval = 1.0;
};

// The live host's loop. Asks for a timeline (`request`), shows the entry whose time has come
// (`show`), and waits with `sleeper` until the next entry's date or the reload date, whichever
// comes first; only the reload date, or a reason to reload from the sleeper, brings a new request.
// Writes one line to `log` per request: the time, the entry shown, and the next reload. Returns 0
// when it ran its reloads or was asked to stop, 1 when `show` failed (its message is logged).
int runLoop(const std::function<std::optional<AnyTimeline>()>& request,
            const std::function<std::optional<std::string>(const AnyEntry&)>& show,
            Sleeper& sleeper, std::ostream& log, const RunLoopOptions& options);

}  // namespace host
