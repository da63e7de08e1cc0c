// The store's cost on files built to exhaust it. The widget runs in about 30 MB, so each case
// states the memory it may take on top of the file's own bytes (which a reader holds once, as
// its snapshot) and checks the answer the widget would show. Time is not asserted; every case
// here finishes in well under a second when the reader is linear.
#include <gtest/gtest.h>
#include <malloc.h>
#include <pthread.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "foundation/user_defaults.hpp"
#include "store_probe.hpp"
#include "support/property_list_writer.hpp"
#include "support/temporary_containers.hpp"

namespace foundation {
namespace {

namespace fs = std::filesystem;
using support::BinaryPlistBuilder;
using support::Bytes;
using support::bytesOf;
using testing::kMiB;

const std::string kSuite = "group.pocketta.bounds";

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Under a sanitizer, shadow memory and the freed-memory quarantine are what the probe sees.
constexpr bool kMemoryIsMeasurable = false;
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

// A binary property list laid out as it is generated, for files too large to build from a
// list of objects: objects are appended in reference order with 4-byte references and offsets.
class LargeBinaryPlist {
 public:
  LargeBinaryPlist() : bytes_(bytesOf("bplist00")) {}

  std::uint32_t begin() {
    offsets_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    return static_cast<std::uint32_t>(offsets_.size() - 1);
  }
  void append(const Bytes& encoded) { bytes_.insert(bytes_.end(), encoded.begin(), encoded.end()); }
  void appendRef(std::uint64_t ref) { BinaryPlistBuilder::appendBigEndian(bytes_, ref, 4); }
  void appendByte(std::uint8_t byte) { bytes_.push_back(byte); }

  Bytes finish(std::uint64_t top = 0) && {
    const std::uint64_t table = bytes_.size();
    for (const auto offset : offsets_) BinaryPlistBuilder::appendBigEndian(bytes_, offset, 4);
    bytes_.insert(bytes_.end(), 6, 0);
    bytes_.push_back(4);
    bytes_.push_back(4);
    BinaryPlistBuilder::appendBigEndian(bytes_, offsets_.size(), 8);
    BinaryPlistBuilder::appendBigEndian(bytes_, top, 8);
    BinaryPlistBuilder::appendBigEndian(bytes_, table, 8);
    return std::move(bytes_);
  }

 private:
  Bytes bytes_;
  std::vector<std::uint32_t> offsets_;
};

Bytes smallInteger(std::uint8_t value) {
  return {0x10, value};
}

// {"balance": 7.25, "history": [n small integers]}
Bytes binaryWithLongArray(std::size_t count) {
  LargeBinaryPlist plist;
  plist.begin();
  plist.append(BinaryPlistBuilder::header(0xD, 2));
  for (const std::uint64_t ref : {1, 3, 2, 4}) plist.appendRef(ref);
  plist.begin();
  plist.append(BinaryPlistBuilder::ascii("balance"));
  plist.begin();
  plist.append(BinaryPlistBuilder::real(7.25));
  plist.begin();
  plist.append(BinaryPlistBuilder::ascii("history"));
  plist.begin();
  plist.append(BinaryPlistBuilder::header(0xA, count));
  for (std::size_t i = 0; i < count; ++i) plist.appendRef(5 + i);
  for (std::size_t i = 0; i < count; ++i) {
    plist.begin();
    plist.append(smallInteger(static_cast<std::uint8_t>(i & 0x7F)));
  }
  return std::move(plist).finish();
}

std::string xmlDocument(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
         "</plist>\n";
}

Bytes xmlWithLongArray(std::size_t count) {
  std::string body = "<dict><key>history</key><array>";
  body.reserve(count * 20 + 100);
  for (std::size_t i = 0; i < count; ++i) body += "<integer>1</integer>";
  body += "</array><key>balance</key><real>7.25</real></dict>";
  return bytesOf(xmlDocument(body));
}

// A top dictionary of `count` keys "k0000000"... holding small integers, then "balance".
Bytes binaryWithManyKeys(std::size_t count) {
  LargeBinaryPlist plist;
  plist.begin();
  plist.append(BinaryPlistBuilder::header(0xD, count + 1));
  for (std::size_t i = 0; i <= count; ++i) plist.appendRef(1 + 2 * i);
  for (std::size_t i = 0; i <= count; ++i) plist.appendRef(2 + 2 * i);
  char key[32];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(key, sizeof key, "k%07zu", i);
    plist.begin();
    plist.append(BinaryPlistBuilder::ascii(key));
    plist.begin();
    plist.append(smallInteger(static_cast<std::uint8_t>(i & 0x7F)));
  }
  plist.begin();
  plist.append(BinaryPlistBuilder::ascii("balance"));
  plist.begin();
  plist.append(BinaryPlistBuilder::real(8.5));
  return std::move(plist).finish();
}

Bytes xmlWithManyKeys(std::size_t count) {
  std::string body = "<dict>";
  body.reserve(count * 40 + 100);
  char entry[96];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(entry, sizeof entry, "<key>k%07zu</key><integer>%zu</integer>", i, i & 0x7F);
    body += entry;
  }
  body += "<key>balance</key><real>8.5</real></dict>";
  return bytesOf(xmlDocument(body));
}

