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

  // What shows for `key` to a user of `languages` (most wanted first): the first translation
  // among them, else the development language's, else the key itself. The keys are in the
  // development language's place only as a last resort: a user never sees another language's
  // keys because their own has no table.
  std::string localized(std::string_view key, const std::vector<std::string>& languages) const;
  std::string localized(std::string_view key, const foundation::Locale& locale) const;

  // The language the extension was written in, whose table stands behind every other.
  void setDevelopmentLanguage(std::string language) { developmentLanguage_ = std::move(language); }

  std::vector<std::string> languageTags() const;

 private:
  std::map<std::string, StringTable, std::less<>> tables_;
  std::string developmentLanguage_ = "en";
};

}  // namespace host
