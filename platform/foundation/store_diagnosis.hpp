#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/containers_root.hpp"

namespace foundation {

enum class StoreFormat : std::uint8_t { unknown, xml, binary };
std::string_view toString(StoreFormat format);

// What a look at a suite's file found. The store itself never tells: it reads what it can and
// everything else as the defaults. This is for a host that tells its user why.
namespace store_status {
struct Ok {
  friend bool operator==(const Ok&, const Ok&) = default;
};
struct Missing {
  std::string what;  // "no file", "no folder /x/group.y"
  friend bool operator==(const Missing&, const Missing&) = default;
};
struct Unreadable {
  std::string why;
  friend bool operator==(const Unreadable&, const Unreadable&) = default;
};
struct NotPropertyList {
  std::string why;
  friend bool operator==(const NotPropertyList&, const NotPropertyList&) = default;
};
struct Damaged {
  std::string where;
  friend bool operator==(const Damaged&, const Damaged&) = default;
};
struct OverSizeCap {
  std::uint64_t size = 0;
  friend bool operator==(const OverSizeCap&, const OverSizeCap&) = default;
};
struct NotDictionary {
  std::string top;  // "an array"
  friend bool operator==(const NotDictionary&, const NotDictionary&) = default;
};
}  // namespace store_status

using StoreStatus = std::variant<store_status::Ok, store_status::Missing, store_status::Unreadable,
                                 store_status::NotPropertyList, store_status::Damaged,
                                 store_status::OverSizeCap, store_status::NotDictionary>;

// "missing (no file)", "damaged at line 3, column 8: mismatched tag", "ok".
std::string describe(const StoreStatus& status);

struct StoreDiagnosis {
  std::filesystem::path file;
  ContainersRoot root;
  StoreFormat format = StoreFormat::unknown;
  StoreStatus status;

  bool ok() const { return std::holds_alternative<store_status::Ok>(status); }
  // One line: the file, its status and format, and the setting that chose the containers root.
  std::string describe() const;

  friend bool operator==(const StoreDiagnosis&, const StoreDiagnosis&) = default;
};

}  // namespace foundation
