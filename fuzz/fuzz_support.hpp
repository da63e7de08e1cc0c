#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include "foundation/property_list_value.hpp"

namespace fuzz {

// Which lookup checkLookups is checking, for its reports.
inline const char* lookupName = "";

// Stops the run with a report: an invariant of the readers was broken for this input.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void check(bool condition, const char* what) {
  if (!condition) fail(what);
}

// The same, naming the key that was looked up.
inline void check(bool condition, const char* what, const std::string& key) {
  if (!condition) {
    std::fprintf(stderr, "%s, with the key \"%s\":\n", lookupName, key.c_str());
    fail(what);
  }
}

// Equality that holds a NaN equal to itself: the readers must give the same bits for the same
// bytes, and a stored NaN is a value like any other.
inline bool sameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool sameValue(const foundation::PropertyListValue& a,
                      const foundation::PropertyListValue& b) {
  using foundation::Date;
  using foundation::PropertyListValue;
  if (a.value.index() != b.value.index()) return false;
  if (const auto* x = std::get_if<double>(&a.value)) return sameBits(*x, std::get<double>(b.value));
  if (const auto* x = std::get_if<Date>(&a.value)) {
    return sameBits(x->timeIntervalSinceReferenceDate,
                    std::get<Date>(b.value).timeIntervalSinceReferenceDate);
  }
  if (const auto* x = std::get_if<PropertyListValue::Array>(&a.value)) {
    const auto& y = std::get<PropertyListValue::Array>(b.value);
    if (x->size() != y.size()) return false;
    for (std::size_t i = 0; i < x->size(); ++i) {
      if (!sameValue((*x)[i], y[i])) return false;
    }
    return true;
  }
  if (const auto* x = std::get_if<PropertyListValue::Dictionary>(&a.value)) {
    const auto& y = std::get<PropertyListValue::Dictionary>(b.value);
    if (x->size() != y.size()) return false;
    for (std::size_t i = 0; i < x->size(); ++i) {
      if ((*x)[i].first != y[i].first || !sameValue((*x)[i].second, y[i].second)) return false;
    }
    return true;
  }
  return a == b;
}

inline bool isContainer(const foundation::PropertyListValue& value) {
  return std::holds_alternative<foundation::PropertyListValue::Array>(value.value) ||
         std::holds_alternative<foundation::PropertyListValue::Dictionary>(value.value);
}

inline bool isEmptyContainer(const foundation::PropertyListValue& value) {
  if (const auto* array = std::get_if<foundation::PropertyListValue::Array>(&value.value)) {
    return array->empty();
  }
  if (const auto* dictionary =
          std::get_if<foundation::PropertyListValue::Dictionary>(&value.value)) {
    return dictionary->empty();
  }
  return false;
}

// The value a lookup of `key` must give in a top dictionary built whole: the last one written.
inline const foundation::PropertyListValue* lastValueFor(
    const foundation::PropertyListValue::Dictionary& dictionary, const std::string& key) {
  const foundation::PropertyListValue* found = nullptr;
  for (const auto& [name, value] : dictionary) {
    if (name == key) found = &value;
  }
  return found;
}

// Checks a keyed lookup against the whole tree: every key gives its last value, and a shallow
// lookup gives the same scalars and empty containers.
template <typename Lookup>
void checkLookups(const char* name, const foundation::PropertyListValue& whole, Lookup lookup) {
  lookupName = name;
  const auto* dictionary = std::get_if<foundation::PropertyListValue::Dictionary>(&whole.value);
  if (dictionary == nullptr) {
    check(!lookup("balance", false), "a lookup in a top object that is no dictionary");
    return;
  }
  // A bounded number of keys keeps each input fast; the fuzzer varies which ones come first.
  std::size_t looked = 0;
  for (const auto& entry : *dictionary) {
    if (++looked > 16) break;
    const auto* expected = lastValueFor(*dictionary, entry.first);
    const auto deep = lookup(entry.first, false);
    check(deep.has_value(), "a key of the top dictionary not found by lookup", entry.first);
    check(sameValue(*deep, *expected), "lookup differs from the whole tree", entry.first);
    const auto shallow = lookup(entry.first, true);
    check(shallow.has_value(), "a key not found by the shallow lookup", entry.first);
    if (isContainer(*expected)) {
      check(shallow->value.index() == expected->value.index(), "shallow lookup changed the type",
            entry.first);
      check(isEmptyContainer(*shallow), "a shallow lookup built a container's contents",
            entry.first);
    } else {
      check(sameValue(*shallow, *expected), "shallow lookup differs for a scalar", entry.first);
    }
  }
  const std::string absent =
      "\x01"
      "absent"
      "\x02";
  if (lastValueFor(*dictionary, absent) == nullptr) {
    check(!lookup(absent, false), "a key that is not there was found");
  }
}

}  // namespace fuzz
