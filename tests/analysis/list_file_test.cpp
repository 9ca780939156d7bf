#include "analysis/list_file.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "analysis/eigen_solver.h"
#include "analysis/frequency_analysis.h"
#include "tests/analysis/analysis_fixture.h"

namespace spindra {
namespace {

using testing::AnalysisTest;

std::string f_field(double v, int w, int d) {
  std::string s(static_cast<std::size_t>(w), '?');
  format_f(s.data(), w, d, v);
  return s;
}
std::string i_field(long v, int w) {
  std::string s(static_cast<std::size_t>(w), '?');
  format_i(s.data(), w, v);
  return s;
}
// Columns a..b (1-based, inclusive) of a line.
std::string cols(const std::string& line, int a, int b) {
  if (static_cast<int>(line.size()) < b) return "<line too short: " + line + ">";
  return line.substr(static_cast<std::size_t>(a - 1), static_cast<std::size_t>(b - a + 1));
}
std::string blanks(int n) {
  return std::string(static_cast<std::size_t>(n), ' ');
}

TEST(NumberFields, FixedPointAndIntegerFields) {
  EXPECT_EQ(f_field(1.0, 10, 5), "   1.00000");
  EXPECT_EQ(f_field(480.0, 6, 1), " 480.0");
  EXPECT_EQ(f_field(-12.34, 7, 1), "  -12.3");
  EXPECT_EQ(f_field(1225.0416, 12, 3), "    1225.042");
  EXPECT_EQ(f_field(0.5, 3, 2), ".50");  // the leading zero goes only when needed
  EXPECT_EQ(f_field(-0.5, 4, 2), "-.50");
  EXPECT_EQ(f_field(0.5, 4, 2), "0.50");
  EXPECT_EQ(f_field(123.456, 5, 2), "*****");
  EXPECT_EQ(f_field(1e300, 11, 2), "***********");
  EXPECT_EQ(f_field(-0.001, 6, 2), " -0.00");
  EXPECT_EQ(i_field(7, 2), " 7");
  EXPECT_EQ(i_field(100, 2), "**");
  EXPECT_EQ(i_field(-5, 3), " -5");
  EXPECT_EQ(i_field(-10, 2), "**");
}

TEST(DateAndTime, Texts) {
  DateText d;
  TimeText t;
  calndr_format({6, 12, 2026, 14, 5, 9}, d, t);
  EXPECT_EQ(d.view(), " 6-Dec-2026");
  EXPECT_EQ(t.view(), "14:05:09");
  calndr_format({25, 1, 99, 0, 0, 0}, d, t);
  EXPECT_EQ(d.view(), "25-Jan-1999");
  EXPECT_EQ(t.view(), "00:00:00");
  calndr_format({1, 2, 94, 23, 59, 59}, d, t);
  EXPECT_EQ(d.view(), " 1-Feb-2094");
  calndr_format({1, 3, 12345, 1, 2, 3}, d, t);
  EXPECT_EQ(d.view(), " 1-Mar-2345");
  calndr_clock = nullptr;
  CALNDR(d, t);  // the system clock: a plausible shape
  EXPECT_EQ(d.view()[2], '-');
  EXPECT_EQ(d.view()[6], '-');
  EXPECT_EQ(t.view()[2], ':');
}

class ListFileReport : public AnalysisTest {
 protected:
  std::vector<std::string> run(const std::string& stem = "model") {
    const std::string path = use_model_name(stem);
    std::string message;
    EXPECT_TRUE(run_frequency_analysis(&message)) << message;
    return read_lines(path);
  }
  static int find(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
      if (lines[static_cast<std::size_t>(i)].find(text) != std::string::npos) return i;
    }
    return -1;
  }
  static int count(const std::vector<std::string>& lines, const std::string& text) {
    int n = 0;
    for (const auto& l : lines) n += l.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
};

// Two inertias on one shaft: one node line for node 1, the shaft line under
// it, one node line for node 2; every column where it belongs.
TEST_F(ListFileReport, TwoInertiasOneShaft) {
  TITLE = "Two discs";
  inertia(1, 2.0, "Disc A");
  inertia(2, 5.0, "Disc B");
  const double d = 0.1, b = 0.03, k = 3.0e5;
  shaft(1, 2, k, d, b, "Main shaft");
  const auto lines = run();
  ASSERT_GE(lines.size(), 20u);
  EXPECT_EQ(lines[0], " " + std::string(TITLE.view()));
  EXPECT_EQ(lines[0].size(), 81u);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "  Mode    Frequency");
  EXPECT_EQ(lines[3], " number    vib/min");
  const double lambda = k * (1.0 / 2.0 + 1.0 / 5.0);
  const double f = std::sqrt(lambda) * 30.0 / 3.1415927410125732;
  EXPECT_EQ(lines[4], "    2  " + f_field(f, 12, 3));
  EXPECT_EQ(lines[5], "1");
  const int node1 = find(lines, "Disc A");
  ASSERT_GT(node1, 0);
  EXPECT_EQ(lines[node1], "   1  Disc A                 2.00   1.00000");
  const std::string& s = lines[static_cast<std::size_t>(node1 + 1)];
  ASSERT_EQ(s.size(), 132u);
  EXPECT_EQ(cols(s, 1, 41), blanks(41));
  EXPECT_EQ(cols(s, 42, 57), "Main shaft      ");
  EXPECT_EQ(cols(s, 58, 68), "       0.30");
  EXPECT_EQ(cols(s, 69, 78), "   1.40000");   // 1 - (-2/5)
  EXPECT_EQ(cols(s, 79, 89), "       0.42");  // 0.3 MN.m/rad x 1.4
  EXPECT_EQ(cols(s, 90, 98), "   100.00");
  EXPECT_EQ(cols(s, 99, 109), "      30.00");
  const double stress = 16.0 * 0.42e6 * d / (std::numbers::pi * (std::pow(d, 4) - std::pow(b, 4)));
  EXPECT_NEAR(std::atof(cols(s, 110, 120).c_str()), stress / 1e6, 0.0015);
  EXPECT_EQ(cols(s, 110, 120).find('.'), 7u);  // F 11.3
  EXPECT_EQ(cols(s, 121, 126), "     2");
  EXPECT_EQ(cols(s, 127, 132), blanks(6));
  EXPECT_EQ(lines[static_cast<std::size_t>(node1 + 2)],
            "   2  Disc B                 5.00  -0.40000");
  EXPECT_EQ(node1 + 3, static_cast<int>(lines.size()));  // no engine, nothing more
  // Results in the store.
  EXPECT_EQ(IVALID, 1);
  EXPECT_EQ(FREQS(1).view(), f_field(f, 12, 2));
  EXPECT_TRUE(FREQS(2).is_blank());
  EXPECT_EQ(IFREQS(1), 2);
  EXPECT_EQ(ICURRENT_FREQ, 1);
  EXPECT_NEAR(TWIST(1), 1.4, 1e-12);
  EXPECT_NEAR(TRQ(1), 0.42e6, 1e-6);
  EXPECT_EQ(FILOUT.str(), (dir_ / "model.lis").string());
}

TEST_F(ListFileReport, PageHeadingAndColumnHeadings) {
  TITLE = "Heading test";
  inertia(1, 4.0);
  shaft(1, 0, 1.0e6);
  const auto lines = run();
  const int p = find(lines, "Harbrook") - 7;
  ASSERT_GE(p, 0);
  EXPECT_EQ(lines[p], "1");
  for (int l = 1; l <= 6; ++l) EXPECT_EQ(lines[p + l], "");
  EXPECT_EQ(lines[p + 7],
            blanks(30) + "Harbrook Vibration Engineering - Branched Frequency Table - Ver 1.0" +
                blanks(5) + "Page:   1");
  EXPECT_EQ(lines[p + 8], blanks(60) + "Heading test");  // (132 - 12) / 2
  EXPECT_EQ(lines[p + 9], blanks(40) + "Date:  6-Dec-2026" + blanks(20) + "Time: 14:05:09");
  const double f = std::sqrt(1.0e6 / 4.0) * 30.0 / 3.1415927410125732;
  EXPECT_EQ(lines[p + 10],
            blanks(40) + "   Table number   1    Frequency = " + f_field(f, 10, 2) + " vpm");
  EXPECT_EQ(lines[p + 11], "");
  EXPECT_EQ(lines[p + 12],
            "Inertia    Inertia   Inertia   Amplitude  Stiffness  Stiffness  Rel Twist   Torque  "
            "Shaft Dia. Shaft Bore  Stress    End ");
  EXPECT_EQ(lines[p + 13],
            "Number     Descrip    kg.m^2    Radian     Descrip   MN.m/rad    Radian      MN.m     "
            "  mm         mm        MPa    Number");
  EXPECT_EQ(lines[p + 14], "");
}

// A shaft to ground shows no twist and "Ground" for its end; a shaft without
// a diameter shows no diameter, bore or stress; a solid shaft no bore.
TEST_F(ListFileReport, GroundLinesAndMissingDiameters) {
  inertia(1, 4.0);
  inertia(2, 3.0);
  inertia(3, 2.0);
  shaft(1, 0, 2.0e6, 0.08, 0.0, "Ground shaft");
  shaft(1, 2, 1.0e6, 0.0, 0.0, "Coupling");
  shaft(2, 3, 1.5e6, 0.06, 0.0, "Solid");
  const auto lines = run();
  const std::string& g = lines[static_cast<std::size_t>(find(lines, "Ground shaft"))];
  ASSERT_EQ(g.size(), 132u);
  EXPECT_EQ(cols(g, 58, 68), "       2.00");
  EXPECT_EQ(cols(g, 69, 78), blanks(10));
  EXPECT_EQ(cols(g, 79, 89).find('.'), 8u);
  EXPECT_EQ(cols(g, 90, 98), "    80.00");
  EXPECT_EQ(cols(g, 99, 109), blanks(11));
  EXPECT_NE(cols(g, 110, 120), blanks(11));
  EXPECT_EQ(cols(g, 121, 128), "  Ground");
  EXPECT_EQ(cols(g, 129, 132), blanks(4));
  // Table 1, torque of the ground shaft = 2 MN.m/rad x amplitude 1.
  EXPECT_EQ(cols(g, 79, 89), "       2.00");
  const std::string& c = lines[static_cast<std::size_t>(find(lines, "Coupling"))];
  ASSERT_EQ(c.size(), 132u);
  EXPECT_EQ(cols(c, 90, 120), blanks(31));
  EXPECT_EQ(cols(c, 121, 126), "     2");
  const std::string& s = lines[static_cast<std::size_t>(find(lines, "Solid"))];
  EXPECT_EQ(cols(s, 90, 98), "    60.00");
  EXPECT_EQ(cols(s, 99, 109), blanks(11));
  EXPECT_NE(cols(s, 110, 120), blanks(11));
  // Every stiffness sits under its first node.
  EXPECT_EQ(find(lines, "Coupling"), find(lines, "Ground shaft") + 1);
  EXPECT_GT(find(lines, "Solid"), find(lines, "   2  "));
}

// The page counter runs over the file's mode tables and starts again on the
// next run; at most five tables.
TEST_F(ListFileReport, PageCounterAndFiveTables) {
  grounded_chain(8);
  auto lines = run();
  int listed = 0;
  for (const auto& l : lines) listed += l.size() == 19 && l.substr(0, 5) != "  Mod" ? 1 : 0;
  EXPECT_EQ(listed, 8);
  EXPECT_EQ(count(lines, "Page:"), 5);
  for (int page = 1; page <= 5; ++page)
    EXPECT_EQ(count(lines, "Page: " + i_field(page, 3)), 1) << page;
  EXPECT_EQ(count(lines, "Table number   5"), 1);
  lines = run();
  EXPECT_EQ(count(lines, "Page:   1"), 1);
  EXPECT_EQ(count(lines, "Page:   6"), 0);
}

TEST_F(ListFileReport, TitleCentring) {
  TITLE = std::string(80, 'T');
  inertia(1, 1.0);
  shaft(1, 0, 1.0e6);
  auto lines = run();
  EXPECT_EQ(lines[static_cast<std::size_t>(find(lines, "Harbrook") + 1)],
            blanks(26) + std::string(80, 'T'));
  TITLE.blank();
  lines = run();
  EXPECT_EQ(lines[0], blanks(81));
  EXPECT_EQ(lines[static_cast<std::size_t>(find(lines, "Harbrook") + 1)], blanks(66));
}

// A free-free chain of three lists two frequencies and writes two tables; the
// rigid-body mode appears nowhere.
TEST_F(ListFileReport, FreeChainSkipsTheRigidBodyMode) {
  for (int j = 1; j <= 3; ++j) inertia(j, 2.0);
  shaft(1, 2, 1.0e6);
  shaft(2, 3, 1.0e6);
  const auto lines = run();
  EXPECT_EQ(count(lines, "Page:"), 2);
  EXPECT_EQ(IFREQS(1), 2);
  EXPECT_EQ(IFREQS(2), 3);
  EXPECT_EQ(IFREQS(3), 0);
  EXPECT_EQ(lines[4].substr(0, 5), "    2");
  EXPECT_EQ(lines[5].substr(0, 5), "    3");
  EXPECT_EQ(lines[6], "1");
}

// Models whose inertia 1 stands still in some modes: a hub numbered first
// between two equal branches.  Such a table is scaled on the largest
// amplitude, names that inertia in its order tables, shows no asterisks, and
// gives the true shape.
enum class Hub { kGroundedPair, kFreeBranches, kGroundedBranches };

void PrintTo(Hub h, std::ostream* os) { *os << static_cast<int>(h); }

class HubAtRest : public ListFileReport, public ::testing::WithParamInterface<Hub> {
 protected:
  static void build(Hub hub) {
    if (hub == Hub::kGroundedPair) {
      // The model of the report: hub 1 grounded, inertias 2 and 3 on equal
      // shafts from it.
      inertia(1, 1.0, "Hub");
      inertia(2, 1.0, "Left");
      inertia(3, 1.0, "Right");
      shaft(2, 1, 1.0e6, 0.1);
      shaft(1, 3, 1.0e6, 0.1);
      shaft(1, 0, 1.0e6, 0.1);
      return;
    }
    // Hub 1; branches 1-2-3 and 1-4-5 alike; one cylinder on inertia 3 so
    // that order tables are written.
    inertia(1, 50.0, "Hub");
    for (int b : {2, 4}) {
      inertia(b, 20.0);
      inertia(b + 1, 8.0);
      shaft(1, b, 2.0e6, 0.12);
      shaft(b, b + 1, 5.0e5, 0.08, 0.02);
    }
    if (hub == Hub::kGroundedBranches) shaft(1, 0, 3.0e6);
    engine(1, {1}, 4, 3);
  }
};

TEST_P(HubAtRest, TablesShowTheTrueShape) {
  build(GetParam());
  const auto lines = run();
  for (const auto& l : lines) ASSERT_EQ(l.find('*'), std::string::npos) << l;
  const int n = NMASS;
  int tables = 0, at_rest = 0;
  for (int t = find(lines, "Table number"); t >= 0; t = find(lines, "Table number", t + 1)) {
    ++tables;
    const double f = std::atof(lines[static_cast<std::size_t>(t)].substr(75, 10).c_str());
    // Amplitudes of the node lines, in node order.
    std::vector<double> x;
    int row = t + 5;
    for (int j = 1; j <= n; ++j) {
      while (cols(lines[static_cast<std::size_t>(row)], 1, 4) != i_field(j, 4)) ++row;
      x.push_back(std::atof(cols(lines[static_cast<std::size_t>(row)], 34, 43).c_str()));
    }
    // The order table, where there is one, names the inertia whose
    // amplitude is 1.
    const int next = find(lines, "Table number", t + 1);
    int heading = find(lines, "per radian at inertia number", t);
    if (next >= 0 && heading > next) heading = -1;
    int ref = 1;
    if (heading > 0) {
      ref = std::atoi(lines[static_cast<std::size_t>(heading)].substr(66).c_str());
    } else {
      while (ref < n && x[static_cast<std::size_t>(ref - 1)] != 1.0) ++ref;
    }
    ASSERT_GE(ref, 1);
    ASSERT_LE(ref, n);
    EXPECT_EQ(x[static_cast<std::size_t>(ref - 1)], 1.0) << "table " << tables;
    double largest = 0.0;
    for (double v : x) largest = std::max(largest, std::fabs(v));
    if (ref != 1) {
      ++at_rest;
      EXPECT_EQ(largest, 1.0);
      EXPECT_LT(std::fabs(x[0]), 1e-5);
    }
    // The shape of the independent solver for the same frequency, scaled on
    // the same inertia.
    const auto reference = testing::independent_modes();
    const double lambda = std::pow(f * std::numbers::pi / 30.0, 2);
    Eigen::Index mode = 0;
    (reference.eigenvalues().array() - lambda).abs().minCoeff(&mode);
    const Eigen::VectorXd v = reference.eigenvectors().col(mode);
    for (int j = 0; j < n; ++j)
      EXPECT_NEAR(x[static_cast<std::size_t>(j)], v(j) / v(ref - 1), 2e-5)
          << "table " << tables << ", inertia " << j + 1;
    // The drawing's scaling of the same mode is finite and as large as 1.
    EIGVEC(AK, A, n, EIGS(IFREQS(tables)), EVEC, 0);
    double drawn = 0.0;
    for (int j = 1; j <= n; ++j) drawn = std::max(drawn, std::fabs(EVEC(j)));
    EXPECT_EQ(drawn, 1.0);
  }
  EXPECT_EQ(tables, std::min(5, n - (GetParam() == Hub::kFreeBranches ? 1 : 0)));
  EXPECT_GE(at_rest, 1);
}

INSTANTIATE_TEST_SUITE_P(Models, HubAtRest,
                         ::testing::Values(Hub::kGroundedPair, Hub::kFreeBranches,
                                           Hub::kGroundedBranches));

TEST_F(ListFileReport, EmptyModel) {
  TITLE = "Nothing yet";
  const auto lines = run();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "  Mode    Frequency");
  EXPECT_EQ(IVALID, 1);
  EXPECT_EQ(ICURRENT_FREQ, 0);
  EXPECT_TRUE(FREQS(1).is_blank());
}

