#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/property_list/binary_property_list.hpp"
#include "foundation/property_list/xml_property_list.hpp"
#include "foundation/property_list_value.hpp"
#include "foundation/store_diagnosis.hpp"

namespace foundation {

// A property list file held in memory whose top object is a dictionary, validated whole
// when made. Lookups build only the value asked for, so holding a large file costs its
// bytes and not a tree of its objects.
class PropertyListDocument {
 public:
  // Binary ("bplist00") or XML. Nothing when the bytes are not a well-formed property list
  // or its top object is not a dictionary.
  static std::optional<PropertyListDocument> parse(std::vector<std::uint8_t> bytes);

  // Why parse() refuses these bytes, and their format; Ok when it would take them.
  static std::pair<StoreFormat, StoreStatus> diagnose(std::span<const std::uint8_t> bytes);

  // The value under a top-level key (exact match; a key written twice: the last one).
  std::optional<PropertyListValue> valueForKey(std::string_view key) const;
  // The same, but a container comes back empty: for callers that only convert scalars.
  std::optional<PropertyListValue> scalarForKey(std::string_view key) const;

 private:
  struct Xml {
    std::optional<xml_property_list::TopLevelIndex> index;
  };
  PropertyListDocument(std::vector<std::uint8_t> bytes,
                       std::variant<BinaryPropertyList, Xml> format)
      : bytes_(std::move(bytes)), format_(std::move(format)) {}

  std::vector<std::uint8_t> bytes_;
  std::variant<BinaryPropertyList, Xml> format_;
};

// A whole property list of either format, any top object, built as one value; nothing when
// malformed. The entry point for fuzzing and for tests that compare whole trees.
std::optional<PropertyListValue> readPropertyList(std::span<const std::uint8_t> bytes);

}  // namespace foundation
