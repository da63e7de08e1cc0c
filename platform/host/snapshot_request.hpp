#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// What `snapshot` is asked to do, and in which folder.
enum class SnapshotVerb : std::uint8_t { record, verify };

inline std::optional<SnapshotVerb> snapshotVerbNamed(std::string_view name) {
  if (name == "record") return SnapshotVerb::record;
  if (name == "verify") return SnapshotVerb::verify;
  return std::nullopt;
}

struct SnapshotRequest {
  SnapshotVerb verb = SnapshotVerb::verify;
  std::string folder;
  friend bool operator==(const SnapshotRequest&, const SnapshotRequest&) = default;
};

}  // namespace host
