#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "data/money_provider.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "ui/view/view_dump.hpp"
#include "widget_test_support.hpp"

namespace pocketta {
namespace {

using foundation::Locale;

using testing::entry;
using testing::UserLocale;

// The first group of every match of `pattern` in the tree's dump, in order, joined by "|".
std::string matches(const ui::View& body, const char* pattern) {
  const std::regex regex(pattern);
  const std::string dump = ui::dump(body);
  std::string found;
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), regex);
       it != std::sregex_iterator(); ++it) {
    found += (found.empty() ? "" : "|") + (*it)[1].str();
  }
  return found;
}
constexpr const char* kShown = R"re(shows: "([^"]*)")re";

TEST(PockettaWidgetView, PlaceholderShowsEachAmountWithItsActionLinkAndIcon) {
  UserLocale locale("en_US");
  const ui::View body = PockettaWidgetView{MoneyProvider().placeholder({})}.body();
  EXPECT_EQ(matches(body, kShown), "CN¥277.00|30|16");
  EXPECT_EQ(matches(body, R"re((?:destination|systemName|foregroundStyle)[:(] ?"?([^")]*))re"),
            "pocketta://add-income|arrow.down.left|green|"
            "pocketta://add-expense|arrow.up.right|orange|white");
}

TEST(PockettaWidgetView, AmountsFollowTheUsersLocaleOfTheMoment) {
  UserLocale locale("de_DE");
  const ui::View builtInGerman = PockettaWidgetView{entry(1234.5, 30.5, 16)}.body();
  EXPECT_EQ(matches(builtInGerman, kShown), R"(1.234,50\u{00A0}CN¥|30,5|16)");
  // The styles hold the user's locale, not a snapshot of it: the tree built in German shows
  // English once the user switches, and equals a tree built afresh in English.
  locale.set("en_US");
  EXPECT_EQ(matches(builtInGerman, kShown), "CN¥1,234.50|30.5|16");
  EXPECT_EQ(PockettaWidgetView{entry(1234.5, 30.5, 16)}.body(), builtInGerman);
}

}  // namespace
}  // namespace pocketta
