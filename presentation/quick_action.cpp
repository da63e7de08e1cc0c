#include "presentation/quick_action.hpp"

#include <cstdio>
#include <cstdlib>

namespace pocketta {

std::string_view toString(QuickAction action) {
  switch (action) {
    case QuickAction::addIncome:
      return "add-income";
    case QuickAction::addExpense:
      return "add-expense";
  }
  return "?";
}

std::string_view deepLink(QuickAction action) {
  switch (action) {
    case QuickAction::addIncome:
      return "pocketta://add-income";
    case QuickAction::addExpense:
      return "pocketta://add-expense";
  }
  return "?";
}

namespace {

const char* systemImage(QuickAction action) {
  return action == QuickAction::addIncome ? "arrow.down.left" : "arrow.up.right";
}

ui::Color color(QuickAction action) {
  return action == QuickAction::addIncome ? ui::Color::green : ui::Color::orange;
}

}  // namespace

foundation::URL constantURL(std::string_view literal) {
  auto url = foundation::URL::string(literal);
  if (!url) {
    std::fprintf(stderr, "fatal error: the URL literal \"%.*s\" does not parse\n",
                 static_cast<int>(literal.size()), literal.data());
    std::abort();
  }
  return *std::move(url);
}

ui::View quickActionLink(QuickAction action, double amount, const AmountStyle& style) {
  return ui::Link(constantURL(deepLink(action)),
                  ui::Label(ui::Text(amount, style), ui::Image(systemImage(action))))
      .foregroundStyle(color(action));
}

}  // namespace pocketta
