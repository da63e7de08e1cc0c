#include "host/store_status_line.hpp"

#include "foundation/user_defaults.hpp"
#include "host/commands.hpp"

namespace host {

StoreStatusLine::StoreStatusLine(const CommandContext& context) : context_(context) {
  if (context.store) said_ = context.store->status;
}

std::optional<std::string> StoreStatusLine::next() {
  if (!context_.store || context_.bundle.applicationGroups.empty()) return std::nullopt;
  const auto now = foundation::UserDefaults::diagnose(context_.bundle.applicationGroups.front(),
                                                      context_.store->root);
  if (said_ == now.status) return std::nullopt;
  said_ = now.status;
  return context_.program() + ": store " + now.describe() +
         (now.ok() ? "" : "; the widget shows defaults");
}

}  // namespace host
