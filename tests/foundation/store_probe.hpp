#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "property_list_test_support.hpp"

// Helpers of the store's fault and bound tests: stores whose four values say which version of
// the file was read, a watch on the peak memory of the process, and a record of a file that
// must never change.
namespace foundation::testing {

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

// Object encodings of a binary property list beyond the builder's own.
inline Bytes binaryReal(double value) {
  Bytes out{0x23};
  BinaryPlistBuilder::appendBigEndian(out, std::bit_cast<std::uint64_t>(value), 8);
  return out;
}
inline Bytes binaryDate(double secondsSince2001) {
  Bytes out{0x33};
  BinaryPlistBuilder::appendBigEndian(out, std::bit_cast<std::uint64_t>(secondsSince2001), 8);
  return out;
}
inline Bytes binaryData(std::size_t size, std::uint8_t fill) {
  Bytes out = BinaryPlistBuilder::header(0x4, size);
  out.insert(out.end(), size, fill);
  return out;
}

enum class Format : std::uint8_t { binary, xml };
inline const char* toString(Format format) {
  return format == Format::binary ? "binary" : "xml";
}

// A store whose updatedAt, balance, todayIncome and todayExpense all hold `version`, after a
// data value of `padding` bytes, so that a reader that mixed two versions shows it.
inline Bytes versionedStore(Format format, double version, std::size_t padding = 0) {
  if (format == Format::binary) {
    BinaryPlistBuilder plist;
    plist.refSize = 1;
    const auto padKey = plist.add(BinaryPlistBuilder::ascii("padding"));
    const auto padValue = plist.add(binaryData(padding, 0x5A));
    const auto dateKey = plist.add(BinaryPlistBuilder::ascii("updatedAt"));
    const auto date = plist.add(binaryDate(version));
    std::vector<std::uint64_t> keys{padKey, dateKey};
    std::vector<std::uint64_t> values{padValue, date};
    for (const char* name : {"balance", "todayIncome", "todayExpense"}) {
      keys.push_back(plist.add(BinaryPlistBuilder::ascii(name)));
      values.push_back(plist.add(binaryReal(version)));
    }
    plist.top = plist.add(plist.dictionary(keys, values));
    plist.offsetSize = 8;
    return plist.build();
  }
  char number[64];
  std::snprintf(number, sizeof number, "%.17g", version);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>";
  xml += "<key>padding</key><string>" + std::string(padding, 'Z') + "</string>";
  // Versions are small whole numbers of seconds, so the date needs only the seconds field.
  const int seconds = static_cast<int>(version);
  char date[64];
  std::snprintf(date, sizeof date, "2001-01-01T00:%02d:%02dZ", seconds / 60, seconds % 60);
  xml += std::string("<key>updatedAt</key><date>") + date + "</date>";
  for (const char* name : {"balance", "todayIncome", "todayExpense"}) {
    xml += std::string("<key>") + name + "</key><real>" + number + "</real>";
  }
  xml += "</dict></plist>\n";
  return bytesOf(xml);
}

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