// A twelve-cylinder engine: entries ten to a line; the mass number line has an
// empty line after its full line.
TEST_F(ListFileReport, TwelveCylinderEngineBlock) {
  grounded_chain(13);
  engine(1, {1, 12, 5, 8, 3, 10, 6, 7, 2, 11, 4, 9}, 4, 2);
  ORDMIN = ORDMAX = 6.0;
  const auto lines = run();
  const int e = find(lines, " Engine number ");
  ASSERT_EQ(e, 1);
  EXPECT_EQ(lines[1], " Engine number 1");
  std::string order = " Firing order", order2, mass = " Mass number ", mass2;
  const int fo[12] = {1, 12, 5, 8, 3, 10, 6, 7, 2, 11, 4, 9};
  for (int i = 0; i < 12; ++i) {
    (i < 10 ? order : order2) += blanks(4) + i_field(fo[i], 2);
    (i < 10 ? mass : mass2) += blanks(4) + i_field(i + 2, 2);
  }
  EXPECT_EQ(lines[2], order);
  EXPECT_EQ(lines[3], order2);
  EXPECT_EQ(lines[4].substr(0, 13), " Firing angle");
  EXPECT_EQ(lines[4].size(), 13u + 60u);
  EXPECT_EQ(lines[4].substr(13, 12), "   0.0 480.0");  // cylinders 1 and 2: 0 and 8 x 60
  EXPECT_EQ(lines[5].size(), 12u);
  EXPECT_EQ(lines[6], mass);
  EXPECT_EQ(lines[7], "");
  EXPECT_EQ(lines[8], mass2);
  EXPECT_EQ(lines[9], "");
  EXPECT_EQ(lines[10], "  Mode    Frequency");
  // One order line per engine and mode when ORDMIN = ORDMAX.
  EXPECT_EQ(count(lines, "    Order    Speed    Vector sum   Phase"), 5);
  const int h = find(lines, "Engine no.");
  EXPECT_EQ(lines[h - 1], "");
  EXPECT_EQ(lines[h], blanks(7) + "Engine no.  1 Vector summation per radian at inertia number  1");
  EXPECT_EQ(lines[h + 1], blanks(20) + "    Order    Speed    Vector sum   Phase");
  EXPECT_EQ(lines[h + 2], blanks(20) + "   Number     rpm       radians   degrees");
  const std::string& o = lines[static_cast<std::size_t>(h + 3)];
  EXPECT_EQ(o.size(), 60u);
  EXPECT_EQ(cols(o, 1, 27), blanks(20) + "    6.0");
  const double f = std::atof(lines[11 + 1].substr(7).c_str());  // first listed mode, vpm
  EXPECT_NEAR(std::atof(cols(o, 28, 38).c_str()), f / 6.0, 0.006);
  EXPECT_EQ(cols(o, 39, 51).find('.'), 7u);
  EXPECT_EQ(cols(o, 52, 60).find('.'), 6u);
  EXPECT_EQ(lines[h + 4], "1");  // straight on to the next table
}

