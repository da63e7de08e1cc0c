#include "host/store_watcher.hpp"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace host {
namespace {

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                        IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF |
                                        IN_MOVE_SELF | IN_ONLYDIR;

// The nearest folder at or above `folder` that exists.
std::filesystem::path nearestExisting(std::filesystem::path folder) {
  std::error_code error;
  while (!std::filesystem::is_directory(folder, error) && folder.has_parent_path() &&
         folder.parent_path() != folder) {
    folder = folder.parent_path();
  }
  return folder;
}

}  // namespace

StoreWatcher::StoreWatcher(std::filesystem::path file, std::chrono::milliseconds debounce)
    : file_(std::filesystem::absolute(std::move(file))), debounce_(debounce) {
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  arm();
}

StoreWatcher::~StoreWatcher() {
  if (fd_ >= 0) close(fd_);
}

void StoreWatcher::arm() {
  if (fd_ < 0) return;
  if (watch_ >= 0) inotify_rm_watch(fd_, watch_);
  watched_ = nearestExisting(file_.parent_path());
  watch_ = inotify_add_watch(fd_, watched_.c_str(), kFolderEvents);
}

void StoreWatcher::readEvents() {
  if (fd_ < 0) return;
  alignas(inotify_event) std::array<char, 8192> buffer;
  bool changed = false;
  bool rearm = false;
  const bool watchingStoreFolder = watched_ == file_.parent_path();
  // The name under the watched folder that leads to the store.
  const auto below = std::filesystem::relative(file_, watched_);
  const std::string next = below.empty() ? std::string() : below.begin()->string();
  while (true) {
    const ssize_t length = read(fd_, buffer.data(), buffer.size());
    if (length <= 0) {
      if (length < 0 && errno == EINTR) continue;
      break;
    }
    for (ssize_t offset = 0; offset < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      // A watch given up, whose last events (IN_IGNORED) still arrive.
      if (event->wd != watch_ && !(event->mask & IN_Q_OVERFLOW)) continue;
      if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_Q_OVERFLOW)) {
        rearm = changed = true;
        continue;
      }
      const std::string name = event->len > 0 ? std::string(event->name) : std::string();
      if (name != next) continue;
      changed = true;
      // A folder on the way to the store was made or went away: watch from where it now ends.
      if (!watchingStoreFolder || (event->mask & IN_ISDIR)) rearm = true;
    }
  }
  if (rearm) arm();
  if (changed) due_ = Clock::now() + debounce_;
}

std::optional<StoreWatcher::Clock::time_point> StoreWatcher::dueAt() const {
  return due_;
}

bool StoreWatcher::takeChange(Clock::time_point now) {
  if (!due_ || now < *due_) return false;
  due_.reset();
  return true;
}

}  // namespace host
