#include "foundation/localized_strings.hpp"

#include <fstream>
#include <sstream>

namespace foundation {

LocalizedStrings LocalizedStrings::load(const std::filesystem::path& folder) {
  LocalizedStrings strings;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return strings;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    const auto& path = it->path();
    if (path.extension() != ".strings" || !it->is_regular_file(error)) continue;
    // A string table is small; anything larger is not one of ours.
    constexpr std::uintmax_t kMaximumSize = 1 << 20;
    if (it->file_size(error) > kMaximumSize || error) continue;
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    std::ostringstream text;
    text << in.rdbuf();
    strings.add(path.stem().string(), StringTable::parse(text.str()));
  }
  return strings;
}

void LocalizedStrings::add(std::string languageTag, StringTable table) {
  tables_.insert_or_assign(std::move(languageTag), std::move(table));
}

const StringTable* LocalizedStrings::tableFor(const Locale& locale) const {
  if (tables_.empty()) return nullptr;
  for (const auto& tag : locale.languageCandidates()) {
    if (const auto it = tables_.find(tag); it != tables_.end()) return &it->second;
  }
  return nullptr;
}

std::string LocalizedStrings::localized(std::string_view key,
                                        const std::vector<std::string>& languages) const {
  for (const auto& language : languages) {
    if (const auto* table = tableFor(Locale(language))) {
      if (auto text = table->lookup(key)) return std::move(*text);
    }
  }
  if (const auto* table = tableFor(Locale(developmentLanguage_))) {
    if (auto text = table->lookup(key)) return std::move(*text);
  }
  return std::string(key);
}

std::string LocalizedStrings::localized(std::string_view key, const Locale& locale) const {
  return localized(key, std::vector{locale.identifier()});
}

std::vector<std::string> LocalizedStrings::languageTags() const {
  std::vector<std::string> tags;
  for (const auto& [tag, table] : tables_) tags.push_back(tag);
  return tags;
}

}  // namespace foundation
