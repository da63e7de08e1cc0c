#pragma once

#include "foundation/property_list/unwritable_value.hpp"
#include "foundation/property_list_value.hpp"

namespace foundation {

// Writes a value whole as a binary property list ("bplist00") that BinaryPropertyList reads back
// to the same value: integers in the narrowest of 1, 2 or 4 bytes when not negative, 8 bytes when
// negative or larger, 16 bytes above 2^63-1 (so 2^64-1 stays apart from -1); reals and dates as
// 8-byte doubles, bit for bit; strings as ASCII, else UTF-16; one object per value, children
// before their container, references and offsets as narrow as the file allows.
//
// (An unsigned integer below 2^63 reads back as a signed one, as every reader takes it.)
//
// Refused, with where and why: a string that is not UTF-8 (it has no UTF-16 form), and
// containers nested deeper than the reader's kMaxNesting.
//
// The writer is ours rather than a library's. Debian 12's libplist (2.2.0), tried on every type:
// it writes 2^64-1 as -1, and for a dictionary holding 2^63 an empty file; and it holds a date as
// 32-bit seconds and microseconds, so it loses a date's bits below the microsecond and cannot
// write one before 1932-12-13 or after 2069-01-19.
WrittenPropertyList writeBinaryPropertyList(const PropertyListValue& top);

}  // namespace foundation
