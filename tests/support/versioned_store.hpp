#pragma once

#include <cstddef>
#include <string>

#include "support/property_list_writer.hpp"

namespace support {

// A store whose updatedAt, balance, todayIncome and todayExpense all hold `version` (a small
// whole number), with `padding` bytes of other data between the date and the amounts, so that
// a reader that mixed the head of one version with the tail of another shows it.
inline Bytes versionedStore(PlistFormat format, double version, std::size_t padding = 0) {
  using foundation::PropertyListValue;
  PropertyListValue::Dictionary store{{"updatedAt", foundation::Date{version}}};
  if (format == PlistFormat::binary) {
    store.emplace_back("padding", PropertyListValue::Data(padding, 0x5A));
  } else {
    store.emplace_back("padding", std::string(padding, 'Z'));
  }
  for (const char* key : {"balance", "todayIncome", "todayExpense"}) {
    store.emplace_back(key, version);
  }
  return writePlist(format, store);
}

}  // namespace support
