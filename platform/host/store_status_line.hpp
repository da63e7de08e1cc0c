#pragma once

#include <optional>
#include <string>

#include "foundation/store_diagnosis.hpp"

namespace host {

struct CommandContext;

// What the live host says when the store's status changes while it runs: the store became
// unreadable, damaged or missing (the widget then shows defaults), or good again. The status the
// command started with was said by checkStore.
class StoreStatusLine {
 public:
  explicit StoreStatusLine(const CommandContext& context);

  // Looks at the store afresh: one line when its status differs from the last one said.
  std::optional<std::string> next();

 private:
  const CommandContext& context_;
  std::optional<foundation::StoreStatus> said_;
};

}  // namespace host
