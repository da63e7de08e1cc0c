#pragma once

#include <cstddef>
#include <string>

#include "support/property_list_writer.hpp"

namespace support {

// A store whose updatedAt, balance, todayIncome and todayExpense all hold `version` (a small
// whole number), after `padding` bytes of other data, so that a reader that mixed two versions
// of the file shows it.
inline Bytes versionedStore(PlistFormat format, double version, std::size_t padding = 0) {
  using foundation::PropertyListValue;
  PropertyListValue::Dictionary store;
  if (format == PlistFormat::binary) {
    store.emplace_back("padding", PropertyListValue::Data(padding, 0x5A));
  } else {
    store.emplace_back("padding", std::string(padding, 'Z'));
  }
  store.emplace_back("updatedAt", foundation::Date{version});
  for (const char* key : {"balance", "todayIncome", "todayExpense"}) {
    store.emplace_back(key, version);
  }
  return writePlist(format, store);
}

}  // namespace support
