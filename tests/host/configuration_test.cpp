#include <gtest/gtest.h>

#include "host/static_configuration.hpp"
#include "host/widget.hpp"
#include "host/widget_bundle_builder.hpp"
#include "test_provider.hpp"
#include "ui/view_dump.hpp"

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

TEST(WidgetConfiguration, defaultsAndTheOuterModifierStands) {
  const auto bare = host::StaticConfiguration("K", ScriptedProvider{}, countContent);
  EXPECT_EQ(bare.displayName().key, "");
  EXPECT_EQ(bare.families(), host::allWidgetFamilies());
  const auto twice = bare.supportedFamilies({WidgetFamily::systemSmall})
                         .supportedFamilies({WidgetFamily::systemMedium});
  EXPECT_EQ(twice.families(), std::vector{WidgetFamily::systemMedium});
  // Modifiers return new values; the one they wrap is unchanged.
  EXPECT_TRUE(bare.modifiers.empty());
}

TEST(WidgetConfiguration, eachBodyEvaluationMakesANewProvider) {
  const host::AnyWidget widget(CountWidget{});
  const int before = ScriptedProvider::made;
  const auto first = widget.body();
  const auto second = widget.body();
  EXPECT_EQ(ScriptedProvider::made, before + 2);
  EXPECT_NE(first.provider.instance.get(), second.provider.instance.get());
  EXPECT_EQ(first.kind, second.kind);
  EXPECT_EQ(first.families(), second.families());
  // A copy of a configuration shares its provider: the host asks one provider per configuration.
  const auto copy = first;
  EXPECT_EQ(copy.provider.instance.get(), first.provider.instance.get());
}

TEST(WidgetConfiguration, contentReceivesACopyOfTheEntry) {
  const auto configuration = CountWidget{}.body();
  const CountEntry entry{foundation::Date{12.5}, 3};
  const auto view = configuration.content(host::AnyEntry::make(entry));
  EXPECT_EQ(view, CountView{entry}.body());
  const auto erased = host::AnyEntry::make(entry);
  EXPECT_EQ(erased.date, entry.date);
  EXPECT_EQ(erased.fields, (std::vector<host::EntryField>{{"count", 3}}));
}

TEST(WidgetBundleBuilder, keepsTheWidgetsInOrder) {
  const auto content = host::WidgetBundleBuilder::buildBlock(CountWidget{}, CountWidget{"Other"});
  ASSERT_EQ(content.widgets.size(), 2u);
  EXPECT_EQ(content.widgets[0].body().kind, "CountWidget");
  EXPECT_EQ(content.widgets[1].body().kind, "Other");
}

}  // namespace
