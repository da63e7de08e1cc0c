#pragma once

// What several stage benchmarks share: a containers root holding the sample store, written in
// either property-list form, and pointed at through the environment while a benchmark runs.

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "foundation/containers_root.hpp"

namespace bench {

inline constexpr std::string_view kAppGroup = POCKETTA_APP_GROUP;

// The sample store's figures (samples/group-containers): 2026-12-06T08:30:00Z in seconds since
// 2001-01-01, and the three amounts.
inline constexpr double kUpdatedAt = 818238600.0;
inline constexpr double kBalance = 12840.5;
inline constexpr std::int64_t kIncome = 350;
inline constexpr double kExpense = 86.4;

enum class StoreForm : std::uint8_t { xml, binary };

inline std::string xmlStore() {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>balance</key>
	<real>12840.5</real>
	<key>todayExpense</key>
	<real>86.4</real>
	<key>todayIncome</key>
	<integer>350</integer>
	<key>updatedAt</key>
	<date>2026-12-06T08:30:00Z</date>
</dict>
</plist>
)";
}

// The same dictionary as a "bplist00" file: one-byte object references and offsets suffice for
// nine small objects.
inline std::string binaryStore() {
  std::string out = "bplist00";
  std::vector<std::uint8_t> offsets;
  auto be = [&out](std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
      out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
  };
  auto begin = [&] { offsets.push_back(static_cast<std::uint8_t>(out.size())); };
  auto ascii = [&](std::string_view s) {
    begin();
    out.push_back(static_cast<char>(0x50 | s.size()));
    out.append(s);
  };
  auto real = [&](std::uint8_t marker, double value) {
    begin();
    out.push_back(static_cast<char>(marker));
    be(std::bit_cast<std::uint64_t>(value), 8);
  };
  // Object 0: the dictionary; keys are objects 1-4, values 5-8.
  begin();
  out.push_back(static_cast<char>(0xD4));
  for (int ref = 1; ref <= 8; ++ref) out.push_back(static_cast<char>(ref));
  ascii("updatedAt");
  ascii("balance");
  ascii("todayIncome");
  ascii("todayExpense");
  real(0x33, kUpdatedAt);
  real(0x23, kBalance);
  begin();
  out.push_back(static_cast<char>(0x11));  // a two-byte integer
  be(static_cast<std::uint64_t>(kIncome), 2);
  real(0x23, kExpense);

  const std::size_t offsetTable = out.size();
  for (std::uint8_t offset : offsets) out.push_back(static_cast<char>(offset));
  out.append(6, '\0');
  out.push_back(1);  // offset size
  out.push_back(1);  // object reference size
  be(offsets.size(), 8);
  be(0, 8);  // top object
  be(offsetTable, 8);
  return out;
}

// A temporary containers root with the App Group's store, the host's setting for as long as
// this lives.
class StoreFixture {
 public:
  explicit StoreFixture(StoreForm form) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pocketta-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    const auto folder = root_ / kAppGroup / "Library" / "Preferences";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / (std::string(kAppGroup) + ".plist"), std::ios::binary)
        << (form == StoreForm::xml ? xmlStore() : binaryStore());
    foundation::ContainersRoot::setHostSetting(foundation::ContainersRoot{root_, "a benchmark"});
  }
  ~StoreFixture() {
    foundation::ContainersRoot::setHostSetting(std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  StoreFixture(const StoreFixture&) = delete;
  StoreFixture& operator=(const StoreFixture&) = delete;

 private:
  std::filesystem::path root_;
};

}  // namespace bench
