#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace host {

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