// {"balance": [[[...]]]} nested `depth` arrays deep.
Bytes binaryDeep(std::size_t depth) {
  LargeBinaryPlist plist;
  plist.begin();
  plist.append(BinaryPlistBuilder::header(0xD, 1));
  plist.appendRef(1);
  plist.appendRef(2);
  plist.begin();
  plist.append(BinaryPlistBuilder::ascii("balance"));
  for (std::size_t i = 0; i < depth; ++i) {
    plist.begin();
    plist.appendByte(0xA1);
    plist.appendRef(3 + i);
  }
  plist.begin();
  plist.appendByte(0xA0);
  return std::move(plist).finish();
}

Bytes xmlDeep(std::size_t depth) {
  std::string body = "<dict><key>balance</key>";
  for (std::size_t i = 0; i < depth; ++i) body += "<array>";
  for (std::size_t i = 0; i < depth; ++i) body += "</array>";
  return bytesOf(xmlDocument(body + "</dict>"));
}

// Runs `body` on a thread with a 256 KiB stack, a fraction of what a recursive reader would
// need for the deep files here.
void runOnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 << 10);
  pthread_t thread;
  auto function = const_cast<std::function<void()>*>(&body);
  ASSERT_EQ(pthread_create(
                &thread, &attributes,
                [](void* argument) -> void* {
                  (*static_cast<std::function<void()>*>(argument))();
                  return nullptr;
                },
                function),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

class StoreBoundsTest : public ::testing::Test {
 protected:
  StoreBoundsTest() {
    options_.containersRoot = root_.root();
    options_.retryDelay = std::chrono::milliseconds(0);
  }

  // Writes the store, lets the generated bytes go, and returns the file's size in KiB.
  long place(Bytes bytes) {
    root_.writeStore(kSuite, bytes);
    const long size = static_cast<long>(bytes.size() / 1024);
    Bytes().swap(bytes);
    ::malloc_trim(0);
    return size;
  }

  // Opens the suite and reads balance as the widget does, and the peak memory it took.
  struct Outcome {
    bool opened = false;
    double balance = -1;
    bool hasHistory = false;
    long growthKiB = -1;
  };
  Outcome readBalance() {
    Outcome outcome;
    const testing::PeakMemoryProbe probe;
    runOnSmallStack([&] {
      const auto store = UserDefaults::initWithSuiteName(kSuite, options_);
      outcome.opened = store.has_value();
      if (!store) return;
      outcome.balance = store->doubleForKey("balance");
      outcome.hasHistory = store->objectForKey("k0999999").has_value();
    });
    if (probe.available()) outcome.growthKiB = probe.growthKiB();
    return outcome;
  }

  void expectGrowthBelow(const Outcome& outcome, long boundKiB) {
    if (!kMemoryIsMeasurable || outcome.growthKiB < 0) return;
    RecordProperty("peak_growth_kib", std::to_string(outcome.growthKiB));
    EXPECT_LT(outcome.growthKiB, boundKiB) << "peak growth " << outcome.growthKiB / 1024
                                           << " MiB, bound " << boundKiB / 1024 << " MiB";
  }

  support::TemporaryContainers root_;
  UserDefaultsOptions options_;
};

TEST_F(StoreBoundsTest, fiftyMegabyteStoreIsReadForTheFileAndLittleMore) {
  // Bound: the file's bytes, held once, plus 8 MiB: no tree of the 5 million values is built.
  struct Case {
    const char* name;
    std::function<Bytes()> make;
  };
  const Case cases[] = {
      {"binary", [] { return binaryWithLongArray(5'300'000); }},
      {"xml", [] { return xmlWithLongArray(2'650'000); }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const long sizeKiB = place(test.make());
    ASSERT_GT(sizeKiB, 50 * kMiB);
    const Outcome outcome = readBalance();
    ASSERT_TRUE(outcome.opened);
    EXPECT_EQ(outcome.balance, 7.25);
    expectGrowthBelow(outcome, sizeKiB + 8 * kMiB);
  }
}

TEST_F(StoreBoundsTest, millionKeysAreSearchedWithoutAnIndexOfThem) {
  // Bound: the file's bytes plus 8 MiB; a key found among a million, the last one read.
  const std::function<Bytes()> makers[] = {[] { return binaryWithManyKeys(1'000'000); },
                                           [] { return xmlWithManyKeys(1'000'000); }};
  for (const auto& make : makers) {
    const long sizeKiB = place(make());
    const Outcome outcome = readBalance();
    ASSERT_TRUE(outcome.opened);
    EXPECT_EQ(outcome.balance, 8.5);
    EXPECT_TRUE(outcome.hasHistory) << "the millionth key";
    expectGrowthBelow(outcome, sizeKiB + 8 * kMiB);
  }
}

TEST_F(StoreBoundsTest, nestingTooDeepIsAnEmptyStoreOnASmallStack) {
  // Bound: three reads of the file (one per try) plus 4 MiB; the reader keeps no stack of
  // its own deeper than the nesting limit, and the thread's 256 KiB stack is enough.
  const std::function<Bytes()> makers[] = {[] { return binaryDeep(100'000); },
                                           [] { return xmlDeep(100'000); }};
  for (const auto& make : makers) {
    const long sizeKiB = place(make());
    const Outcome outcome = readBalance();
    ASSERT_TRUE(outcome.opened);
    EXPECT_EQ(outcome.balance, 0.0) << "a file nested past the limit reads as empty";
    expectGrowthBelow(outcome, 3 * sizeKiB + 4 * kMiB);
  }
}

TEST_F(StoreBoundsTest, countsBeyondTheFileAreRefusedWithoutAllocating) {
  // Bound: 2 MiB. Each count would take terabytes or overflow 64 bits if believed.
  struct Case {
    const char* name;
    std::uint8_t type;
    std::uint64_t count;
  };
  const Case cases[] = {
      {"array of 2^40", 0xA, std::uint64_t{1} << 40},
      {"dictionary of 2^62 (its refs overflow)", 0xD, std::uint64_t{1} << 62},
      {"UTF-16 string of 2^63 (its bytes overflow)", 0x6, std::uint64_t{1} << 63},
      {"data of 2^64-1", 0x4, ~std::uint64_t{0}},
      {"ASCII string of 2^64-1", 0x5, ~std::uint64_t{0}},
  };
  for (const auto& test : cases) {
    for (const bool topLevel : {false, true}) {
      SCOPED_TRACE(std::string(test.name) + (topLevel ? " as the top object" : " under balance"));
      BinaryPlistBuilder plist;
      const Bytes claim = BinaryPlistBuilder::header(test.type, test.count);
      if (topLevel) {
        plist.top = plist.add(claim);
      } else {
        const auto key = plist.add(BinaryPlistBuilder::ascii("balance"));
        const auto value = plist.add(claim);
        plist.top = plist.add(plist.dictionary({key}, {value}));
      }
      place(plist.build());
      const Outcome outcome = readBalance();
      ASSERT_TRUE(outcome.opened);
      EXPECT_EQ(outcome.balance, 0.0);
      expectGrowthBelow(outcome, 2 * kMiB);
    }
  }
}

}  // namespace
}  // namespace foundation
