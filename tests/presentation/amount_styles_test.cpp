#include <gtest/gtest.h>

#include "foundation/locale.hpp"
#include "presentation/amount_styles.hpp"
#include "presentation/quick_action.hpp"

namespace pocketta {
namespace {

using foundation::Locale;

TEST(AmountStyles, FormatInTheUsersLocale) {
  const struct {
    const char* locale;
    const char* balance;          // 277
    const char* negativeBalance;  // -12.5
    const char* largeBalance;     // 1234567.891
    const char* income;           // 30.5
    const char* largeIncome;      // 1234567.125: rounded to two digits, half to even
  } cases[] = {
      {"en_US", "CN¥277.00", "-CN¥12.50", "CN¥1,234,567.89", "30.5", "1,234,567.12"},
      {"zh_CN", "¥277.00", "-¥12.50", "¥1,234,567.89", "30.5", "1,234,567.12"},
      {"de_DE", "277,00\u00A0CN¥", "-12,50\u00A0CN¥", "1.234.567,89\u00A0CN¥", "30,5",
       "1.234.567,12"},
      {"ru_RU", "277,00\u00A0CN¥", "-12,50\u00A0CN¥", "1\u00A0234\u00A0567,89\u00A0CN¥", "30,5",
       "1\u00A0234\u00A0567,12"},
      {"fr_FR", "277,00\u00A0CNY", "-12,50\u00A0CNY", "1\u202F234\u202F567,89\u00A0CNY", "30,5",
       "1\u202F234\u202F567,12"},
      {"hi_IN", "CN¥277.00", "-CN¥12.50", "CN¥12,34,567.89", "30.5", "12,34,567.12"},
      {"ar_EG", "\u200F\u0662\u0667\u0667\u066B\u0660\u0660\u00A0CN¥",
       "\u061C-\u200F\u0661\u0662\u066B\u0665\u0660\u00A0CN¥",
       "\u200F\u0661\u066C\u0662\u0663\u0664\u066C\u0665\u0666\u0667\u066B\u0668\u0669\u00A0CN¥",
       "\u0663\u0660\u066B\u0665",
       "\u0661\u066C\u0662\u0663\u0664\u066C\u0665\u0666\u0667\u066B\u0661\u0662"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    Locale::setUserPreferredIdentifier(c.locale);
    EXPECT_EQ(balanceStyle().format(277), c.balance);
    EXPECT_EQ(balanceStyle().format(-12.5), c.negativeBalance);
    EXPECT_EQ(balanceStyle().format(1234567.891), c.largeBalance);
    EXPECT_EQ(amountStyle().format(30.5), c.income);
    EXPECT_EQ(amountStyle().format(1234567.125), c.largeIncome);
  }
  Locale::setUserPreferredIdentifier("");
}

TEST(AmountStyles, AmountsDropTrailingZerosAndNeverCarryASignForZero) {
  Locale::setUserPreferredIdentifier("en_US");
  const struct {
    double value;
    const char* amount;
    const char* balance;
  } cases[] = {
      {30, "30", "CN¥30.00"},  {30.5, "30.5", "CN¥30.50"},        {30.456, "30.46", "CN¥30.46"},
      {0.004, "0", "CN¥0.00"}, {-0.004, "0", "CN¥0.00"},          {-0.0, "0", "CN¥0.00"},
      {-3, "-3", "-CN¥3.00"},  {999.999, "1,000", "CN¥1,000.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(amountStyle().format(c.value), c.amount) << c.value;
    EXPECT_EQ(balanceStyle().format(c.value), c.balance) << c.value;
  }
  Locale::setUserPreferredIdentifier("");
}

TEST(QuickActionDeathTest, AnInvalidURLLiteralStopsTheProgram) {
  EXPECT_EQ(constantURL("pocketta://add-income").absoluteString(), "pocketta://add-income");
  EXPECT_DEATH(constantURL("not a url"), "\"not a url\" does not parse");
}

}  // namespace
}  // namespace pocketta
