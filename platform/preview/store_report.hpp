#pragma once

#include <string>

#include "foundation/containers_root.hpp"
#include "host/bundle_info.hpp"

namespace preview {

// The store as the page shows it: where it is and what a look at it found.
struct StoreReport {
  std::string path;
  std::string format;  // "xml", "binary", "unknown"
  std::string status;  // "ok", "missing", "unreadable", "damaged", "not a dictionary", ...
  std::string detail;  // why, or where; empty when there is nothing to add
  friend bool operator==(const StoreReport&, const StoreReport&) = default;
};

// The store of the bundle's App Group under `root` as the page shows it, looked at afresh.
StoreReport storeReport(const host::BundleInfo& bundle, const foundation::ContainersRoot& root);

}  // namespace preview
