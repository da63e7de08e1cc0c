#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace support {

// Runs `body` as an unprivileged user ("nobody") in a child process and gives its exit status:
// for root, file modes do not apply, so a test of a folder that cannot be written runs it there.
// Nothing when privileges cannot be dropped here. Not root: `body` runs in this process.
inline std::optional<int> runUnprivileged(const std::function<int()>& body) {
  if (::geteuid() != 0) return body();
  const pid_t child = ::fork();
  if (child == 0) ::_exit(::setgid(65534) != 0 || ::setuid(65534) != 0 ? 125 : body());
  int status = 0;
  ::waitpid(child, &status, 0);
  if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) == 125) return std::nullopt;
  return WEXITSTATUS(status);
}

}  // namespace support
