#include "support/locale_guard.hpp"

#include <clocale>

#include "foundation/locale.hpp"

namespace support {

LocaleGuard::LocaleGuard(const char* identifier) {
  set(identifier);
}

LocaleGuard::~LocaleGuard() {
  set("");
}

void LocaleGuard::set(const char* identifier) const {
  foundation::Locale::setUserPreferredIdentifier(identifier);
}

CLocaleGuard::CLocaleGuard(std::initializer_list<const char*> candidates)
    : previous_(std::setlocale(LC_ALL, nullptr)) {
  for (const char* candidate : candidates) {
    if (std::setlocale(LC_ALL, candidate) != nullptr) {
      name_ = candidate;
      return;
    }
  }
}

CLocaleGuard::~CLocaleGuard() {
  std::setlocale(LC_ALL, previous_.c_str());
}

}  // namespace support
