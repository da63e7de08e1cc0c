#include <gtest/gtest.h>

#include "host/static_configuration.hpp"
#include "host/widget.hpp"
#include "test_provider.hpp"
#include "ui/view/view_dump.hpp"

namespace {

using host::WidgetFamily;
using hosttest::CountEntry;
using hosttest::ScriptedProvider;

struct CountView {
  CountEntry entry;
  ui::View body() const {
    return ui::Text::verbatim(std::to_string(entry.date.timeIntervalSinceReferenceDate) + "/" +
                              std::to_string(entry.count));
  }
};

CountView countContent(const CountEntry& entry) {
  return CountView{entry};
}

struct CountWidget {
  std::string kind = "CountWidget";
  host::WidgetConfiguration body() const {
    return host::StaticConfiguration(kind, ScriptedProvider{}, countContent)
        .configurationDisplayName("Name key")
        .description("Description key")
        .supportedFamilies({WidgetFamily::systemMedium, WidgetFamily::systemSmall});
  }
};

TEST(WidgetConfiguration, theOuterModifierStandsAndEachBodyMakesANewProvider) {
  const auto bare = host::StaticConfiguration("K", ScriptedProvider{}, countContent);
  EXPECT_EQ(bare.families(), host::allWidgetFamilies());
  const auto twice = bare.supportedFamilies({WidgetFamily::systemSmall})
                         .supportedFamilies({WidgetFamily::systemMedium});
  EXPECT_EQ(twice.families(), std::vector{WidgetFamily::systemMedium});
  EXPECT_TRUE(bare.modifiers.empty());  // modifiers make new values

  const host::AnyWidget widget(CountWidget{});
  const int before = ScriptedProvider::made;
  const auto first = widget.body();
  EXPECT_NE(first.provider.instance.get(), widget.body().provider.instance.get());
  EXPECT_EQ(ScriptedProvider::made, before + 2);
  // A copy of a configuration shares its provider: the host asks one provider per configuration.
  const auto copy = first;
  EXPECT_EQ(copy.provider.instance.get(), first.provider.instance.get());

  const CountEntry entry{foundation::Date{12.5}, 3};
  EXPECT_EQ(first.content(host::AnyEntry::make(entry)), CountView{entry}.body());
  EXPECT_EQ(host::AnyEntry::make(entry).fields, (std::vector<host::EntryField>{{"count", 3}}));
}

}  // namespace
