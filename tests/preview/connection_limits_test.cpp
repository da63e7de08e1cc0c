#include "preview/connection_limits.hpp"

#include <gtest/gtest.h>

namespace {

using preview::ConnectionLimits;
using Admission = ConnectionLimits::Admission;

TEST(ConnectionLimits, OneClientKeepsToItsShareAndEveryoneToTheWhole) {
  ConnectionLimits limits(5, 3);
  EXPECT_EQ(limits.admit(10, "127.0.0.2", 1), Admission::admitted);
  EXPECT_EQ(limits.admit(11, "127.0.0.2", 2), Admission::admitted);
  EXPECT_EQ(limits.admit(12, "::ffff:127.0.0.2", 3), Admission::admitted);
  EXPECT_EQ(limits.admit(13, "127.0.0.2", 4), Admission::tooManyFromClient);
  EXPECT_EQ(limits.admit(14, "2001:db8:1:2::10", 5), Admission::admitted);
  EXPECT_EQ(limits.admit(15, "2001:db8:1:2:ffff::1", 6), Admission::admitted);
  EXPECT_EQ(limits.admit(16, "127.0.0.1", 7), Admission::tooManyInAll);
  limits.release(10);
  EXPECT_EQ(limits.admit(16, "127.0.0.1", 7), Admission::admitted);
  EXPECT_EQ(limits.admit(17, "127.0.0.2", 8), Admission::tooManyInAll);
  limits.release(10);  // twice: nothing more comes free
  EXPECT_EQ(limits.admit(17, "127.0.0.2", 8), Admission::tooManyInAll);

  EXPECT_FALSE(limits.closingAfterAnswer(11));
  limits.closeAfterAnswer("127.0.0.2", 2);
  EXPECT_TRUE(limits.closingAfterAnswer(11));
  EXPECT_FALSE(limits.closingAfterAnswer(12));

  limits.release(11);
  limits.shutDownAll();
  EXPECT_EQ(limits.admit(18, "127.0.0.3", 9), Admission::stopping);
}

TEST(ConnectionLimits, AClientIsAnAddressOrAnIpv6Network) {
  EXPECT_EQ(preview::clientOf("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(preview::clientOf("::ffff:192.168.1.5"), "192.168.1.5");
  EXPECT_EQ(preview::clientOf("2001:db8:1:2:3:4:5:6"), "2001:db8:1:2::/64");
  EXPECT_EQ(preview::clientOf("::1"), "::/64");
  EXPECT_EQ(preview::clientOf("not an address"), "not an address");
}

}  // namespace
