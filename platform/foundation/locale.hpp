#pragma once

#include <string>

namespace foundation {

// A locale, by its identifier ("en_US", "de_DE", "ar_EG").
//
// `autoupdatingCurrent()` is not a snapshot: it stands for "the user's locale of the moment" and is
// resolved each time something is formatted with it, so a style built earlier follows a change of
// the user's locale. The user's locale is the host's setting when it made one, else the POSIX
// environment (LC_ALL, then LC_MONETARY / LC_NUMERIC, then LANG); "C", "POSIX" or nothing resolve
// to kFallbackIdentifier.
class Locale {
 public:
  static constexpr const char* kFallbackIdentifier = "en_US_POSIX";

  explicit Locale(std::string identifier);
  static Locale autoupdatingCurrent();
  // A snapshot of the user's locale now.
  static Locale current();

  // The host's setting for the user's locale, for this process (empty clears it).
  static void setUserPreferredIdentifier(std::string identifier);

  // The identifier this locale stands for now (for autoupdatingCurrent, resolved at this call).
  std::string identifier() const;
  bool isAutoupdating() const { return autoupdating_; }

  friend bool operator==(const Locale&, const Locale&) = default;

 private:
  Locale() = default;
  std::string identifier_;
  bool autoupdating_ = false;
};

}  // namespace foundation
