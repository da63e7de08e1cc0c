#pragma once

namespace host {

// The host's handling of SIGINT, SIGTERM and SIGHUP (and SIGUSR1, below); one that was ignored when
// the process started stays ignored (nohup). By default a signal removes any file being written
// atomically and ends the process as the signal would. Inside a StopOnSignal scope (the live host)
// a signal only asks to stop: the write in progress finishes, and the loop ends at its next wait.
// SIGXFSZ is ignored, so a write past the file size limit fails with an error the host reports.
void installSignalHandlers();

// Whether a stop was asked for since the current StopOnSignal scope began, and by which signal
// (0: none). On a terminal, SIGINT also ends the line the terminal echoed "^C" on.
bool stopRequested();
int stopSignal();

// A file descriptor that becomes readable when a stop is asked for, to wake a waiting poll();
// -1 outside a StopOnSignal scope.
int stopRequestFd();

// Inside a StopOnSignal scope SIGUSR1 asks the live host to reload now. Whether one was asked for
// since the last call, which takes it.
bool takeReloadRequest();
// A file descriptor that becomes readable when a reload is asked for; -1 outside the scope.
int reloadRequestFd();

class StopOnSignal {
 public:
  StopOnSignal();
  ~StopOnSignal();
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;
};

// Tells the signal handlers of each temporary file just before it is made, and (nullptr) when
// they are all renamed or removed: SIGINT, SIGTERM and SIGHUP then remove the files being
// written (at most 32 at a time) before the process ends. The watcher the host hands to
// foundation::writeFilesAtomically.
void removeOnSignal(const char* temporaryPath);

}  // namespace host
