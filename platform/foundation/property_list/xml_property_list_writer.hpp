#pragma once

#include "foundation/property_list/unwritable_value.hpp"
#include "foundation/property_list_value.hpp"

namespace foundation {

// Writes a value whole as an XML property list, laid out as the platform lays one out (its XML
// declaration and DOCTYPE, one element a line, indented by tabs), that the XML reader and other
// readers (Python's plistlib) read back to the same value: integers in decimal; reals in the
// fewest digits that read back to the same bits, "nan", "+infinity" and "-infinity"; dates as
// UTC time stamps to the second; data in base64 lines; a carriage return as "&#13;", which a
// reader would otherwise take as a line feed. (The text has no place for a NaN's sign and payload
// or a date's negative zero: they read back as the reader's NaN and as +0.)
//
// Refused, with where and why: a string or key that is not UTF-8 or holds a character XML 1.0
// cannot (U+0000 to U+001F but tab, line feed and carriage return; U+FFFE, U+FFFF); a date
// between whole seconds, since the format's time stamp has no fraction in the platform's readers
// and Python's (cutting it would change the value); a date outside the years 0000 to 9999, NaN or
// infinite; containers nested deeper than the reader's kMaxNesting.
//
// The writer is ours rather than a library's. Debian 12's libplist (2.2.0), tried on every type:
// it writes -0.0 as 0.0, 2^64-1 as -1, a carriage return as itself (read back as a line feed) and
// a control character as itself (the file is then not XML, and no reader takes it); it holds a
// date as 32-bit seconds and microseconds, so it cannot write one before 1932-12-13 or after
// 2069-01-19.
WrittenPropertyList writeXmlPropertyList(const PropertyListValue& top);

}  // namespace foundation
