#include "foundation/user_defaults.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/property_list/number_scanning.hpp"
#include "store_fixture.hpp"
#include "support/environment_guard.hpp"
#include "support/locale_guard.hpp"

namespace foundation::testing {
namespace {

namespace fs = std::filesystem;
using support::bytesOf;

TEST_F(StoreTest, opensOnlyWellFormedSuiteNamesWithAContainer) {
  const std::string refused[] = {
      "",          "group",    "Group.a",    "groupa",   " group.a",
      "group.a/b", "group.a/", "group.a..b", "group...", std::string("group.a\0b", 9)};
  for (const auto& [names, opens] :
       {std::pair{std::vector<std::string>{"group.a", "group.", "group.a.b-c_d"}, true},
        {std::vector<std::string>(std::begin(refused), std::end(refused)), false}}) {
    for (const auto& name : names) {
      // Where the file system allows it the container exists, so only the name can refuse.
      std::error_code ignored;
      fs::create_directories(root_.container(name.substr(0, name.find('\0'))), ignored);
      EXPECT_EQ(UserDefaults::initWithSuiteName(name, options_).has_value(), opens) << name;
    }
  }
  // The container must exist and be a folder; a link to one will do.
  support::writeFile(root_.container("group.file"), bytesOf("x"));
  fs::create_symlink(root_.container("group.a"), root_.container("group.link"));
  for (const auto& [name, opens] :
       {std::pair{"group.missing", false}, {"group.file", false}, {"group.link", true}}) {
    EXPECT_EQ(UserDefaults::initWithSuiteName(name, options_).has_value(), opens) << name;
  }
}

TEST_F(StoreTest, findsTheContainersRootByTheXdgRulesUnlessTheHostSetsIt) {
  const support::EnvironmentGuard xdg("XDG_DATA_HOME", "/data");
  const support::EnvironmentGuard home("HOME", "/home/someone");
  const fs::path underHome("/home/someone/.local/share/group-containers");
  const std::pair<const char*, ContainersRoot> cases[] = {
      {"/data", {"/data/group-containers", "$XDG_DATA_HOME"}},
      {"data", {underHome, "$HOME"}},  // a relative XDG_DATA_HOME is ignored
      {"", {underHome, "$HOME"}},
      {nullptr, {underHome, "$HOME"}}};
  for (const auto& [value, expected] : cases) {
    xdg.set(value);
    EXPECT_EQ(ContainersRoot::current(), expected) << (value ? value : "(unset)");
  }
  // The one-argument form reads the suite under the root the host names.
  const support::ContainersRootGuard setting(root_.root());
  writeSuite(fixture("full.xml.plist"));
  EXPECT_EQ(read(*UserDefaults::initWithSuiteName(kSuite)).balance, 1234.56);
}

TEST_F(StoreTest, convertsValuesToDoubleAsThePlatformDoes) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::pair<const char*, double> stored[] = {{"int_max", 9223372036854775808.0},
                                                   {"uint_max", 18446744073709551616.0},
                                                   {"minus_one", -1.0},
                                                   {"real", 12.25},
                                                   {"inf", kInf},
                                                   {"neg_inf", -kInf},
                                                   {"true", 1.0},
                                                   {"s_decimal", 12.5},
                                                   {"s_trailing", 7.0},
                                                   {"s_exponent", 1000.0},
                                                   {"s_comma", 12.0},
                                                   {"s_huge", kInf},
                                                   {"s_negative", -35.0}};
  const char* zero[] = {"zero", "false", "s_hex", "s_inf", "s_nan",  "s_empty",
                        "date", "data",  "array", "dict",  "missing"};
  // The string scan alone, on text no fixture holds.
  const std::pair<std::string, double> scanned[] = {
      {"+-5", 0.0},
      {"-.5e-1", -0.05},
      {"1e", 1.0},
      {"1.5.3", 1.5},
      {"\n\t 8", 8.0},
      {"1e-999", 0.0},
      {"-1e999", -kInf},
      {"12,840.50", 12.0},
      // The store's own white space: all below U+0021, U+007F-U+00A0, U+2000-U+200B, U+3000.
      {std::string("\0\x1f\x7f", 3) + "2", 2.0},
      {"\xc2\x85\u00a0 3", 3.0},
      {"\u2000\u200b\u30004", 4.0},
      {"\u00a15", 0.0},
      {"\u200c5", 0.0},
      {"\xc2", 0.0}};
  // Under a locale whose decimal separator is a comma, nothing may change.
  for (const bool comma : {false, true}) {
    const support::CLocaleGuard locale(
        comma ? std::initializer_list<const char*>{"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}
              : std::initializer_list<const char*>{"C"});
    if (locale.name().empty()) continue;
    for (const std::string format : {"xml", "binary"}) {
      writeSuite(fixture("conversions." + format + ".plist"));
      const auto store = open();
      for (const auto& [key, expected] : stored) {
        EXPECT_EQ(store->doubleForKey(key), expected)
            << locale.name() << " " << format << " " << key;
      }
      for (const char* key : zero) EXPECT_EQ(store->doubleForKey(key), 0.0) << format << " " << key;
      EXPECT_TRUE(std::isnan(store->doubleForKey("nan")));
      EXPECT_EQ(asDate(*store->objectForKey("date")), Date{1.0});
    }
    for (const auto& [text, expected] : scanned) {
      EXPECT_EQ(scanDoubleValue(text), expected)
          << locale.name() << " " << ::testing::PrintToString(text);
    }
  }
}

}  // namespace
}  // namespace foundation::testing
