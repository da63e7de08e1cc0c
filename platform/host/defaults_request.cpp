#include "host/defaults_request.hpp"

#include <cstdio>

#include "foundation/property_list/number_scanning.hpp"
#include "foundation/unicode.hpp"

namespace host {
namespace {

using foundation::PropertyListValue;
using Parsed = std::variant<DefaultsRequest, DefaultsUsageError>;

constexpr const char* kVerbs = "read, write, delete or import";
constexpr const char* kTypes = "-string, -int, -float, -bool or -date";

DefaultsUsageError usage(std::string message) {
  return DefaultsUsageError{std::move(message)};
}

bool isControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A word as it can stand in a one-line message: control characters as \u escapes.
std::string shown(std::string_view word) {
  std::string text = "'";
  for (std::size_t at = 0; at < word.size();) {
    const auto step = foundation::decodeUtf8(word, at);
    if (step.valid && isControl(step.codePoint)) {
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(step.codePoint));
      text += escape;
    } else if (step.valid) {
      text.append(word.substr(at, step.length));
    } else {
      text += "\xEF\xBF\xBD";  // U+FFFD
    }
    at += step.length;
  }
  return text + "'";
}

bool isUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto step = foundation::decodeUtf8(text, at);
    if (!step.valid) return false;
    at += step.length;
  }
  return true;
}

std::optional<DefaultsUsageError> checkKey(std::string_view key) {
  if (key.empty()) return usage("a key cannot be empty");
  for (std::size_t at = 0; at < key.size();) {
    const auto step = foundation::decodeUtf8(key, at);
    if (!step.valid) return usage("the key " + shown(key) + " is not UTF-8");
    if (isControl(step.codePoint)) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(step.codePoint));
      return usage("the key " + shown(key) + " holds a control character (" + name + ")");
    }
    at += step.length;
  }
  return std::nullopt;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t n = 0; n < a.size(); ++n) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[n]) != lower(b[n])) return false;
  }
  return true;
}

