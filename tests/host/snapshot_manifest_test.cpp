#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "host/snapshot_manifest.hpp"

namespace {

using host::SnapshotCell;
using host::SnapshotManifest;

SnapshotManifest sample() {
  SnapshotManifest manifest;
  manifest.kind = "Widget";
  manifest.scale = 2;
  manifest.tint = {0.898, 0.753, 0.482, 1};  // not a whole number of 255ths: kept exactly
  manifest.entries = {
      {"current", false, foundation::Date{818238600.25}, {{"balance", 12840.5}, {"income", 0.1}}},
      {"odd", false, foundation::Date{-1e9}, {{"balance", -0.0}, {"income", std::nan("")}}},
      {"placeholder", true, foundation::Date{0}, {{"balance", 277}}},
  };
  host::Matrix matrix = manifest.matrix();
  for (const char* device : {"iphone-16", "iphone-99"}) {
    for (std::size_t entry = 0; entry < manifest.entries.size(); ++entry) {
      SnapshotCell cell;
      cell.device = device;
      cell.family = host::WidgetFamily::systemMedium;
      cell.context = host::RenderingContext::homeTinted;
      cell.appearance = host::Appearance::dark;
      cell.locale = "ar_EG@numbers=latn";
      cell.textSize = ui::DynamicTypeSize::accessibility2;
      cell.entry = entry;
      cell.id = host::snapshotId(cell.device, cell.family, cell.context, cell.appearance,
                                 cell.locale, cell.textSize, manifest.entries[entry].name);
      cell.width = 676;
      cell.height = 316;
      cell.sha256.bytes[0] = static_cast<std::uint8_t>(entry);
      manifest.cells.push_back(cell);
    }
  }
  return manifest;
}

std::variant<SnapshotManifest, std::string> read(const std::string& text) {
  std::istringstream in(text);
  return host::readSnapshotManifest(in);
}

TEST(SnapshotManifest, readsBackExactlyWhatItWroteOneCellALine) {
  const SnapshotManifest manifest = sample();
  std::ostringstream out;
  host::writeSnapshotManifest(out, manifest);
  const std::string text = out.str();
  auto back = read(text);
  ASSERT_TRUE(std::holds_alternative<SnapshotManifest>(back)) << std::get<std::string>(back);
  const SnapshotManifest& read = std::get<SnapshotManifest>(back);
  // NaN equals nothing: compared apart.
  EXPECT_TRUE(std::isnan(read.entries[1].values[1].value));
  EXPECT_TRUE(std::signbit(read.entries[1].values[0].value));
  SnapshotManifest comparable = read;
  comparable.entries[1].values[1].value = 0;
  SnapshotManifest expected = manifest;
  expected.entries[1].values[1].value = 0;
  EXPECT_EQ(comparable, expected);
  // An entry a line, a cell a line; the phone the table no longer has is kept as it was.
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  EXPECT_EQ(lines, 8 + manifest.entries.size() + manifest.cells.size() + 2);
  EXPECT_EQ(host::matrixCell(read.cells.back()), std::nullopt);
  // The id a matrix gives a cell is the one read back.
  const auto cell = host::matrixCell(read.cells.front());
  ASSERT_TRUE(cell.has_value());
  EXPECT_EQ(cell->id(read.matrix()), read.cells.front().id);
  EXPECT_EQ(host::snapshotCell(*cell, read.matrix()).id, read.cells.front().id);
}

TEST(SnapshotManifest, saysWhatIsWrongWithAManifestOnOneLine) {
  std::ostringstream out;
  host::writeSnapshotManifest(out, sample());
  const std::string good = out.str();
  auto edited = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const std::pair<std::string, const char*> cases[] = {
      {"", "parse error"},
      {"[]", "the manifest is not an object"},
      {good.substr(0, good.size() / 2), "parse error"},
      {edited("\"snapshots\": 1", "\"snapshots\": 2"), "\"snapshots\" is 2, not 1"},
      {edited("\"family\":\"medium\"", "\"family\":\"huge\""), "cells[0].family is 'huge'"},
      {edited("\"context\":\"home-tinted\"", "\"context\":7"), "cells[0].context is not a string"},
      {edited("\"entry\":\"current\"", "\"entry\":\"gone\""), "cells[0].entry 'gone'"},
      {edited("\"width\":676", "\"width\":0"), "cells[0].width is not a whole number"},
      {edited("\"sha256\":\"00", "\"sha256\":\"zz"), "cells[0].sha256 is not 64"},
      {edited("\"id\":\"iphone-16.", "\"id\":\"../iphone-16."), "cells[0].id is not a file name"},
      {edited(",\"textSize\":\"accessibility2\"", ""), "cells[0] has no \"textSize\""},
      {edited("\"placeholder\":false", "\"placeholder\":0"), "entries.current.placeholder"},
      {edited("\"scale\": 2.0", "\"scale\": 100"), "scale is not from 0.25 to 8"},
      {edited("\"cells\": [", "\"cells\": [[1],"), "cells holds something other than cells"},
  };
  for (const auto& [text, expected] : cases) {
    const auto result = read(text);
    const auto* error = std::get_if<std::string>(&result);
    ASSERT_NE(error, nullptr) << text;
    EXPECT_NE(error->find(expected), std::string::npos) << *error;
    EXPECT_EQ(error->find('\n'), std::string::npos) << *error;
  }
  // Two cells of one id would share a picture.
  std::string twice = good;
  const auto first = twice.find("{\"id\"");
  const auto line = twice.substr(first, twice.find('\n', first) - first);
  twice.insert(first, line + "\n");
  EXPECT_NE(std::get<std::string>(read(twice)).find("given twice"), std::string::npos);
}

TEST(SnapshotManifest, anIdIsAFileNameInTheFolder) {
  for (const char* good :
       {"iphone-16.small.home.light.en_US.large.current", "a.b@numbers=latn;calendar=japanese+x"}) {
    EXPECT_TRUE(host::isSnapshotId(good)) << good;
  }
  for (const char* bad : {"", ".hidden", "a/b", "a b", "..", "a\nb", "caf\xc3\xa9"}) {
    EXPECT_FALSE(host::isSnapshotId(bad)) << bad;
  }
  EXPECT_FALSE(host::isSnapshotId(std::string(201, 'a')));
}

}  // namespace
