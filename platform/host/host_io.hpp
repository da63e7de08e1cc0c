#pragma once

#include <functional>
#include <istream>
#include <ostream>

#include "host/bundle_info.hpp"
#include "host/sleeper.hpp"
#include "host/url_opener.hpp"

namespace host {

struct CommandContext;
struct CommandResult;
// A command served by code this executable links only where it is needed (the preview's web
// server), so the other commands start without it.
using CommandHandler = std::function<CommandResult(const CommandContext&)>;

// What the host reads from and writes to, beyond the files it is told to write: the process's
// streams, its way of opening a URL and of waiting, and whether standard output is a terminal.
struct HostIO {
  std::ostream& out;
  std::ostream& err;
  // What a command reads as standard input (defaults import -); null: nothing.
  std::istream* in = nullptr;
  URLOpener openURL = spawnURLOpener;
  Sleeper* sleeper = nullptr;  // null: SystemSleeper
  // Whether standard output is a terminal (a PNG is not written to one), and standard error
  // (a progress line is drawn on one).
  bool outIsTerminal = false;
  bool errIsTerminal = false;
  // The preview server, in the executable that has it; unset, `preview` starts that executable.
  CommandHandler previewServer = {};
};

}  // namespace host
