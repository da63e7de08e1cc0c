#pragma once

#include <string>
#include <utility>

namespace ui {

// A key into the string table; without a translation the key itself shows.
struct LocalizedStringKey {
  // Literals are keys; a string computed at run time becomes one only when asked for explicitly,
  // so that Text(someString) cannot look up data by accident (use Text::verbatim for that).
  LocalizedStringKey(const char* key) : key(key) {}
  explicit LocalizedStringKey(std::string key) : key(std::move(key)) {}

  std::string key;

  friend bool operator==(const LocalizedStringKey&, const LocalizedStringKey&) = default;
};

}  // namespace ui
