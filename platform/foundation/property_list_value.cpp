#include "foundation/property_list_value.hpp"

#include <iomanip>

namespace foundation {

void PrintTo(const PropertyListValue& object, std::ostream* os) {
  std::visit(
      [os](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>) {
          *os << (value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          *os << value;
        } else if constexpr (std::is_same_v<T, std::uint64_t>) {
          *os << value << "u";
        } else if constexpr (std::is_same_v<T, double>) {
          *os << std::setprecision(17) << value;
        } else if constexpr (std::is_same_v<T, std::string>) {
          *os << std::quoted(value);
        } else if constexpr (std::is_same_v<T, Date>) {
          *os << "date(" << std::setprecision(17) << value.timeIntervalSinceReferenceDate << ")";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Data>) {
          *os << "data(" << value.size() << ")";
        } else if constexpr (std::is_same_v<T, PropertyListValue::Array>) {
          *os << "[";
          for (std::size_t i = 0; i < value.size(); ++i) {
            if (i > 0) *os << ", ";
            PrintTo(value[i], os);
          }
          *os << "]";
        } else {
          *os << "{";
          for (std::size_t i = 0; i < value.size(); ++i) {
            if (i > 0) *os << ", ";
            *os << std::quoted(value[i].first) << ": ";
            PrintTo(value[i].second, os);
          }
          *os << "}";
        }
      },
      object.value);
}

std::string_view typeName(const PropertyListValue& object) {
  static constexpr std::string_view kNames[] = {"a boolean", "an integer", "an integer",
                                                "a real",    "a string",   "a date",
                                                "data",      "an array",   "a dictionary"};
  static_assert(std::size(kNames) == std::variant_size_v<decltype(object.value)>);
  return kNames[object.value.index()];
}

}  // namespace foundation
