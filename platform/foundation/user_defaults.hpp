#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "foundation/containers_root.hpp"
#include "foundation/property_list_value.hpp"
#include "foundation/store_diagnosis.hpp"

namespace foundation {

class PropertyListDocument;

// Where App Group containers live and how a suite is read. The defaults are the platform's;
// tests shorten the retry delay.
struct UserDefaultsOptions {
  // ContainersRoot::current(): the host's setting, else the platform's default.
  std::filesystem::path containersRoot = defaultContainersRoot();
  int tries = 3;
  std::chrono::milliseconds retryDelay{150};
  // Called after each retry delay, just before the file is read again (attempt 2, 3, ...);
  // lets tests count the tries and play a writer that finishes late.
  std::function<void(int attempt)> beforeRetry;

  static std::filesystem::path defaultContainersRoot();
};

// A read-only preferences suite of an App Group, read from
// <containers root>/<suite>/Library/Preferences/<suite>.plist.
//
// The file is read once, when the handle is made, and the handle answers from that snapshot;
// it is never written, flushed or locked. No file, an empty one, one over kMaxFileSize or
// something that is not a regular file is an empty suite at once. A file that does not parse,
// or whose top object is not a dictionary, may be a writer caught half-way: it is read again
// up to `tries` times in all before the suite reads as empty.
class UserDefaults {
 public:
  // Opens the suite, or yields nothing when it cannot be opened.
  static std::optional<UserDefaults> initWithSuiteName(std::string_view suiteName);
  static std::optional<UserDefaults> initWithSuiteName(std::string_view suiteName,
                                                       const UserDefaultsOptions& options);

  // What reading the suite under `root` finds, and why it would read as empty; reads the file
  // once, without the retries. For hosts that tell their user; the store itself stays silent.
  static StoreDiagnosis diagnose(std::string_view suiteName, const ContainersRoot& root);

  std::optional<PropertyListValue> objectForKey(std::string_view key) const;
  // The value under `key` converted to a double by the platform's rules; 0.0 when absent or
  // not convertible.
  double doubleForKey(std::string_view key) const;

  // Files larger than this read as an empty suite, refused before a byte is read.
  static constexpr std::uint64_t kMaxFileSize = std::uint64_t{64} << 20;

 private:
  explicit UserDefaults(std::shared_ptr<const PropertyListDocument> document)
      : document_(std::move(document)) {}

  // The file as read when the handle was made; null for an empty suite.
  std::shared_ptr<const PropertyListDocument> document_;
};

}  // namespace foundation
