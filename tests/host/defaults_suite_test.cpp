#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "foundation/property_list/binary_property_list_writer.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "foundation/user_defaults.hpp"
#include "host/defaults_request.hpp"
#include "host/defaults_suite.hpp"
#include "host/store_watcher.hpp"
#include "support/process_probes.hpp"
#include "support/property_list_writer.hpp"
#include "support/python_plistlib.hpp"
#include "support/temporary_containers.hpp"
#include "support/unprivileged.hpp"

namespace {

namespace fs = std::filesystem;
using foundation::Date;
using foundation::PropertyListValue;
using support::Bytes;
using support::PlistFormat;
using Dictionary = PropertyListValue::Dictionary;
using Array = PropertyListValue::Array;

const std::string kSuite = "group.pocketta.test";

PropertyListValue s(std::string text) {
  return PropertyListValue{std::move(text)};
}

// A value's binary form keeps every bit of it (NaN, -0, integer types), so equal forms mean
// bit-for-bit equal values.
Bytes bitsOf(const PropertyListValue& value) {
  return std::get<Bytes>(foundation::writeBinaryPropertyList(value));
}

bool isBinary(const Bytes& bytes) {
  return foundation::BinaryPropertyList::hasSignature(bytes);
}

struct Outcome {
  int status = 0;
  std::string message;
  std::string output;
};

class DefaultsSuiteTest : public testing::Test {
 protected:
  // What the command line does with the words after `defaults`: a bad one is status 2 and runs
  // nothing.
  Outcome defaults(const std::vector<std::string>& words, bool force = false,
                   const std::string& input = "") const {
    auto parsed = host::parseDefaultsRequest(words);
    if (auto* usage = std::get_if<host::DefaultsUsageError>(&parsed)) {
      return {2, usage->message, ""};
    }
    auto request = std::get<host::DefaultsRequest>(std::move(parsed));
    request.force = force;
    std::istringstream in(input);
    std::ostringstream out;
    const auto result = host::runDefaults(request, suite_, in, out);
    return {result.status, result.message, out.str()};
  }

  fs::path store() const { return containers_.storePath(kSuite); }
  Bytes storeBytes() const { return support::readFile(store()); }
  Dictionary contents() const {
    auto top = foundation::readPropertyList(storeBytes());
    if (!top || !std::holds_alternative<Dictionary>(top->value)) {
      ADD_FAILURE() << "the store does not read as a dictionary";
      return {};
    }
    return std::get<Dictionary>(top->value);
  }
  void expectContents(const Dictionary& expected) const {
    EXPECT_EQ(bitsOf(contents()), bitsOf(expected))
        << testing::PrintToString(PropertyListValue{contents()});
  }
  // Every file and folder under the containers root with its bytes, mode and time: a failure
  // leaves all of it as it was, and makes nothing, not even for a moment (a folder's time would
  // show it).
  std::map<std::string, std::optional<support::FileRecord>> everything() const {
    std::map<std::string, std::optional<support::FileRecord>> found;
    for (const auto& entry : fs::recursive_directory_iterator(containers_.root())) {
      found[entry.path().string()] = support::FileRecord::of(entry.path());
    }
    found[containers_.root().string()] = support::FileRecord::of(containers_.root());
    return found;
  }