TEST_F(ListFileReport, SixCylindersNoEmptyLineAndVeeSecondBank) {
  grounded_chain(7);
  engine(1, {1, 5, 3, 6, 2, 4}, 4, 2, 1, 60.0);
  const auto lines = run();
  EXPECT_EQ(lines[3], " Firing angle   0.0 480.0 240.0 600.0 120.0 360.0");
  EXPECT_EQ(lines[4], " Firing angle 420.0 180.0 660.0 300.0 540.0  60.0");
  EXPECT_EQ(lines[5], " Mass number      2     3     4     5     6     7");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "  Mode    Frequency");
  // Orders 1 to 6 by default.
  const int h = find(lines, "Engine no.");
  EXPECT_EQ(cols(lines[h + 3], 21, 27), "    1.0");
  EXPECT_EQ(cols(lines[h + 8], 21, 27), "    6.0");
  EXPECT_EQ(lines[h + 9], "1");
}

// Inertia 100 carries cylinder 1 (I 2 shows "**"); cylinder 2 is on no
// inertia and shows 0.
TEST_F(ListFileReport, MassNumbersTooWideOrMissing) {
  grounded_chain(100);
  engine(1, {1, 2}, 2, 0);
  MASSES(100).icyleng_no(1) = 1;
  MASSES(100).icyleng_no(2) = 1;
  const auto lines = run();
  EXPECT_EQ(lines[4], " Mass number     **     0");
}

