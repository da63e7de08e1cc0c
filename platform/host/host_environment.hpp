#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

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

// Opens a URL with a program: `command` split at spaces, the URL added as one more argument,
// run without a shell. Returns nothing on success, else one line saying what failed.
using URLOpener = std::function<std::optional<std::string>(const std::vector<std::string>& command,
                                                           const std::string& url)>;
std::optional<std::string> spawnURLOpener(const std::vector<std::string>& command,
                                          const std::string& url);

// What the host reads from and writes to, beyond the files it is told to write.
struct HostEnvironment {
  std::ostream& out;
  std::ostream& err;
  URLOpener openURL = spawnURLOpener;
  Sleeper* sleeper = nullptr;  // null: SystemSleeper
  // Whether standard output is a terminal (a PNG is not written to one).
  bool outIsTerminal = false;
};

// What the host knows of the extension beyond its widgets.
struct BundleInfo {
  std::string executableName = "pocketta-widget";
  std::string version;
  // The App Groups the extension may read, the first being the one its store lives in.
  std::vector<std::string> applicationGroups;
  // Folder of the `<language>.strings` tables.
  std::filesystem::path stringsFolder;
};

// What an extension declares of itself, as a bundle's static `entitlements()`.
struct Entitlements {
  std::vector<std::string> applicationGroups;
};

}  // namespace host
