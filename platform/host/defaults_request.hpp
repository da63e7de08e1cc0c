#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>

#include "foundation/property_list_value.hpp"

namespace host {

// What `defaults` is asked to do to the App Group's suite, as the containing app would: the
// familiar tool's verbs, without its domain (the suite is always the App Group's).
struct DefaultsRequest {
  struct Read {
    std::optional<std::string> key;  // none: the whole suite
    friend bool operator==(const Read&, const Read&) = default;
  };
  struct Write {
    std::string key;
    foundation::PropertyListValue value;
    friend bool operator==(const Write&, const Write&) = default;
  };
  struct Delete {
    std::string key;
    friend bool operator==(const Delete&, const Delete&) = default;
  };
  // A property list whose top is a dictionary: it becomes the suite's whole contents.
  struct Import {
    std::string file;  // "-": standard input
    friend bool operator==(const Import&, const Import&) = default;
  };

  std::variant<Read, Write, Delete, Import> verb;
  // Replace a store that cannot be read (damaged, not a dictionary, over the size cap) rather
  // than refuse to touch it; the parser leaves it to the command line's option.
  bool force = false;

  friend bool operator==(const DefaultsRequest&, const DefaultsRequest&) = default;
};

// A bad command line: one line naming the word and what was expected there.
struct DefaultsUsageError {
  std::string message;
  friend bool operator==(const DefaultsUsageError&, const DefaultsUsageError&) = default;
};

// The words after `defaults`:
//   read [KEY]
//   write KEY [-string|-int|-float|-bool|-date] VALUE   (no type: a string, as the familiar tool)
//   delete KEY
//   import FILE|-
// Values are read here, so a malformed one is a usage error: -int takes decimal or 0x
// hexadecimal from -2^63 to 2^64-1; -float a C-locale real ("1.5", "-2e3", "inf", "nan");
// -bool true, false, yes, no, 1 or 0 in any case; -date YYYY-MM-DDTHH:MM:SS[.fraction]Z, or
// YYYY-MM-DD HH:MM:SS[.fraction] +HHMM as `read` prints one. A key must be UTF-8, not empty, and
// free of control characters; a string value must be UTF-8.
std::variant<DefaultsRequest, DefaultsUsageError> parseDefaultsRequest(
    std::span<const std::string> words);

}  // namespace host
