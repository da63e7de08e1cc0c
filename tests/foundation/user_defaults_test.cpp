#include "foundation/user_defaults.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/property_list/number_scanning.hpp"
#include "support/environment_guard.hpp"
#include "support/locale_guard.hpp"
#include "support/temporary_containers.hpp"

namespace foundation {
namespace {

namespace fs = std::filesystem;
using support::Bytes;
using support::bytesOf;
using support::EnvironmentGuard;
using support::writeFile;

Bytes readFixture(const std::string& name) {
  return support::readFile(fs::path(POCKETTA_TEST_DATA_DIR) / name);
}

constexpr double kInf = std::numeric_limits<double>::infinity();
const std::string kSuite = "group.pocketta.test";

// A containers root in a temporary folder, with fast retries that are counted.
class StoreTest : public ::testing::Test {
 protected:
  StoreTest() {
    options_.containersRoot = root_.root();
    options_.retryDelay = std::chrono::milliseconds(1);
    options_.beforeRetry = [this](int) { ++retries_; };
  }

  fs::path suitePath() const { return root_.storePath(kSuite); }
  void writeSuite(const Bytes& bytes) const { writeFile(suitePath(), bytes); }
  void makeContainer() const { fs::create_directories(suitePath().parent_path()); }
  // The suite, which must open; a failure to open ends the test through gtest.
  UserDefaults open() {
    auto store = UserDefaults::initWithSuiteName(kSuite, options_);
    if (!store) throw std::runtime_error("the suite did not open");
    return *store;
  }
  // An open store that holds no value at all.
  void expectOpenButEmpty() {
    const auto store = UserDefaults::initWithSuiteName(kSuite, options_);
    ASSERT_TRUE(store.has_value());
    for (const char* key : {"updatedAt", "balance", "todayIncome", "todayExpense", ""}) {
      EXPECT_EQ(store->objectForKey(key), std::nullopt) << key;
      EXPECT_EQ(store->doubleForKey(key), 0.0) << key;
    }
  }

