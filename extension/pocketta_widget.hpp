#pragma once

#include <string>

#include "data/money_entry.hpp"
// Wherever the widget is in sight, so are its entry's fields: a unit that erases a MoneyEntry
// without them instantiates AnyEntry::make<MoneyEntry> differently from the extension, and the
// linker keeps either (a host that then cannot set the entry's values).
#include "extension/money_entry_fields.hpp"
#include "host/widget_configuration.hpp"
#include "presentation/pocketta_widget_view.hpp"

namespace pocketta {

// The extension's one widget: the balance with today's income and expense, in the small and
// medium home-screen sizes.
struct PockettaWidget {
  const std::string kind = "PockettaWidget";

  host::WidgetConfiguration body() const;
};

// The content function of the widget's configuration: the view of one entry, holding a copy of
// it.
PockettaWidgetView makeWidgetView(const MoneyEntry& entry);

}  // namespace pocketta
