#include "support/temporary_containers.hpp"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace support {

namespace fs = std::filesystem;

TemporaryContainers::TemporaryContainers(const fs::path& base) {
  std::string pattern =
      ((base.empty() ? fs::temp_directory_path() : base) / "pocketta-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
  }
  root_ = pattern;
}

TemporaryContainers::~TemporaryContainers() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

fs::path TemporaryContainers::storePath(const std::string& suite) const {
  return root_ / suite / "Library" / "Preferences" / (suite + ".plist");
}

void TemporaryContainers::writeStore(const std::string& suite, const Bytes& bytes) const {
  writeFile(storePath(suite), bytes);
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace support
