#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace foundation {

// Told each temporary file's path just before it is made, and nullptr once they are all renamed
// or removed: lets a signal handler remove a file left half-written.
using TemporaryFileWatcher = void (*)(const char* temporaryPath);

// Writes `bytes` to `path` so that the path holds either what it held before or all of the new
// bytes, never a part: the bytes go to a new file in the same folder (".NAME.tmp-PID-N"), are
// flushed to the disk, and the file is renamed over `path`, whose folder is then flushed too. On
// any failure the new file is removed; a signal handler told by `watcher` removes it when the
// process is stopped part-way, and what a process killed outright (SIGKILL) left is removed the
// next time the same path is written, once no process of its PID is alive. A link at `path` is
// followed; a path that holds anything but a regular file (a device, a pipe, a folder) is
// refused, never replaced. Returns nothing on success, else one line saying what failed.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes,
                                               TemporaryFileWatcher watcher = nullptr);
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view text,
                                               TemporaryFileWatcher watcher = nullptr);

struct FileContent {
  std::filesystem::path path;
  std::span<const std::uint8_t> bytes;
};

// Several files, each as writeFileAtomically writes one, flushed to the disk side by side (the
// disk's wait paid once rather than once per file), and each folder flushed once. All the new
// files are written and flushed before the first is renamed, so a failure while writing leaves
// every path as it was; a failed rename leaves the files before it replaced. Returns nothing on
// success, else one line for the first failure.
std::optional<std::string> writeFilesAtomically(std::span<const FileContent> files,
                                                TemporaryFileWatcher watcher = nullptr);

}  // namespace foundation
