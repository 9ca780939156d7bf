#include <gtest/gtest.h>

#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {
namespace {

TEST(Lenget, CountsUpToTheLastNonBlank) {
  EXPECT_EQ(LENGET(""), 0);
  EXPECT_EQ(LENGET("    "), 0);
  EXPECT_EQ(LENGET("ab  "), 2);
  EXPECT_EQ(LENGET(" a b"), 4);
}

TEST(FixedText, PadsAndCutsToItsWidth) {
  FixedText<5> t("ab");
  EXPECT_EQ(t.view(), "ab   ");
  EXPECT_EQ(t.trimmed(), "ab");
  t = "abcdefgh";
  EXPECT_EQ(t.view(), "abcde");
  t.blank();
  EXPECT_TRUE(t.is_blank());
  EXPECT_EQ(t.at1(1), ' ');
}

TEST(Table, IndexesFromItsLowerBound) {
  Table<int, 0, 3> t;
  t(0) = 7;
  t(3) = 9;
  EXPECT_EQ(t.data()[0], 7);
  EXPECT_EQ(t.data()[3], 9);
  Matrix<double, 3, 2> m;
  m(3, 1) = 1.5;
  m(1, 2) = 2.5;
  EXPECT_EQ(m.data()[2], 1.5);  // column by column
  EXPECT_EQ(m.data()[3], 2.5);
}

}  // namespace
}  // namespace spindra
