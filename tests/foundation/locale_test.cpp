#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "foundation/floating_point_format_style.hpp"
#include "foundation/locale.hpp"
#include "support/locale_guard.hpp"

namespace foundation {
namespace {

using support::LocaleGuard;

TEST(Locale, autoupdatingIsTheRendersLocaleElseTheSystemsOfTheMoment) {
  LocaleGuard guard;
  guard.lang.set("fr_FR.UTF-8");
  const auto balanceStyle =
      FloatingPointFormatStyle<double>::Currency("CNY", Locale::autoupdatingCurrent());
  const Locale snapshot = Locale::current();

  // Outside a render it follows the system's setting from one format to the next.
  guard.lcAll.set("de_DE.UTF-8");
  EXPECT_EQ(balanceStyle.format(277), "277,00\u00A0CN\u00A5");
  EXPECT_EQ(Locale::autoupdatingCurrent().identifier(), "de_DE");
  EXPECT_NE(Locale::autoupdatingCurrent(), Locale("de_DE"));
  EXPECT_EQ(Locale::current(), Locale("de_DE.UTF-8"));

  // In a render it is the render's locale; an explicit locale stays what it names.
  const Locale render("ja_JP");
  EXPECT_EQ(Locale::autoupdatingCurrent().resolved(render), render);
  EXPECT_EQ(Locale("ru_RU").resolved(render), Locale("ru_RU"));

  // A snapshot taken earlier keeps what it saw.
  guard.lcAll.set(nullptr);
  EXPECT_EQ(balanceStyle.format(277), "277,00\u00A0CNY");
  EXPECT_EQ(snapshot.identifier(), "fr_FR");
  EXPECT_FALSE(snapshot.isAutoupdating());
  EXPECT_EQ(FloatingPointFormatStyle<double>(snapshot).format(1.5), "1,5");
}

TEST(Locale, userLocaleComesFromTheEnvironmentInPosixOrder) {
  struct Case {
    const char* lcAll;
    const char* lcMonetary;
    const char* lcNumeric;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", "fr_FR", "ru_RU", "hi_IN", "de_DE"},
      {nullptr, "fr_FR.UTF-8", "ru_RU", "hi_IN", "fr_FR"},
      {"", "fr_FR", "ru_RU", "hi_IN", "fr_FR"},  // empty counts as unset
      {nullptr, nullptr, "ru_RU.KOI8-R", "hi_IN", "ru_RU"},
      {nullptr, nullptr, nullptr, "hi_IN.UTF-8", "hi_IN"},
      {nullptr, nullptr, nullptr, "de_DE@euro", "de_DE"},
      {nullptr, nullptr, nullptr, nullptr, Locale::kFallbackIdentifier},
      {nullptr, nullptr, nullptr, "C", Locale::kFallbackIdentifier},
      {"POSIX", "fr_FR", nullptr, "hi_IN", Locale::kFallbackIdentifier},  // C wins when first
      {nullptr, nullptr, nullptr, ".UTF-8", Locale::kFallbackIdentifier},
      // A path is no locale, and not the POSIX one either: an unknown language.
      {"../../etc/passwd", nullptr, nullptr, "de_DE", "und"},
      // ICU keywords stay; the rest in ICU's canonical form.
      {nullptr, nullptr, nullptr, "ar_EG.UTF-8@numbers=latn", "ar_EG@numbers=latn"},
  };
  for (const auto& c : cases) {
    LocaleGuard guard;
    guard.lcAll.set(c.lcAll);
    guard.lcMonetary.set(c.lcMonetary);
    guard.lcNumeric.set(c.lcNumeric);
    guard.lang.set(c.lang);
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(Locale::autoupdatingCurrent().identifier(), c.expected);
    EXPECT_EQ(Locale::current().identifier(), c.expected);
    EXPECT_EQ(Locale::current().hasKnownLanguage(), c.expected != std::string("und"));
    if (c.expected == std::string(Locale::kFallbackIdentifier)) {
      EXPECT_EQ(FloatingPointFormatStyle<double>(Locale::autoupdatingCurrent()).format(1234567.5),
                "1,234,567.5");
    }
  }
}

TEST(Locale, preferredLanguagesInTheOrderOfMessages) {
  struct Case {
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"de_AT:fr::C", "ja_JP", "ru_RU", "uk_UA", {"de_AT", "fr", "ja_JP"}},
      {nullptr, nullptr, "ru_RU.UTF-8", "uk_UA", {"ru_RU"}},
      {"", "", "", "uk_UA.UTF-8", {"uk_UA"}},
      {nullptr, "C.UTF-8", "ru_RU", "uk_UA", {}},  // C is no language, and it wins when first
  };
  for (const auto& c : cases) {
    LocaleGuard guard;
    const support::EnvironmentGuard language("LANGUAGE", c.language),
        messages("LC_MESSAGES", c.lcMessages);
    guard.lcAll.set(c.lcAll);
    guard.lang.set(c.lang);
    EXPECT_EQ(Locale::preferredLanguages(), c.expected) << (c.language ? c.language : "");
  }
}

}  // namespace
}  // namespace foundation
