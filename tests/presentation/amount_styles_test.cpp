#include <gtest/gtest.h>

#include <string>

#include "foundation/locale.hpp"
#include "presentation/amount_styles.hpp"
#include "presentation/quick_action.hpp"
#include "support/locale_guard.hpp"

namespace pocketta {
namespace {

using foundation::Locale;

// The number formats themselves are tested in every locale where they are made; here, that the
// widget's two styles are the right ones and follow the user's locale of the moment.
TEST(AmountStyles, FormatInTheUsersLocale) {
  const struct {
    const char* locale;
    double value;
    const char* balance;
    const char* amount;
  } cases[] = {
      {"en_US", 277, "CN¥277.00", "277"},
      {"en_US", 30.456, "CN¥30.46", "30.46"},
      {"en_US", -0.004, "CN¥0.00", "0"},
      {"en_US", -3, "-CN¥3.00", "-3"},
      {"en_US", 1234567.125, "CN¥1,234,567.12", "1,234,567.12"},
      {"de_DE", 30.5, "30,50\u00A0CN¥", "30,5"},
      {"zh_CN", -12.5, "-¥12.50", "-12.5"},
      {"ar_EG", 30.5, "\u200F\u0663\u0660\u066B\u0665\u0660\u00A0CN¥", "\u0663\u0660\u066B\u0665"},
  };
  const support::LocaleGuard locale;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.value));
    locale.set(c.locale);
    EXPECT_EQ(balanceStyle().format(c.value), c.balance);
    EXPECT_EQ(amountStyle().format(c.value), c.amount);
  }
}

TEST(QuickActionDeathTest, AnInvalidURLLiteralStopsTheProgram) {
  EXPECT_EQ(constantURL("pocketta://add-income").absoluteString(), "pocketta://add-income");
  EXPECT_DEATH(constantURL("not a url"), "\"not a url\" does not parse");
}

}  // namespace
}  // namespace pocketta
