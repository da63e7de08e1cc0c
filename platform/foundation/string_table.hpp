#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// The localized strings of one language: key -> text shown.
//
// The text form is the platform's strings file: `"key" = "value";` pairs, `/* */` and `//`
// comments, and the escapes \" \\ \n \t \r and \uXXXX. A malformed pair is skipped up to its `;`,
// so one bad line costs that line only.
class StringTable {
 public:
  StringTable() = default;
  static StringTable parse(std::string_view text);

  // The translation of `key`, or nothing where the table has none.
  std::optional<std::string> lookup(std::string_view key) const;
  std::size_t size() const { return strings_.size(); }
  bool empty() const { return strings_.empty(); }

  friend bool operator==(const StringTable&, const StringTable&) = default;

 private:
  std::map<std::string, std::string, std::less<>> strings_;
};

}  // namespace foundation
