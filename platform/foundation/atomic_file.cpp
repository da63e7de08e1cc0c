#include "foundation/atomic_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace foundation {
namespace {

std::string describeErrno(int error) {
  return std::strerror(error);
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size, int& error) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& requested,
                                               std::span<const std::uint8_t> bytes,
                                               TemporaryFileWatcher watcher) {
  const auto watch = [watcher](const char* temporary) {
    if (watcher != nullptr) watcher(temporary);
  };
  static std::atomic<unsigned> counter{0};
  // A link is followed, so the file it names is replaced and the link stays. Anything but a
  // regular file (a device, a pipe, a folder) is never replaced by a rename.
  std::filesystem::path path = requested;
  std::error_code statusError;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, statusError))) {
    const auto target = std::filesystem::weakly_canonical(path, statusError);
    if (statusError) return "cannot write " + requested.string() + ": " + statusError.message();
    path = target;
  }
  const auto status = std::filesystem::status(path, statusError);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return "cannot write " + requested.string() + ": not a regular file";
  }
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const std::string name = path.filename().string();
  if (name.empty() || name == "." || name == "..") {
    return "cannot write " + path.string() + ": not a file name";
  }
  const std::filesystem::path temporary =
      folder / ("." + name + ".tmp-" + std::to_string(getpid()) + "-" +
                std::to_string(counter.fetch_add(1)));

  watch(temporary.c_str());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    watch(nullptr);
    return "cannot write " + path.string() + ": " + describeErrno(error);
  }
  int error = 0;
  bool ok = writeAll(fd, bytes.data(), bytes.size(), error);
  if (ok && fsync(fd) != 0) {
    error = errno;
    ok = false;
  }
  if (close(fd) != 0 && ok) {
    error = errno;
    ok = false;
  }
  if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
    ok = false;
  }
  if (!ok) {
    unlink(temporary.c_str());
    watch(nullptr);
    return "cannot write " + path.string() + ": " + describeErrno(error);
  }
  watch(nullptr);
  // The rename itself reaches the disk with the folder; a failure here loses no data.
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return std::nullopt;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view text,
                                               TemporaryFileWatcher watcher) {
  return writeFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), watcher);
}

}  // namespace foundation
