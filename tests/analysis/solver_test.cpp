#include <cmath>
#include <numbers>
#include <numeric>
#include <random>

#include "analysis/eigen_solver.h"
#include "analysis/frequency_analysis.h"
#include "tests/analysis/analysis_fixture.h"
#include "tests/reference/dense_iteration.h"
#include "tests/reference/random_models.h"

#include <Eigen/Eigenvalues>

namespace spindra {
namespace {

using testing::AnalysisTest;

class Solver : public AnalysisTest {};

// Two inertias on one shaft: 0 and k(1/J1 + 1/J2); the second mode scaled on
// inertia 1 is (1, -J1/J2).
TEST_F(Solver, TwoInertiasOnOneShaft) {
  const double j1 = 2.0, j2 = 5.0, k = 3.0e5;
  inertia(1, j1);
  inertia(2, j2);
  shaft(1, 2, k);
  const SolverResult r = CALCULATE_MODES();
  ASSERT_EQ(r.status, SolverStatus::kConverged);
  const double expected = k * (1.0 / j1 + 1.0 / j2);
  EXPECT_NEAR(EIGS(1), 0.0, 1e-9 * expected);
  EXPECT_NEAR(EIGS(2), expected, 1e-12 * expected);
  EIGVEC(AK, A, 2, EIGS(2), EVEC, 1);
  EXPECT_DOUBLE_EQ(EVEC(1), 1.0);
  EXPECT_NEAR(EVEC(2), -j1 / j2, 1e-12);
}

TEST_F(Solver, OneInertiaToGround) {
  inertia(1, 4.0);
  shaft(1, 0, 1.0e6);
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  EXPECT_DOUBLE_EQ(EIGS(1), 1.0e6 * (1.0 / 4.0));
  EIGVEC(AK, A, 1, EIGS(1), EVEC, 1);
  EXPECT_EQ(EVEC(1), 1.0);
}

TEST_F(Solver, GroundedChainHasNoZeroEigenvalue) {
  grounded_chain(6);
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  EXPECT_GT(EIGS(1), 1.0);
  for (int i = 2; i <= 6; ++i) EXPECT_LT(EIGS(i - 1), EIGS(i));
}

// The same chain numbered in any order gives the same eigenvalues, ascending.
TEST_F(Solver, AscendingWhateverTheNumbering) {
  const double masses[5] = {3.0, 7.0, 1.5, 9.0, 4.0};
  const double stiffs[5] = {2.0e5, 8.0e5, 1.0e6, 3.0e5, 6.0e5};
  int label[6] = {0, 1, 2, 3, 4, 5};
  std::vector<double> first;
  std::mt19937 rng(7);
  for (int round = 0; round < 6; ++round) {
    initialise_store();
    for (int j = 1; j <= 5; ++j) inertia(label[j], masses[j - 1]);
    shaft(label[5], 0, stiffs[0]);
    for (int j = 1; j < 5; ++j) shaft(label[j], label[j + 1], stiffs[j]);
    ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
    for (int i = 2; i <= 5; ++i) EXPECT_LE(EIGS(i - 1), EIGS(i)) << "round " << round;
    if (round == 0) {
      for (int i = 1; i <= 5; ++i) first.push_back(EIGS(i));
    } else {
      for (int i = 1; i <= 5; ++i) EXPECT_NEAR(EIGS(i), first[i - 1], 1e-7 * first[4]);
    }
    std::shuffle(label + 1, label + 6, rng);
  }
}

// IREF 0 scales the largest amplitude to exactly +1 or -1, sign kept: the
// shape is the one scaled on inertia 1, divided by its largest component.
TEST_F(Solver, LargestAmplitudeIsExactlyOne) {
  grounded_chain(7, 10.0, 1.0e6);
  MASSES(7).amass = 0.5;  // the free end swings most in the high modes
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  for (int mode = 1; mode <= 7; ++mode) {
    EIGVEC(AK, A, 7, EIGS(mode), EVEC, 1);
    const Vector100 on_first = EVEC;
    double largest = 0.0;
    for (int j = 1; j <= 7; ++j) {
      if (std::fabs(on_first(j)) > std::fabs(largest)) largest = on_first(j);
    }
    EIGVEC(AK, A, 7, EIGS(mode), EVEC, 0);
    int at_one = 0;
    for (int j = 1; j <= 7; ++j) {
      EXPECT_LE(std::fabs(EVEC(j)), 1.0);
      EXPECT_NEAR(EVEC(j), on_first(j) / largest, 1e-12) << "mode " << mode << ", inertia " << j;
      if (std::fabs(EVEC(j)) == 1.0) ++at_one;
    }
    EXPECT_GE(at_one, 1) << "mode " << mode;
  }
}

// Residual of K.x = lambda.M.x relative to (|K| + lambda |M|) |x|.
double mode_residual(double lambda) {
  double worst = 0.0, knorm = 0.0, xnorm = 0.0, mnorm = 0.0;
  for (int j = 1; j <= NMASS; ++j) mnorm = std::max(mnorm, MASSES(j).amass);
  for (int j = 1; j <= NMASS; ++j) xnorm = std::max(xnorm, std::fabs(EVEC(j)));
  double kx[101] = {};
  for (int s = 1; s <= NSTIF; ++s) {
    const int a = STIFF(s).nodes(1), b = STIFF(s).nodes(2);
    const double k = STIFF(s).stiff;
    knorm = std::max(knorm, 2.0 * k);
    if (b == 0) {
      kx[a] += k * EVEC(a);
    } else {
      kx[a] += k * (EVEC(a) - EVEC(b));
      kx[b] += k * (EVEC(b) - EVEC(a));
    }
  }
  for (int j = 1; j <= NMASS; ++j)
    worst = std::max(worst, std::fabs(kx[j] - lambda * MASSES(j).amass * EVEC(j)));
  return worst / ((knorm + std::fabs(lambda) * mnorm) * xnorm);
}

// A mode that does not move the last inertia: two equal pumps on a hub that
// is numbered last.  Fixing the last amplitude is impossible; the shape must
// still be the true one.
TEST_F(Solver, ModeWithoutAmplitudeAtTheLastInertia) {
  inertia(1, 0.8);
  inertia(2, 0.8);
  inertia(3, 2.0);
  shaft(1, 3, 1.5e5);
  shaft(2, 3, 1.5e5);
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  // Eigenvalues: 0, k/J (pumps against each other), k(1/J + 2/Jhub).
  EXPECT_NEAR(EIGS(2), 1.5e5 / 0.8, 1e-6 * EIGS(3));
  EIGVEC(AK, A, 3, EIGS(2), EVEC, 1);
  EXPECT_DOUBLE_EQ(EVEC(1), 1.0);
  EXPECT_NEAR(EVEC(2), -1.0, 1e-7);
  EXPECT_NEAR(EVEC(3), 0.0, 1e-7);
  EXPECT_LT(mode_residual(EIGS(2)), 1e-7);
  EIGVEC(AK, A, 3, EIGS(2), EVEC, 0);
  EXPECT_NEAR(std::fabs(EVEC(1)), 1.0, 1e-7);
  EXPECT_NEAR(EVEC(3), 0.0, 1e-7);
  // The other modes keep the ordinary path.
  EIGVEC(AK, A, 3, EIGS(3), EVEC, 1);
  EXPECT_LT(mode_residual(EIGS(3)), 1e-7);
  EXPECT_NEAR(EVEC(2), 1.0, 1e-7);
}

TEST_F(Solver, SeparateFreePartsFailTheFactorisation) {
  inertia(1, 1.0);
  inertia(2, 2.0);
  inertia(3, 1.0);
  inertia(4, 3.0);
  shaft(1, 2, 1.0e5);
  shaft(3, 4, 2.0e5);
  EIGS.fill(0.0);
  const SolverResult r = CALCULATE_MODES();
  EXPECT_EQ(r.status, SolverStatus::kFactorisationFailed);
  EXPECT_GE(r.failed_row, 1);
  EXPECT_LT(r.failed_row, 4);
  EIGS.fill(0.0);
  const SolverResult d = calculate_modes_dense();
  EXPECT_EQ(d.status, r.status);
  EXPECT_EQ(d.failed_row, r.failed_row);
}

// The previous run's EIGS enter the first convergence test only: a second run
// on the same model gives the same eigenvalues.
TEST_F(Solver, RepeatedRunsAgree) {
  grounded_chain(8);
  STIFF(3).stiff = 4.0e5;
  EIGS.fill(0.0);
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  const Vector100 first = EIGS;
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  for (int i = 1; i <= 8; ++i) EXPECT_NEAR(EIGS(i), first(i), 1e-7 * first(8));
}

// ---- The profile iteration against the plain dense one ---------------------

// Sizes for the bit-identity check; the dense form takes seconds at 100
// inertias, too long for a debug or sanitizer build.
std::vector<int> identity_sizes() {
#ifdef NDEBUG
  return {10, 17, 33, 50, 75, 100};
#else
  return {10, 17, 26};
#endif
}

void expect_bit_identical(const char* kind, int n, unsigned seed) {
  EIGS.fill(0.0);
  const SolverResult profile = CALCULATE_MODES();
  const Vector100 eigs = EIGS;
  const Square100 last = A;
  EIGS.fill(0.0);
  const SolverResult dense = calculate_modes_dense();
  SCOPED_TRACE(std::string(kind) + " of " + std::to_string(n) + ", seed " + std::to_string(seed));
  ASSERT_EQ(profile.status, dense.status);
  ASSERT_EQ(profile.passes, dense.passes);
  for (int i = 1; i <= n; ++i) {
    ASSERT_EQ(std::memcmp(&eigs(i), &EIGS(i), sizeof(double)), 0)
        << "EIGS(" << i << ") " << eigs(i) << " vs " << EIGS(i);
  }
  // The last iterate agrees too (zeros of either sign count as equal).
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) ASSERT_EQ(last(i, j), A(i, j)) << i << ", " << j;
  }
}

