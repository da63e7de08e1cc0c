#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/containers_root.hpp"
#include "foundation/property_list_value.hpp"

namespace foundation::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

inline Bytes readFixture(const std::string& name) {
  std::ifstream in(std::string(POCKETTA_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing fixture " << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A fresh directory under the system's temporary folder, removed with everything in it.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pocketta-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Sets (or, given nothing, unsets) an environment variable, and puts back what it was when the
// guard goes.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) saved_ = value;
  }
  EnvironmentGuard(const char* name, const char* value) : EnvironmentGuard(name) { set(value); }
  ~EnvironmentGuard() { set(saved_ ? saved_->c_str() : nullptr); }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

  void set(const char* value) const {
    if (value) {
      ::setenv(name_, value, 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// Makes `root` the host's containers root, and clears the setting when the guard goes.
class ContainersRootGuard {
 public:
  explicit ContainersRootGuard(const std::filesystem::path& root) {
    ContainersRoot::setHostSetting(ContainersRoot{root, "a test"});
  }
  ~ContainersRootGuard() { ContainersRoot::setHostSetting(std::nullopt); }
  ContainersRootGuard(const ContainersRootGuard&) = delete;
  ContainersRootGuard& operator=(const ContainersRootGuard&) = delete;
};

inline std::filesystem::path preferencesPath(const std::filesystem::path& root,
                                             const std::string& suite) {
  return root / suite / "Library" / "Preferences" / (suite + ".plist");
}

// Lays out a binary property list from raw object encodings: offset table, trailer and
// all, with every trailer field open to tampering.
struct BinaryPlistBuilder {
  std::vector<Bytes> objects;
  std::uint8_t refSize = 1;
  std::uint8_t offsetSize = 0;  // 0: the narrowest that holds every offset
  std::uint64_t top = 0;

  std::uint64_t add(Bytes object) {
    objects.push_back(std::move(object));
    return objects.size() - 1;
  }

  static void appendBigEndian(Bytes& out, std::uint64_t value, unsigned size) {
    for (unsigned i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  // A marker with its count, written inline or as a following integer.
  static Bytes header(std::uint8_t type, std::uint64_t count) {
    if (count < 15) return {static_cast<std::uint8_t>((type << 4) | count)};
    Bytes out{static_cast<std::uint8_t>((type << 4) | 0x0F), 0x13};
    appendBigEndian(out, count, 8);
    return out;
  }
  Bytes array(const std::vector<std::uint64_t>& refs) const {
    Bytes out = header(0xA, refs.size());
    for (const auto ref : refs) appendBigEndian(out, ref, refSize);
    return out;
  }
  Bytes dictionary(const std::vector<std::uint64_t>& keys,
                   const std::vector<std::uint64_t>& values) const {
    Bytes out = header(0xD, keys.size());
    for (const auto ref : keys) appendBigEndian(out, ref, refSize);
    for (const auto ref : values) appendBigEndian(out, ref, refSize);
    return out;
  }
  static Bytes ascii(std::string_view text) {
    Bytes out = header(0x5, text.size());
    out.insert(out.end(), text.begin(), text.end());
    return out;
  }
  static Bytes integer(std::int64_t value) {
    Bytes out{0x13};
    appendBigEndian(out, static_cast<std::uint64_t>(value), 8);
    return out;
  }

  struct Trailer {
    std::uint64_t numObjects;
    std::uint64_t top;
    std::uint64_t offsetTableOffset;
  };

  Bytes build() const {
    return build([](Bytes&, Trailer&) {});
  }

  // `tamper` may rewrite the object area (before the offset table) and the trailer fields.
  template <typename Tamper>
  Bytes build(Tamper tamper) const {
    Bytes out = bytesOf("bplist00");
    std::vector<std::uint64_t> offsets;
    for (const auto& object : objects) {
      offsets.push_back(out.size());
      out.insert(out.end(), object.begin(), object.end());
    }
    Trailer trailer{objects.size(), top, out.size()};
    std::uint8_t width = offsetSize;
    if (width == 0) width = out.size() <= 0xFF ? 1 : out.size() <= 0xFFFF ? 2 : 4;
    for (const auto offset : offsets) appendBigEndian(out, offset, width);
    tamper(out, trailer);
    for (int i = 0; i < 6; ++i) out.push_back(0);
    out.push_back(width);
    out.push_back(refSize);
    appendBigEndian(out, trailer.numObjects, 8);
    appendBigEndian(out, trailer.top, 8);
    appendBigEndian(out, trailer.offsetTableOffset, 8);
    return out;
  }
};

}  // namespace foundation::testing
