#pragma once

#include <clocale>
#include <initializer_list>
#include <string>

#include "foundation/locale.hpp"
#include "support/environment_guard.hpp"

namespace support {

// The user's locale as the host sets it, cleared again when the guard goes. The locale
// variables of the environment are unset meanwhile, so nothing reads the machine's own.
class LocaleGuard {
 public:
  explicit LocaleGuard(const char* identifier = "") { set(identifier); }
  ~LocaleGuard() { set(""); }
  LocaleGuard(const LocaleGuard&) = delete;
  LocaleGuard& operator=(const LocaleGuard&) = delete;

  void set(const char* identifier) const {
    foundation::Locale::setUserPreferredIdentifier(identifier);
  }

  EnvironmentGuard lcAll{"LC_ALL", nullptr}, lcMonetary{"LC_MONETARY", nullptr},
      lcNumeric{"LC_NUMERIC", nullptr}, lang{"LANG", nullptr};
};

// The C library's locale (setlocale), switched to the first of `candidates` the system has and
// put back when the guard goes.
class CLocaleGuard {
 public:
  explicit CLocaleGuard(std::initializer_list<const char*> candidates)
      : previous_(std::setlocale(LC_ALL, nullptr)) {
    for (const char* candidate : candidates) {
      if (std::setlocale(LC_ALL, candidate) != nullptr) {
        name_ = candidate;
        return;
      }
    }
  }
  ~CLocaleGuard() { std::setlocale(LC_ALL, previous_.c_str()); }
  CLocaleGuard(const CLocaleGuard&) = delete;
  CLocaleGuard& operator=(const CLocaleGuard&) = delete;

  // The locale in force, or empty when the system has none of the candidates.
  const std::string& name() const { return name_; }

 private:
  std::string previous_;
  std::string name_;
};

}  // namespace support
