#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
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

// The first group of every match of `pattern` in the tree's dump, its numbers formatted in a
// render in `locale`, in order, joined by "|".
std::string matches(const ui::View& body, const char* pattern, const char* locale = "en_US") {
  const std::regex regex(pattern);
  const std::string dump = ui::dump(body, {Locale(locale)});
  std::string found;
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), regex);
       it != std::sregex_iterator(); ++it) {
    found += (found.empty() ? "" : "|") + (*it)[1].str();
  }
  return found;
}
constexpr const char* kShown = R"re(shows: "([^"]*)")re";

TEST(PockettaWidgetView, PlaceholderShowsEachAmountWithItsActionLinkAndIcon) {
  const ui::View body = PockettaWidgetView{MoneyProvider().placeholder({})}.body();
  EXPECT_EQ(matches(body, kShown), "CN¥277.00|30|16");
  EXPECT_EQ(matches(body, R"re((?:destination|systemName|foregroundStyle)[:(] ?"?([^")]*))re"),
            "pocketta://add-income|arrow.down.left|green|"
            "pocketta://add-expense|arrow.up.right|orange|white");
}

TEST(PockettaWidgetView, AmountsFollowTheLocaleOfTheRender) {
  // The styles hold the user's locale of the moment, not a snapshot: one tree, whatever locale
  // the process or the machine has, shows each render's own.
  const testing::UserLocale machine("ru_RU");
  const ui::View tree = PockettaWidgetView{entry(1234.5, 30.5, 16)}.body();
  EXPECT_EQ(matches(tree, kShown, "de_DE"), R"(1.234,50\u{00A0}CN¥|30,5|16)");
  EXPECT_EQ(matches(tree, kShown, "en_US"), "CN¥1,234.50|30.5|16");
  EXPECT_EQ(PockettaWidgetView{entry(1234.5, 30.5, 16)}.body(), tree);
}

// The whole tree, node by node and modifier by modifier in the order applied, against the kept
// dump: a swapped modifier, a lost one, or another font or colour fails here.
TEST(PockettaWidgetView, wholeTreeMatchesItsKeptDump) {
  const std::string path = std::string(POCKETTA_TEST_DATA_DIR) + "/pocketta_widget_view.txt";
  const std::string dump =
      ui::dump(PockettaWidgetView{entry(12840.5, 350, 86.4)}.body(), {Locale("en_US")}) + "\n";
  if (std::getenv("POCKETTA_UPDATE_GOLDENS") != nullptr) {
    std::ofstream(path, std::ios::binary) << dump;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string kept{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(dump, kept) << "the tree differs from " << path;
}

}  // namespace
}  // namespace pocketta
