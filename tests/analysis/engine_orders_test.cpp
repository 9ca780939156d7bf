#include "analysis/engine_orders.h"

#include <cmath>

#include "tests/analysis/analysis_fixture.h"

namespace spindra {
namespace {

using testing::AnalysisTest;

class EngineOrders : public AnalysisTest {
 protected:
  // Seven inertias; the engine's cylinders sit on inertias 2 onwards.
  void SetUp() override {
    AnalysisTest::SetUp();
    for (int j = 1; j <= 13; ++j) inertia(j, 1.0);
  }
  static std::vector<double> angles(int k) {
    std::vector<double> a;
    for (int c = 1; c <= ENGS(k).ncyl; ++c) a.push_back(ENGS(k).angle(c));
    return a;
  }
};

TEST_F(EngineOrders, DegreeFunctions) {
  EXPECT_NEAR(DSIND(30.0), 0.5, 1e-15);
  EXPECT_NEAR(DCOSD(60.0), 0.5, 1e-15);
  EXPECT_NEAR(DSIND(-90.0), -1.0, 1e-15);
  EXPECT_NEAR(DTAND(45.0), 1.0, 1e-15);
  EXPECT_NEAR(DASIND(0.5), 30.0, 1e-12);
  EXPECT_NEAR(DACOSD(0.5), 60.0, 1e-12);
  EXPECT_NEAR(DATAND(1.0), 45.0, 1e-12);
}

TEST_F(EngineOrders, FourStrokeInLineSix) {
  engine(1, {1, 5, 3, 6, 2, 4}, 4, 2);
  prepare_engine(1);
  EXPECT_EQ(angles(1), (std::vector<double>{0, 480, 240, 600, 120, 360}));
  EXPECT_EQ(ENGS(1).ncyl1, 1);
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(ICYL_NOS(c), c + 1);
}

TEST_F(EngineOrders, TwoStrokeFiresEvery360OverN) {
  engine(1, {1, 5, 3, 6, 2, 4}, 2, 2);
  prepare_engine(1);
  EXPECT_EQ(angles(1), (std::vector<double>{0, 240, 120, 300, 60, 180}));
}

TEST_F(EngineOrders, SecondBankOfAVee) {
  engine(1, {1, 5, 3, 6, 2, 4}, 4, 2, 1, 60.0);
  prepare_engine(1);
  // angle + 420, less 720 where that reaches 720.
  const double expected[6] = {420, 180, 660, 300, 540, 60};
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(ANGLE_BANK2(c), expected[c - 1]) << "cylinder " << c;
  engine(2, {1, 2, 3}, 2, 8, 1, 45.0);
  prepare_engine(2);
  // Two-stroke: angle + 45, less 360 where that reaches 360.
  EXPECT_EQ(ANGLE_BANK2(1), 45.0);
  EXPECT_EQ(ANGLE_BANK2(2), 165.0);
  EXPECT_EQ(ANGLE_BANK2(3), 285.0);
}

// Order 3 of the four-stroke six: all cylinders fire in phase, so the vector
// sum is the plain sum of the amplitudes at the cylinders.
TEST_F(EngineOrders, MajorOrderSumsTheAmplitudes) {
  engine(1, {1, 5, 3, 6, 2, 4}, 4, 2);
  prepare_engine(1);
  const double amplitude[7] = {1.0, 0.93, 0.71, 0.42, 0.08, -0.27, -0.61};
  double sum = 0.0;
  for (int j = 1; j <= 7; ++j) {
    EVEC(j) = amplitude[j - 1];
    if (j >= 2) sum += amplitude[j - 1];
  }
  for (double order : {3.0, 6.0, 9.0}) {
    double x = 0.0, y = 0.0;
    order_vector_sum(1, order, x, y);
    EXPECT_NEAR(std::hypot(x, y), std::fabs(sum), 1e-12) << "order " << order;
  }
  // A minor order does not add up.
  double x = 0.0, y = 0.0;
  order_vector_sum(1, 1.0, x, y);
  EXPECT_LT(std::hypot(x, y), 0.5 * std::fabs(sum));
}

// A vee engine's two banks act at the same inertia with the same amplitude.
TEST_F(EngineOrders, VeeBanksActAtTheSameInertia) {
  engine(1, {1}, 4, 2, 1, 90.0);
  prepare_engine(1);
  EVEC(2) = 0.5;
  double x = 0.0, y = 0.0;
  order_vector_sum(1, 1.0, x, y);
  // Second bank: 360 + 90 + 0 = 450, below the 720 of the cycle.
  EXPECT_NEAR(x, 0.5 * (1.0 + DCOSD(450.0)), 1e-15);
  EXPECT_NEAR(y, 0.5 * DSIND(450.0), 1e-15);
}

TEST_F(EngineOrders, EngineWithoutInertiasSumsToZero) {
  engine(1, {1, 3, 2}, 4, 0);
  prepare_engine(1);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(ICYL_NOS(c), 0);
  for (int j = 1; j <= 13; ++j) EVEC(j) = 1.0;
  double x = 1.0, y = 1.0;
  order_vector_sum(1, 2.0, x, y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
}

}  // namespace
}  // namespace spindra
