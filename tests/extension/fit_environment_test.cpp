// fit lays the widget out in other locales and text sizes, each in an environment of its own:
// what the user's own pictures show afterwards is what they showed before.
#include <gtest/gtest.h>

#include <sstream>

#include "data/money_entry.hpp"
// AnyEntry::make<MoneyEntry> is instantiated here as in the extension: with the entry's fields
// in sight, or the two instantiations differ and the linker keeps either.
#include "extension/money_entry_fields.hpp"
#include "extension/pocketta_widget.hpp"
#include "host/command_context.hpp"
#include "host/fit_result.hpp"
#include "support/locale_guard.hpp"

namespace {

TEST(FitEnvironment, theUsersPicturesAreTheSameBeforeAndAfterAFitInOtherLocales) {
  const support::LocaleGuard machine("en_US");
  const host::WidgetConfiguration configuration = pocketta::PockettaWidget{}.body();
  const host::CommandLine line;
  std::ostringstream out, err;
  host::HostIO io{out, err};
  const host::BundleInfo bundle;
  ui::RenderEnvironment user;
  user = host::inLocale(user, "de_DE");
  host::Renderer renderer;
  const foundation::ContainersRoot root{"/nonexistent", "a test"};
  const std::optional<foundation::StoreDiagnosis> store;
  const host::CommandContext context{configuration, line, io, bundle, user, renderer, root, store};

  const host::AnyEntry entry =
      host::AnyEntry::make(pocketta::MoneyEntry{foundation::Date{0}, 12840.5, 350, 86.4});
  const ui::View view = configuration.content(entry);
  const std::vector<host::Picture> pictures{
      {view, context.renderEnvironment(host::WidgetFamily::systemSmall)}};
  const auto before = renderer.render(pictures, host::OutputFormat::svg);

  host::Matrix matrix;
  matrix.devices = {&host::defaultDevice()};
  matrix.families = {host::WidgetFamily::systemSmall};
  matrix.contexts = {host::RenderingContext::home};
  matrix.appearances = {host::Appearance::light};
  matrix.locales = {"ar_EG", "ja_JP"};
  matrix.textSizes = {ui::DynamicTypeSize::accessibility5};
  matrix.entries = {{"current", false, {}}};
  const auto results = host::checkFit(context, matrix, {entry});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].texts.at(2).text.find("CN¥"), std::string::npos);  // Arabic's own form
  EXPECT_EQ(renderer.render(pictures, host::OutputFormat::svg), before);
  EXPECT_EQ(context.renderEnvironment(host::WidgetFamily::systemSmall).locale,
            foundation::Locale("de_DE"));
  EXPECT_NE(before.front().find("12.840,50"), std::string::npos);
}

}  // namespace
