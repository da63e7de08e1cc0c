#pragma once

#include <string>

#include "foundation/property_list_value.hpp"

namespace host {

// A value in the familiar `defaults read` syntax, so that what people know how to read (and
// scripts already parse) reads the same here:
//   {
//       balance = "12840.5";
//       tags = (
//           one,
//           "two words"
//       );
//       updatedAt = "2026-12-06 08:30:00 +0000";
//   }
// A dictionary's keys sorted; a text quoted unless it is letters, digits and '_' alone (so a
// real and a negative number are quoted), with \\, \", \n, \t, \r and \Uxxxx for the other
// control characters; non-ASCII text as it is, in UTF-8. A boolean is 1 or 0; a date in UTC with
// its fraction of a second when it has one; data as {length = 3, bytes = 0x0001ff}, the bytes
// between its first 16 and last 8 left out past 24.
std::string defaultsText(const foundation::PropertyListValue& value);

// One value as `read KEY` prints it: a string, number or date bare, unquoted and unescaped; a
// container as defaultsText.
std::string defaultsValueText(const foundation::PropertyListValue& value);

}  // namespace host
