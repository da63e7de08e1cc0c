#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/locale.hpp"
#include "foundation/string_table.hpp"

namespace foundation {

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
  const StringTable* tableFor(const Locale& locale) const;

  // What shows for `key` to a user of `languages` (most wanted first): the first translation
  // among them, else the development language's, else the key itself. The keys are in the
  // development language's place only as a last resort: a user never sees another language's
  // keys because their own has no table.
  std::string localized(std::string_view key, const std::vector<std::string>& languages) const;
  std::string localized(std::string_view key, const Locale& locale) const;

  // The language the extension was written in, whose table stands behind every other.
  void setDevelopmentLanguage(std::string language) { developmentLanguage_ = std::move(language); }

  std::vector<std::string> languageTags() const;

 private:
  std::map<std::string, StringTable, std::less<>> tables_;
  std::string developmentLanguage_ = "en";
};

}  // namespace foundation
