#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/locale.hpp"

namespace host {

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

// An extension's string tables, one per language, as files `<language tag>.strings` in one
// folder ("en.strings", "ru.strings", "zh-Hans.strings").
class LocalizedStrings {
 public:
  LocalizedStrings() = default;
  // Reads every table in `folder`; a missing or unreadable folder or file leaves no table.
  static LocalizedStrings load(const std::filesystem::path& folder);
  void add(std::string languageTag, StringTable table);

  // The table that serves `locale`: the most specific of language-script-region,
  // language-script, language-region and language, after filling in the likely script
  // (zh_CN is zh-Hans-CN). Nothing where no table serves it.
  const StringTable* tableFor(const foundation::Locale& locale) const;

  // What shows for `key` in `locale`: its translation, else the key itself.
  std::string localized(std::string_view key, const foundation::Locale& locale) const;

  std::vector<std::string> languageTags() const;

 private:
  std::map<std::string, StringTable, std::less<>> tables_;
};

// The language tags tried for a locale identifier, most specific first.
std::vector<std::string> languageCandidates(const std::string& localeIdentifier);

}  // namespace host
