#pragma once

#include <clocale>
#include <initializer_list>
#include <string>

#include "foundation/locale.hpp"
#include "support/environment_guard.hpp"

namespace support {

// The system's locale (LC_ALL) for the guard's life, the other locale variables unset, so that
// nothing reads the machine's own; all put back when the guard goes.
struct LocaleGuard {
  explicit LocaleGuard(const char* identifier = nullptr) : lcAll{"LC_ALL", identifier} {}

  EnvironmentGuard lcAll, lcMonetary{"LC_MONETARY", nullptr}, lcNumeric{"LC_NUMERIC", nullptr},
      lang{"LANG", nullptr}, language{"LANGUAGE", nullptr}, lcMessages{"LC_MESSAGES", nullptr};
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
