#pragma once

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace host {

// Watches one file for the ways an app replaces its store: renamed over, rewritten in place,
// appearing, vanishing, its mode changed, and any folder on its path made, removed, renamed,
// replaced or swapped for another (the App Group's folder swapped for an edited copy). Every
// folder from the root down to the store's own is watched with inotify, so nothing is polled
// while watching works; where a folder cannot be watched (no inotify, the system's watch limit,
// a folder the user may pass through but not list), the store's state is compared every
// `pollInterval` instead. A burst of events settles into one change once the file has been quiet
// for `debounce`.
//
// Never throws: a path that cannot be watched is watched as far as it goes, and the watcher
// keeps trying as the path changes. Not thread-safe: one owner polls fd() and calls the rest.
class StoreWatcher {
 public:
  using Clock = std::chrono::steady_clock;

  explicit StoreWatcher(std::filesystem::path file,
                        std::chrono::milliseconds debounce = std::chrono::milliseconds(40),
                        std::chrono::milliseconds pollInterval = std::chrono::seconds(2));
  ~StoreWatcher();
  StoreWatcher(const StoreWatcher&) = delete;
  StoreWatcher& operator=(const StoreWatcher&) = delete;

  // Readable (POLLIN) when events wait; -1 when inotify is not available.
  int fd() const { return fd_; }
  const std::filesystem::path& file() const { return file_; }

  // Reads the waiting events and notes a change to come.
  void readEvents();
  // Places every watch afresh and forgets any change noted so far: for a host about to read the
  // store anyway (SIGUSR1), which a change made before this call cannot escape.
  void rearm();
  // When to call takeChange next: a noted change settling, or the next comparison where a
  // folder cannot be watched; nothing when neither is pending.
  std::optional<Clock::time_point> dueAt() const;
  // True once per settled change, when its time has come. The caller reads the store after a
  // true answer: the store's state then is what the next comparison starts from.
  bool takeChange(Clock::time_point now = Clock::now());

 private:
  // What stat() says of the store: enough to tell a replaced or rewritten file from the same.
  struct Fingerprint {
    int error = 0;  // errno of a failed stat, else 0
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    off_t size = 0;
    std::timespec modified{};
    std::timespec changed{};
    bool operator==(const Fingerprint& other) const;
  };
  Fingerprint fingerprint() const;

  // Watches the folders on the path from the root down, each before the next is looked at,
  // so that a folder made or replaced meanwhile shows in its parent's events. Then compares
  // the store with `seen_`: a change made while arming counts as one.
  void arm();
  void dropWatches();
  void noteChange(Clock::time_point now);

  std::filesystem::path file_;
  // The folders from the root down to the store's own, and the name each leads to: the next
  // folder's, the store's for the last.
  std::vector<std::filesystem::path> folders_;
  std::vector<std::string> names_;
  std::chrono::milliseconds debounce_;
  std::chrono::milliseconds pollInterval_;
  int fd_ = -1;
  // watches_[i] watches folders_[i]; folders past the last watched do not exist (or cannot be
  // watched, then `polling_`).
  std::vector<int> watches_;
  bool polling_ = false;
  Fingerprint seen_;
  std::optional<Clock::time_point> due_;
  std::optional<Clock::time_point> nextComparison_;
};

}  // namespace host
