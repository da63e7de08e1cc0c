#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/url_opener.hpp"

extern char** environ;

namespace host {

std::optional<std::string> spawnURLOpener(const std::vector<std::string>& command,
                                          const std::string& url) {
  if (command.empty()) return "no program to open the URL with";
  std::vector<std::string> arguments = command;
  arguments.push_back(url);
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // The opener starts with the default disposition of the signals the host ignores.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return "cannot run '" + command.front() + "': " + std::strerror(error);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return "lost track of '" + command.front() + "'";
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
  if (WIFEXITED(status)) {
    return "'" + command.front() + "' could not open " + url + " (exit status " +
           std::to_string(WEXITSTATUS(status)) + ")";
  }
  return "'" + command.front() + "' ended by signal " + std::to_string(WTERMSIG(status));
}

std::vector<std::string> openerCommand(std::string_view command) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < command.size()) {
    const std::size_t start = command.find_first_not_of(" \t\n", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(command.find_first_of(" \t\n", start), command.size());
    words.emplace_back(command.substr(start, end - start));
    at = end;
  }
  return words;
}

}  // namespace host
