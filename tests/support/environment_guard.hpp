#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace support {

// Sets (or, given nothing, unsets) an environment variable and puts back what it was when the
// guard goes, so an assertion that throws cannot leak it into the next test.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value;
  }
  EnvironmentGuard(const char* name, const char* value) : EnvironmentGuard(name) { set(value); }
  ~EnvironmentGuard() { set(saved_ ? saved_->c_str() : nullptr); }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

  void set(const char* value) const {
    if (value) {
      ::setenv(name_, value, 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

}  // namespace support
