#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>
#include <random>

#include "analysis/eigen_solver.h"
#include "analysis/frequency_analysis.h"
#include "app/model/model_file.h"
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

// CALCULATE_MODES against an independent symmetric generalized solver: every
// eigenvalue to 1e-9 of its size (of 1e-6 of the largest for a rigid-body
// mode), every kept shape an eigenvector (residual), the shapes orthogonal
// through the inertias, and the shape of each separated eigenvalue that of
// the independent solver to 1e-9, scaled as the drawing scales it.
double worst_value = 0.0, worst_shape = 0.0;

void expect_exact_modes(const std::string& what) {
  SCOPED_TRACE(what);
  const int n = NMASS;
  const auto reference = testing::independent_modes();
  ASSERT_EQ(reference.info(), Eigen::Success);
  const Eigen::VectorXd& expected = reference.eigenvalues();
  const SolverResult r = CALCULATE_MODES();
  ASSERT_EQ(r.status, SolverStatus::kConverged);
  ASSERT_EQ(mode_shape_count, n);
  const double largest = expected(n - 1);
  for (int k = 1; k <= n; ++k) {
    const double size = std::max(std::fabs(expected(k - 1)), 1e-6 * largest);
    EXPECT_NEAR(EIGS(k), expected(k - 1), 1e-9 * size) << "eigenvalue " << k;
    worst_value = std::max(worst_value, std::fabs(EIGS(k) - expected(k - 1)) / size);
  }
  for (int k = 1; k <= n; ++k) {
    for (int l = k; l <= n; ++l) {
      double dot = 0.0;
      for (int j = 1; j <= n; ++j) dot += mode_shapes(j, k) * MASSES(j).amass * mode_shapes(j, l);
      EXPECT_NEAR(dot, k == l ? 1.0 : 0.0, 1e-9) << "shapes " << k << " and " << l;
    }
    int ref = 0;
    mode_shape(k, EVEC, 0, &ref);
    ASSERT_GE(ref, 1);
    EXPECT_EQ(std::fabs(EVEC(ref)), 1.0);
    EXPECT_LT(mode_residual(EIGS(k)), 1e-9) << "mode " << k;
    const double gap = std::min(k > 1 ? expected(k - 1) - expected(k - 2) : largest,
                                k < n ? expected(k) - expected(k - 1) : largest);
    if (gap < 1e-6 * largest) continue;
    const Eigen::VectorXd v =
        reference.eigenvectors().col(k - 1) / reference.eigenvectors()(ref - 1, k - 1);
    for (int j = 1; j <= n; ++j) {
      EXPECT_NEAR(EVEC(j), v(j - 1), 1e-9) << "mode " << k << ", inertia " << j;
      worst_shape = std::max(worst_shape, std::fabs(EVEC(j) - v(j - 1)));
    }
  }
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

// Two separate free parts break the LR factorisation down; the frequencies
// are found all the same: two rigid-body modes and one of each part.
TEST_F(Solver, SeparateFreePartsBreakTheIterationButNotTheAnalysis) {
  inertia(1, 1.0);
  inertia(2, 2.0);
  inertia(3, 1.0);
  inertia(4, 3.0);
  shaft(1, 2, 1.0e5);
  shaft(3, 4, 2.0e5);
  EIGS.fill(0.0);
  const SolverResult r = CALCULATE_MODES();
  EXPECT_EQ(r.lr_status, SolverStatus::kFactorisationFailed);
  EXPECT_GE(r.failed_row, 1);
  EXPECT_LT(r.failed_row, 4);
  EIGS.fill(0.0);
  const SolverResult d = calculate_modes_dense();
  EXPECT_EQ(d.status, r.lr_status);
  EXPECT_EQ(d.failed_row, r.failed_row);
  EIGS.fill(0.0);
  expect_exact_modes("two free parts");
  EXPECT_NEAR(EIGS(3), 1.0e5 * 1.5, 1e-9 * 1.0e5);
  EXPECT_NEAR(EIGS(4), 2.0e5 * (4.0 / 3.0), 1e-9 * 1.0e5);
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
  const SolverResult profile = lr_iteration();
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

TEST_F(Solver, AgreesWithAnIndependentSolver) {
  unsigned seed = 300;
  for (int n : {10, 20, 40, 70, 100}) {
    for (bool grounded : {false, true}) {
      std::mt19937 rng(++seed);
      testing::make_chain(n, rng, grounded);
      expect_exact_modes("chain of " + std::to_string(n) + ", seed " + std::to_string(seed));
      std::mt19937 rng2(++seed);
      testing::make_tree(n, rng2, grounded);
      expect_exact_modes("tree of " + std::to_string(n) + ", seed " + std::to_string(seed));
    }
  }
  std::printf("worst eigenvalue error %.2e of its size, worst shape error %.2e\n", worst_value,
              worst_shape);
}

// The models on which the LR iteration alone stalls, breaks down or blends
// close pairs, and models with repeated, close and ringed modes.
TEST_F(Solver, ExactOnBranchedUniformRepeatedCloseAndRingedModels) {
  // An 80-inertia chain with a 7-inertia side branch at inertia 40.
  for (int j = 1; j <= 87; ++j) inertia(j, j == 1 ? 5.0 : 0.8);
  for (int j = 1; j < 80; ++j) shaft(j, j + 1, 3.0e6);
  shaft(40, 81, 3.0e6);
  for (int j = 81; j < 87; ++j) shaft(j, j + 1, 3.0e6);
  expect_exact_modes("chain of 80 with a side branch of 7");

  // The long-chain example with the shaft from 93 to 94 re-joined at 86: two
  // branches of seven, frequencies in close pairs (36077.88 and 36134.63).
  initialise_store();
  FILIN = SPINDRA_SOURCE_DIR "/examples/long-chain.rtm";
  ASSERT_TRUE(read_model_file());
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).nodes(1) == 93 && STIFF(s).nodes(2) == 94) STIFF(s).nodes(1) = 86;
  }
  expect_exact_modes("long chain re-joined at 86");
  bool pair = false;
  for (int k = 1; k < NMASS; ++k) {
    pair = pair || (std::fabs(vpm(EIGS(k)) - 36077.88) < 0.005 &&
                    std::fabs(vpm(EIGS(k + 1)) - 36134.63) < 0.005);
  }
  EXPECT_TRUE(pair);

  // Three uniform branches of eight on a hub: repeated frequencies.
  initialise_store();
  inertia(1, 2.0);
  for (int b = 0; b < 3; ++b) {
    for (int j = 0; j < 8; ++j) {
      const int node = 2 + 8 * b + j;
      inertia(node, 1.0);
      shaft(j == 0 ? 1 : node - 1, node, 1.0e6);
    }
  }
  expect_exact_modes("three uniform branches");
  int repeated = 0;
  for (int k = 2; k <= NMASS; ++k) repeated += EIGS(k) - EIGS(k - 1) < 1e-9 * EIGS(NMASS);
  EXPECT_EQ(repeated, 8);  // every branch mode twice over

  // Three identical branches on a grounded hub have each mode with the hub at
  // rest twice over (two identical branches alone have none repeated); one
  // branch detuned by 0.1 % splits them into close pairs.
  const double j_branch[4] = {1.0, 0.5, 2.0, 0.7}, k_branch[4] = {2.0e6, 1.0e6, 3.0e6, 1.5e6};
  for (double detune : {1.0, 1.001}) {
    initialise_store();
    inertia(1, 3.0);
    shaft(1, 0, 5.0e6);
    for (int b = 0; b < 3; ++b) {
      for (int j = 0; j < 4; ++j) {
        const int node = 2 + 4 * b + j;
        inertia(node, j_branch[j] * (b == 2 ? detune : 1.0));
        shaft(j == 0 ? 1 : node - 1, node, k_branch[j]);
      }
    }
    expect_exact_modes(detune == 1.0 ? "three identical branches" : "one branch detuned");
    int twice = 0;
    for (int k = 2; k <= NMASS; ++k) twice += EIGS(k) - EIGS(k - 1) < 1e-9 * EIGS(NMASS);
    EXPECT_EQ(twice, detune == 1.0 ? 4 : 0);
  }

  // A ring of six shafts with a tail to ground.
  initialise_store();
  for (int j = 1; j <= 8; ++j) inertia(j, 1.0 + 0.25 * j);
  for (int j = 1; j <= 6; ++j) shaft(j, j % 6 + 1, 1.0e6 * (1.0 + 0.1 * j));
  shaft(6, 7, 2.0e6);
  shaft(7, 8, 2.5e6);
  shaft(8, 0, 4.0e6);
  expect_exact_modes("ring with a tail");
  EXPECT_TRUE(CALCULATE_MODES().dense);
}

