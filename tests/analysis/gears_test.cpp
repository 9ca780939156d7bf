// Geared drives: closed forms of a rigid gear, an elastic mesh converging to
// it, referral invariance, the torque balance across a rigid mesh, the
// forced response against a dense solve of the real (unreferred) system with
// the gear constraint, the relative damping psi, and ratio 1 changing
// nothing.
#include <Eigen/Dense>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

#include "analysis/engine_orders.h"
#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "analysis/shaft_system.h"
#include "tests/analysis/analysis_fixture.h"
#include "tests/reference/random_models.h"

namespace spindra {
namespace {

constexpr double kPi = 3.14159265358979323846;
using Complex = std::complex<double>;

class Gears : public testing::AnalysisTest {
 protected:
  void analyse() {
    use_model_name("gears");
    std::string message;
    ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  }
  // The eigenvalues of the analysis, ascending.
  static std::vector<double> eigenvalues() {
    std::vector<double> e;
    for (int i = 1; i <= shaft_system.ndof; ++i) e.push_back(EIGS(i));
    return e;
  }
  // Eigenvalues of the chain J(0) -k(0)- J(1) -k(1)- ... (free ends).
  static std::vector<double> chain(const std::vector<double>& j, const std::vector<double>& k) {
    const int n = static_cast<int>(j.size());
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(n, n), M = Eigen::MatrixXd::Zero(n, n);
    for (int i = 0; i < n; ++i) M(i, i) = j[static_cast<std::size_t>(i)];
    for (int i = 0; i + 1 < n; ++i) {
      const double s = k[static_cast<std::size_t>(i)];
      K(i, i) += s;
      K(i + 1, i + 1) += s;
      K(i, i + 1) -= s;
      K(i + 1, i) -= s;
    }
    Eigen::GeneralizedSelfAdjointEigenSolver<Eigen::MatrixXd> es(K, M);
    return {es.eigenvalues().data(), es.eigenvalues().data() + n};
  }
  // J1 -k1- pinion Jp == wheel Jw (ratio r) -k2- J2 (ratio r); the mesh is
  // rigid, or elastic with stiffness km.  Returns the mesh's number.
  static int geared_pair(double r, double km = 0.0) {
    inertia(1, 40.0, "Engine");
    inertia(2, 2.0, "Pinion");
    inertia(3, 15.0, "Wheel");
    inertia(4, 900.0, "Propeller");
    MASSES(3).speed_ratio = r;
    MASSES(4).speed_ratio = r;
    shaft(1, 2, 3.0e6, 0.12);
    const int mesh = shaft(2, 3, km > 0.0 ? km : 1.0);
    STIFF(mesh).rigid = km > 0.0 ? 0 : 1;
    shaft(3, 4, 4.0e7, 0.3);
    return mesh;
  }
};

TEST_F(Gears, RigidGearIsTheReferredChainAndAStiffMeshConvergesToIt) {
  const double r = 0.25;
  geared_pair(r);
  analyse();
  EXPECT_EQ(shaft_system.ndof, 3);
  const std::vector<double> want = chain({40.0, 2.0 + r * r * 15.0, r * r * 900.0},
                                         {3.0e6, r * r * 4.0e7});
  const std::vector<double> got = eigenvalues();
  ASSERT_EQ(got.size(), 3u);
  for (int i = 1; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9 * want[i]) << i;
  // The list file has three modes and the table of ratios and rigid meshes;
  // the rigid mesh's line has no twist, torque or stress.
  const auto lines = read_lines(dir_ / "gears.lis");
  const auto has = [&lines](const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&text](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(has("  Speed ratios (inertia speed / crankshaft speed)"));
  EXPECT_TRUE(has("      3   Wheel                0.25000"));
  EXPECT_TRUE(has("         2        2        3                  2"));
  // Two modes in the frequency table (the free turning of the whole is not
  // listed): three degrees of freedom.
  const auto head = std::find(lines.begin(), lines.end(), " number    vib/min");
  ASSERT_NE(head, lines.end());
  EXPECT_EQ(std::find(head, lines.end(), std::string()) - head, 3);

  // Gear wheels of negligible inertia: the closed form of two inertias on
  // shafts k1 and k2 through a gear of ratio r, omega^2 = k (1/J1 + 1/(r^2 J2))
  // with k the series stiffness of k1 and r^2 k2.
  MASSES(2).amass = 1e-6;
  MASSES(3).amass = 1e-6;
  analyse();
  const double series = 1.0 / (1.0 / 3.0e6 + 1.0 / (r * r * 4.0e7));
  const double closed = series * (1.0 / 40.0 + 1.0 / (r * r * 900.0));
  EXPECT_NEAR(EIGS(2), closed, 1e-5 * closed);

  // An elastic mesh a thousand times stiffer than the shafts: the same
  // three frequencies, and a fourth far above.
  initialise_store();
  geared_pair(r, 3.0e6 * 1000.0 / (r * r));
  analyse();
  ASSERT_EQ(shaft_system.ndof, 4);
  const std::vector<double> stiff = eigenvalues();
  for (int i = 1; i < 3; ++i) EXPECT_NEAR(stiff[i], want[i], 2e-3 * want[i]) << i;
  EXPECT_GT(stiff[3], 100.0 * want[2]);
}

// Scaling a branch's ratio by r together with its inertias and stiffnesses
// by 1 / r^2 leaves the referred system, and so the frequencies, as they
// were; the real angles of the branch grow by r.
TEST_F(Gears, ReferralInvarianceAndTheTorqueBalanceOfARigidMesh) {
  std::mt19937 rng(24);
  testing::make_tree(30, rng, true);
  analyse();
  const std::vector<double> before = eigenvalues();
  Vector100 shape_before;
  real_mode_shape(2, shape_before, 1, nullptr);
  // The branch: the inertias beyond stiffness 5 seen from its first end.
  const int cut = 5, root = STIFF(cut).nodes(2);
  bool branch[kMaxNodes + 1] = {};
  branch[root] = true;
  for (bool grew = true; grew;) {
    grew = false;
    for (int s = 1; s <= NSTIF; ++s) {
      const int a = STIFF(s).nodes(1), b = STIFF(s).nodes(2);
      if (s == cut || b == 0) continue;
      if (branch[a] != branch[b]) branch[a] = branch[b] = grew = true;
    }
  }
  const double r = 3.7;
  for (int j = 1; j <= NMASS; ++j) {
    if (!branch[j]) continue;
    MASSES(j).speed_ratio = r;
    MASSES(j).amass /= r * r;
  }
  for (int s = 1; s <= NSTIF; ++s)
    if (branch[STIFF(s).nodes(1)]) STIFF(s).stiff /= r * r;
  analyse();
  const std::vector<double> after = eigenvalues();
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 1; i < before.size(); ++i)
    EXPECT_NEAR(after[i], before[i], 1e-8 * before[i]) << i;
  Vector100 shape_after;
  real_mode_shape(2, shape_after, 1, nullptr);
  for (int j = 1; j <= NMASS; ++j)
    EXPECT_NEAR(shape_after(j), shape_before(j) * (branch[j] ? r : 1.0),
                1e-6 * (1.0 + std::fabs(shape_after(j))))
        << j;

  // Torque balance: with gear wheels of negligible inertia the real torque
  // on the wheel's shaft is the pinion's times r_p / r_w.
  initialise_store();
  geared_pair(0.4);
  MASSES(2).amass = 1e-5;
  MASSES(3).amass = 1e-5;
  analyse();
  // The mode of the two inertias (the third is the gears' own).
  real_mode_shape(2, EVEC, 1, nullptr);
  const double t1 = 3.0e6 * (EVEC(1) - EVEC(2));
  const double t2 = 4.0e7 * (EVEC(3) - EVEC(4));
  EXPECT_NEAR(t2, t1 / 0.4, 1e-5 * std::fabs(t1 / 0.4));
  EXPECT_DOUBLE_EQ(EVEC(3), EVEC(2) * 0.4);  // the wheel turns with the pinion
}

TEST_F(Gears, RatiosOfOneChangeNothingAndCylindersTurnAtTheCrankshaftSpeed) {
  std::mt19937 rng(7);
  testing::make_tree(25, rng, true);
  engine(1, {1, 3, 2}, 4, 0);
  for (int c = 1; c <= 3; ++c) {
    MASSES(c).icyleng_no(1) = 1;
    MASSES(c).icyleng_no(2) = c;
  }
  analyse();
  const auto plain = read_lines(dir_ / "gears.lis");
  for (int j = 1; j <= NMASS; ++j) MASSES(j).speed_ratio = 1.0;
  analyse();
  EXPECT_EQ(read_lines(dir_ / "gears.lis"), plain);
  MASSES(2).speed_ratio = 2.0;
  std::string message;
  EXPECT_FALSE(run_frequency_analysis(&message));
  EXPECT_NE(message.find("cylinder 2 of Engine 1, turns at a speed ratio of 2"),
            std::string::npos)
      << message;
  MASSES(2).speed_ratio = 5000.0;
  EXPECT_FALSE(run_frequency_analysis(&message));
  EXPECT_NE(message.find("Inertia 2 has a speed ratio of 5000; a speed ratio must lie"),
            std::string::npos)
      << message;
}

// ---- The forced response ----------------------------------------------------

constexpr double kBore = 0.2, kStroke = 0.3;
const double kPerBar = 1.0e5 * kPi / 4.0 * kBore * kBore * kStroke / 2.0;

void excite_one_order(double order, double torque, int k = 1) {
  Excitation& x = ENGS(k).excitation;
  x = Excitation{};
  x.bore = kBore;
  x.stroke = kStroke;
  x.conrod = 0.6;
  x.p_rated = 1.0;
  x.nharm = 1;
  x.harm(1).order = order;
  x.harm(1).a = torque / kPerBar;
}

// The real angles from a dense solve of the system as built: every inertia
// its own angle, a stiffness twisting by phi_a - phi_b r_a / r_b (as seen
// on its first inertia's shaft), a rigid mesh a constraint
// phi_b = phi_a r_b / r_a held by a multiplier.  Loss factor eta and psi add
// i (eta + psi / 2 pi) k.  Every cylinder fires at its firing angle plus
// its engine's offset angle.
std::vector<Complex> dense_real_solve(double speed, double order, double torque, double eta) {
  const int n = NMASS;
  int nrigid = 0;
  for (int s = 1; s <= NSTIF; ++s) nrigid += STIFF(s).rigid;
  const int size = n + nrigid;
  const double w = order * 2.0 * kPi * speed / 60.0;
  Eigen::MatrixXcd a = Eigen::MatrixXcd::Zero(size, size);
  Eigen::VectorXcd f = Eigen::VectorXcd::Zero(size);
  const auto ratio = [](int j) { return speed_ratio_of(MASSES(j)); };
  for (int j = 1; j <= n; ++j) {
    a(j - 1, j - 1) += Complex(-w * w * MASSES(j).amass, w * MASSES(j).dampex);
    const int k = MASSES(j).icyleng_no(1), c = MASSES(j).icyleng_no(2);
    if (k == 0) continue;
    const double phi = (ENGS(k).angle(c) + ENGS(k).offset_angle) * kPi / 180.0;
    f(j - 1) = Complex(0.0, -torque) * std::exp(Complex(0.0, -order * phi));
  }
  int row = n;
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& sh = STIFF(s);
    const int p = sh.nodes(1) - 1, q = sh.nodes(2) - 1;
    const double t = q >= 0 ? -ratio(p + 1) / ratio(q + 1) : 0.0;
    if (sh.rigid != 0) {
      // No twist: phi_p + t phi_q = 0.
      a(row, p) = 1.0;
      a(row, q) = t;
      a(p, row) = 1.0;
      a(q, row) = t;
      ++row;
      continue;
    }
    const Complex y(sh.stiff, (eta + sh.psi / (2.0 * kPi)) * sh.stiff + w * sh.dampin);
    a(p, p) += y;
    if (q < 0) continue;
    a(q, q) += y * t * t;
    a(p, q) += y * t;
    a(q, p) += y * t;
  }
  const Eigen::VectorXcd x = a.fullPivLu().solve(f);
  return {x.data(), x.data() + n};
}

TEST_F(Gears, ForcedResponseAgreesWithADenseSolveOfTheRealSystem) {
  // Engine (two cylinders) -coupling- pinion == wheel (0.3) -shaft- propeller,
  // and a take-off wheel (1.8) on an elastic mesh from the pinion with its
  // generator; one case rigid, one elastic.
  for (int rigid = 0; rigid <= 1; ++rigid) {
    initialise_store();
    inertia(1, 30.0);
    inertia(2, 30.0);
    inertia(3, 4.0);
    inertia(4, 60.0);
    inertia(5, 3000.0);
    inertia(6, 0.5);
    inertia(7, 12.0);
    for (int j = 4; j <= 5; ++j) MASSES(j).speed_ratio = 0.3;
    for (int j = 6; j <= 7; ++j) MASSES(j).speed_ratio = 1.8;
    STIFF(shaft(1, 2, 8.0e6, 0.2)).dampin = 300.0;
    const int coupling = shaft(2, 3, 6.0e5, 0.15);
    STIFF(coupling).psi = 1.0;
    const int mesh = shaft(3, 4, 2.0e8);
    STIFF(mesh).rigid = rigid;
    STIFF(mesh).dampin = 50.0;
    STIFF(shaft(4, 5, 9.0e7, 0.4)).dampin = 2000.0;
    STIFF(shaft(3, 6, 5.0e7)).dampin = 20.0;  // elastic mesh to the take-off
    shaft(6, 7, 2.0e6, 0.08);
    MASSES(5).dampex = 4.0e4;
    engine(1, {1, 2}, 2, 1);
    excite_one_order(2.0, 5000.0);
    // A second engine on the pinion, firing 50 degrees after engine 1.
    engine(2, {1}, 2, 3);
    ENGS(2).offset_angle = 50.0;
    excite_one_order(2.0, 5000.0, 2);
    forced_sweep = ForcedSweep{100.0, 1000.0, 45.0, 750.0, 0.02};
    std::string message;
    ASSERT_TRUE(run_forced_response(ForcedRequest{}, &message)) << message;
    for (int s = 1; s <= forced_speed_count(); ++s) {
      const std::vector<Complex> x = dense_real_solve(forced_speed(s), 2.0, 5000.0, 0.02);
      double largest = 0.0;
      for (const Complex& v : x) largest = std::max(largest, std::abs(v));
      for (int j = 1; j <= NMASS; ++j)
        ASSERT_NEAR(forced_amplitude(ForcedKind::kAngle, j, s, 1), std::abs(x[j - 1]),
                    1e-9 * largest)
            << "rigid " << rigid << " speed " << s << " inertia " << j;
      for (int k = 1; k <= NSTIF; ++k) {
        const int p = STIFF(k).nodes(1), q = STIFF(k).nodes(2);
        const Complex twist =
            x[p - 1] - (q > 0 ? x[q - 1] * speed_ratio_of(MASSES(p)) / speed_ratio_of(MASSES(q))
                              : 0.0);
        const double want = STIFF(k).rigid != 0 ? 0.0 : STIFF(k).stiff * std::abs(twist);
        ASSERT_NEAR(forced_amplitude(ForcedKind::kTorque, k, s, 1), want,
                    1e-8 * STIFF(k).stiff * largest)
            << "rigid " << rigid << " speed " << s << " stiffness " << k;
      }
    }
  }
  // The CSV has no rows for the rigid mesh.
  const std::string csv = (dir_ / "gears.csv").string();
  std::string message;
  ASSERT_TRUE(write_forced_csv(csv, &message)) << message;
  const auto rows = read_lines(csv);
  EXPECT_FALSE(std::any_of(rows.begin(), rows.end(), [](const std::string& l) {
    return l.find(",torque,3,") != std::string::npos;
  }));
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const std::string& l) {
    return l.find(",torque,4,") != std::string::npos;
  }));
}

