// Gas harmonics from a pressure curve: curves whose tangential pressure has
// known harmonics give them back, and bad curves are refused with the line.
#include "analysis/pressure_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/model/model_file.h"

namespace spindra {
namespace {

constexpr double kPi = 3.141592653589793;

// A curve over one cycle at every `step` degrees from `from`, as CSV.
template <class F>
std::string curve_text(double from, double cycle, double step, F pressure) {
  std::string text = "crank angle (deg),pressure (bar)\n";
  char line[80];
  for (double a = from; a < from + cycle - 1e-9; a += step) {
    std::snprintf(line, sizeof line, "%.6f,%.9f\n", a, pressure(a * kPi / 180.0));
    text += line;
  }
  return text;
}

std::vector<PressureHarmonic> harmonics_of(const std::string& text, int nstroke, double stroke,
                                           double rod) {
  PressureCurve curve;
  std::string message;
  std::vector<PressureHarmonic> out;
  EXPECT_TRUE(parse_pressure_curve(text, "p.csv", &curve, &message)) << message;
  EXPECT_TRUE(pressure_harmonics(curve, "p.csv", nstroke, stroke, rod, 24.0, 48, &out, &message))
      << message;
  return out;
}

TEST(PressureCurve, KnownHarmonicsComeBack) {
  // With a rod very much longer than the crank the lever is sin(theta), so a
  // pressure C (1 + cos(theta / 2)) has the tangential pressure
  // C sin(theta) + C/2 sin(1.5 theta) + C/2 sin(0.5 theta): over the 720
  // degrees of a four-stroke cycle the orders 0.5, 1 and 1.5 with the
  // amplitudes C/2, C, C/2 and phase 0, and nothing else.
  const double c = 40.0;
  const auto h = harmonics_of(
      curve_text(-360.0, 720.0, 0.5, [c](double t) { return c * (1.0 + std::cos(t / 2.0)); }), 4,
      0.001, 1000.0);
  ASSERT_EQ(h.size(), 48u);
  EXPECT_DOUBLE_EQ(h[0].order, 0.5);
  EXPECT_DOUBLE_EQ(h[47].order, 24.0);
  for (const PressureHarmonic& p : h) {
    const double want = p.order == 1.0 ? c : (p.order == 0.5 || p.order == 1.5) ? c / 2 : 0.0;
    EXPECT_NEAR(p.amplitude, want, 1e-3 * c) << "order " << p.order;
    if (want > 0.0) {
      EXPECT_NEAR(p.phase, 0.0, 0.01) << "order " << p.order;
    }
  }

  // Two-stroke, real crank: a constant pressure P gives P times the lever,
  // whose harmonics are those of an independent fine quadrature; a cosine
  // pressure moves the phase of order 1 by 90 degrees.
  const double lambda = 0.25;
  const auto k =
      harmonics_of(curve_text(0.0, 360.0, 0.25, [](double) { return 10.0; }), 2, 0.5, 1.0);
  ASSERT_EQ(k.size(), 24u);
  for (int n = 1; n <= 4; ++n) {
    double s = 0.0;
    const int m = 200000;
    for (int j = 0; j < m; ++j) {
      const double t = 2.0 * kPi * (j + 0.5) / m;
      s += crank_lever(t, lambda) * std::sin(n * t);
    }
    EXPECT_NEAR(k[n - 1].amplitude, 10.0 * std::fabs(2.0 * s / m), 1e-3) << "order " << n;
  }
  EXPECT_NEAR(k[0].amplitude, 10.0, 1e-3);  // the lever's first harmonic is sin(theta)
  const auto shifted = harmonics_of(
      curve_text(0.0, 360.0, 1.0, [](double t) { return 4.0 * std::cos(t); }), 2, 0.001, 1000.0);
  EXPECT_NEAR(shifted[1].amplitude, 2.0, 1e-3);  // 4 sin t cos t = 2 sin 2t
  EXPECT_NEAR(shifted[1].phase, 0.0, 0.05);
}

// The diesel example is the guide's finished model: its gas harmonics are
// those the Excitation dialog imports from the example's pressure curve,
// and its orders run from 0.5 to 12 by 0.5.
TEST(PressureCurve, DieselExampleHoldsTheImportedCurve) {
  initialise_store();
  FILIN = SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm";
  std::string message;
  ASSERT_TRUE(read_model_file(&message)) << message;
  EXPECT_EQ(ORDMIN, 0.5);
  EXPECT_EQ(ORDMAX, 12.0);
  EXPECT_EQ(ORDSTEP, 0.5);
  Excitation imported = ENGS(1).excitation;
  ASSERT_TRUE(import_pressure_curve(SPINDRA_SOURCE_DIR "/examples/diesel-pressure-curve.csv", 4,
                                    imported, &message))
      << message;
  EXPECT_EQ(imported.nharm, 48);
  EXPECT_EQ(imported, ENGS(1).excitation);
}

TEST(PressureCurve, RefusalsSayWhatAndWhere) {
  struct Case {
    std::string text;
    int nstroke;
    const char* says;
  };
  const Case cases[] = {
      {"angle,p\n0,1\n10,x\n", 4, "p.csv, line 3: expected the crank angle"},
      {"0,1\n\n# note\n20,2,3\n", 4, "p.csv, line 4: expected"},
      {"0,1\n10,2\n10,3\n", 4, "p.csv, line 3: the crank angle 10 is not above the one on line 2"},
      {curve_text(0.0, 360.0, 1.0, [](double) { return 1.0; }), 4,
       "does not cover the cycle of a four-stroke engine (720 degrees)"},
      {curve_text(0.0, 400.0, 1.0, [](double) { return 1.0; }), 2, "more than one cycle"},
  };
  for (const Case& c : cases) {
    PressureCurve curve;
    std::string message;
    std::vector<PressureHarmonic> out;
    const bool ok =
        parse_pressure_curve(c.text, "p.csv", &curve, &message) &&
        pressure_harmonics(curve, "p.csv", c.nstroke, 0.3, 0.9, 24.0, 48, &out, &message);
    EXPECT_FALSE(ok) << c.says;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
  // A whole cycle given with its end point (0 to 720 inclusive) is one cycle.
  std::string closed = curve_text(0.0, 720.0, 1.0, [](double) { return 1.0; }) + "720,1\n";
  EXPECT_EQ(harmonics_of(closed, 4, 0.3, 0.9).size(), 48u);
}

}  // namespace
}  // namespace spindra
