#pragma once

#include <charconv>
#include <cmath>
#include <string>

namespace foundation {

// The shortest decimal text that reads back as exactly `value` ("0.7", "277", "-0", "1e+21"),
// and "nan", "inf", "-inf" for the rest: the same on every machine and in every locale, for text
// meant for developers rather than users.
inline std::string shortestDecimal(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace foundation
