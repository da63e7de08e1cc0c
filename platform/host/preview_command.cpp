#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "host/commands.hpp"
#include "host/host_runner.hpp"

namespace host {

// The web server and what it links (TLS, compression) would load at every start of every
// command; it lives in an executable of its own, which this one becomes for `preview`.
CommandResult previewCommand(const CommandContext& context) {
  if (context.io.previewServer) return context.io.previewServer(context);
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return CommandResult::failure("cannot find this executable: " + error.message());
  const auto server = self.parent_path() / (self.filename().string() + kPreviewExecutableSuffix);
  auto arguments = processArguments();
  if (arguments.empty()) return CommandResult::failure("cannot read the command line");
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  context.io.out.flush();
  std::cout.flush();
  execv(server.c_str(), argv.data());
  return CommandResult::failure("cannot start " + server.string() + ": " + std::strerror(errno));
}

}  // namespace host
