#include <gtest/gtest.h>

#include <string>

#include "foundation/locale.hpp"
#include "presentation/amount_styles.hpp"
#include "presentation/quick_action.hpp"
#include "support/locale_guard.hpp"

namespace pocketta {
namespace {

using foundation::Locale;

TEST(QuickActionDeathTest, AnInvalidURLLiteralStopsTheProgram) {
  EXPECT_EQ(constantURL("pocketta://add-income").absoluteString(), "pocketta://add-income");
  EXPECT_DEATH(constantURL("not a url"), "\"not a url\" does not parse");
}

}  // namespace
}  // namespace pocketta
