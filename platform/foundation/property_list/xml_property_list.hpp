#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "foundation/property_list_value.hpp"

namespace foundation {

// Reading of XML property lists, streamed through expat without recursion. Only the five
// predefined entities and character references are read; a DOCTYPE is skipped and never
// expanded, and a file that declares or uses any other entity is refused.
//
// The reader is ours rather than a library's: Debian 12's libplist reads <real> with the
// locale's atof, reads <integer>010</integer> as octal and recurses without bound.
namespace xml_property_list {

inline constexpr int kMaxNesting = 128;

enum class TopKind : std::uint8_t { dictionary, other };

struct ByteRange {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// Where a top-level key's value lies in the document, so that a lookup parses that element
// alone; a short scalar is also kept built, so that its lookup parses nothing.
struct TopLevelEntry {
  ByteRange range;
  std::optional<PropertyListValue> scalar;
};

// The top dictionary's keys (a key written twice: its last value).
struct TopLevelIndex {
  std::unordered_map<std::string, TopLevelEntry> entries;
};

struct Validated {
  TopKind topKind;
  // Absent when the top is no dictionary, the document is not UTF-8 or ASCII, or it has
  // more top-level keys than are worth indexing.
  std::optional<TopLevelIndex> index;
};

// Checks the whole document without building any value; nothing when it is malformed.
std::optional<TopKind> validate(std::span<const std::uint8_t> bytes);
// The same check, also indexing the top dictionary's keys (and keeping its short scalars)
// on the way.
std::optional<Validated> validateAndIndex(std::span<const std::uint8_t> bytes);

// Where and why a document fails to validate.
struct Fault {
  // Whether it reads as a property list up to the fault: its first element is one of a
  // property list's. Text that is not XML at all, or another kind of XML document, is not.
  bool propertyList = false;
  std::uint64_t line = 0;    // from 1
  std::uint64_t column = 0;  // from 0, in characters
  std::string reason;
};
// Nothing when the document validates.
std::optional<Fault> findFault(std::span<const std::uint8_t> bytes);

// The top object built whole; nothing when the document is malformed.
std::optional<PropertyListValue> readTopObject(std::span<const std::uint8_t> bytes);

// The value under `key` in the top dictionary (a key written twice: the last one); only that
// value is built, and with `shallow` a container comes back empty. Nothing when absent, when
// the top is no dictionary or the document is malformed.
std::optional<PropertyListValue> valueForKey(std::span<const std::uint8_t> bytes,
                                             std::string_view key, bool shallow = false);

// The same through an index made by validate() from these very bytes.
std::optional<PropertyListValue> valueForKey(std::span<const std::uint8_t> bytes,
                                             const TopLevelIndex& index, std::string_view key,
                                             bool shallow = false);

}  // namespace xml_property_list
}  // namespace foundation
