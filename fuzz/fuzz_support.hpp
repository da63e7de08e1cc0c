#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <variant>

#include "foundation/property_list/binary_property_list_writer.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "foundation/property_list/xml_property_list_writer.hpp"
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

// The value as an XML file of it reads back: a date of -0 as +0 and every NaN as the reader's own,
// since XML text has no place for a date's sign or a NaN's payload.
inline PropertyListValue asXmlReadsIt(PropertyListValue value) {
  if (auto* date = std::get_if<foundation::Date>(&value.value)) {
    if (date->timeIntervalSinceReferenceDate == 0) *date = foundation::Date{0.0};
  } else if (auto* real = std::get_if<double>(&value.value)) {
    if (std::isnan(*real)) *real = std::numeric_limits<double>::quiet_NaN();
  } else if (auto* array = std::get_if<PropertyListValue::Array>(&value.value)) {
    for (auto& item : *array) item = asXmlReadsIt(std::move(item));
  } else if (auto* dictionary = std::get_if<PropertyListValue::Dictionary>(&value.value)) {
    for (auto& entry : *dictionary) entry.second = asXmlReadsIt(std::move(entry.second));
  }
  return value;
}

// Whatever tree a reader builds, the store's writers write back: binary always, XML unless the
// tree holds what XML cannot (a control character, a date between seconds); each file reads
// back to the same value.
inline void checkWriters(const PropertyListValue& whole) {
  using Bytes = std::vector<std::uint8_t>;
  const auto binary = foundation::writeBinaryPropertyList(whole);
  const auto* binaryBytes = std::get_if<Bytes>(&binary);
  check(binaryBytes != nullptr, "the binary writer refused what a reader built");
  const auto fromBinary = foundation::readPropertyList(*binaryBytes);
  check(fromBinary && sameValue(*fromBinary, whole), "the binary writer's file reads differently");
  const auto xml = foundation::writeXmlPropertyList(whole);
  if (const auto* xmlBytes = std::get_if<Bytes>(&xml)) {
    const auto fromXml = foundation::readPropertyList(*xmlBytes);
    check(fromXml && sameValue(*fromXml, asXmlReadsIt(whole)),
          "the XML writer's file reads differently");
  }
}

}  // namespace fuzz
