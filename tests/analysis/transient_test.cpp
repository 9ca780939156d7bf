// The transient response: the integrator against closed forms and a dense
// Newmark step, the excitation templates, runs on the model with their
// report and CSV, and the refusals.
#include "analysis/transient.h"

#include <Eigen/Dense>
#include <cmath>
#include <fstream>
#include <random>

#include "analysis/frequency_analysis.h"
#include "analysis/shaft_system.h"
#include "tests/analysis/analysis_fixture.h"

namespace spindra {
namespace {

constexpr double kPi = 3.14159265358979323846;

TransientSystem two_inertias(double c_shaft = 0.0, double c_j2 = 0.0) {
  TransientSystem s;
  s.n = 2;
  s.inertia = {2.0, 6.0};
  s.damping = {0.0, c_j2};
  s.links = {TransientLink{0, 1, 1e5, c_shaft}};
  return s;
}

// ---- The integrator ------------------------------------------------------------------

TEST(TransientIntegrator, ClosedForms) {
  // Undamped pair, 1000 N.m step on J1: the shaft torque swings to twice its
  // static share 750.
  {
    NewmarkStepper st;
    const double dt = 1e-5;
    ASSERT_TRUE(st.prepare(two_inertias(), dt));
    const double f[2] = {1000.0, 0.0};
    st.start(f);
    double peak = 0.0;
    for (int s = 0; s < 5000; ++s) {
      st.step(f);
      peak = std::max(peak, std::fabs(1e5 * (st.angle()[0] - st.angle()[1])));
    }
    EXPECT_NEAR(peak, 1500.0, 0.01);
  }
  // Energy of an undamped grounded chain under a constant torque is kept
  // over 10,000 steps (the rule has no numerical damping).
  {
    TransientSystem s;
    s.n = 3;
    s.inertia = {1.0, 2.5, 0.7};
    s.damping = {0.0, 0.0, 0.0};
    s.links = {{0, -1, 3e4, 0.0}, {0, 1, 1e4, 0.0}, {1, 2, 5e4, 0.0}};
    NewmarkStepper st;
    ASSERT_TRUE(st.prepare(s, 2e-3));
    const double f[3] = {0.0, 0.0, 50.0};
    st.start(f);
    const auto energy = [&] {
      const double* u = st.angle();
      const double* v = st.velocity();
      double e = 0.0;
      for (int i = 0; i < 3; ++i) e += 0.5 * s.inertia[i] * v[i] * v[i] - f[i] * u[i];
      for (const TransientLink& l : s.links) {
        const double d = u[l.a] - (l.b < 0 ? 0.0 : u[l.b]);
        e += 0.5 * l.k * d * d;
      }
      return e;
    };
    double swing = 0.0;
    std::vector<double> e;
    for (int k = 0; k < 10000; ++k) {
      st.step(f);
      e.push_back(energy());
      swing = std::max(swing, std::fabs(st.angle()[2]));
    }
    const double scale = 0.5 * 50.0 * swing;
    for (double x : e) ASSERT_NEAR(x, 0.0, 1e-4 * scale);
  }
}

TEST(TransientIntegrator, HarmonicSteadyStateAndPassageThroughResonance) {
  // 100 N.m at 0.8 omega_n on J1 of the damped pair: the shaft torque
  // settles at the forced response's amplitude, 206.93 N.m.
  {
    const double wn = std::sqrt(1e5 * (1.0 / 2.0 + 1.0 / 6.0)), w = 0.8 * wn;
    const double dt = 2.0 * kPi / w / 200.0;
    NewmarkStepper st;
    ASSERT_TRUE(st.prepare(two_inertias(20.0, 5.0), dt));
    double f[2] = {0.0, 0.0};
    st.start(f);
    double amp = 0.0;
    const int steps = static_cast<int>(4.0 / dt);
    for (int s = 1; s <= steps; ++s) {
      f[0] = 100.0 * std::sin(w * s * dt);
      st.step(f);
      if (s * dt > 3.0) amp = std::max(amp, std::fabs(1e5 * (st.angle()[0] - st.angle()[1])));
    }
    EXPECT_NEAR(amp, 206.93, 0.005 * 206.93);
  }
  // An undamped single inertia swept through resonance at alpha: the free
  // vibration left afterwards has amplitude T0 / (J wn) sqrt(pi / (2 alpha)).
  for (double ratio : {0.002, 0.005}) {
    const double j = 1.0, k = 1e4, wn = 100.0, t0 = 10.0, alpha = ratio * wn * wn;
    TransientSystem s;
    s.n = 1;
    s.inertia = {j};
    s.damping = {0.0};
    s.links = {{0, -1, k, 0.0}};
    const double dt = 2e-4, end = 2.0 * wn / alpha;
    NewmarkStepper st;
    ASSERT_TRUE(st.prepare(s, dt));
    double f[1] = {0.0};
    st.start(f);
    const long steps = std::lround(end / dt);
    double w = 0.0;
    for (long n = 1; n <= steps; ++n) {
      const double t = n * dt;
      w = alpha * t;
      f[0] = t0 * std::sin(0.5 * alpha * t * t);
      st.step(f);
    }
    // Less the quasi-static response to the force at the end.
    const double t = steps * dt, phase = 0.5 * alpha * t * t;
    const double xp = t0 * std::sin(phase) / (k - j * w * w);
    const double vp = t0 * w * std::cos(phase) / (k - j * w * w);
    const double x = st.angle()[0] - xp, v = st.velocity()[0] - vp;
    const double amplitude = std::hypot(x, v / wn);
    const double expected = t0 / (j * wn) * std::sqrt(kPi / (2.0 * alpha));
    EXPECT_NEAR(amplitude, expected, 0.01 * expected) << "alpha / wn^2 = " << ratio;
  }
}

// Four steps of `st` (prepared on the system of matrices M, C, K with step
// dt) beside dense Newmark steps from the same state under the same random
// torques.
void expect_dense_steps(NewmarkStepper& st, const Eigen::MatrixXd& M, const Eigen::MatrixXd& C,
                        const Eigen::MatrixXd& K, double dt, std::mt19937& random,
                        const std::string& what) {
  std::uniform_real_distribution<double> u01(0.0, 1.0);
  const int n = static_cast<int>(M.rows());
  Eigen::VectorXd f(n);
  for (int i = 0; i < n; ++i) f(i) = 100.0 * (u01(random) - 0.5);
  st.start(f.data());
  Eigen::VectorXd u = Eigen::VectorXd::Zero(n), v = u,
                  a = M.diagonal().cwiseInverse().cwiseProduct(f);
  const Eigen::MatrixXd keff = K + (2.0 / dt) * C + (4.0 / (dt * dt)) * M;
  const Eigen::LDLT<Eigen::MatrixXd> solver(keff);
  for (int step = 0; step < 4; ++step) {
    for (int i = 0; i < n; ++i) f(i) = 100.0 * (u01(random) - 0.5);
    st.step(f.data());
    const Eigen::VectorXd rhs =
        f + M * (4.0 / (dt * dt) * u + 4.0 / dt * v + a) + C * (2.0 / dt * u + v);
    const Eigen::VectorXd un = solver.solve(rhs);
    const Eigen::VectorXd vn = 2.0 / dt * (un - u) - v;
    a = 4.0 / (dt * dt) * (un - u) - 4.0 / dt * v - a;
    v = vn;
    u = un;
    const double su = u.cwiseAbs().maxCoeff(), sv = v.cwiseAbs().maxCoeff(),
                 sa = a.cwiseAbs().maxCoeff();
    for (int i = 0; i < n; ++i) {
      ASSERT_NEAR(st.angle()[i], u(i), 1e-10 * su) << what;
      ASSERT_NEAR(st.velocity()[i], v(i), 1e-10 * sv) << what;
      ASSERT_NEAR(st.acceleration()[i], a(i), 1e-9 * sa) << what;
    }
  }
}

// One dense Newmark step beside the tree step, from the same state.
TEST(TransientIntegrator, TreeStepEqualsDenseStep) {
  std::mt19937 random(25);
  std::uniform_real_distribution<double> u01(0.0, 1.0);
  for (int trial = 0; trial < 60; ++trial) {
    const int kind = trial % 3;  // 0 grounded tree, 1 free tree, 2 with rings
    TransientSystem s;
    s.n = 2 + static_cast<int>(u01(random) * 40);
    for (int i = 0; i < s.n; ++i) {
      s.inertia.push_back(0.1 + 10.0 * u01(random));
      s.damping.push_back(u01(random) < 0.3 ? 5.0 * u01(random) : 0.0);
    }
    for (int i = 1; i < s.n; ++i) {
      const int p = static_cast<int>(u01(random) * i);
      s.links.push_back(
          {i, p, 1e3 + 1e6 * u01(random), u01(random) < 0.5 ? 10.0 * u01(random) : 0.0});
      if (u01(random) < 0.1) s.links.push_back({p, i, 1e5 * u01(random), 0.0});  // parallel
    }
    if (kind != 1) s.links.push_back({0, -1, 1e5 + 1e6 * u01(random), 1.0});
    if (kind == 1) s.damping.assign(static_cast<std::size_t>(s.n), 0.0);
    if (kind == 2)
      for (int r = 0; r < 3; ++r) {
        const int a = static_cast<int>(u01(random) * s.n), b = static_cast<int>(u01(random) * s.n);
        if (a != b) s.links.push_back({a, b, 1e5 * u01(random), 2.0 * u01(random)});
      }
    const int n = s.n;
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(n, n), C = K, M = K;
    for (int i = 0; i < n; ++i) {
      M(i, i) = s.inertia[i];
      C(i, i) = s.damping[i];
    }
    for (const TransientLink& l : s.links) {
      K(l.a, l.a) += l.k;
      C(l.a, l.a) += l.c;
      if (l.b < 0) continue;
      K(l.b, l.b) += l.k;
      K(l.a, l.b) -= l.k;
      K(l.b, l.a) -= l.k;
      C(l.b, l.b) += l.c;
      C(l.a, l.b) -= l.c;
      C(l.b, l.a) -= l.c;
    }
    const double dt = 1e-4 * (0.5 + u01(random));
    NewmarkStepper st;
    ASSERT_TRUE(st.prepare(s, dt));
    expect_dense_steps(st, M, C, K, dt, random,
                       "trial " + std::to_string(trial) + " kind " + std::to_string(kind));
  }
}

// ---- The excitation templates ---------------------------------------------------------

TEST(TransientTemplates, ShortCircuitFirstPeaks) {
  TransientCase c;
  c.t_n = 1.0;
  c.f_line = 50.0;
  c.xd2 = 0.12;
  c.xd1 = 0.25;
  c.xd = 2.0;
  c.td2 = 0.03;
  c.td1 = 0.5;
  c.ta = 0.1;
  for (const auto& [kind, peak, at] : {std::tuple{kTransientShortCircuit3, 7.288, 4.727e-3},
                                       std::tuple{kTransientShortCircuit2, 9.038, 6.531e-3}}) {
    c.kind = kind;
    double best = 0.0, when = 0.0;
    for (double t = 0.0; t < 0.01; t += 1e-7) {
      const double v = short_circuit_torque(c, t);
      if (v > best) {
        best = v;
        when = t;
      }
    }
    EXPECT_NEAR(best, peak, 0.0005);
    EXPECT_NEAR(when, at, 0.0005e-3);
  }
}

TEST(TransientTemplates, IceSequence) {
  TransientCase c;
  c.kind = kTransientIce;
  c.qmax = 1000.0;
  c.n_prop = 100.0;
  c.h_ice = 2.0;  // 4 revolutions, 1440 degrees
  ASSERT_TRUE(ice_rule_case(1, 4, &c.cq, &c.alpha));
  EXPECT_EQ(c.cq, 0.75);
  EXPECT_EQ(c.alpha, 90.0);
  c.blades = 4;
  // One impact in the middle of the sequence: area cq qmax alpha 2 / pi.
  double area = 0.0;
  const double h = 0.001;
  for (double phi = 720.0; phi < 810.0; phi += h) area += -ice_torque_at_angle(c, phi + h / 2) * h;
  EXPECT_NEAR(area, c.cq * c.qmax * c.alpha * 2.0 / kPi, 1e-3);
  // The period 360 / blades, the torque opposing the rotation, the ramps.
  for (double phi = 500.0; phi < 700.0; phi += 7.3)
    EXPECT_NEAR(ice_torque_at_angle(c, phi), ice_torque_at_angle(c, phi + 90.0), 1e-9);
  EXPECT_NEAR(ice_torque_at_angle(c, 45.0), -750.0 * std::sin(kPi / 2) * 45.0 / 270.0, 1e-9);
  EXPECT_NEAR(ice_torque_at_angle(c, 405.0), -750.0, 1e-9);
  EXPECT_NEAR(ice_torque_at_angle(c, 1440.0 - 45.0), -750.0 * 45.0 / 270.0, 1e-9);
  EXPECT_EQ(ice_torque_at_angle(c, 1441.0), 0.0);
  EXPECT_EQ(ice_torque_at_angle(c, -1.0), 0.0);
  // Impacts overlap where alpha exceeds the blade spacing (case 2).
  ASSERT_TRUE(ice_rule_case(2, 4, &c.cq, &c.alpha));
  EXPECT_NEAR(ice_torque_at_angle(c, 720.0 + 100.0),
              -c.qmax * (std::sin(kPi * 100.0 / 135.0) + std::sin(kPi * 10.0 / 135.0)), 1e-9);
  double cq = 0.0, alpha = 0.0;
  EXPECT_TRUE(ice_rule_case(3, 6, &cq, &alpha));
  EXPECT_EQ(alpha, 30.0);
  EXPECT_FALSE(ice_rule_case(1, 7, &cq, &alpha));
}

// ---- Runs on the model -----------------------------------------------------------------

class TransientRun : public testing::AnalysisTest {
 protected:
  static int add_case(TransientCase c) {
    TRANSIENT_CASES(++NTRANS) = c;
    return NTRANS;
  }
  static TransientCase step_case(int inertia, double torque, double duration, double dt = 0.0) {
    TransientCase c;
    c.kind = kTransientStep;
    c.name = "Step";
    c.inertia = inertia;
    c.torque0 = torque;
    c.duration = duration;
    c.step = dt;
    return c;
  }
  static std::string refusal(int k = 1) {
    std::string message;
    EXPECT_FALSE(run_transient(k, &message));
    EXPECT_EQ(transient_results_valid(), 0);
    return message;
  }
};

TEST_F(TransientRun, DampedStepPeakAndItsTime) {
  // J = 1, k = 1e4, zeta = 0.05 (c = 10) to ground, 100 N.m from t = 0.
  inertia(1, 1.0);
  MASSES(1).dampex = 10.0;
  shaft(1, 0, 1e4, 0.05);
  add_case(step_case(1, 100.0, 0.06, 1e-5));
  std::string message;
  ASSERT_TRUE(run_transient(1, &message)) << message;
  const TransientPeak p = transient_peak(ForcedKind::kAngle, 1);
  EXPECT_NEAR(p.value, 1.854468e-2, 2e-7);
  EXPECT_NEAR(p.time, 0.03146, 1e-5);
  EXPECT_EQ(transient_info().free_system, 0);
  EXPECT_EQ(transient_info().steps, 6000);
  // The shaft's torque and stress follow the angle; the history keeps the
  // peak of each interval, so the sampled history holds the peak itself.
  EXPECT_NEAR(transient_peak(ForcedKind::kTorque, 1).value, 1e4 * p.value, 1e-9);
  EXPECT_NEAR(transient_peak(ForcedKind::kStress, 1).value,
              1e4 * p.value / forced_section_modulus(1) / 1e6, 1e-9);
  double sampled = 0.0;
  for (int i = 0; i <= transient_sample_count(); ++i)
    sampled = std::max(sampled, transient_value(ForcedKind::kAngle, 1, i));
  EXPECT_EQ(sampled, p.value);
  EXPECT_EQ(transient_sample_count(), 6000);
}

TEST_F(TransientRun, FreeSystemReportsVibrationNotDrift) {
  // A free pair under a net torque drifts; its angles are reported about
  // the rigid rotation, so they stay bounded and balance by inertia.
  inertia(1, 2.0);
  inertia(2, 6.0);
  shaft(1, 2, 1e5);
  STIFF(1).dampin = 20.0;
  add_case(step_case(1, 1000.0, 0.5));
  std::string message;
  ASSERT_TRUE(run_transient(1, &message)) << message;
  EXPECT_EQ(transient_info().free_system, 1);
  const int last = transient_sample_count();
  EXPECT_LE(transient_sample_count(), kTransientSamples);
  for (int i = 0; i <= last; i += 97) {
    const double a1 = transient_value(ForcedKind::kAngle, 1, i);
    EXPECT_LT(std::fabs(a1), 2.0 * 750.0 / 1e5);
  }
  // Twice the static share 750 less the decay of one half period.
  const double zeta = 20.0 / (2.0 * std::sqrt(1e5 * 1.5));
  EXPECT_NEAR(transient_peak(ForcedKind::kTorque, 1).value,
              750.0 * (1.0 + std::exp(-kPi * zeta / std::sqrt(1.0 - zeta * zeta))), 3.0);
  // The default step: 1/20 of the period of the one elastic mode.
  const double wn = std::sqrt(1e5 * (0.5 + 1.0 / 6.0));
  EXPECT_NEAR(transient_info().resolved_hz, wn / (2.0 * kPi), 1e-9);
  EXPECT_LE(transient_info().dt, 2.0 * kPi / wn / 20.0);
  EXPECT_NEAR(transient_info().period_error, std::pow(wn * transient_info().dt, 2) / 12.0, 1e-15);
}

// A run-up held at one speed settles at the forced response's amplitude:
// the engine's torque in time follows the same orders, phases and firing.
TEST_F(TransientRun, RunUpAtOneSpeedMeetsTheForcedResponse) {
  inertia(1, 10.0, "Engine");
  inertia(2, 30.0, "Generator");
  shaft(1, 2, 1e6);
  STIFF(1).dampin = 200.0;
  engine(1, {1}, 2, 1);
  ENGS(1).excitation.bore = 0.2;
  ENGS(1).excitation.stroke = 0.2;
  ENGS(1).excitation.conrod = 0.4;
  ENGS(1).excitation.p_rated = 10.0;
  ENGS(1).excitation.nharm = 2;
  ENGS(1).excitation.harm(1) = Harmonic{6.0, 3.18309886, 0.0, 20.0};
  ENGS(1).excitation.harm(2) = Harmonic{3.0, 1.0, 0.0, -40.0};
  forced_sweep = ForcedSweep{500.0, 500.0, 1.0, 500.0, 0.0};
  std::string message;
  ASSERT_TRUE(run_forced_response({}, &message)) << message;
  const double expected = forced_amplitude(ForcedKind::kTorque, 1, 1, 0);
  TransientCase c;
  c.kind = kTransientRunup;
  c.duration = 1.5;
  c.step = 1e-4;
  c.n_start = c.n_end = 500.0;
  add_case(c);
  ASSERT_TRUE(run_transient(1, &message)) << message;
  double top = 0.0, bottom = 0.0;
  for (int i = 0; i <= transient_sample_count(); ++i) {
    if (transient_sample_time(i) < 1.0) continue;
    top = std::max(top, transient_value(ForcedKind::kTorque, 1, i));
    bottom = std::min(bottom, transient_value(ForcedKind::kTorque, 1, i));
  }
  EXPECT_NEAR(0.5 * (top - bottom), expected, 0.005 * expected);
}

TEST_F(TransientRun, RunUpWritesReportAndCsv) {
  // Engine of four cylinders on a chain, a flywheel and a generator.
  for (int j = 1; j <= 4; ++j) inertia(j, 1.5);
  inertia(5, 20.0, "Flywheel");
  inertia(6, 30.0, "Generator");
  for (int j = 1; j < 6; ++j) shaft(j, j + 1, 2e6, 0.12, 0.0, "Crank");
  STIFF(5).stiff = 4e5;
  STIFF(5).uts = 700.0;
  STIFF(5).ck = 1.0;
  engine(1, {1, 3, 4, 2}, 4, 1);
  ENGS(1).excitation.bore = 0.16;
  ENGS(1).excitation.stroke = 0.2;
  ENGS(1).excitation.conrod = 0.4;
  ENGS(1).excitation.recip_mass = 3.0;
  ENGS(1).excitation.p_rated = 20.0;
  ENGS(1).excitation.nharm = 4;
  for (int h = 1; h <= 4; ++h)
    ENGS(1).excitation.harm(h) = Harmonic{0.5 * h, 0.5 / h, 0.05, 10.0 * h};
  forced_sweep = ForcedSweep{400.0, 1600.0, 10.0, 1500.0, 0.04};
  TransientCase c;
  c.kind = kTransientRunup;
  c.name = "Start";
  c.duration = 2.0;
  c.n_start = 400.0;
  c.n_end = 1500.0;
  add_case(c);
  add_case(step_case(6, -500.0, 0.2));
  use_model_name("runup");
  std::string message;
  ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  ASSERT_TRUE(run_transient(find_transient_case(" Start"), &message)) << message;
  EXPECT_EQ(transient_info().case_number, 1);
  EXPECT_NEAR(transient_sample_speed(0), 400.0, 1e-9);
  EXPECT_NEAR(transient_sample_speed(transient_sample_count()), 1500.0, 1e-9);
  EXPECT_GT(transient_peak(ForcedKind::kTorque, 5).value, 0.0);
  EXPECT_GT(transient_barred_ranges(nullptr, 0), -1);
  ASSERT_TRUE(write_transient_report(&message)) << message;
  const auto report = read_lines((dir_ / "runup.trn").string());
  ASSERT_GT(report.size(), 20u);
  bool tau = false;
  for (const std::string& line : report) {
    EXPECT_LE(line.size(), 132u) << line;
    tau = tau || line.find("to Tau") != std::string::npos;
  }
  EXPECT_TRUE(tau);
  const std::string csv = (dir_ / "out.csv").string();
  ASSERT_TRUE(write_transient_csv(csv, &message)) << message;
  const auto rows = read_lines(csv);
  EXPECT_EQ(rows[0],
            "time_s,speed_rpm,torque_1,torque_2,torque_3,torque_4,torque_5,angle_1,angle_2,"
            "angle_3,angle_4,angle_5,angle_6");
  EXPECT_EQ(rows.size(), static_cast<std::size_t>(transient_sample_count()) + 2);
  EXPECT_LE(transient_sample_count(), kTransientSamples);
  // Without the forced excitation a run-up cannot run; a step still can.
  ENGS(1).excitation = Excitation{};
  EXPECT_NE(refusal(1).find("Transient case 1 (Start) is a run-up, which needs the engines'"),
            std::string::npos);
  EXPECT_TRUE(run_transient(2, &message)) << message;
}

TEST_F(TransientRun, Refusals) {
  inertia(1, 1.0);
  shaft(1, 0, 1e4);
  EXPECT_NE(refusal().find("no transient case"), std::string::npos);
  add_case(step_case(1, 100.0, 1.0));
  EXPECT_NE(refusal().find("no damping at all"), std::string::npos);
  STIFF(1).psi = 0.5;  // a coupling's relative damping is damping
  std::string message;
  EXPECT_TRUE(run_transient(1, &message)) << message;
  STIFF(1).psi = 0.0;
  MASSES(1).dampex = 1.0;
  EXPECT_TRUE(run_transient(1, &message)) << message;
  const auto refused = [&](auto change, const char* expected) {
    const TransientCase keep = TRANSIENT_CASES(1);
    change(TRANSIENT_CASES(1));
    EXPECT_NE(refusal().find(expected), std::string::npos) << refusal();
    TRANSIENT_CASES(1) = keep;
  };
  refused([](TransientCase& c) { c.duration = 0.0; }, "has a duration of 0; it must be greater");
  refused([](TransientCase& c) { c.inertia = 2; }, "acts on inertia 2, which the model does not");
  refused([](TransientCase& c) { c.inertia = 0; }, "acts on no inertia");
  refused(
      [](TransientCase& c) {
        c.step = 1e-8;
        c.duration = 1.0;
      },
      "would need 100000000 time steps");
  refused(
      [](TransientCase& c) {
        c.kind = kTransientRunup;
        c.n_start = -5.0;
      },
      "has a start speed of -5; speeds must be greater than zero");
  refused(
      [](TransientCase& c) {
        c.kind = kTransientShortCircuit3;
        c.t_n = c.f_line = c.td2 = c.td1 = c.ta = 1.0;
        c.xd2 = 0.3;
        c.xd1 = 0.2;
        c.xd = 2.0;
      },
      "they must satisfy xd'' <= xd' <= xd");
  refused(
      [](TransientCase& c) {
        c.kind = kTransientIce;
        c.blades = 13;
      },
      "has 13 blades; a propeller has 2 to 12");
  refused(
      [](TransientCase& c) {
        c.kind = kTransientIce;
        c.blades = 4;
        c.n_prop = 100.0;
        c.alpha = 400.0;
        c.h_ice = 1.0;
      },
      "an impact angle alpha of 400");
  refused(
      [](TransientCase& c) {
        c.kind = kTransientIce;
        c.blades = 4;
        c.n_prop = 100.0;
        c.alpha = 90.0;
      },
      "an ice thickness of 0");
  refused([](TransientCase& c) { c.kind = kTransientTable; }, "has no points in its torque table");
}

// Geared trees (speed ratios, elastic and rigid meshes, psi) stepped on the
// referred system equal a dense Newmark step of the real system under the
// gear constraint: real angle = T referred angle, T(i, dof(i)) = ratio of i.
TEST_F(TransientRun, GearedTreeStepEqualsDenseStepOfTheRealSystem) {
  std::mt19937 random(24);
  std::uniform_real_distribution<double> u01(0.0, 1.0);
  const double ratios[3] = {1.0, 0.25, 3.0};
  const double eta = 0.03, omega_d = 2.0 * kPi * 20.0;
  for (int trial = 0; trial < 20; ++trial) {
    initialise_store();
    const int n = 3 + static_cast<int>(u01(random) * 30);
    for (int j = 1; j <= n; ++j) {
      inertia(j, 0.1 + 10.0 * u01(random));
      MASSES(j).dampex = u01(random) < 0.3 ? 5.0 * u01(random) : 0.0;
    }
    for (int j = 2; j <= n; ++j) {
      const int p = 1 + static_cast<int>(u01(random) * (j - 1));
      const bool mesh = u01(random) < 0.3;
      MASSES(j).speed_ratio =
          mesh ? ratios[static_cast<int>(u01(random) * 3)] : speed_ratio_of(MASSES(p));
      const int s = u01(random) < 0.5 ? shaft(j, p, 1e3 + 1e6 * u01(random))
                                      : shaft(p, j, 1e3 + 1e6 * u01(random));
      STIFF(s).dampin = u01(random) < 0.5 ? 10.0 * u01(random) : 0.0;
      STIFF(s).psi = u01(random) < 0.3 ? u01(random) : 0.0;
      STIFF(s).rigid = mesh && u01(random) < 0.4 ? 1 : 0;
    }
    if (trial % 2 == 0) shaft(1 + static_cast<int>(u01(random) * n), 0, 1e5 + 1e6 * u01(random));
    static ShaftSystem sys;
    build_shaft_system(sys);
    const int m = sys.ndof;
    const auto ratio = [](int j) { return speed_ratio_of(MASSES(j)); };
    Eigen::MatrixXd T = Eigen::MatrixXd::Zero(n, m);
    for (int j = 1; j <= n; ++j) T(j - 1, sys.dof(j) - 1) = ratio(j);
    // The real system: a stiffness acts on the twist seen on its first
    // inertia's shaft, x_a - (r_a / r_b) x_b.
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(n, n), C = K, M = K;
    for (int j = 1; j <= n; ++j) {
      M(j - 1, j - 1) = MASSES(j).amass;
      C(j - 1, j - 1) = MASSES(j).dampex;
    }
    for (int s = 1; s <= NSTIF; ++s) {
      const STIFFNESS& sh = STIFF(s);
      if (sh.rigid != 0) continue;
      const int a = sh.nodes(1), b = sh.nodes(2);
      Eigen::VectorXd w = Eigen::VectorXd::Zero(n);
      w(a - 1) = 1.0;
      if (b > 0) w(b - 1) -= ratio(a) / ratio(b);
      K += sh.stiff * w * w.transpose();
      C += (sh.dampin + (eta + sh.psi / (2.0 * kPi)) * sh.stiff / omega_d) * w * w.transpose();
    }
    TransientSystem ts;
    transient_system_of(sys, eta, omega_d, &ts);
    const double dt = 1e-4 * (0.5 + u01(random));
    NewmarkStepper st;
    ASSERT_TRUE(st.prepare(ts, dt));
    expect_dense_steps(st, T.transpose() * M * T, T.transpose() * C * T, T.transpose() * K * T, dt,
                       random, "trial " + std::to_string(trial));
  }
}

// A geared pair with a rigid mesh is its referred chain: J1 with J3 at
// ratio r3 rigidly on it, and J2 at ratio r on a mesh k of J2's shaft, run
// as the chain J1 + r3^2 J3, r^2 J2 with r^2 k.  The angle of J2 is r times
// the chain's, of J3 r3 times J1's; the mesh torque is the chain's over r; a
// torque T on J2 acts as r T; the rigid mesh has no torque.  The loss factor
// and psi become viscous at the first natural frequency: (eta + psi / 2 pi)
// k / omega_d.
TEST_F(TransientRun, GearedPairIsItsReferredChain) {
  const double r = 0.4, r3 = 2.5, j1 = 2.0, j2 = 6.0, j3 = 0.3, k = 1e5, eta = 0.03, psi = 0.8;
  const double jc1 = j1 + r3 * r3 * j3, jc2 = r * r * j2, kc = r * r * k;
  const double omega_n = std::sqrt(kc * (1.0 / jc1 + 1.0 / jc2));
  std::vector<double> chain[3];
  for (int geared = 0; geared <= 1; ++geared) {
    initialise_store();
    inertia(1, geared != 0 ? j1 : jc1);
    inertia(2, geared != 0 ? j2 : jc2);
    MASSES(2).dampex = geared != 0 ? 5.0 : r * r * 5.0;
    shaft(2, 1, geared != 0 ? k : kc);
    STIFF(1).dampin = geared != 0 ? 20.0 : r * r * 20.0 + (eta + psi / (2.0 * kPi)) * kc / omega_n;
    add_case(step_case(2, geared != 0 ? 1000.0 : r * 1000.0, 0.2, 1e-4));
    if (geared != 0) {
      MASSES(2).speed_ratio = r;
      inertia(3, j3);
      MASSES(3).speed_ratio = r3;
      STIFF(shaft(3, 1, 1e9)).rigid = 1;
      STIFF(1).psi = psi;
      forced_sweep = ForcedSweep{100.0, 200.0, 10.0, 150.0, eta};
      TransientCase ice;
      ice.kind = kTransientIce;
      ice.inertia = 2;
      ice.duration = 0.1;
      ice.blades = 4;
      ice.qmax = 100.0;
      ice.n_prop = 120.0;
      ice.cq = 1.0;
      ice.alpha = 90.0;
      ice.h_ice = 1.0;
      add_case(ice);
    }
    std::string message;
    ASSERT_TRUE(run_transient(1, &message)) << message;
    const int last = transient_sample_count();
    ASSERT_GT(last, 100);
    const double a1 = transient_peak(ForcedKind::kAngle, 1).value;
    const double a2 = transient_peak(ForcedKind::kAngle, 2).value;
    const double t1 = transient_peak(ForcedKind::kTorque, 1).value;
    for (int i = 0; i <= last; ++i) {
      const double x1 = transient_value(ForcedKind::kAngle, 1, i);
      const double x2 = transient_value(ForcedKind::kAngle, 2, i);
      const double q = transient_value(ForcedKind::kTorque, 1, i);
      if (geared == 0) {
        chain[0].push_back(x1);
        chain[1].push_back(x2);
        chain[2].push_back(q);
        continue;
      }
      const std::size_t u = static_cast<std::size_t>(i);
      ASSERT_NEAR(x1, chain[0][u], 1e-9 * a1) << i;
      ASSERT_NEAR(x2, r * chain[1][u], 1e-9 * a2) << i;
      ASSERT_NEAR(q, chain[2][u] / r, 1e-9 * t1) << i;
      ASSERT_NEAR(transient_value(ForcedKind::kAngle, 3, i), r3 * chain[0][u], 1e-9 * a1 * r3);
      ASSERT_EQ(transient_value(ForcedKind::kTorque, 2, i), 0.0);
    }
    if (geared != 0) {
      EXPECT_NEAR(transient_info().damping_hz, omega_n / (2.0 * kPi), 1e-9 * omega_n);
      // The ice case's speed column: the propeller's speed referred.
      ASSERT_TRUE(run_transient(2, &message)) << message;
      EXPECT_NEAR(transient_sample_speed(0), 120.0 / r, 1e-9);
    }
  }
}

}  // namespace
}  // namespace spindra
