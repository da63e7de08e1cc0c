#pragma once

#include "data/money_entry.hpp"
#include "foundation/locale.hpp"
#include "presentation/pocketta_widget_view.hpp"
#include "support/locale_guard.hpp"
#include "ui/display/display_list.hpp"
#include "ui/environment/render_environment.hpp"
#include "ui/layout/widget_layout.hpp"
#include "ui/typesetting/text_measurer.hpp"

namespace pocketta::testing {

// The user's locale for one test, cleared when it goes.
using UserLocale = support::LocaleGuard;

inline MoneyEntry entry(double balance, double income, double expense, double date = 0) {
  return MoneyEntry{foundation::Date::fromTimeIntervalSince1970(date), balance, income, expense};
}

// The widget's real tree for the amounts; its texts follow the locale of the render.
inline ui::View widget(double balance, double income, double expense) {
  return PockettaWidgetView{entry(balance, income, expense)}.body();
}

// A render in `locale` (its numbers, direction and language) on `canvas`, light, text size large.
inline ui::RenderEnvironment environment(const char* locale, ui::WidgetCanvas canvas) {
  ui::RenderEnvironment environment;
  environment.locale = foundation::Locale(locale);
  environment.layoutDirection = ui::RenderEnvironment::directionOf(environment.locale);
  environment.languages = {environment.locale.identifier()};
  environment.canvas = canvas;
  return environment;
}

// The renderer's own fonts, as the host measures with them.
inline const ui::ShapingTextMeasurer& shapingMeasurer() {
  static const ui::ShapingTextMeasurer measurer;
  return measurer;
}

// The view laid out with the renderer's fonts and drawn into a list, as the host draws it.
inline ui::DisplayList displayList(const ui::View& view, const ui::RenderEnvironment& environment) {
  return ui::displayList(ui::layoutWidget(view, environment, shapingMeasurer()), environment);
}

}  // namespace pocketta::testing
