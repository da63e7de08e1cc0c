#include "foundation/locale.hpp"

#include <unicode/putil.h>
#include <unicode/udata.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace foundation {
namespace {

// Unset, or the POSIX locale under either name or none, with or without a codeset. A value
// holding a '/' is a path, which the C library never takes for a locale: it names an unknown one
// rather than standing for "C".
bool isPosixDefault(std::string_view name) {
  const auto base = name.substr(0, name.find_first_of(".@"));
  return name.find('/') == std::string_view::npos &&
         (base.empty() || base == "C" || base == "POSIX");
}

std::string systemLocale() {
  return Locale::normalizedIdentifier(Locale::systemLocaleName());
}

}  // namespace

Locale::Locale(std::string identifier) : identifier_(normalizedIdentifier(identifier)) {}

Locale Locale::autoupdatingCurrent() {
  Locale locale;
  locale.autoupdating_ = true;
  return locale;
}

std::string Locale::systemLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MONETARY", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

Locale Locale::current() {
  return Locale(systemLocale());
}

void Locale::preferDataFiles(const std::string& folder) {
  u_setDataDirectory(folder.c_str());
  UErrorCode status = U_ZERO_ERROR;
  udata_setFileAccess(UDATA_FILES_FIRST, &status);
}

std::string Locale::identifier() const {
  return autoupdating_ ? systemLocale() : identifier_;
}

std::string Locale::normalizedIdentifier(std::string_view posixName) {
  if (isPosixDefault(posixName)) return kFallbackIdentifier;
  const auto at = posixName.find('@');
  const auto modifier = at == std::string_view::npos ? std::string_view() : posixName.substr(at);
  std::string name(posixName.substr(0, posixName.find_first_of(".@")));
  // Nothing left of a value that is no locale ("../x"): ICU's undetermined language, which no
  // table serves, rather than an empty name that would stand for the default.
  if (name.empty()) return "und";
  // A POSIX modifier ("@euro") has no ICU meaning; ICU keywords ("@numbers=latn") are kept.
  if (modifier.find('=') != std::string_view::npos) name += modifier;
  char canonical[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = uloc_canonicalize(name.c_str(), canonical, sizeof canonical, &status);
  if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length <= 0) return name;
  return canonical;
}

std::vector<std::string> Locale::preferredLanguages() {
  std::vector<std::string> languages;
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string_view rest = list;
    while (!rest.empty()) {
      const auto colon = std::min(rest.find(':'), rest.size());
      if (!isPosixDefault(rest.substr(0, colon))) {
        languages.push_back(normalizedIdentifier(rest.substr(0, colon)));
      }
      rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    if (!isPosixDefault(value)) languages.push_back(normalizedIdentifier(value));
    break;
  }
  return languages;
}

std::vector<std::string> Locale::languageCandidates() const {
  const std::string id = identifier();
  char maximized[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_addLikelySubtags(id.c_str(), maximized, sizeof maximized, &status);
  const std::string full = U_SUCCESS(status) ? maximized : id;

  auto part = [&](auto getter) {
    char buffer[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode partStatus = U_ZERO_ERROR;
    getter(full.c_str(), buffer, sizeof buffer, &partStatus);
    return U_SUCCESS(partStatus) ? std::string(buffer) : std::string();
  };
  const std::string language = part(uloc_getLanguage);
  const std::string script = part(uloc_getScript);
  const std::string country = part(uloc_getCountry);
  if (language.empty()) return {};

  std::vector<std::string> candidates;
  if (!script.empty() && !country.empty()) {
    candidates.push_back(language + "-" + script + "-" + country);
  }
  if (!script.empty()) candidates.push_back(language + "-" + script);
  if (!country.empty()) candidates.push_back(language + "-" + country);
  candidates.push_back(language);
  return candidates;
}

bool Locale::isRightToLeft() const {
  return uloc_isRightToLeft(identifier().c_str());
}

bool Locale::hasKnownLanguage() const {
  char language[ULOC_LANG_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLanguage(identifier().c_str(), language, sizeof language, &status);
  if (U_FAILURE(status) || language[0] == '\0') return false;
  for (const char* const* known = uloc_getISOLanguages(); *known != nullptr; ++known) {
    if (std::strcmp(*known, language) == 0) return true;
  }
  return false;
}

}  // namespace foundation

namespace foundation {

std::vector<std::string> Locale::availableIdentifiers() {
  std::vector<std::string> identifiers;
  const int32_t count = uloc_countAvailable();
  identifiers.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) identifiers.emplace_back(uloc_getAvailable(i));
  return identifiers;
}

}  // namespace foundation