// Where the LR iteration already has an eigenvalue to 1e-12, it stands bit
// for bit; on two inertias it has them all.
TEST_F(Solver, ExactLrValuesStandBitForBit) {
  inertia(1, 2.0);
  inertia(2, 5.0);
  shaft(1, 2, 3.0e5);
  EIGS.fill(0.0);
  lr_iteration();
  Vector100 lr = EIGS;
  EIGS.fill(0.0);
  EXPECT_EQ(CALCULATE_MODES().kept, 2);
  EXPECT_EQ(std::memcmp(&lr(1), &EIGS(1), 2 * sizeof(double)), 0);
  for (const char* name : {"branched-drive", "diesel-generator", "free-free-rotor", "long-chain",
                           "marine-propulsion"}) {
    initialise_store();
    FILIN = std::string(SPINDRA_SOURCE_DIR "/examples/") + name + ".rtm";
    ASSERT_TRUE(read_model_file());
    EIGS.fill(0.0);
    lr_iteration();
    lr = EIGS;
    EIGS.fill(0.0);
    const SolverResult r = CALCULATE_MODES();
    int same = 0;
    for (int k = 1; k <= NMASS; ++k) {
      const bool exact = std::fabs(lr(k) - EIGS(k)) <= 1e-12 * std::fabs(EIGS(k));
      same += std::memcmp(&lr(k), &EIGS(k), sizeof(double)) == 0;
      if (exact) {
        EXPECT_EQ(lr(k), EIGS(k)) << name << ", eigenvalue " << k;
      }
    }
    EXPECT_EQ(same, r.kept) << name;
    EXPECT_GE(r.kept, 1) << name;
    expect_exact_modes(name);
  }
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
