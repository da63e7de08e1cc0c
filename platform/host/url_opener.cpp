#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "host/host_environment.hpp"
#include "host/signals.hpp"

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

  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
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

bool SystemSleeper::sleepUntil(foundation::Date deadline) {
  while (!stopRequested()) {
    const double remaining = deadline.timeIntervalSinceReferenceDate -
                             foundation::Date::now().timeIntervalSinceReferenceDate;
    // A deadline that is not a number never comes.
    if (remaining <= 0) return true;
    // Wake at least once a minute: the wall clock may be set forward while we wait.
    const double slice = std::isnan(remaining) ? 60.0 : std::min(remaining, 60.0);
    const int timeoutMs = static_cast<int>(std::ceil(slice * 1000.0));
    const int fd = stopRequestFd();
    pollfd descriptor{fd, POLLIN, 0};
    poll(fd >= 0 ? &descriptor : nullptr, fd >= 0 ? 1 : 0, timeoutMs);
  }
  return false;
}

}  // namespace host
