#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// A locale, by its identifier ("en_US", "de_DE", "ar_EG").
//
// `autoupdatingCurrent()` is not a snapshot: it stands for "the user's locale of the moment" and is
// resolved each time something is formatted with it, so a style built earlier follows a change of
// the user's locale. The user's locale is, first to last:
//   1. the host's setting, `setUserPreferredIdentifier`, when it made one (process-wide);
//   2. the first of the environment variables LC_ALL, LC_MONETARY, LC_NUMERIC, LANG that is set
//      and not empty (the POSIX order for the categories that number formatting draws on).
// A POSIX value loses its codeset and modifier ("de_DE.UTF-8@euro" -> "de_DE"). "C", "POSIX" or
// nothing at all resolve to kFallbackIdentifier, the platform's own default: a machine with no
// locale set shows amounts as a new phone does, grouped, rather than in bare POSIX digits.
//
// An explicit locale, `Locale("fr_FR")`, is what a test or a caller names; it never reads the
// environment. Its identifier is taken as given, and a POSIX spelling is cleaned the same way.
class Locale {
 public:
  static constexpr const char* kFallbackIdentifier = "en_US";

  explicit Locale(std::string identifier);
  static Locale autoupdatingCurrent();
  // A snapshot of the user's locale now.
  static Locale current();

  // The host's setting for the user's locale, for this process (empty clears it). Safe to call
  // from any thread; formatting on another thread sees either the old or the new setting.
  static void setUserPreferredIdentifier(std::string identifier);

  // The identifier this locale stands for now (for autoupdatingCurrent, resolved at this call).
  std::string identifier() const;
  bool isAutoupdating() const { return autoupdating_; }

  // The locale part of a POSIX locale name: without ".codeset" and "@modifier"; "C", "POSIX" and
  // "" become kFallbackIdentifier.
  static std::string normalizedIdentifier(std::string_view posixName);

  // Every locale the formatting data covers ("af", "af_NA", ... "zu_ZA"), in ICU's order.
  static std::vector<std::string> availableIdentifiers();

  friend bool operator==(const Locale&, const Locale&) = default;

 private:
  Locale() = default;
  std::string identifier_;
  bool autoupdating_ = false;
};

}  // namespace foundation