// At one frequency psi is the constant damping psi k / (2 pi omega).
TEST_F(Gears, RelativeDampingIsAConstantDampingAtOneFrequency) {
  inertia(1, 10.0);
  inertia(2, 30.0);
  inertia(3, 5.0);
  MASSES(3).speed_ratio = 2.0;
  const int coupling = shaft(1, 2, 1.0e6, 0.1);
  shaft(2, 3, 4.0e5);
  engine(1, {1}, 2, 1);
  excite_one_order(3.0, 1000.0);
  const double speed = 900.0, w = 3.0 * 2.0 * kPi * speed / 60.0;
  forced_sweep = ForcedSweep{speed, speed, 1.0, speed, 0.0};
  STIFF(coupling).psi = 0.9;
  std::string message;
  ASSERT_TRUE(run_forced_response(ForcedRequest{}, &message)) << message;
  double with_psi[5];
  for (int j = 1; j <= 3; ++j) with_psi[j] = forced_amplitude(ForcedKind::kAngle, j, 1, 1);
  STIFF(coupling).psi = 0.0;
  STIFF(coupling).dampin = 0.9 * 1.0e6 / (2.0 * kPi * w);
  ASSERT_TRUE(run_forced_response(ForcedRequest{}, &message)) << message;
  for (int j = 1; j <= 3; ++j)
    EXPECT_NEAR(forced_amplitude(ForcedKind::kAngle, j, 1, 1), with_psi[j], 1e-12 * with_psi[j]);
}

}  // namespace
}  // namespace spindra