// Only engine slots 1 to NENG are engines: a stale record left above them (a
// deleted engine's old copy) is neither tabled nor counted back into NENG.
TEST_F(ListFileReport, StaleEngineSlotIsNotAnEngine) {
  grounded_chain(5);
  engine(1, {1, 2}, 4, 2);
  engine(2, {1, 3, 2}, 4, 0);
  NENG = 1;
  const auto lines = run();
  EXPECT_EQ(count(lines, " Engine number "), 1);
  EXPECT_EQ(count(lines, "Engine no.  1"), 5);
  EXPECT_EQ(count(lines, "Engine no.  2"), 0);
  EXPECT_EQ(NENG, 1);
}

TEST_F(ListFileReport, UnnamedModel) {
  inertia(1, 1.0);
  shaft(1, 0, 1.0e6);
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  FILIN.blank();
  std::string message;
  const bool ok = run_frequency_analysis(&message);
  std::filesystem::current_path(here);
  ASSERT_TRUE(ok) << message;
  EXPECT_EQ(FILOUT.str(), "Unnamed.lis");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "Unnamed.lis"));
}

// ---- Refusals and failures --------------------------------------------------

class Refusal : public ListFileReport {
 protected:
  // A valid analysed model, then the change under test; the analysis must be
  // refused with a message naming `culprit` and leave everything as it was.
  void expect_refused(const std::function<void()>& spoil, const std::string& culprit) {
    grounded_chain(4);
    engine(1, {1, 3, 2}, 4, 2);
    const std::string path = use_model_name("model");
    std::string message;
    ASSERT_TRUE(run_frequency_analysis(&message)) << message;
    const auto before = read_lines(path);
    const Vector100 eigs = EIGS;
    const auto freqs = FREQS;
    const auto ifreqs = IFREQS;
    const Vector100 evec = EVEC;
    const Square100 ak = AK;
    const FileName130 filout = FILOUT;
    spoil();
    FILIN = (dir_ / "other.rtm").string();
    EXPECT_FALSE(run_frequency_analysis(&message));
    EXPECT_NE(message.find(culprit), std::string::npos) << message;
    EXPECT_EQ(IVALID, 1);
    EXPECT_TRUE(EIGS == eigs);
    EXPECT_TRUE(FREQS == freqs);
    EXPECT_TRUE(IFREQS == ifreqs);
    EXPECT_TRUE(EVEC == evec);
    EXPECT_TRUE(AK == ak);
    EXPECT_EQ(FILOUT, filout);
    EXPECT_EQ(read_lines(path), before);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "other.lis"));
  }
};

