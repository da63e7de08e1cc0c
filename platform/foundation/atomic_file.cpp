#include "foundation/atomic_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

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

// One file on its way: where it goes, and its temporary file once made.
struct Pending {
  std::filesystem::path requested;
  std::filesystem::path path;  // the link's target where `requested` is a link
  std::filesystem::path temporary;
  int fd = -1;
  bool renamed = false;
};

// Where the bytes for `requested` go, or why they cannot: a link is followed, so the file it
// names is replaced and the link stays; anything but a regular file (a device, a pipe, a
// folder) is never replaced by a rename.
std::optional<std::string> resolve(Pending& file) {
  file.path = file.requested;
  std::error_code statusError;
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(file.path, statusError))) {
    const auto target = std::filesystem::weakly_canonical(file.path, statusError);
    if (statusError) {
      return "cannot write " + file.requested.string() + ": " + statusError.message();
    }
    file.path = target;
  }
  const auto status = std::filesystem::status(file.path, statusError);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return "cannot write " + file.requested.string() + ": not a regular file";
  }
  const std::string name = file.path.filename().string();
  if (name.empty() || name == "." || name == "..") {
    return "cannot write " + file.path.string() + ": not a file name";
  }
  return std::nullopt;
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

std::string temporaryPrefix(const std::filesystem::path& path) {
  return "." + path.filename().string() + ".tmp-";
}

// The writer's process id in a temporary file's name, "<prefix>PID-N"; nothing for any other
// name.
std::optional<pid_t> writerOf(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return std::nullopt;
  name.remove_prefix(prefix.size());
  pid_t pid = 0;
  const auto [dash, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (error != std::errc() || pid <= 0 || dash == name.data() + name.size() || *dash != '-') {
    return std::nullopt;
  }
  const std::string_view count(dash + 1,
                               static_cast<std::size_t>(name.data() + name.size() - dash - 1));
  if (count.empty() || count.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return pid;
}

// Removes what a writer of `path` killed part-way (SIGKILL, which no handler sees) left beside
// it: its temporary files, named for `path`, whose process is gone. A live process keeps its
// files, another user's too (kill() then says EPERM), and so does this one's: another thread
// may be writing the same path.
void removeStaleTemporaryFiles(const std::filesystem::path& path) {
  const std::string prefix = temporaryPrefix(path);
  std::error_code error;
  std::filesystem::directory_iterator entries(folderOf(path), error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::string name = entries->path().filename().string();
    const auto writer = writerOf(name, prefix);
    if (!writer || *writer == getpid()) continue;
    if (kill(*writer, 0) == 0 || errno != ESRCH) continue;
    unlink(entries->path().c_str());
  }
}

}  // namespace

std::optional<std::string> writeFilesAtomically(std::span<const FileContent> files,
                                                TemporaryFileWatcher watcher) {
  const auto watch = [watcher](const char* temporary) {
    if (watcher != nullptr) watcher(temporary);
  };
  static std::atomic<unsigned> counter{0};
  std::vector<Pending> pending(files.size());
  // On a failure: the temporary files not yet renamed are removed, and the line says why.
  auto fail = [&](const std::filesystem::path& path, int error) -> std::optional<std::string> {
    for (Pending& file : pending) {
      if (file.fd >= 0) close(file.fd);
      if (!file.temporary.empty() && !file.renamed) unlink(file.temporary.c_str());
    }
    watch(nullptr);
    return "cannot write " + path.string() + ": " + describeErrno(error);
  };

  for (std::size_t i = 0; i < files.size(); ++i) {
    pending[i].requested = files[i].path;
    if (auto refused = resolve(pending[i])) return refused;  // nothing made yet
  }
  // Before the new files are made, so that what a dead writer left does not fill the disk.
  for (const Pending& file : pending) removeStaleTemporaryFiles(file.path);
  // Every new file written before any is flushed, and the writing of all of them started before
  // waiting for the first: the disk takes them side by side.
  for (std::size_t i = 0; i < files.size(); ++i) {
    Pending& file = pending[i];
    file.temporary = folderOf(file.path) / (temporaryPrefix(file.path) + std::to_string(getpid()) +
                                            "-" + std::to_string(counter.fetch_add(1)));
    watch(file.temporary.c_str());
    file.fd = open(file.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file.fd < 0) {
      const int error = errno;
      file.temporary.clear();  // not made: nothing to remove
      return fail(file.path, error);
    }
    int error = 0;
    if (!writeAll(file.fd, files[i].bytes.data(), files[i].bytes.size(), error)) {
      return fail(file.path, error);
    }
    sync_file_range(file.fd, 0, 0, SYNC_FILE_RANGE_WRITE);  // a hint: fsync below decides
  }
  for (Pending& file : pending) {
    const bool synced = fsync(file.fd) == 0;
    const int error = errno;
    const bool closed = close(file.fd) == 0;
    file.fd = -1;
    if (!synced || !closed) return fail(file.path, synced ? errno : error);
  }
  for (Pending& file : pending) {
    if (rename(file.temporary.c_str(), file.path.c_str()) != 0) return fail(file.path, errno);
    file.renamed = true;
  }
  watch(nullptr);
  // The renames reach the disk with their folders, each flushed once; a failure here loses no
  // data.
  std::vector<std::filesystem::path> folders;
  for (const Pending& file : pending) {
    const std::filesystem::path folder = folderOf(file.path);
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
    folders.push_back(folder);
    if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
      fsync(dir);
      close(dir);
    }
  }
  return std::nullopt;
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes,
                                               TemporaryFileWatcher watcher) {
  const FileContent file{path, bytes};
  return writeFilesAtomically(std::span(&file, 1), watcher);
}

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view text,
                                               TemporaryFileWatcher watcher) {
  return writeFileAtomically(
      path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), watcher);
}

}  // namespace foundation
