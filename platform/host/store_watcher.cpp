#include "host/store_watcher.hpp"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace host {
namespace {

// A folder on the way to the store: only what it holds by name, and itself going away.
constexpr std::uint32_t kPathEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                      IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// The store's own folder: the store written in place too.
constexpr std::uint32_t kStoreFolderEvents = kPathEvents | IN_CLOSE_WRITE | IN_MODIFY;

bool sameTime(const std::timespec& a, const std::timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool StoreWatcher::Fingerprint::operator==(const Fingerprint& other) const {
  return error == other.error && device == other.device && inode == other.inode &&
         mode == other.mode && size == other.size && sameTime(modified, other.modified) &&
         sameTime(changed, other.changed);
}

StoreWatcher::StoreWatcher(std::filesystem::path file, std::chrono::milliseconds debounce,
                           std::chrono::milliseconds pollInterval)
    : debounce_(debounce), pollInterval_(pollInterval) {
  std::error_code error;
  file_ = file.empty() ? file : std::filesystem::absolute(file, error);
  if (error) file_ = file;
  file_ = file_.lexically_normal();
  // "/a/b/s.plist": the folders "/", "/a", "/a/b", leading to "a", "b", "s.plist".
  const std::vector<std::filesystem::path> parts(file_.begin(), file_.end());
  if (parts.size() < 2 || file_.filename().empty()) return;  // no file: nothing to watch
  std::filesystem::path folder = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    folders_.push_back(folder);
    names_.push_back(parts[i].string());
    folder /= parts[i];
  }
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  seen_ = fingerprint();
  arm();
}

StoreWatcher::~StoreWatcher() {
  if (fd_ >= 0) close(fd_);
}

StoreWatcher::Fingerprint StoreWatcher::fingerprint() const {
  struct stat status {};
  if (stat(file_.c_str(), &status) != 0) return Fingerprint{errno};
  return Fingerprint{0,
                     status.st_dev,
                     status.st_ino,
                     status.st_mode,
                     status.st_size,
                     status.st_mtim,
                     status.st_ctim};
}

void StoreWatcher::dropWatches() {
  // Their last events (IN_IGNORED) still arrive, and are passed over: no watch holds their
  // descriptors any more, and inotify does not hand a descriptor out again soon.
  for (const int watch : watches_) inotify_rm_watch(fd_, watch);
  watches_.clear();
}

void StoreWatcher::arm() {
  if (folders_.empty()) return;
  const auto now = Clock::now();
  dropWatches();
  polling_ = fd_ < 0;
  if (fd_ >= 0) {
    for (std::size_t i = 0; i < folders_.size(); ++i) {
      const bool storeFolder = i + 1 == folders_.size();
      const int watch = inotify_add_watch(fd_, folders_[i].c_str(),
                                          storeFolder ? kStoreFolderEvents : kPathEvents);
      if (watch < 0) {
        // Not there, or not a folder: its parent's events tell when that changes. Anything else
        // (a folder the user may pass through but not list, the system's watch limit) leaves
        // only comparing.
        polling_ = errno != ENOENT && errno != ENOTDIR;
        break;
      }
      watches_.push_back(watch);
    }
  }
  nextComparison_.reset();
  if (polling_) nextComparison_ = now + pollInterval_;
  if (!(fingerprint() == seen_)) noteChange(now);
}

void StoreWatcher::rearm() {
  arm();
  seen_ = fingerprint();
  due_.reset();
}

void StoreWatcher::noteChange(Clock::time_point now) {
  due_ = now + debounce_;
}

void StoreWatcher::readEvents() {
  if (fd_ < 0) return;
  alignas(inotify_event) std::array<char, 8192> buffer;
  bool changed = false;
  bool rearmNeeded = false;
  while (true) {
    const ssize_t length = read(fd_, buffer.data(), buffer.size());
    if (length <= 0) {
      if (length < 0 && errno == EINTR) continue;
      break;
    }
    for (ssize_t offset = 0; offset < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        // Events were lost: anything may have happened.
        changed = rearmNeeded = true;
        continue;
      }
      // Two folders of the path may be one (a link to a folder above): each depth is looked at.
      for (std::size_t depth = 0; depth < watches_.size(); ++depth) {
        if (watches_[depth] != event->wd) continue;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
          changed = rearmNeeded = true;
          continue;
        }
        if (event->len == 0 || names_[depth] != event->name) continue;
        changed = true;
        // A folder on the way to the store was made, removed, renamed over or had its mode
        // changed: watch from where the path now leads.
        if (depth + 1 < folders_.size()) rearmNeeded = true;
      }
    }
  }
  if (rearmNeeded) arm();
  if (changed) noteChange(Clock::now());
}

std::optional<StoreWatcher::Clock::time_point> StoreWatcher::dueAt() const {
  if (due_ && nextComparison_) return std::min(*due_, *nextComparison_);
  return due_ ? due_ : nextComparison_;
}

bool StoreWatcher::takeChange(Clock::time_point now) {
  // Where a folder cannot be watched, the store is compared instead; the path may also have
  // become watchable meanwhile.
  if (nextComparison_ && now >= *nextComparison_) arm();
  if (!due_ || now < *due_) return false;
  due_.reset();
  seen_ = fingerprint();
  return true;
}

}  // namespace host
