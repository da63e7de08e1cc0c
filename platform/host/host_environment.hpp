#pragma once

#include <ostream>

#include "host/bundle_info.hpp"
#include "host/sleeper.hpp"
#include "host/url_opener.hpp"

namespace host {

// What the host reads from and writes to, beyond the files it is told to write.
struct HostEnvironment {
  std::ostream& out;
  std::ostream& err;
  URLOpener openURL = spawnURLOpener;
  Sleeper* sleeper = nullptr;  // null: SystemSleeper
  // Whether standard output is a terminal (a PNG is not written to one).
  bool outIsTerminal = false;
};

}  // namespace host
