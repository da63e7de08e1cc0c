#include "host/staging_folder.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace host {
namespace {

std::string failure(const std::string& what, const std::filesystem::path& path, int error) {
  return "cannot " + what + " " + path.string() + ": " + std::strerror(error);
}

// Whether `name` is ".<stem>-<pid>-<n>" of a process that is gone.
bool leftByDeadProcess(std::string_view name, const std::string& stem) {
  const std::string prefix = "." + stem + "-";
  if (!name.starts_with(prefix)) return false;
  name.remove_prefix(prefix.size());
  pid_t pid = 0;
  const auto [dash, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || pid <= 0 || dash == name.data() + name.size() || *dash != '-') {
    return false;
  }
  return pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH;
}

void flushFolder(const std::filesystem::path& folder) {
  if (const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

std::variant<std::unique_ptr<StagingFolder>, std::string> StagingFolder::create(
    const std::filesystem::path& parent, const std::string& stem) {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  std::filesystem::create_directories(parent, error);
  if (error) return "cannot create the folder " + parent.string() + ": " + error.message();
  for (std::filesystem::directory_iterator entries(parent, error);
       !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    if (leftByDeadProcess(entries->path().filename().string(), stem)) {
      std::error_code ignored;
      std::filesystem::remove_all(entries->path(), ignored);
    }
  }
  const std::filesystem::path path = parent / ("." + stem + "-" + std::to_string(getpid()) + "-" +
                                               std::to_string(counter.fetch_add(1)));
  if (mkdir(path.c_str(), 0777) != 0) return failure("create the folder", path, errno);
  return std::unique_ptr<StagingFolder>(new StagingFolder(path));
}

StagingFolder::~StagingFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::optional<std::string> StagingFolder::write(const std::string& name,
                                                std::span<const std::uint8_t> bytes) const {
  const std::filesystem::path file = path_ / name;
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return failure("write", file, errno);
  const std::uint8_t* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      const int error = errno;
      close(fd);
      return failure("write", file, error);
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  // Starts the disk's work now, so that the flush at the end finds little left to wait for.
  sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  if (close(fd) != 0) return failure("write", file, errno);
  return std::nullopt;
}

std::optional<std::string> StagingFolder::write(
    const std::string& name, const std::function<void(std::ostream&)>& content) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (out) content(out);
  out.flush();
  if (!out) return failure("write", file, errno != 0 ? errno : EIO);
  return std::nullopt;
}

std::optional<std::string> StagingFolder::flush() const {
  // One flush of the file system for all the files, rather than one wait per file.
  const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failure("open", path_, errno);
  const bool synced = syncfs(fd) == 0;
  const int error = errno;
  close(fd);
  if (!synced) return failure("flush", path_, error);
  return std::nullopt;
}

std::optional<std::string> StagingFolder::moveInto(const std::filesystem::path& place,
                                                   const std::vector<std::string>& names) {
  if (auto failed = flush()) return failed;
  for (const std::string& name : names) {
    const std::filesystem::path from = path_ / name;
    const std::filesystem::path to = place / name;
    if (rename(from.c_str(), to.c_str()) != 0) return failure("move a file to", to, errno);
  }
  flushFolder(place);
  return std::nullopt;
}

std::optional<std::string> StagingFolder::replace(const std::filesystem::path& target) {
  if (auto failed = flush()) return failed;
  std::error_code error;
  std::filesystem::path old;
  if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) {
    old = path_;
    old += ".old";
    if (rename(target.c_str(), old.c_str()) != 0) return failure("replace", target, errno);
  }
  if (rename(path_.c_str(), target.c_str()) != 0) {
    const int failedWith = errno;
    if (!old.empty()) rename(old.c_str(), target.c_str());
    return failure("replace", target, failedWith);
  }
  // The folder is the target's now; what is left to remove is the old one.
  path_ = old;
  flushFolder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
  return std::nullopt;
}

}  // namespace host