TEST_F(Refusal, InertiaOfZero) {
  expect_refused([] { MASSES(3).amass = 0.0; }, "Inertia 3");
}
TEST_F(Refusal, NegativeInertia) {
  expect_refused([] { MASSES(2).amass = -1.0; }, "Inertia 2");
}
TEST_F(Refusal, InertiaNoShaftReaches) {
  expect_refused([] { inertia(5, 1.0, "Loose disc"); }, "Inertia 5 (Loose disc) is not joined");
}
TEST_F(Refusal, OrderStepOfZero) {
  expect_refused([] { ORDSTEP = 0.0; }, "step must be greater than zero");
}
TEST_F(Refusal, OrderZero) {
  expect_refused([] { ORDMIN = 0.0; }, "includes order 0");
}
// Orders so large that adding the step does not change them: the order loop
// would never end.
TEST_F(Refusal, OrderStepLostInRounding) {
  expect_refused(
      [] {
        ORDMIN = 1e17;
        ORDMAX = 1e17 + 512.0;
        ORDSTEP = 1.0;
      },
      "step is too small");
}
TEST_F(Refusal, TooManyCylinders) {
  expect_refused(
      [] {
        ENGS(1).ncyl = 60;
        for (int c = 1; c <= 60; ++c) ENGS(1).ifirord(c) = c;
      },
      "Engine 1 has 60 cylinders");
}
TEST_F(Refusal, FiringOrderNamesACylinderTwice) {
  expect_refused([] { ENGS(1).ifirord(3) = 1; }, "names cylinder 1 twice");
}
TEST_F(Refusal, FiringOrderNamesAMissingCylinder) {
  expect_refused([] { ENGS(1).ifirord(2) = 7; }, "names cylinder 7");
}
TEST_F(Refusal, CylinderBeyondTheEngine) {
  expect_refused([] { MASSES(4).icyleng_no(2) = 5; }, "Inertia 4 is cylinder 5 of Engine 1");
}
TEST_F(Refusal, BoreNotBelowDiameter) {
  expect_refused(
      [] {
        STIFF(2).diam = 0.05;
        STIFF(2).bore = 0.05;
      },
      "Stiffness 2");
}
// A diameter of 1e306 m once printed Inf in the Shaft Dia. column.
TEST_F(Refusal, ShaftDiameterAbove100m) {
  expect_refused([] { STIFF(2).diam = 1e306; },
                 "Stiffness 2 between inertias 1 and 2 has a shaft diameter of 1e+306 m");
}
// A diameter so small that its section modulus is 0: no stress to print.
TEST_F(Refusal, StressThatIsNotFinite) {
  expect_refused([] { STIFF(2).diam = 1e-90; },
                 "The list file is not written: the stress of Stiffness 2");
}
TEST_F(Refusal, ShaftToAMissingInertia) {
  expect_refused([] { STIFF(3).nodes(2) = 9; }, "Stiffness 3");
}
TEST_F(Refusal, StiffnessOfZero) {
  expect_refused([] { STIFF(1).stiff = 0.0; }, "Stiffness 1");
}