  support::TemporaryContainers containers_;
  host::DefaultsSuite suite_{kSuite, {containers_.root(), "a test"}};
};

TEST_F(DefaultsSuiteTest, eachVerbOnBinaryAndXmlStores) {
  for (const PlistFormat format : support::kPlistFormats) {
    SCOPED_TRACE(toString(format));
    const Dictionary original{{"updatedAt", Date{818238600.0}},
                              {"balance", 12840.5},
                              {"note", s("hi there")},
                              {"todayIncome", std::int64_t{350}}};
    containers_.writeStore(kSuite, support::writePlist(format, original));
    const auto keepsFormat = [&] {
      EXPECT_EQ(isBinary(storeBytes()), format == PlistFormat::binary);
    };

    const Outcome all = defaults({"read"});
    EXPECT_EQ(all.status, 0) << all.message;
    EXPECT_EQ(all.output,
              "{\n"
              "    balance = \"12840.5\";\n"
              "    note = \"hi there\";\n"
              "    todayIncome = 350;\n"
              "    updatedAt = \"2026-12-06 08:30:00 +0000\";\n"
              "}\n");
    EXPECT_EQ(defaults({"read", "note"}).output, "hi there\n");
    EXPECT_EQ(defaults({"read", "updatedAt"}).output, "2026-12-06 08:30:00 +0000\n");
    const Outcome absent = defaults({"read", "nope"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.message, "The domain/default pair of (" + kSuite + ", nope) does not exist");

    // A key replaced keeps its place; a new one comes last; the rest are as they were.
    EXPECT_EQ(defaults({"write", "balance", "-float", "-20.75"}).status, 0);
    EXPECT_EQ(defaults({"write", "currency", "CNY"}).status, 0);
    EXPECT_EQ(defaults({"write", "updatedAt", "-date", "2026-12-07 09:00:00 +0100"}).status, 0);
    EXPECT_EQ(defaults({"delete", "note"}).status, 0);
    const Dictionary changed{{"updatedAt", Date{818323200.0}},
                             {"balance", -20.75},
                             {"todayIncome", std::int64_t{350}},
                             {"currency", s("CNY")}};
    expectContents(changed);
    keepsFormat();
    EXPECT_EQ(defaults({"read", "balance"}).output, "-20.75\n");
    // What the widget reads.
    foundation::UserDefaultsOptions options;
    options.containersRoot = containers_.root();
    const auto widget = foundation::UserDefaults::initWithSuiteName(kSuite, options);
    ASSERT_TRUE(widget.has_value());
    EXPECT_EQ(widget->doubleForKey("balance"), -20.75);
    if (const auto verdict = support::checkWithPlistlib(
            store(), support::pythonLiteral(PropertyListValue{changed}))) {
      EXPECT_EQ(*verdict, "ok");
    }

    // Import replaces everything, from a file of either format or from standard input.
    const Dictionary imported{{"balance", 7.5}, {"list", Array{std::int64_t{1}, s("two")}}};
    for (const PlistFormat fileFormat : support::kPlistFormats) {
      const fs::path file = containers_.root() / "import.plist";
      support::writeFile(file, support::writePlist(fileFormat, imported));
      const Outcome fromFile = defaults({"import", file.string()});
      EXPECT_EQ(fromFile.status, 0) << fromFile.message;
      expectContents(imported);
      keepsFormat();
      fs::remove(file);
    }
    const Bytes xml = support::writePlist(PlistFormat::xml, Dictionary{{"only", true}});
    EXPECT_EQ(defaults({"import", "-"}, false, std::string(xml.begin(), xml.end())).status, 0);
    expectContents(Dictionary{{"only", true}});
    keepsFormat();
    EXPECT_EQ(everything().size(), 5u) << "the containers root, three folders and the store";
  }
}

TEST_F(DefaultsSuiteTest, aFirstWriteMakesABinaryStoreAndItsFolders) {
  const Outcome read = defaults({"read"});
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.message,
            "Domain " + kSuite + " does not exist (no file " + store().string() + ")");
  const auto before = everything();
  EXPECT_EQ(defaults({"delete", "balance"}).status, 1);
  EXPECT_EQ(defaults({"read", "balance"}).status, 1);
  EXPECT_EQ(everything(), before) << "nothing to delete makes nothing";

  const Outcome written = defaults({"write", "balance", "-int", "5"});
  EXPECT_EQ(written.status, 0) << written.message;
  EXPECT_TRUE(isBinary(storeBytes()));
  expectContents(Dictionary{{"balance", std::int64_t{5}}});
  EXPECT_EQ(defaults({"read", "balance"}).output, "5\n");

  // The containers root itself is never made: one that is not there is most likely mistyped.
  for (const auto& root : {containers_.root() / "absent", store()}) {
    const host::DefaultsSuite elsewhere{kSuite, {root, "--containers"}};
    const auto unchanged = everything();
    std::istringstream in;
    std::ostringstream out;
    const auto result = host::runDefaults(
        host::DefaultsRequest{host::DefaultsRequest::Write{"balance", 1.0}}, elsewhere, in, out);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message, (root == store() ? root.string() + " is not a folder"
                                               : "no folder " + root.string()) +
                                  ": the containers root, chosen by --containers");
    EXPECT_EQ(everything(), unchanged);
  }
}

