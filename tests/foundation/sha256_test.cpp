#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "foundation/sha256.hpp"

namespace {

foundation::Sha256 of(std::string_view text) {
  return foundation::Sha256::of({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The digests sha256sum prints, including one of many blocks (the processor's SHA instructions
// take whole blocks, the rest another road).
TEST(Sha256, givesWhatSha256sumPrintsAndReadsItsDigitsBack) {
  EXPECT_EQ(of("").hex(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(of("abc").hex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::vector<std::uint8_t> million(1'000'000, 'a');
  EXPECT_EQ(foundation::Sha256::of(million).hex(),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

  const auto digest = of("abc");
  EXPECT_EQ(foundation::Sha256::fromHex(digest.hex()), digest);
  EXPECT_EQ(foundation::Sha256::fromHex(
                "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"),
            digest);
  for (const char* bad :
       {"", "ba78", "zz7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad00"}) {
    EXPECT_EQ(foundation::Sha256::fromHex(bad), std::nullopt) << bad;
  }
}

}  // namespace