// Separate parts break the LR factorisation down, a free pair numbered
// before a grounded disc as well; the analysis finds their frequencies all
// the same: the pair's k (1/J1 + 1/J2) and the disc's k/J, the pair's
// rigid-body mode left out.
TEST_F(ListFileReport, SeparatePartsAreAnalysedTogether) {
  inertia(1, 1.0);
  inertia(2, 2.0);
  inertia(3, 1.5);
  shaft(1, 2, 1.0e5);
  shaft(3, 0, 2.0e5);
  const auto lines = run();
  EXPECT_EQ(IVALID, 1);
  ASSERT_EQ(IFREQS(1), 2);
  ASSERT_EQ(IFREQS(2), 3);
  EXPECT_TRUE(FREQS(3).is_blank());
  EXPECT_NEAR(EIGS(2), 2.0e5 / 1.5, 1e-9 * EIGS(2));
  EXPECT_NEAR(EIGS(3), 1.5e5, 1e-9 * EIGS(3));
  EXPECT_EQ(count(lines, "Table number"), 2);
}

// Values too far apart for the solver are named, not reported as a pivot.
TEST_F(Refusal, InertiaTooLargeForTheSolver) {
  expect_refused([] { MASSES(2).amass = 1e300; }, "Inertia 2 has 1e+300 kg.m^2");
}
TEST_F(Refusal, InertiasTooFarApart) {
  expect_refused([] { MASSES(3).amass = 1e-12; }, "too far apart for the solver: Inertia 3");
}
TEST_F(Refusal, StiffnessTooLargeForTheSolver) {
  expect_refused([] { STIFF(1).stiff = 1e120; }, "too large for the solver: Inertia 1");
}