TEST_F(Solver, ProfileIterationIsBitIdenticalOnChains) {
  unsigned seed = 100;
  for (int n : identity_sizes()) {
    for (bool grounded : {false, true}) {
      std::mt19937 rng(++seed);
      testing::make_chain(n, rng, grounded);
      expect_bit_identical(grounded ? "grounded chain" : "free chain", n, seed);
    }
  }
}

TEST_F(Solver, ProfileIterationIsBitIdenticalOnRandomlyNumberedTrees) {
  unsigned seed = 200;
  for (int n : identity_sizes()) {
    for (bool grounded : {false, true}) {
      std::mt19937 rng(++seed);
      testing::make_tree(n, rng, grounded);
      expect_bit_identical(grounded ? "grounded tree" : "free tree", n, seed);
    }
  }
}

double worst_own = 0.0, worst_residual = 0.0;
int clusters = 0;

// Eigenvalues against an independent symmetric generalized eigensolver, and
// the residual of every mode shape.
void check_against_eigen(const char* kind, int n, unsigned seed) {
  SCOPED_TRACE(std::string(kind) + " of " + std::to_string(n) + ", seed " + std::to_string(seed));
  const auto reference = testing::independent_modes();
  ASSERT_EQ(reference.info(), Eigen::Success);
  const Eigen::VectorXd& expected = reference.eigenvalues();
  ASSERT_EQ(CALCULATE_MODES().status, SolverStatus::kConverged);
  const double largest = expected(n - 1);
  // The iteration stops when the mean change of the diagonal is below 1e-8,
  // which leaves eigenvalues less than about 10 % apart partly mixed: each
  // such cluster is checked through its sum (the trace of its block), every
  // other eigenvalue on its own, to 1e-6 of its size.
  int first = 1;
  while (first <= n) {
    int last = first;
    while (last < n && expected(last) - expected(last - 1) < 0.1 * std::fabs(expected(last)))
      ++last;
    double sum = 0.0, reference = 0.0, size = 0.0;
    for (int i = first; i <= last; ++i) {
      sum += EIGS(i);
      reference += expected(i - 1);
      size += std::fabs(expected(i - 1));
    }
    if (size < 1e-9 * largest) size = largest;  // a rigid-body mode
    EXPECT_NEAR(sum, reference, 1e-6 * size) << "eigenvalues " << first << " to " << last;
    if (last == first && EIGS(first) > 1e-6 * largest) {
      worst_own = std::max(worst_own, std::fabs(EIGS(first) / reference - 1.0));
      EIGVEC(AK, A, n, EIGS(first), EVEC, 0);
      const double r = mode_residual(EIGS(first));
      worst_residual = std::max(worst_residual, r);
      EXPECT_LT(r, 1e-6) << "mode " << first;
    } else if (last > first) {
      ++clusters;
    }
    first = last + 1;
  }
}

