#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include "foundation/property_list_value.hpp"
#include "support/property_list_writer.hpp"

namespace fuzz {

using foundation::PropertyListValue;

// Stops the run with a report: an invariant of the readers was broken for this input.
inline void check(bool condition, const char* what, const std::string& key = "") {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s (key \"%s\")\n", what, key.c_str());
  std::abort();
}

inline bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}
// Equality that holds a NaN equal to itself: the readers must give the same bits for the same
// bytes, and a stored NaN is a value like any other. Equal values encode to equal bytes.
inline bool sameValue(const PropertyListValue& a, const PropertyListValue& b) {
  using support::PlistFormat;
  return a == b ||
         support::writePlist(PlistFormat::binary, a) == support::writePlist(PlistFormat::binary, b);
}

// A container of the same kind with nothing in it, or nothing for a scalar.
inline std::optional<PropertyListValue> emptyOfKind(const PropertyListValue& value) {
  if (std::holds_alternative<PropertyListValue::Array>(value.value))
    return PropertyListValue::Array{};
  if (std::holds_alternative<PropertyListValue::Dictionary>(value.value)) {
    return PropertyListValue::Dictionary{};
  }
  return std::nullopt;
}

// Checks a keyed lookup against the whole tree: a key gives its last value, a shallow lookup the
// same scalar or an empty container of the same kind, and a key that is not there nothing.
template <typename Lookup>
void checkLookups(const PropertyListValue& whole, Lookup lookup) {
  const auto* dictionary = std::get_if<PropertyListValue::Dictionary>(&whole.value);
  if (dictionary == nullptr) return check(!lookup("balance", false), "a lookup in no dictionary");
  // A bounded number of keys keeps each input fast; the fuzzer varies which ones come first.
  for (std::size_t n = 0; n < std::min<std::size_t>(16, dictionary->size()); ++n) {
    const std::string& key = (*dictionary)[n].first;
    const PropertyListValue* last = nullptr;
    for (const auto& [name, value] : *dictionary) last = name == key ? &value : last;
    const auto deep = lookup(key, false), shallow = lookup(key, true);
    check(deep && sameValue(*deep, *last), "lookup differs from the whole tree", key);
    check(shallow && sameValue(*shallow, emptyOfKind(*last).value_or(*last)),
          "shallow lookup differs from the tree", key);
  }
  const std::string absent =
      "\x01"
      "absent"
      "\x02";
  const bool present = std::any_of(dictionary->begin(), dictionary->end(),
                                   [&](const auto& entry) { return entry.first == absent; });
  check(present || !lookup(absent, false), "a key that is not there was found");
}

// The same for the document UserDefaults keeps, whose shallow lookup is scalarForKey.
template <typename Document>
void checkDocument(const PropertyListValue& whole, const Document& document) {
  checkLookups(whole, [&](const std::string& key, bool shallow) {
    return shallow ? document.scalarForKey(key) : document.valueForKey(key);
  });
}

}  // namespace fuzz