TEST_F(DefaultsSuiteTest, keysTheRequestDoesNotNameKeepTheirValuesBitForBit) {
  // Stores written by Python's plistlib, and by the store's own writer with what plistlib does
  // not write: a carriage return, NaN, -0 and, in binary, dates to the last bit.
  const fs::path fixtures = fs::path(POCKETTA_SOURCE_DIR) / "tests/foundation/data";
  std::vector<std::pair<std::string, Bytes>> stores;
  for (const char* shape : {"conversions", "nested", "dates", "full"}) {
    for (const char* format : {"binary", "xml"}) {
      const std::string name = std::string(shape) + "." + format + ".plist";
      stores.emplace_back(name, support::readFile(fixtures / name));
    }
  }
  Dictionary edges{{"lines", s("a\r\nb\rc")},
                   {"nan", std::numeric_limits<double>::quiet_NaN()},
                   {"negativeZero", -0.0},
                   {"uintMax", UINT64_MAX},
                   {"empty", Array{}}};
  stores.emplace_back("edges.xml", support::writePlist(PlistFormat::xml, edges));
  edges.emplace_back("subsecond", Date{818238600.123456789});
  edges.emplace_back("beforeReference", Date{-992490140.75});
  stores.emplace_back("edges.binary", support::writePlist(PlistFormat::binary, edges));
  for (const auto& [name, bytes] : stores) {
    SCOPED_TRACE(name);
    containers_.writeStore(kSuite, bytes);
    const Dictionary before = contents();
    ASSERT_EQ(defaults({"write", "added", "-bool", "yes"}).status, 0);
    Dictionary expected = before;
    expected.emplace_back("added", true);
    expectContents(expected);
    EXPECT_EQ(isBinary(storeBytes()), isBinary(bytes));
    ASSERT_EQ(defaults({"delete", "added"}).status, 0);
    expectContents(before);
  }
}

TEST_F(DefaultsSuiteTest, badInputIsOneLineAndLeavesEverythingAsItWas) {
  const support::TemporaryContainers files;
  const fs::path damaged = files.root() / "damaged.plist", topArray = files.root() / "array.plist";
  support::writeFile(damaged, support::bytesOf("<plist><dict><key>a</key>"));
  support::writeFile(topArray, support::writePlist(PlistFormat::binary, Array{std::int64_t{1}}));
  struct Case {
    std::vector<std::string> words;
    int status;
    std::string message;  // a part of it
    std::string input = "";
  };
  const Case cases[] = {
      {{"write", "k", "-double", "1"}, 2, "unknown type '-double'"},
      {{"write", "k", "-int", "12x"}, 2, "'12x' is not an integer"},
      {{"write", "k", "-float", "1,5"}, 2, "'1,5' is not a number"},
      {{"write", "k", "-date", "2026-02-30T00:00:00Z"}, 2, "is not a date"},
      {{"write", "k", "-bool", "maybe"}, 2, "is not a boolean"},
      {{"write", "a\tb", "1"}, 2, "holds a control character (U+0009)"},
      {{"delete", "absent"}, 1, "(" + kSuite + ", absent) does not exist"},
      {{"import", (files.root() / "missing.plist").string()},
       1,
       "cannot import " + (files.root() / "missing.plist").string() +
           ": No such file or directory"},
      {{"import", files.root().string()}, 1, ": a folder, not a file"},
      {{"import", damaged.string()}, 1, "damaged at line 1"},
      {{"import", topArray.string()}, 1, "not a dictionary at the top (an array)"},
      {{"import", "-"}, 1, "cannot import standard input: not a property list", "balance = 5"},
      {{"import", "-"}, 1, "cannot import standard input: it is empty"},
  };
  for (const PlistFormat format : support::kPlistFormats) {
    containers_.writeStore(kSuite, support::writePlist(format, Dictionary{{"balance", 1.5}}));
    std::vector<Case> all(std::begin(cases), std::end(cases));
    if (format == PlistFormat::xml) {
      all.push_back({{"write", "k", "a\x01z"},
                     1,
                     "cannot write " + store().string() +
                         ": 'k': a string with U+0001, which an XML property list cannot hold"});
      all.push_back({{"write", "at", "-date", "2026-12-06T08:30:00.5Z"},
                     1,
                     "'at': a date (2026-12-06T08:30:00.5Z) between whole seconds, which an XML "
                     "property list holds only to the second"});
    }
    for (const auto& [words, status, message, input] : all) {
      SCOPED_TRACE(std::string(toString(format)) + ": " + testing::PrintToString(words));
      const auto before = everything();
      const Outcome outcome = defaults(words, false, input);
      EXPECT_EQ(outcome.status, status);
      EXPECT_NE(outcome.message.find(message), std::string::npos) << outcome.message;
      EXPECT_EQ(outcome.message.find('\n'), std::string::npos) << outcome.message;
      EXPECT_EQ(everything(), before);
    }
  }
}

