#include <gtest/gtest.h>

#include "ui/hit_test.hpp"

namespace {

TEST(HitTest, theInnermostLinkWins) {
  const auto outer = *foundation::URL::string("pocketta://outer");
  const auto inner = *foundation::URL::string("pocketta://inner");
  const ui::LayoutNode tree{ui::LinkLayout{outer},
                            {{0, 0}, {100, 100}},
                            {{ui::StackLayout{},
                              {{0, 0}, {100, 100}},
                              {{ui::LinkLayout{inner}, {{10, 10}, {20, 20}}, {}}}}}};
  EXPECT_EQ(ui::hitTest(tree, {15, 15}), inner);
  EXPECT_EQ(ui::hitTest(tree, {50, 50}), outer);
  EXPECT_EQ(ui::hitTest(tree, {30, 30}), outer);  // trailing edges are outside the inner link
  EXPECT_EQ(ui::hitTest(tree, {100, 50}), std::nullopt);
}

}  // namespace