TEST_F(Solver, AgreesWithAnIndependentSolver) {
  unsigned seed = 300;
  for (int n : {10, 20, 40, 70, 100}) {
    for (bool grounded : {false, true}) {
      std::mt19937 rng(++seed);
      testing::make_chain(n, rng, grounded);
      check_against_eigen("chain", n, seed);
      std::mt19937 rng2(++seed);
      testing::make_tree(n, rng2, grounded);
      check_against_eigen("tree", n, seed);
    }
  }
  std::printf(
      "separated eigenvalues: worst error %.2e of their size, worst mode residual %.2e; "
      "%d clusters checked by their sums\n",
      worst_own, worst_residual, clusters);
}

// ---- Matrix routines -----------------------------------------------------------

TEST(MatrixRoutines, SortOrdersRowsAndReportsBadArguments) {
  // Three rows, two columns, column by column.
  double rx[6] = {3.0, -5.0, 1.0, 30.0, 50.0, 10.0};
  int istat = -1;
  SORT(rx, 3, 2, 3, 1, 1, istat);
  EXPECT_EQ(istat, 0);
  EXPECT_EQ(rx[0], -5.0);
  EXPECT_EQ(rx[1], 1.0);
  EXPECT_EQ(rx[2], 3.0);
  EXPECT_EQ(rx[3], 50.0);  // whole rows move
  EXPECT_EQ(rx[5], 30.0);
  SORT(rx, 3, 2, 3, 1, -1, istat);
  EXPECT_EQ(rx[0], 3.0);
  EXPECT_EQ(rx[2], -5.0);
  SORT(rx, 3, 2, 3, 1, 2, istat);
  EXPECT_EQ(rx[0], 1.0);
  EXPECT_EQ(rx[1], 3.0);
  EXPECT_EQ(rx[2], -5.0);
  SORT(rx, 3, 2, 3, 2, -2, istat);
  EXPECT_EQ(rx[3], 10.0);
  EXPECT_EQ(rx[5], 50.0);
  // Bad arguments.
  SORT(rx, 3, 0, 3, 0, 1, istat);
  EXPECT_EQ(istat, 1 + 2);
  SORT(rx, 3, -1, 3, 0, 1, istat);
  EXPECT_EQ(istat, 1 + 2 + 4);
  SORT(rx, 3, 2, 3, 3, 1, istat);
  EXPECT_EQ(istat, 4);
  double ry[3] = {2.0, 1.0, 0.0};
  SORT(ry, 3, 1, 5, 1, 7, istat);
  EXPECT_EQ(istat, 8 + 16);
  EXPECT_EQ(ry[0], 0.0);  // sorted ascending over the 3 rows there are
  EXPECT_EQ(ry[2], 2.0);
}