  support::TemporaryContainers root_;
  UserDefaultsOptions options_;
  int retries_ = 0;
};

TEST_F(StoreTest, opensOnlyWellFormedSuiteNamesWithAContainer) {
  const struct {
    std::string name;
    bool opens;
  } cases[] = {
      {"group.a", true},
      {"group.", true},
      {"group.a.b-c_d", true},
      {"", false},
      {"group", false},
      {"Group.a", false},
      {"groupa", false},
      {" group.a", false},
      {"group.a/b", false},
      {"group.a/", false},
      {"group.a..b", false},
      {"group...", false},
      {std::string("group.a\0b", 9), false},
  };
  for (const auto& [name, opens] : cases) {
    // Where the file system allows it, the container exists, so only the name can refuse.
    std::error_code ignored;
    fs::create_directories(root_.root() / name.substr(0, name.find('\0')), ignored);
    EXPECT_EQ(UserDefaults::initWithSuiteName(name, options_).has_value(), opens)
        << "'" << name << "'";
  }

  // The container folder must exist and be a folder; a link to one will do.
  EXPECT_FALSE(UserDefaults::initWithSuiteName("group.missing", options_).has_value());
  writeFile(root_.root() / "group.file", bytesOf("x"));
  EXPECT_FALSE(UserDefaults::initWithSuiteName("group.file", options_).has_value());
  fs::create_symlink(root_.root() / "group.a", root_.root() / "group.link");
  EXPECT_TRUE(UserDefaults::initWithSuiteName("group.link", options_).has_value());
  UserDefaultsOptions nowhere = options_;
  nowhere.containersRoot = root_.root() / "no-such-root";
  EXPECT_FALSE(UserDefaults::initWithSuiteName("group.a", nowhere).has_value());
}

TEST_F(StoreTest, findsTheContainersRootByTheXdgRulesUnlessTheHostSetsIt) {
  const EnvironmentGuard xdg("XDG_DATA_HOME", "/data");
  const EnvironmentGuard home("HOME", "/home/someone");
  const fs::path underHome("/home/someone/.local/share/group-containers");
  const std::pair<const char*, ContainersRoot> cases[] = {
      {"/data", {"/data/group-containers", "$XDG_DATA_HOME"}},
      {"data", {underHome, "$HOME"}},  // a relative XDG_DATA_HOME is ignored
      {"", {underHome, "$HOME"}},
      {nullptr, {underHome, "$HOME"}},
  };
  for (const auto& [value, expected] : cases) {
    xdg.set(value);
    EXPECT_EQ(ContainersRoot::current(), expected) << (value ? value : "(unset)");
  }

  // The one-argument form reads the suite under the root the host names.
  const support::ContainersRootGuard setting(root_.root());
  writeSuite(readFixture("full.xml.plist"));
  const auto store = UserDefaults::initWithSuiteName(kSuite);
  ASSERT_TRUE(store.has_value());
  EXPECT_EQ(store->doubleForKey("balance"), 1234.56);
}

TEST_F(StoreTest, readsEveryShapeFromDiskInBothFormats) {
  for (const std::string format : {"xml", "binary"}) {
    SCOPED_TRACE(format);
    writeSuite(readFixture("full." + format + ".plist"));
    const UserDefaults full = open();
    ASSERT_TRUE(full.objectForKey("updatedAt").has_value());
    EXPECT_EQ(asDate(*full.objectForKey("updatedAt")), Date{817806600.0});
    EXPECT_EQ(full.doubleForKey("balance"), 1234.56);
    EXPECT_EQ(full.doubleForKey("todayIncome"), 30.0);
    EXPECT_EQ(full.doubleForKey("todayExpense"), 16.5);
    EXPECT_EQ(asDate(*full.objectForKey("balance")), std::nullopt);

    writeSuite(readFixture("only_balance." + format + ".plist"));
    const UserDefaults onlyBalance = open();
    EXPECT_EQ(onlyBalance.doubleForKey("balance"), -42.25);
    EXPECT_EQ(onlyBalance.objectForKey("updatedAt"), std::nullopt);
    EXPECT_EQ(onlyBalance.doubleForKey("todayIncome"), 0.0);

    retries_ = 0;
    writeSuite(readFixture("empty." + format + ".plist"));
    expectOpenButEmpty();
    EXPECT_EQ(retries_, 0);
    // A top object that is not a dictionary may be a writer half-way: tried three times.
    writeSuite(readFixture("top_array." + format + ".plist"));
    expectOpenButEmpty();
    EXPECT_EQ(retries_, 2);
  }
  // No file, and an empty file, read as empty at once.
  fs::remove(suitePath());
  retries_ = 0;
  expectOpenButEmpty();
  writeSuite({});
  expectOpenButEmpty();
  EXPECT_EQ(retries_, 0);
}

TEST_F(StoreTest, convertsValuesToDoubleAsThePlatformDoes) {
  const std::pair<const char*, double> cases[] = {
      {"int_max", 9223372036854775808.0},
      {"uint_max", 18446744073709551616.0},
      {"minus_one", -1.0},
      {"zero", 0.0},
      {"real", 12.25},
      {"inf", kInf},
      {"neg_inf", -kInf},
      {"true", 1.0},
      {"false", 0.0},
      {"s_decimal", 12.5},
      {"s_trailing", 7.0},
      {"s_exponent", 1000.0},
      {"s_hex", 0.0},
      {"s_inf", 0.0},
      {"s_nan", 0.0},
      {"s_empty", 0.0},
      {"s_comma", 12.0},
      {"s_huge", kInf},
      {"s_negative", -35.0},
      {"date", 0.0},
      {"data", 0.0},
      {"array", 0.0},
      {"dict", 0.0},
      {"missing", 0.0},
  };
  auto checkAll = [&](const std::string& where) {
    for (const std::string format : {"xml", "binary"}) {
      writeSuite(readFixture("conversions." + format + ".plist"));
      const UserDefaults store = open();
      for (const auto& [key, expected] : cases) {
        EXPECT_EQ(store.doubleForKey(key), expected) << where << " " << format << " " << key;
      }
      EXPECT_TRUE(std::isnan(store.doubleForKey("nan"))) << where << " " << format;
      EXPECT_EQ(asDate(*store.objectForKey("date")), Date{1.0});
    }
    // The string scan alone, on text no fixture holds.
    const std::pair<std::string, double> scans[] = {
        {"+-5", 0.0},
        {"-.5e-1", -0.05},
        {"e5", 0.0},
        {"1e", 1.0},
        {"1.5.3", 1.5},
        {".", 0.0},
        {"\n\t 8", 8.0},
        {"1e-999", 0.0},
        {"-1e999", -kInf},
        {"12,840.50", 12.0},
        // The store's own white space: all below U+0021, U+007F-U+00A0, U+2000-U+200B, U+3000.
        {std::string("\0\x1f\x7f", 3) + "2", 2.0},
        {"\xc2\x85\u00a0 3", 3.0},
        {"\u2000\u200b\u30004", 4.0},
        {"\u00a15", 0.0},
        {"\u16805", 0.0},
        {"\u205f5", 0.0},
        {"\u200c5", 0.0},
        {"\xc2", 0.0},
    };
    for (const auto& [text, expected] : scans) {
      EXPECT_EQ(scanDoubleValue(text), expected) << where << " " << ::testing::PrintToString(text);
    }
  };
  checkAll("C locale");
  // Under a locale whose decimal separator is a comma, nothing may change.
  const support::CLocaleGuard comma({"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"});
  if (!comma.name().empty()) checkAll(comma.name());
}

TEST_F(StoreTest, readsHostileFilesAsEmpty) {
  const Bytes binary = readFixture("full.binary.plist");
  const struct {
    std::string what;
    Bytes bytes;
  } garbage[] = {
      {"text", bytesOf("balance = 5")},
      {"truncated binary", Bytes(binary.begin(), binary.end() - 1)},
      {"binary signature only", bytesOf("bplist00")},
  };
  for (const auto& [what, bytes] : garbage) {
    SCOPED_TRACE(what);
    retries_ = 0;
    writeSuite(bytes);
    expectOpenButEmpty();
    EXPECT_EQ(retries_, 2);
  }

  // A link to a good file is followed. (What is not a regular file, and a file over the size
  // cap, are the fault tests'.)
  writeFile(root_.root() / "elsewhere.plist", binary);
  fs::remove(suitePath());
  fs::create_symlink(root_.root() / "elsewhere.plist", suitePath());
  EXPECT_EQ(open().doubleForKey("balance"), 1234.56);
}

TEST_F(StoreTest, oneTryMeansNoWaiting) {
  // Retries while a writer finishes are the fault tests'; here, the option that turns them off.
  const Bytes full = readFixture("full.xml.plist");
  writeSuite(Bytes(full.begin(), full.begin() + 100));
  options_.tries = 1;
  expectOpenButEmpty();
  EXPECT_EQ(retries_, 0);
}

TEST_F(StoreTest, keepsWhatItReadAfterTheFileChanges) {
  writeSuite(readFixture("full.binary.plist"));
  const UserDefaults first = open();
  writeSuite(readFixture("only_balance.xml.plist"));
  EXPECT_EQ(first.doubleForKey("balance"), 1234.56);
  EXPECT_EQ(first.doubleForKey("todayIncome"), 30.0);
  const UserDefaults second = open();
  EXPECT_EQ(second.doubleForKey("balance"), -42.25);
  EXPECT_EQ(second.doubleForKey("todayIncome"), 0.0);
}

}  // namespace
}  // namespace foundation
