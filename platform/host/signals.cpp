#include "host/signals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace host {
namespace {

// Read by the signal handler, so plain storage and lock-free atomics only.
char pendingPath[4096];
std::atomic<bool> pendingSet{false};
std::atomic<bool> graceful{false};
volatile sig_atomic_t stopAsked = 0;  // the signal that asked, or 0
volatile sig_atomic_t errIsTerminal = 0;
int wakePipe[2] = {-1, -1};

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
  if (pendingSet.load()) unlink(pendingPath);
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

StopOnSignal::StopOnSignal() {
  stopAsked = 0;
  errIsTerminal = isatty(STDERR_FILENO) == 1 ? 1 : 0;
  if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    wakePipe[0] = wakePipe[1] = -1;
  }
  graceful.store(true);
}

StopOnSignal::~StopOnSignal() {
  graceful.store(false);
  if (wakePipe[0] >= 0) {
    char drain[64];
    while (read(wakePipe[0], drain, sizeof drain) > 0) {
    }
  }
}

namespace detail {

void setPendingTemporaryFile(const char* path) {
  pendingSet.store(false);
  std::strncpy(pendingPath, path, sizeof pendingPath - 1);
  pendingPath[sizeof pendingPath - 1] = '\0';
  pendingSet.store(true);
}

void clearPendingTemporaryFile() {
  pendingSet.store(false);
}

}  // namespace detail
}  // namespace host
