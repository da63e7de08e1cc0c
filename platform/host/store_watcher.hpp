#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

namespace host {

// Watches one file for the ways an app replaces its store: renamed over, rewritten in place,
// appearing, vanishing, and the folders above it made or removed. Uses inotify on the nearest
// folder that exists, so nothing is polled. A burst of events settles into one change once the
// file has been quiet for `debounce`.
//
// Not thread-safe: one owner polls fd() and calls the rest.
class StoreWatcher {
 public:
  using Clock = std::chrono::steady_clock;

  explicit StoreWatcher(std::filesystem::path file,
                        std::chrono::milliseconds debounce = std::chrono::milliseconds(40));
  ~StoreWatcher();
  StoreWatcher(const StoreWatcher&) = delete;
  StoreWatcher& operator=(const StoreWatcher&) = delete;

  // Readable (POLLIN) when events wait; -1 when inotify is not available.
  int fd() const { return fd_; }
  const std::filesystem::path& file() const { return file_; }

  // Reads the waiting events and notes a change to come.
  void readEvents();
  // When a noted change settles; nothing when none is pending.
  std::optional<Clock::time_point> dueAt() const;
  // True once per settled change, when its time has come.
  bool takeChange(Clock::time_point now = Clock::now());

 private:
  void arm();

  std::filesystem::path file_;
  std::chrono::milliseconds debounce_;
  int fd_ = -1;
  // The folder watched: the store's own, or the nearest ancestor that exists.
  std::filesystem::path watched_;
  int watch_ = -1;
  std::optional<Clock::time_point> due_;
};

}  // namespace host
