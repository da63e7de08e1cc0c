#include "presentation/quick_action.hpp"

#include <iterator>

#include "foundation/precondition.hpp"
#include "foundation/url.hpp"

namespace pocketta {
namespace {

// Everything an action shows, in one row per action, in the enum's order.
struct ActionLook {
  std::string_view name;
  std::string_view deepLink;
  const char* systemImage;
  ui::Color color;
};

const ActionLook& look(QuickAction action) {
  static const ActionLook kLooks[] = {
      {"add-income", "pocketta://add-income", "arrow.down.left", ui::Color::green},
      {"add-expense", "pocketta://add-expense", "arrow.up.right", ui::Color::orange},
  };
  const auto index = static_cast<std::size_t>(action);
  if (index >= std::size(kLooks)) FOUNDATION_UNREACHABLE("a QuickAction without a row of looks");
  return kLooks[index];
}

}  // namespace

std::string_view toString(QuickAction action) {
  return look(action).name;
}

std::string_view deepLink(QuickAction action) {
  return look(action).deepLink;
}

ui::View quickActionLink(QuickAction action, double amount, const AmountStyle& style) {
  const ActionLook& looks = look(action);
  auto url = foundation::URL::string(looks.deepLink);
  FOUNDATION_PRECONDITION(url.has_value(), "the deep link of every action is a valid URL");
  return ui::Link(*std::move(url), ui::Label(ui::Text(amount, style), ui::Image(looks.systemImage)))
      .foregroundStyle(looks.color);
}

}  // namespace pocketta
