#pragma once

#include <string>
#include <string_view>

namespace foundation {

// Text for XML's (and HTML's) element content and attribute values: markup characters escaped,
// what XML 1.0 cannot carry (control characters) left out and malformed UTF-8 replaced by U+FFFD,
// so that the document always parses.
std::string xmlEscaped(std::string_view text);

}  // namespace foundation
