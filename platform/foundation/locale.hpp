#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// A locale, by its identifier ("en_US", "de_DE", "ar_EG").
//
// `autoupdatingCurrent()` is not a snapshot: it stands for "the user's locale of the moment". A
// view that formats with it shows the locale of the render in progress (the renderer resolves it
// from the environment it was handed), so a tree built once shows each locale it is drawn in.
// Resolved outside a render, it is the system's: the first of the environment variables LC_ALL,
// LC_MONETARY, LC_NUMERIC, LANG that is set and not empty (the POSIX order for the categories
// that number formatting draws on).
// A POSIX value loses its codeset and modifier ("de_DE.UTF-8@euro" -> "de_DE") but keeps ICU
// keywords ("ar_EG@numbers=latn"); the rest is ICU's canonical form ("de-DE" -> "de_DE"). "C",
// "POSIX" or nothing at all resolve to kFallbackIdentifier, the platform's own default: a machine
// with no locale set shows amounts as a new phone does, grouped, rather than in bare POSIX digits.
//
// The user's languages, for texts, are a separate list: see preferredLanguages().
//
// An explicit locale, `Locale("fr_FR")`, is what a test or a caller names; it never reads the
// environment. Its identifier is taken as given, and a POSIX spelling is cleaned the same way.
class Locale {
 public:
  static constexpr const char* kFallbackIdentifier = "en_US";

  explicit Locale(std::string identifier);
  static Locale autoupdatingCurrent();
  // A snapshot of the system's locale now.
  static Locale current();
  // The value it is made from, as set: the first of LC_ALL, LC_MONETARY, LC_NUMERIC and LANG
  // that is set and not empty, else "".
  static std::string systemLocaleName();

  // Locale data kept as files of their own in `folder` (ICU's layout: <folder>/icudt72l/en.res),
  // read from there before the data linked into the program, for this process. Only the pages a
  // process reads of a file become resident, whereas reading the linked data (tens of megabytes
  // in one block) makes its neighbours resident too. Call before any locale data is read; an
  // item not in the folder still comes from the linked data.
  static void preferDataFiles(const std::string& folder);

  // The identifier this locale stands for now (for autoupdatingCurrent, the system's, resolved at
  // this call).
  std::string identifier() const;
  // This locale, or `inRender` where this one is autoupdating: what a view shows in a render.
  const Locale& resolved(const Locale& inRender) const { return autoupdating_ ? inRender : *this; }

  // The system's languages for texts, most wanted first: each of LANGUAGE (a colon-separated
  // list), then the first of LC_ALL, LC_MESSAGES and LANG that is set (the POSIX order for
  // messages). Identifiers as normalizedIdentifier makes them; "C" and "POSIX" stand for no
  // language and are left out.
  static std::vector<std::string> preferredLanguages();

  // The language tags a text table may be filed under for this locale, most specific first,
  // after filling in the likely script (zh_CN: zh-Hans-CN, zh-Hans, zh-CN, zh).
  std::vector<std::string> languageCandidates() const;
  // Whether its language is written right to left.
  bool isRightToLeft() const;
  // Whether its language is one ICU knows ("en", "ru", "es"...); ICU takes any text.
  bool hasKnownLanguage() const;
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
