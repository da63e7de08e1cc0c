#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace foundation {

// Why a value cannot be written in a format, as one line that names where it sits:
// "'note': a string with U+0001, which an XML property list cannot hold".
struct UnwritableValue {
  std::string why;
  friend bool operator==(const UnwritableValue&, const UnwritableValue&) = default;
};

// What a property-list writer gives: the whole file's bytes, or why it wrote nothing.
using WrittenPropertyList = std::variant<std::vector<std::uint8_t>, UnwritableValue>;

}  // namespace foundation
