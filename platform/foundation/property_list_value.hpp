#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/date.hpp"

namespace foundation {

// A value of a property list, the store's value type. Signed and unsigned integers are kept
// apart so that 2^64-1 and -1 stay distinct.
struct PropertyListValue {
  using Data = std::vector<std::uint8_t>;
  using Array = std::vector<PropertyListValue>;
  // Keys in file order; a key written twice keeps its last value.
  using Dictionary = std::vector<std::pair<std::string, PropertyListValue>>;

  std::variant<bool, std::int64_t, std::uint64_t, double, std::string, Date, Data, Array,
               Dictionary>
      value;

  // Written out rather than implicit: clang 14 with libstdc++ 12 cannot tell whether an
  // implicit default constructor is usable while it builds std::pair<std::string,
  // PropertyListValue>, which needs that answer and this type's.
  PropertyListValue() noexcept : value(false) {}
  template <typename T>
  requires(!std::is_same_v<std::remove_cvref_t<T>, PropertyListValue>)
      PropertyListValue(T&& alternative)
      : value(std::forward<T>(alternative)) {}

  friend bool operator==(const PropertyListValue&, const PropertyListValue&) = default;
};

// Prints a value for test failures, e.g. {"balance": 12.5, "tags": [true, data(3)]}.
void PrintTo(const PropertyListValue& object, std::ostream* os);

// "a boolean", "an integer", "a string", "an array"...: the stored type, for messages.
std::string_view typeName(const PropertyListValue& object);

// The conditional conversion of a stored value to a date: only a stored date converts.
inline std::optional<Date> asDate(const PropertyListValue& object) {
  if (const auto* date = std::get_if<Date>(&object.value)) return *date;
  return std::nullopt;
}

}  // namespace foundation