// A spread below the limit still solves, with the true frequency.
TEST_F(ListFileReport, SpreadBelowTheSolverLimitSolves) {
  inertia(1, 1.0);
  inertia(2, 1e11);
  inertia(3, 1.0);
  shaft(1, 2, 1.0e6);
  shaft(2, 3, 1.0e6);
  use_model_name("model");
  std::string message;
  ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  // Inertias 1 and 3 swing against the all but still inertia 2: 1e6 / 1 s^-2.
  EXPECT_NEAR(vpm(EIGS(IFREQS(1))), 1000.0 * 30.0 / kPiSingle, 0.05);
}

// An engine whose cylinders are not all placed is named; the rest runs.
TEST_F(ListFileReport, EnginesLeftOutAreNamed) {
  grounded_chain(4);
  engine(1, {1, 2}, 4, 1);
  EXPECT_EQ(engines_left_out(), "");
  // Engine 2 being defined: 1 of 6 cylinders placed.
  IENG = 2;
  ICYL = 1;
  CRE_ENGS.ncyl = 6;
  MASSES(3).icyleng_no(1) = 2;
  MASSES(3).icyleng_no(2) = 1;
  EXPECT_EQ(engines_left_out(),
            "Engine 2: 1 of 6 cylinders placed; left out of the analysis until its last cylinder "
            "is placed (Create > Engine).");
  // A link to an engine that is not defined (no definition in progress).
  IENG = 0;
  MASSES(4).icyleng_no(1) = 2;
  EXPECT_NE(engines_left_out().find("Engine 2: 2 cylinders placed on inertias, but the engine "
                                    "is not defined"),
            std::string::npos);
  use_model_name("model");
  std::string message;
  EXPECT_TRUE(run_frequency_analysis(&message)) << message;
  EXPECT_EQ(NENG, 1);
}

TEST_F(Refusal, ListFileThatCannotBeCreated) {
  grounded_chain(3);
  use_model_name("model");
  std::string message;
  ASSERT_TRUE(run_frequency_analysis(&message)) << message;
  STIFF(1).stiff = 3.0e6;
  const FileName130 filout = FILOUT;
  const Vector100 eigs = EIGS;
  FILIN = (dir_ / "no such folder" / "model.rtm").string();
  EXPECT_FALSE(run_frequency_analysis(&message));
  EXPECT_NE(message.find("no such folder/model.lis could not be created"), std::string::npos)
      << message;
  EXPECT_EQ(FILOUT, filout);
  EXPECT_TRUE(EIGS == eigs);
  EXPECT_EQ(IVALID, 1);
}

}  // namespace
}  // namespace spindra