TEST_F(DefaultsSuiteTest, aStoreThatCannotBeReadIsReplacedOnlyWhenForced) {
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string message;  // a part of it
    bool staysXml;
  };
  const auto text = [&](std::string bytes) {
    return [this, bytes] { containers_.writeStore(kSuite, support::bytesOf(bytes)); };
  };
  const Case cases[] = {
      {"damaged XML", text("<?xml version=\"1.0\"?>\n<plist><dict><key>a</key>"),
       "damaged at line 2", true},
      {"damaged binary", text(std::string("bplist00\xD1\x01\x02", 11) + std::string(40, '\0')),
       "damaged at its trailer", false},
      {"not a dictionary",
       [this] { containers_.writeStore(kSuite, support::writePlist(PlistFormat::xml, Array{})); },
       "not a dictionary at the top (an array)", true},
      {"not a property list", text("balance = 5;"), "not a property list", false},
      {"empty", text(""), "not a property list (the file is empty)", false},
      {"over the cap",
       [this] {
         containers_.writeStore(kSuite, support::bytesOf("<plist>"));
         fs::resize_file(store(), foundation::UserDefaults::kMaxFileSize + 1);  // sparse
       },
       "over the size cap (67108865 bytes)", false},
  };
  for (const auto& [what, make, message, staysXml] : cases) {
    SCOPED_TRACE(what);
    make();
    const auto before = everything();
    for (const auto& words : std::vector<std::vector<std::string>>{
             {"read"}, {"write", "k", "1"}, {"delete", "k"}, {"import", "-"}}) {
      const Outcome outcome = defaults(words, false, "<plist><dict/></plist>");
      EXPECT_EQ(outcome.status, 1);
      EXPECT_NE(outcome.message.find(store().string() + ": " + message), std::string::npos)
          << outcome.message;
      if (words[0] != "read") {
        EXPECT_TRUE(outcome.message.ends_with("; left as it is (--force replaces it)"))
            << outcome.message;
      }
      EXPECT_EQ(everything(), before);
    }
    const Outcome forced = defaults({"write", "k", "1"}, true);
    EXPECT_EQ(forced.status, 0) << forced.message;
    expectContents(Dictionary{{"k", s("1")}});
    EXPECT_EQ(isBinary(storeBytes()), !staysXml);
  }
}

// Whether the watcher reports a change within `wait`.
bool changeSeen(host::StoreWatcher& watcher, std::chrono::milliseconds wait) {
  const auto giveUp = host::StoreWatcher::Clock::now() + wait;
  while (host::StoreWatcher::Clock::now() < giveUp) {
    pollfd descriptor{watcher.fd(), POLLIN, 0};
    ::poll(&descriptor, 1, 20);
    if (descriptor.revents & POLLIN) watcher.readEvents();
    if (watcher.takeChange()) return true;
  }
  return false;
}

TEST_F(DefaultsSuiteTest, eachChangeIsOneTheLiveHostsSee) {
  // `run` and `preview` follow the store with this watcher; a change made here reaches them as
  // the containing app's does, and a refused one not at all.
  host::StoreWatcher watcher(store());
  ASSERT_GE(watcher.fd(), 0);
  const std::vector<std::pair<std::vector<std::string>, bool>> steps = {
      {{"write", "balance", "-float", "12.5"}, true},  // the folders and the file made
      {{"write", "balance", "-float", "-3"}, true},
      {{"write", "balance", "-float", "1,5"}, false},
      {{"delete", "absent"}, false},
      {{"delete", "balance"}, true},
  };
  for (const auto& [words, changes] : steps) {
    SCOPED_TRACE(testing::PrintToString(words));
    EXPECT_EQ(defaults(words).status == 0, changes);
    EXPECT_EQ(changeSeen(watcher, std::chrono::milliseconds(changes ? 3000 : 300)), changes);
  }
}

TEST_F(DefaultsSuiteTest, aFolderThatCannotBeWrittenFailsWithOneLineAndLeavesNothing) {
  // Root writes anywhere, so the writes are tried as "nobody", for whom every folder here is
  // read-only (the containers root, made for its owner alone, is opened for reading).
  containers_.writeStore(kSuite, support::writePlist(PlistFormat::binary, Dictionary{}));
  fs::permissions(containers_.root(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const host::DefaultsSuite other{"group.pocketta.other", suite_.root};
  const fs::path otherFolder = containers_.root() / other.name;
  const auto before = everything();

  // Exit status of the child: 0 as expected, 1 not.
  const auto child = [&] {
    const auto run = [](const host::DefaultsSuite& suite) {
      std::istringstream in;
      std::ostringstream out;
      return host::runDefaults(host::DefaultsRequest{host::DefaultsRequest::Write{"k", true}},
                               suite, in, out);
    };
    const auto existing = run(suite_);
    const auto fresh = run(other);
    const bool ok =
        existing ==
            host::DefaultsResult{1, "cannot write " + store().string() + ": Permission denied"} &&
        fresh == host::DefaultsResult{
                     1, "cannot make the folder " + otherFolder.string() + ": Permission denied"};
    return ok ? 0 : 1;
  };
  const auto status = support::runUnprivileged(child);
  if (!status) GTEST_SKIP() << "cannot act as an unprivileged user here";
  EXPECT_EQ(*status, 0);
  EXPECT_EQ(everything(), before);
}

}  // namespace