// "YYYY-MM-DD HH:MM:SS[.fraction] +HHMM": the date `read` prints, in seconds since 2001, added up
// as the store's reader adds up a time stamp (whole seconds, then the fraction), so that a date
// read and written again keeps its bits.
std::optional<double> parseDisplayedDate(std::string_view text) {
  const std::size_t space = text.rfind(' ');
  if (space == std::string_view::npos || space < 19 || text.size() - space != 6) {
    return std::nullopt;
  }
  const std::string_view zone = text.substr(space + 1);
  if (zone[0] != '+' && zone[0] != '-') return std::nullopt;
  int zoneDigits[4];
  for (int n = 0; n < 4; ++n) {
    const char c = zone[static_cast<std::size_t>(n) + 1];
    if (c < '0' || c > '9') return std::nullopt;
    zoneDigits[n] = c - '0';
  }
  const int hours = zoneDigits[0] * 10 + zoneDigits[1],
            minutes = zoneDigits[2] * 10 + zoneDigits[3];
  if (hours > 23 || minutes > 59) return std::nullopt;
  const std::string_view stamp = text.substr(0, space);
  if (stamp[10] != ' ') return std::nullopt;
  std::string whole(stamp.substr(0, 19));
  whole[10] = 'T';
  const auto seconds = foundation::parseIso8601Date(whole + "Z");
  if (!seconds) return std::nullopt;
  double fraction = 0;
  if (stamp.size() > 19) {
    const auto parsed =
        foundation::parseIso8601Date("2001-01-01T00:00:00" + std::string(stamp.substr(19)) + "Z");
    if (!parsed) return std::nullopt;
    fraction = *parsed;
  }
  const int offset = (zone[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
  return (*seconds - offset) + fraction;
}

std::variant<PropertyListValue, DefaultsUsageError> typedValue(std::string_view type,
                                                               const std::string& text) {
  if (type == "-string") {
    if (!isUtf8(text)) return usage("the value " + shown(text) + " is not UTF-8");
    return PropertyListValue{text};
  }
  if (type == "-int" || type == "-integer") {
    const auto number = foundation::parseWholeInteger(text);
    if (!number) return usage(shown(text) + " is not an integer (from -2^63 to 2^64-1)");
    return std::visit([](auto n) { return PropertyListValue{n}; }, *number);
  }
  if (type == "-float") {
    const auto number = foundation::parseWholeReal(text);
    if (!number) return usage(shown(text) + " is not a number (with '.' for the decimal point)");
    return PropertyListValue{*number};
  }
  if (type == "-bool" || type == "-boolean") {
    for (const char* yes : {"true", "yes", "1"}) {
      if (equalsIgnoringCase(text, yes)) return PropertyListValue{true};
    }
    for (const char* no : {"false", "no", "0"}) {
      if (equalsIgnoringCase(text, no)) return PropertyListValue{false};
    }
    return usage(shown(text) + " is not a boolean (true, false, yes, no, 1 or 0)");
  }
  if (type == "-date") {
    auto seconds = foundation::parseIso8601Date(text);
    if (!seconds) seconds = parseDisplayedDate(text);
    if (!seconds) {
      return usage(shown(text) +
                   " is not a date (YYYY-MM-DDTHH:MM:SSZ or YYYY-MM-DD HH:MM:SS +HHMM, in the "
                   "years 0000 to 9999)");
    }
    return PropertyListValue{foundation::Date{*seconds}};
  }
  return usage("unknown type " + shown(type) + " (expected " + kTypes + ")");
}

bool isTypeFlag(std::string_view word) {
  for (const char* flag : {"-string", "-int", "-integer", "-float", "-bool", "-boolean", "-date"}) {
    if (word == flag) return true;
  }
  return false;
}

Parsed parseWrite(std::span<const std::string> rest) {
  if (rest.size() < 2) return usage("write needs a key and a value");
  if (rest.size() > 3) {
    return usage("write takes a key, a type and a value; " + shown(rest[3]) + " is one too many");
  }
  if (auto bad = checkKey(rest[0])) return *bad;
  // One word after the key is the value, whatever it looks like, unless it is a type alone.
  if (rest.size() == 2 && isTypeFlag(rest[1])) {
    return usage("write " + shown(rest[0]) + " " + rest[1] + " needs a value");
  }
  auto value = rest.size() == 2 ? typedValue("-string", rest[1]) : typedValue(rest[1], rest[2]);
  if (auto* bad = std::get_if<DefaultsUsageError>(&value)) return *bad;
  return DefaultsRequest{
      DefaultsRequest::Write{rest[0], std::get<PropertyListValue>(std::move(value))}};
}

}  // namespace

std::variant<DefaultsRequest, DefaultsUsageError> parseDefaultsRequest(
    std::span<const std::string> words) {
  if (words.empty()) return usage(std::string("defaults needs a verb: ") + kVerbs);
  const std::string& verb = words[0];
  const auto rest = words.subspan(1);
  if (verb == "read") {
    if (rest.size() > 1) return usage("read takes at most one key; " + shown(rest[1]) + " is more");
    if (rest.empty()) return DefaultsRequest{DefaultsRequest::Read{}};
    if (auto bad = checkKey(rest[0])) return *bad;
    return DefaultsRequest{DefaultsRequest::Read{rest[0]}};
  }
  if (verb == "write") return parseWrite(rest);
  if (verb == "delete") {
    if (rest.empty()) return usage("delete needs a key");
    if (rest.size() > 1) return usage("delete takes one key; " + shown(rest[1]) + " is more");
    if (auto bad = checkKey(rest[0])) return *bad;
    return DefaultsRequest{DefaultsRequest::Delete{rest[0]}};
  }
  if (verb == "import") {
    if (rest.empty()) return usage("import needs a file, or - for standard input");
    if (rest.size() > 1) return usage("import takes one file; " + shown(rest[1]) + " is more");
    return DefaultsRequest{DefaultsRequest::Import{rest[0]}};
  }
  return usage("unknown verb " + shown(verb) + " (expected " + kVerbs + ")");
}

}  // namespace host
