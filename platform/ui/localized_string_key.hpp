#pragma once

#include <string>

namespace ui {

// A key into the string table; without a translation the key itself shows.
struct LocalizedStringKey {
  LocalizedStringKey(const char* key) : key(key) {}
  LocalizedStringKey(std::string key) : key(std::move(key)) {}

  std::string key;

  friend bool operator==(const LocalizedStringKey&, const LocalizedStringKey&) = default;
};

}  // namespace ui
