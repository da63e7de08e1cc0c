#include <gtest/gtest.h>

#include "data/money_provider.hpp"
#include "extension/money_entry_fields.hpp"
#include "extension/pocketta_widget.hpp"

namespace {

using pocketta::MoneyEntry;

TEST(PockettaWidget, theProviderIsTheMoneyProviderAndTheContentShowsTheEntryGiven) {
  const pocketta::PockettaWidget widget;
  const auto configuration = widget.body();
  EXPECT_EQ(configuration.kind, "PockettaWidget");
  EXPECT_EQ(configuration.provider.type, &typeid(pocketta::MoneyProvider));
  // The keys as the widget declares them (the host looks them up), and the families in order.
  EXPECT_EQ(configuration.displayName().key, "Лимрада");
  EXPECT_EQ(configuration.descriptionKey().key, "Баланс и быстрые доходы или расходы.");
  EXPECT_EQ(configuration.families(),
            (std::vector{host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium}));
  EXPECT_EQ(configuration.entryFields, (std::vector<std::string>{"balance", "income", "expense"}));

  const MoneyEntry entries[] = {
      {foundation::Date{794050200.25}, -12.25, 30.5, 0},
      {foundation::Date{-63113904000}, 1e300, -0.0, 16},
  };
  for (const auto& entry : entries) {
    // Through the host's erased content function, the same tree.
    EXPECT_EQ(configuration.content(host::AnyEntry::make(entry)),
              (pocketta::PockettaWidgetView{entry}.body()));
    EXPECT_EQ(pocketta::makeWidgetView(entry).entry, entry);
  }
  EXPECT_EQ(pocketta::timelineEntryFields(entries[0]),
            (std::vector<host::EntryField>{{"balance", -12.25}, {"income", 30.5}, {"expense", 0}}));
}

}  // namespace
