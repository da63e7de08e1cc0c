#include "presentation/pocketta_widget_view.hpp"

#include "presentation/amount_styles.hpp"
#include "presentation/quick_action.hpp"

namespace pocketta {

namespace {

ui::View header() {
  using namespace ui;
  return HStack(VerticalAlignment::center,
                {
                    Label("POCKETTA", "wallet.bifold.fill").font(Font::caption.bold()),
                    Spacer(),
                    // The code, not the locale's symbol: it names the currency whatever the
                    // balance below shows.
                    Text(kCurrencyCode, std::nullopt, std::nullopt, std::nullopt)
                        .font(Font::caption2.monospaced()),
                });
}

ui::View balanceLine(double balance) {
  using namespace ui;
  return Text(balance, balanceStyle())
      .font(Font::title2.bold())
      .minimumScaleFactor(0.7)
      .lineLimit(1);
}

ui::View actionRow(const MoneyEntry& entry) {
  using namespace ui;
  const AmountStyle style = amountStyle();
  return HStack(VerticalAlignment::center,
                {
                    quickActionLink(QuickAction::addIncome, entry.income, style),
                    Spacer(),
                    quickActionLink(QuickAction::addExpense, entry.expense, style),
                })
      .font(Font::caption.monospacedDigit());
}

ui::View background() {
  using namespace ui;
  return LinearGradient(Gradient{{Color::black, Color(RGBColorSpace::sRGB, 0.12, 0.2, 0.15, 1.0)}},
                        UnitPoint::topLeading, UnitPoint::bottomTrailing);
}

}  // namespace

ui::View PockettaWidgetView::body() const {
  using namespace ui;
  return VStack(HorizontalAlignment::leading, 8,
                {header(), balanceLine(entry.balance), actionRow(entry)})
      .containerBackground(ContainerBackgroundPlacement::widget, Alignment::center, background())
      .foregroundStyle(Color::white);
}

}  // namespace pocketta
