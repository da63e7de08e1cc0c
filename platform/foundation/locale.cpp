#include "foundation/locale.hpp"

#include <unicode/uloc.h>

#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

namespace foundation {
namespace {

// The host's setting outlives every style and is read on every format, from any thread.
struct UserPreference {
  std::mutex mutex;
  std::string identifier;  // empty: the host made no setting
};

UserPreference& userPreference() {
  static UserPreference preference;
  return preference;
}

std::optional<std::string> userPreferredIdentifier() {
  auto& preference = userPreference();
  std::lock_guard lock(preference.mutex);
  if (preference.identifier.empty()) return std::nullopt;
  return preference.identifier;
}

// The first variable that is set and not empty, as POSIX setlocale(LC_*, "") picks it.
std::string environmentLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MONETARY", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

std::string resolveUserLocale() {
  if (auto preferred = userPreferredIdentifier()) return Locale::normalizedIdentifier(*preferred);
  return Locale::normalizedIdentifier(environmentLocaleName());
}

}  // namespace

Locale::Locale(std::string identifier) : identifier_(normalizedIdentifier(identifier)) {}

Locale Locale::autoupdatingCurrent() {
  Locale locale;
  locale.autoupdating_ = true;
  return locale;
}

Locale Locale::current() {
  return Locale(resolveUserLocale());
}

void Locale::setUserPreferredIdentifier(std::string identifier) {
  auto& preference = userPreference();
  std::lock_guard lock(preference.mutex);
  preference.identifier = std::move(identifier);
}

std::string Locale::identifier() const {
  return autoupdating_ ? resolveUserLocale() : identifier_;
}

std::string Locale::normalizedIdentifier(std::string_view posixName) {
  const auto end = posixName.find_first_of(".@");
  if (end != std::string_view::npos) posixName = posixName.substr(0, end);
  if (posixName.empty() || posixName == "C" || posixName == "POSIX") return kFallbackIdentifier;
  return std::string(posixName);
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
