#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

// A key of the App Group's store that the extension reads, and how: as objectForKey and a date,
// or as doubleForKey.
struct StoreKey {
  enum class Reading : std::uint8_t { date, number };
  std::string key;
  Reading reading = Reading::number;
  friend bool operator==(const StoreKey&, const StoreKey&) = default;
};

// What the host knows of the extension beyond its widgets. A bundle declares the first two with
// a static `info()`; the host fills in the rest.
struct BundleInfo {
  // The name the host goes by in its messages and help; empty: the name it was started by.
  std::string executableName;
  // The environment variable that may name the App Group containers root, between the
  // --containers option and the platform's default; empty: none.
  std::string containersVariable;
  // The keys its provider reads, for `describe --store`.
  std::vector<StoreKey> storeKeys;
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
