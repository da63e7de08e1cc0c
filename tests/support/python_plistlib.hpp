#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "foundation/property_list_value.hpp"

// Property lists read back by a second reader, Python's plistlib, run as `python3 -c`.
namespace support {

// What python3 made of `file` against `expected`, a Python expression (datetime, timedelta and
// math in scope): "ok" when plistlib reads the same value, key order included, reals and dates
// compared bit for bit as far as Python holds them (float.hex; a datetime to the microsecond);
// else what it read, why it could not, or how python3 failed. Nothing when there is no python3
// to run here, for the test to skip.
std::optional<std::string> checkWithPlistlib(const std::filesystem::path& file,
                                             const std::string& expected);

// A value as a Python expression that plistlib's reading of it equals: reals exact through
// float.fromhex, a date as 2001-01-01 plus its seconds (as plistlib makes it from a binary file),
// strings with every character outside printable ASCII escaped.
std::string pythonLiteral(const foundation::PropertyListValue& value);

}  // namespace support
