#pragma once

#include <filesystem>
#include <string>

#include "foundation/containers_root.hpp"
#include "support/property_list_writer.hpp"

namespace support {

// A fresh containers root under `base` (the system's temporary folder by default), removed with
// everything in it when this goes. Suites' store files are laid out as the store reads them.
class TemporaryContainers {
 public:
  explicit TemporaryContainers(const std::filesystem::path& base = {});
  ~TemporaryContainers();
  TemporaryContainers(const TemporaryContainers&) = delete;
  TemporaryContainers& operator=(const TemporaryContainers&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path container(const std::string& suite) const { return root_ / suite; }
  // <root>/<suite>/Library/Preferences/<suite>.plist
  std::filesystem::path storePath(const std::string& suite) const;
  // Writes the suite's store file, making its folders.
  void writeStore(const std::string& suite, const Bytes& bytes) const;

 private:
  std::filesystem::path root_;
};

// Makes `root` the containers root the store reads on this thread while the guard lives.
class ContainersRootGuard {
 public:
  explicit ContainersRootGuard(const std::filesystem::path& root)
      : binding_(foundation::ContainersRoot{root, "a test"}) {}

 private:
  foundation::ContainersRoot::Binding binding_;
};

// Writes `bytes` to `path` whole, making the folders on the way; throws when it cannot.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes readFile(const std::filesystem::path& path);

}  // namespace support
