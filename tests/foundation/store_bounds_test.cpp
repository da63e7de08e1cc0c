// The store's cost on files built to exhaust it. The widget runs in about 30 MB, so each case
// states the memory it may take beyond the file's own bytes and checks the balance the widget
// would show. Time is not asserted: every case finishes in well under a second when the reader
// is linear.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdio>
#include <functional>

#include "store_fixture.hpp"
#include "support/property_list_writer.hpp"

namespace foundation::testing {
namespace {

using B = support::BinaryPlistBuilder;

Bytes xml(const std::string& body) {
  return support::bytesOf(support::xmlPlistDocument(body));
}

// {"balance": 7.25, "history": [count small integers]}
Bytes binaryLongArray(std::size_t count) {
  support::BinaryPlistStream plist;
  plist.add(B::header(0xD, 2));
  for (const std::uint64_t ref : {1, 3, 2, 4}) plist.appendRef(ref);
  plist.add(B::ascii("balance")), plist.add(B::real(7.25)), plist.add(B::ascii("history"));
  plist.add(B::header(0xA, count));
  for (std::size_t n = 0; n < count; ++n) plist.appendRef(5 + n);
  for (std::size_t n = 0; n < count; ++n) plist.add({0x10, 1});
  return std::move(plist).finish();
}

// `count` keys "k0000000"... holding small integers, then balance: 8.5.
Bytes binaryManyKeys(std::size_t count) {
  support::BinaryPlistStream plist;
  plist.add(B::header(0xD, count + 1));
  for (std::size_t n = 0; n <= count; ++n) plist.appendRef(1 + 2 * n);  // keys
  for (std::size_t n = 0; n <= count; ++n) plist.appendRef(2 + 2 * n);  // values
  char key[24];
  for (std::size_t n = 0; n < count; ++n) {
    std::snprintf(key, sizeof key, "k%07zu", n);
    plist.add(B::ascii(key)), plist.add({0x10, 1});
  }
  plist.add(B::ascii("balance")), plist.add(B::real(8.5));
  return std::move(plist).finish();
}

// {"balance": [[[...]]]} nested `depth` arrays deep.
Bytes binaryDeep(std::size_t depth) {
  support::BinaryPlistStream plist;
  plist.add(B::header(0xD, 1)), plist.appendRef(1), plist.appendRef(2),
      plist.add(B::ascii("balance"));
  for (std::size_t n = 0; n < depth; ++n) plist.add({0xA1}), plist.appendRef(3 + n);
  plist.add({0xA0});
  return std::move(plist).finish();
}

std::string repeat(std::size_t count, const std::function<std::string(std::size_t)>& item) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += item(i);
  return text;
}

TEST_F(StoreTest, filesBuiltToExhaustTheReaderCostLittleBeyondTheirBytes) {
  const auto manyKeys = [](std::size_t i) {
    char entry[64];
    std::snprintf(entry, sizeof entry, "<key>k%07zu</key><integer>1</integer>", i);
    return std::string(entry);
  };
  const std::string deep = repeat(100'000, [](auto) { return "<array>"; }) +
                           repeat(100'000, [](auto) { return "</array>"; });
  const struct {
    const char* name;
    std::function<Bytes()> make;
    double balance;
    long sizeFactor, extraMiB;  // the bound: sizeFactor times the file, plus extraMiB
  } cases[] = {
      // No tree of the five million values is built.
      {"binary, 50 MB array", [] { return binaryLongArray(5'300'000); }, 7.25, 1, 8},
      {"xml, 50 MB array",
       [] {
         return xml("<dict><key>history</key><array>" +
                    repeat(2'650'000, [](auto) { return "<integer>1</integer>"; }) +
                    "</array><key>balance</key><real>7.25</real></dict>");
       },
       7.25, 1, 8},
      // A key found among a million, and the last one read, without an index of them all.
      {"binary, a million keys", [] { return binaryManyKeys(1'000'000); }, 8.5, 1, 8},
      {"xml, a million keys",
       [&] {
         return xml("<dict>" + repeat(1'000'000, manyKeys) +
                    "<key>balance</key><real>8.5</real></dict>");
       },
       8.5, 1, 8},
      // Past the nesting limit the file is empty; no stack deeper than the limit is kept. One
      // read of the file per try.
      {"binary, nested 100,000 deep", [] { return binaryDeep(100'000); }, 0, 3, 4},
      {"xml, nested 100,000 deep",
       [&] { return xml("<dict><key>balance</key>" + deep + "</dict>"); }, 0, 3, 4}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    Bytes bytes = test.make();
    writeSuite(bytes);
    const long sizeKiB = static_cast<long>(bytes.size() / 1024);
    Bytes().swap(bytes);
    ::malloc_trim(0);
    const PeakMemoryProbe probe;
    onSmallStack([&] {
      const auto store = open();
      ASSERT_TRUE(store.has_value());
      EXPECT_EQ(store->doubleForKey("balance"), test.balance);
      EXPECT_EQ(store->objectForKey("k0999999").has_value(), test.balance == 8.5);
    });
    EXPECT_LT(probe.growthKiB().value_or(0), test.sizeFactor * sizeKiB + test.extraMiB * kMiB);
  }
}

TEST_F(StoreTest, countsBeyondTheFileAreRefusedWithoutAllocating) {
  // Each count would take terabytes, or overflow 64 bits, if believed.
  const std::pair<std::uint8_t, std::uint64_t> claims[] = {{0xA, std::uint64_t{1} << 40},
                                                           {0xD, std::uint64_t{1} << 62},
                                                           {0x6, std::uint64_t{1} << 63},
                                                           {0x4, ~std::uint64_t{0}},
                                                           {0x5, ~std::uint64_t{0}}};
  for (const auto& [type, count] : claims) {
    for (const bool topLevel : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "type " << int{type} << (topLevel ? " at the top" : ""));
      B plist;
      if (topLevel) {
        plist.top = plist.add(B::header(type, count));
      } else {
        const auto key = plist.add(B::ascii("balance")), value = plist.add(B::header(type, count));
        plist.top = plist.add(plist.dictionary({key}, {value}));
      }
      writeSuite(plist.build());
      const PeakMemoryProbe probe;
      EXPECT_EQ(readSuite(), Reading{});
      EXPECT_LT(probe.growthKiB().value_or(0), 2 * kMiB);
    }
  }
}

}  // namespace
}  // namespace foundation::testing
