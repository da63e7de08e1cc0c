#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "data/money_provider.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "ui/view_dump.hpp"
#include "widget_test_support.hpp"

namespace pocketta {
namespace {

using foundation::Date;
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

TEST(PockettaWidgetView, OnlyTheThreeAmountsVary) {
  UserLocale locale("en_US");
  // The date is never read: entries that differ only there give equal trees.
  EXPECT_EQ(PockettaWidgetView{entry(1, 2, 3, 0)}.body(),
            PockettaWidgetView{entry(1, 2, 3, 86400 * 365)}.body());

  // Trees of different entries differ in the three amounts and nowhere else: with the raw
  // values and the texts shown masked, their dumps are the same.
  const auto masked = [](const ui::View& body) {
    static const std::regex number(R"(Text\([^,]*, format)"), shown(R"(shows: "[^"]*")");
    return std::regex_replace(std::regex_replace(ui::dump(body), number, "Text(#, format"), shown,
                              "shows: #");
  };
  const ui::View placeholder = PockettaWidgetView{entry(277, 30, 16)}.body();
  for (const auto& other : {entry(0, 0, 0), entry(-12.5, 1e9, 0.001), entry(1e15, -3, 30.5)}) {
    const ui::View body = PockettaWidgetView{other}.body();
    EXPECT_NE(body, placeholder);
    EXPECT_EQ(masked(body), masked(placeholder));
  }
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
