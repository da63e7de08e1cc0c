#include "host/signals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace host {
namespace {

// Read by the signal handler, so plain storage and lock-free atomics only. A command writes its
// files together, so several may be pending at once.
constexpr int kMaxPending = 32;
char pendingPaths[kMaxPending][4096];
std::atomic<int> pendingCount{0};
std::atomic<bool> graceful{false};
volatile sig_atomic_t stopAsked = 0;  // the signal that asked, or 0
volatile sig_atomic_t reloadAsked = 0;
volatile sig_atomic_t errIsTerminal = 0;
int wakePipe[2] = {-1, -1};
int reloadPipe[2] = {-1, -1};
struct sigaction previousUsr1 {};

extern "C" void onReloadSignal(int) {
  const int savedErrno = errno;
  reloadAsked = 1;
  if (reloadPipe[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(reloadPipe[1], &byte, 1);
  }
  errno = savedErrno;
}

void drain(int fd) {
  if (fd < 0) return;
  char bytes[64];
  while (read(fd, bytes, sizeof bytes) > 0) {
  }
}

extern "C" void onSignal(int signalNumber) {
  const int savedErrno = errno;
  if (graceful.load()) {
    // The terminal echoed "^C" without ending its line; end it, so that what the host says
    // next starts a line of its own.
    if (signalNumber == SIGINT && stopAsked == 0 && errIsTerminal != 0) {
      [[maybe_unused]] const auto ended = write(STDERR_FILENO, "\n", 1);
    }
    stopAsked = signalNumber;
    if (wakePipe[1] >= 0) {
      const char byte = 1;
      [[maybe_unused]] const auto written = write(wakePipe[1], &byte, 1);
    }
    errno = savedErrno;
    return;
  }
  for (int i = 0, n = pendingCount.load(); i < n; ++i) unlink(pendingPaths[i]);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
  errno = savedErrno;
}

}  // namespace

void installSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a wait in poll() returns at once
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored when the process started (nohup, a background job) stays ignored.
    struct sigaction previous {};
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signalNumber, &action, nullptr);
  }
  // Past the file size limit a write then fails with EFBIG, which the writer cleans up after and
  // reports, instead of the process ending mid-write.
  signal(SIGXFSZ, SIG_IGN);
}

bool stopRequested() {
  return stopAsked != 0;
}

int stopSignal() {
  return stopAsked;
}

int stopRequestFd() {
  return graceful.load() ? wakePipe[0] : -1;
}

bool takeReloadRequest() {
  if (reloadAsked == 0) return false;
  reloadAsked = 0;
  drain(reloadPipe[0]);
  return true;
}

int reloadRequestFd() {
  return graceful.load() ? reloadPipe[0] : -1;
}

StopOnSignal::StopOnSignal() {
  stopAsked = 0;
  reloadAsked = 0;
  errIsTerminal = isatty(STDERR_FILENO) == 1 ? 1 : 0;
  if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    wakePipe[0] = wakePipe[1] = -1;
  }
  if (reloadPipe[0] < 0 && pipe2(reloadPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    reloadPipe[0] = reloadPipe[1] = -1;
  }
  struct sigaction action {};
  action.sa_handler = onReloadSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGUSR1, &action, &previousUsr1);
  graceful.store(true);
}

StopOnSignal::~StopOnSignal() {
  graceful.store(false);
  sigaction(SIGUSR1, &previousUsr1, nullptr);
  drain(wakePipe[0]);
  drain(reloadPipe[0]);
}

void removeOnSignal(const char* temporaryPath) {
  if (temporaryPath == nullptr) {
    pendingCount.store(0);
    return;
  }
  const int n = pendingCount.load();
  if (n == kMaxPending) return;  // beyond what is kept: left behind if a signal comes
  std::strncpy(pendingPaths[n], temporaryPath, sizeof pendingPaths[n] - 1);
  pendingPaths[n][sizeof pendingPaths[n] - 1] = '\0';
  pendingCount.store(n + 1);
}

}  // namespace host
