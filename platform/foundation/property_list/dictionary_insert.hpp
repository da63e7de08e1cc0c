#pragma once

#include <string>
#include <unordered_map>

#include "foundation/property_list_value.hpp"

namespace foundation {

// Adds `key` to a dictionary being read, both readers alike: a repeated key keeps its first
// place and takes its last value. `index` maps each key to its place, so a file with many
// keys costs linear time, not quadratic.
inline void insertKeepingLast(PropertyListValue::Dictionary& dictionary,
                              std::unordered_map<std::string, std::size_t>& index,
                              std::string&& key, PropertyListValue&& value) {
  const auto [it, inserted] = index.try_emplace(key, dictionary.size());
  if (inserted) {
    dictionary.emplace_back(std::move(key), std::move(value));
  } else {
    dictionary[it->second].second = std::move(value);
  }
}

}  // namespace foundation
