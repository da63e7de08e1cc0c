#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace host {

// New files made side by side in a hidden folder, then moved together to where they belong: a
// reader there never sees a file half-written, and a run that fails or is stopped leaves the
// place as it was (the folder is removed with it). What a run killed outright (SIGKILL) left is
// removed by the next one, once no process of its id is alive. Files may be written from several
// threads at once.
class StagingFolder {
 public:
  // A new folder ".<stem>-<pid>-<n>" in `parent` (made when missing).
  static std::variant<std::unique_ptr<StagingFolder>, std::string> create(
      const std::filesystem::path& parent, const std::string& stem);
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // A file of the folder, written at once. Returns nothing on success, else one line.
  std::optional<std::string> write(const std::string& name,
                                   std::span<const std::uint8_t> bytes) const;
  std::optional<std::string> write(const std::string& name,
                                   const std::function<void(std::ostream&)>& content) const;

  // Flushes the files to the disk, then renames the named ones into `place` in order (so that a
  // file that refers to others comes last), and flushes `place`.
  std::optional<std::string> moveInto(const std::filesystem::path& place,
                                      const std::vector<std::string>& names);
  // Flushes the files, then puts the whole folder at `target` (made by an earlier run, or
  // absent) in place of what was there, which is removed.
  std::optional<std::string> replace(const std::filesystem::path& target);

 private:
  explicit StagingFolder(std::filesystem::path path) : path_(std::move(path)) {}
  std::optional<std::string> flush() const;

  std::filesystem::path path_;
};

}  // namespace host
