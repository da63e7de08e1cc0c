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

// The nodes of the tree the tests look into, found by their fixed places in it.
struct Parts {
  const ui::View& root;
  const ui::VStack& stack() const { return *root.as<ui::VStack>(); }
  const ui::View& balance() const { return stack().children.at(1); }
  const ui::View& action(std::size_t index) const {
    return stack().children.at(2).as<ui::HStack>()->children.at(index);
  }
  const ui::Link& link(std::size_t index) const { return *action(index).as<ui::Link>(); }
  const ui::TitleAndIcon& label(std::size_t index) const {
    return std::get<ui::TitleAndIcon>(link(index).label->as<ui::Label>()->content);
  }
  std::string amount(std::size_t index) const {
    return ui::resolvedString(*label(index).title->as<ui::Text>());
  }
};

TEST(PockettaWidgetView, PlaceholderTreeNodeByNodeInOrder) {
  UserLocale locale("en_US");
  const ui::View body = PockettaWidgetView{MoneyProvider().placeholder({})}.body();
  EXPECT_EQ(ui::dump(body), R"(VStack(alignment: leading, spacing: 8)
  HStack(alignment: center, spacing: nil)
    Label("POCKETTA", systemImage: "wallet.bifold.fill")
      .font(caption.bold())
    Spacer(minLength: nil)
    Text("CNY", tableName: nil, bundle: nil, comment: nil, font: caption2.monospaced())
  Text(277, format: currency(code: "CNY", locale: autoupdatingCurrent), shows: "CN¥277.00", font: title2.bold())
    .minimumScaleFactor(0.7)
    .lineLimit(1)
  HStack(alignment: center, spacing: nil)
    Link(destination: "pocketta://add-income")
      label: Label(title:icon:)
        title: Text(30, format: number(locale: autoupdatingCurrent, fractionLength: 0...2), shows: "30", font: nil)
        icon: Image(systemName: "arrow.down.left")
      .foregroundStyle(green)
    Spacer(minLength: nil)
    Link(destination: "pocketta://add-expense")
      label: Label(title:icon:)
        title: Text(16, format: number(locale: autoupdatingCurrent, fractionLength: 0...2), shows: "16", font: nil)
        icon: Image(systemName: "arrow.up.right")
      .foregroundStyle(orange)
    .font(caption.monospacedDigit())
  .containerBackground(for: widget, alignment: center)
    LinearGradient(colors: [black, Color(sRGB, red: 0.12, green: 0.2, blue: 0.15, opacity: 1)], startPoint: topLeading, endPoint: bottomTrailing)
  .foregroundStyle(white)
)");
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

TEST(PockettaWidgetView, QuickActionsLinkToTheTwoConstantURLs) {
  UserLocale locale("en_US");
  for (const auto& e : {entry(277, 30, 16), entry(0, 0, 0), entry(-1, -2, -3)}) {
    const ui::View body = PockettaWidgetView{e}.body();
    const Parts parts{body};
    EXPECT_EQ(parts.link(0).destination.absoluteString(), "pocketta://add-income");
    EXPECT_EQ(parts.link(2).destination.absoluteString(), "pocketta://add-expense");
  }
}

TEST(PockettaWidgetView, AmountsFollowTheUsersLocaleOfTheMoment) {
  UserLocale locale("de_DE");
  const ui::View builtInGerman = PockettaWidgetView{entry(1234.5, 30.5, 16)}.body();
  const Parts german{builtInGerman};
  EXPECT_EQ(ui::resolvedString(*german.balance().as<ui::Text>()), "1.234,50\u00A0CN¥");
  EXPECT_EQ(german.amount(0), "30,5");
  EXPECT_EQ(german.amount(2), "16");

  // The styles hold the user's locale, not a snapshot of it: the tree built in German shows
  // English once the user switches, and equals a tree built afresh in English.
  locale.set("en_US");
  EXPECT_EQ(german.amount(0), "30.5");
  EXPECT_EQ(ui::resolvedString(*german.balance().as<ui::Text>()), "CN¥1,234.50");
  const ui::View builtInEnglish = PockettaWidgetView{entry(1234.5, 30.5, 16)}.body();
  EXPECT_EQ(builtInEnglish, builtInGerman);
  EXPECT_EQ(ui::dump(builtInEnglish), ui::dump(builtInGerman));
}

}  // namespace
}  // namespace pocketta