TEST(MatrixRoutines, GauselSolvesAndFlagsSingularSystems) {
  static Square100 b;
  Vector100 x;
  x.fill(-7.0);
  // 2x + y = 5, x + 3y = 10 held column-wise: equation e in column e.
  b(1, 1) = 2.0, b(2, 1) = 1.0, b(3, 1) = 5.0;
  b(1, 2) = 1.0, b(2, 2) = 3.0, b(3, 2) = 10.0;
  int ising = -5;
  GAUSEL(b, 2, x, ising);
  EXPECT_EQ(ising, 0);
  EXPECT_NEAR(x(1), 1.0, 1e-15);
  EXPECT_NEAR(x(2), 3.0, 1e-15);
  b(1, 1) = 1.0, b(2, 1) = 2.0, b(3, 1) = 1.0;
  b(1, 2) = 2.0, b(2, 2) = 4.0, b(3, 2) = 2.0;
  x.fill(-7.0);
  GAUSEL(b, 2, x, ising);
  EXPECT_EQ(ising, 1);
  EXPECT_EQ(x(1), -7.0);  // untouched
  GAUSEL(b, 100, x, ising);
  EXPECT_EQ(ising, -1);
}

TEST(MatrixRoutines, ProductAllowsTheResultInPlaceOfTheRightFactor) {
  static Square100 a, b;
  a(1, 1) = 1, a(1, 2) = 2, a(2, 1) = 3, a(2, 2) = 4;
  b(1, 1) = 5, b(1, 2) = 6, b(2, 1) = 7, b(2, 2) = 8;
  PROD10(a, b, b, 2);
  EXPECT_EQ(b(1, 1), 19);
  EXPECT_EQ(b(1, 2), 22);
  EXPECT_EQ(b(2, 1), 43);
  EXPECT_EQ(b(2, 2), 50);
}

}  // namespace
}  // namespace spindra

namespace spindra {
namespace {

// The constants are the single-precision values the solver has always used.
TEST(Constants, SinglePrecisionValues) {
  EXPECT_EQ(kPivotLimit, static_cast<double>(1e-10f));
  EXPECT_EQ(kGauselSingular, static_cast<double>(1e-8f));
  EXPECT_EQ(kListLimit, static_cast<double>(0.001f));
  EXPECT_EQ(kFreqLow, static_cast<double>(0.1f));
  EXPECT_EQ(kPiSingle, static_cast<double>(3.14159265358979f));
  EXPECT_EQ(kStressFactor, static_cast<double>(static_cast<float>(kStressFactor)));
  EXPECT_NEAR(kStressFactor, std::numbers::pi / 16.0, 1e-8);
  EXPECT_EQ(kOmegaLow, 0.9549296462075945);
  EXPECT_EQ(30.0 / kPiSingle, 9.54929631978034);
}

}  // namespace
}  // namespace spindra
