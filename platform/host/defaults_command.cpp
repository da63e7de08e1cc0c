#include <sstream>

#include "host/commands.hpp"
#include "host/defaults_suite.hpp"

namespace host {

// The containing app's side of the store: the widget itself only ever reads it.
CommandResult defaultsCommand(const CommandContext& context) {
  if (context.bundle.applicationGroups.empty()) {
    return CommandResult::failure("the extension declares no App Group: it has no suite to change");
  }
  const DefaultsSuite suite{context.bundle.applicationGroups.front(), context.containersRoot};
  std::istringstream nothing;
  std::istream& input = context.io.in != nullptr ? *context.io.in : nothing;
  const DefaultsResult result = runDefaults(*context.line.defaults, suite, input, context.io.out);
  context.io.out.flush();
  return {result.status, result.message};
}

}  // namespace host
