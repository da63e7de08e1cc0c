#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>

#include "foundation/property_list_value.hpp"

namespace foundation {

// Where App Group containers live and how a suite is read. The defaults are the platform's;
// tests shorten the retry delay.
struct UserDefaultsOptions {
  // The containers root: $POCKETTA_GROUP_CONTAINERS, else $XDG_DATA_HOME/group-containers,
  // else ~/.local/share/group-containers.
  std::filesystem::path containersRoot = defaultContainersRoot();
  int tries = 3;
  std::chrono::milliseconds retryDelay{150};

  static std::filesystem::path defaultContainersRoot();
};

// A read-only preferences suite of an App Group, read from
// <containers root>/<suite>/Library/Preferences/<suite>.plist.
class UserDefaults {
 public:
  // Opens the suite, or yields nothing when it cannot be opened.
  static std::optional<UserDefaults> initWithSuiteName(std::string_view suiteName);
  static std::optional<UserDefaults> initWithSuiteName(std::string_view suiteName,
                                                       const UserDefaultsOptions& options);

  std::optional<PropertyListValue> objectForKey(std::string_view key) const;
  // The value under `key` converted to a double by the platform's rules; 0.0 when absent or
  // not convertible.
  double doubleForKey(std::string_view key) const;
};

}  // namespace foundation
