#pragma once

#include <charconv>
#include <string>

namespace ui {

// The shortest decimal text that reads back as exactly `value` ("0.7", "277", "1e+21"), the same
// on every machine and in every locale, for text meant for developers rather than users.
inline std::string shortestDecimal(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace ui
