// The real executable in a child process, for the tests that drive it as a user or a script
// would.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/temporary_containers.hpp"

namespace hosttest {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pixel size a PNG declares in its IHDR chunk.
inline std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& bytes) {
  auto be32 = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | std::uint8_t(bytes[at + i]);
    return value;
  };
  if (bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0) return {0, 0};
  return {be32(16), be32(20)};
}

// How a child process ended: its exit status (128 + the signal when killed) and what it wrote.
struct Ending {
  bool exited = false;
  int status = -1;
  std::string out;
  std::string err;
};

// The host running `arguments`; `prepare` runs in the child just before exec (limits, signal
// dispositions, the user): a child whose `prepare` fails exits 126. Standard input reads nothing;
// the output streams go to files in `folder`.
class HostProcess {
 public:
  HostProcess(
      std::vector<std::string> arguments, const fs::path& folder,
      const std::function<bool()>& prepare = [] { return true; })
      : outFile_(folder / "stdout"), errFile_(folder / "stderr") {
    arguments.insert(arguments.begin(), POCKETTA_WIDGET_EXECUTABLE);
    // Emptied before the child starts, so that nothing of an earlier run is read as its own.
    std::ofstream(outFile_, std::ios::trunc).flush();
    std::ofstream(errFile_, std::ios::trunc).flush();
    pid_ = ::fork();
    if (pid_ == 0) {
      const int out = ::open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int err = ::open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int null = ::open("/dev/null", O_RDONLY);
      if (out < 0 || err < 0 || null < 0 || ::dup2(null, 0) < 0 || ::dup2(out, 1) < 0 ||
          ::dup2(err, 2) < 0 || !prepare()) {
        ::_exit(126);
      }
      std::vector<char*> argv;
      for (auto& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  ~HostProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  pid_t pid() const { return pid_; }
  std::string outSoFar() const { return readText(outFile_); }
  std::string errSoFar() const { return readText(errFile_); }
  // Whether the child has not ended yet (it is reaped by wait()).
  bool running() const {
    siginfo_t info{};
    return pid_ > 0 &&
           ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
  }
  // wait(), when the child ends within `limit`; nothing (and the child left running) otherwise.
  std::optional<Ending> waitFor(std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (running()) {
      if (std::chrono::steady_clock::now() >= giveUp) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return wait();
  }
  Ending wait() {
    Ending ending;
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) {
      ending.exited = WIFEXITED(status);
      ending.status = ending.exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_ = -1;
    ending.out = readText(outFile_);
    ending.err = readText(errFile_);
    return ending;
  }

 private:
  fs::path outFile_;
  fs::path errFile_;
  pid_t pid_ = -1;
};

// Runs a child as "nobody" when the test runs as root, where file modes do not apply to it, so
// that a folder or store the user may not read is one for the host too. The test's `scratch`
// folder is opened for it to read and pass through, and `writable` folders (inside it) to
// write; nothing above the scratch folder is changed. A child that cannot change its user, or
// cannot reach the scratch folder or the host's executable as nobody (a build tree in a private
// folder), exits 126: the test is then skipped.
inline std::function<bool()> asUnprivilegedUser(const fs::path& scratch,
                                                const std::vector<fs::path>& writable) {
  if (::geteuid() != 0) return [] { return true; };
  std::error_code ignored;
  // Readable too: the store watcher watches every folder on the way, which takes listing it.
  fs::permissions(scratch, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add,
                  ignored);
  for (const auto& folder : writable) {
    fs::permissions(folder, fs::perms::all, fs::perm_options::add, ignored);
  }
  return [scratch] {
    return ::setgid(65534) == 0 && ::setuid(65534) == 0 && ::access(scratch.c_str(), X_OK) == 0 &&
           ::access(POCKETTA_WIDGET_EXECUTABLE, X_OK) == 0;
  };
}

// The host running `arguments` on a pseudo-terminal of 100 x 40 cells of 10 x 20 pixels, with
// `environment` ("NAME=value" each) as its whole environment: how it ended and what the terminal
// got (the terminal's line discipline ends lines in "\r\n"). Killed after 20 seconds.
inline Ending runOnTerminal(std::vector<std::string> arguments,
                            const std::vector<std::string>& environment) {
  arguments.insert(arguments.begin(), POCKETTA_WIDGET_EXECUTABLE);
  std::vector<std::string> variables = environment;
  int terminal = -1;
  winsize size{40, 100, 1000, 800};
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
  if (pid == 0) {
    std::vector<char*> argv, envp;
    for (auto& argument : arguments) argv.push_back(argument.data());
    for (auto& variable : variables) envp.push_back(variable.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  Ending ending;
  if (pid < 0) return ending;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char buffer[65536];
    const ssize_t n = ::read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO: the child and its terminal are gone
    ending.out.append(buffer, static_cast<std::size_t>(n));
  }
  int status = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    ::usleep(10000);
  }
  if (ended == 0) {
    ::kill(pid, SIGKILL);
    ended = ::waitpid(pid, &status, 0);
  }
  if (ended == pid) {
    ending.exited = WIFEXITED(status);
    ending.status = ending.exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ::close(terminal);
  return ending;
}

}  // namespace hosttest
