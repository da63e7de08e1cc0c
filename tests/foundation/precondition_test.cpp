#include "foundation/precondition.hpp"

#include <gtest/gtest.h>

namespace {

TEST(PreconditionDeathTest, statesWhereWhatAndWhy) {
  EXPECT_DEATH(FOUNDATION_PRECONDITION(1 + 1 == 3, "sums hold"),
               "precondition_test.cpp:[0-9]+: precondition failed: 1 \\+ 1 == 3: sums hold\n");
  EXPECT_DEATH(FOUNDATION_UNREACHABLE("no such case"),
               "precondition_test.cpp:[0-9]+: unreachable code reached: no such case\n");
}

}  // namespace
