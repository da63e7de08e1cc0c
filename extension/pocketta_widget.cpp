#include "extension/pocketta_widget.hpp"

#include "data/money_provider.hpp"
#include "extension/money_entry_fields.hpp"
#include "host/static_configuration.hpp"

namespace pocketta {

PockettaWidgetView makeWidgetView(const MoneyEntry& entry) {
  return PockettaWidgetView{entry};
}

host::WidgetConfiguration PockettaWidget::body() const {
  return host::StaticConfiguration(kind, MoneyProvider{}, makeWidgetView)
      .configurationDisplayName("Лимрада")
      .description("Баланс и быстрые доходы или расходы.")
      .supportedFamilies({host::WidgetFamily::systemSmall, host::WidgetFamily::systemMedium});
}

}  // namespace pocketta
