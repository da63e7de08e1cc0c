#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/property_list_writer.hpp"

// Helpers of the store's fault and bound tests: stores whose four values say which version of
// the file was read, a watch on the peak memory of the process, and a record of a file that
// must never change.
namespace foundation::testing {

using support::Bytes;

// The peak resident memory of this process since the probe was made, less what was resident
// when it was made. Linux resets the peak on request (clear_refs "5"), so earlier tests in the
// same process do not hide a later one's growth.
class PeakMemoryProbe {
 public:
  PeakMemoryProbe() {
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5";
    reset.flush();
    available_ = reset.good();
    baselineKiB_ = field("VmRSS:");
  }
  bool available() const { return available_ && baselineKiB_ > 0; }
  long growthKiB() const { return field("VmHWM:") - baselineKiB_; }

 private:
  static long field(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind(name, 0) == 0) return std::stol(line.substr(name.size()));
    }
    return -1;
  }
  bool available_ = false;
  long baselineKiB_ = -1;
};

inline constexpr long kMiB = 1024;  // in KiB, the unit of the probe

// The bytes and modification time of a file, to show that reading it never wrote to it.
struct FileRecord {
  Bytes bytes;
  timespec modified{};
  mode_t mode = 0;

  static std::optional<FileRecord> of(const std::filesystem::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    FileRecord record;
    record.modified = status.st_mtim;
    record.mode = status.st_mode;
    if (S_ISREG(status.st_mode) && status.st_size < (std::int64_t{1} << 20)) {
      std::ifstream in(path, std::ios::binary);
      record.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return record;
  }
  friend bool operator==(const FileRecord& a, const FileRecord& b) {
    return a.bytes == b.bytes && a.mode == b.mode && a.modified.tv_sec == b.modified.tv_sec &&
           a.modified.tv_nsec == b.modified.tv_nsec;
  }
  friend void PrintTo(const FileRecord& record, std::ostream* os) {
    *os << "{" << record.bytes.size() << " bytes, mode " << std::oct << record.mode << std::dec
        << ", modified " << record.modified.tv_sec << "." << record.modified.tv_nsec << "}";
  }
};

}  // namespace foundation::testing
