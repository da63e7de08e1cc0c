#pragma once

#include "host/commands.hpp"

namespace preview {

// `preview`: a local web server that shows the widget as the phone does and follows the store.
// Prints its URL as the first line of standard output, then serves until SIGINT or SIGTERM.
host::CommandResult servePreview(const host::CommandContext& context);

}  // namespace preview
