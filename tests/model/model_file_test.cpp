#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {
namespace {

namespace fs = std::filesystem;

std::string extension_of(std::string_view name, std::string_view ext = "rtm", int mode = 0) {
  FileName130 f(name);
  DEFAULT_EXTENSION(f, ext, mode);
  return f.str();
}

TEST(DefaultExtension, ForcesTheExtensionOnTheFirstDot) {
  EXPECT_EQ(extension_of("shaft"), "shaft.rtm");
  EXPECT_EQ(extension_of("shaft.dat"), "shaft.rtm");
  EXPECT_EQ(extension_of("shaft.old.rtm"), "shaft.rtm");
  FileName130 blank;
  DEFAULT_EXTENSION(blank, "rtm", 0);
  EXPECT_EQ(blank.view().substr(0, 5), ".rtm ");
  EXPECT_EQ(extension_of("model.dat", "lis"), "model.lis");
}

TEST(DefaultExtension, KeepsAnExistingExtensionInMode1) {
  EXPECT_EQ(extension_of("shaft.dat", "rtm", 1), "shaft.dat");
  EXPECT_EQ(extension_of("shaft", "rtm", 1), "shaft.rtm");
}

TEST(DefaultExtension, LooksOnlyInTheLastPathComponent) {
  EXPECT_EQ(extension_of("/home/eng/v1.2/shaft"), "/home/eng/v1.2/shaft.rtm");
  EXPECT_EQ(extension_of("/home/eng/v1.2/shaft.dat"), "/home/eng/v1.2/shaft.rtm");
  EXPECT_EQ(extension_of("C:\\jobs\\a.b\\pump"), "C:\\jobs\\a.b\\pump.rtm");
  EXPECT_EQ(extension_of("DISK:[JOBS.X]PUMP"), "DISK:[JOBS.X]PUMP.rtm");
  EXPECT_EQ(extension_of("DISK:[JOBS.X]PUMP.DAT"), "DISK:[JOBS.X]PUMP.rtm");
  // A leading dot names a file, it does not start an extension.
  EXPECT_EQ(extension_of(".shaft"), ".shaft.rtm");
  EXPECT_EQ(extension_of("dir/.shaft"), "dir/.shaft.rtm");
}

TEST(DefaultExtension, CutsWhatDoesNotFit) {
  FixedText<8> f("abcdefg");
  DEFAULT_EXTENSION(f, "rtm", 0);
  EXPECT_EQ(f.view(), "abcdefg.");
}

class ModelFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_store();
    dir_ = fs::temp_directory_path() /
           ("spindra_model_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(std::string_view name, std::string_view text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  bool open(const std::string& path, std::string* error = nullptr) {
    FILIN = path;
    return read_model_file(error);
  }

  // A small model with every carried field set to a value that does not
  // print exactly in few digits.
  static void make_model() {
    TITLE = "Test rig: motor - coupling - pump";
    NMASS = 3;
    NSTIF = 3;
    CONV_I = 1.0 / 3.0;
    CONV_S = 2.5;
    ORDMIN = 0.5;
    ORDMAX = 12.0;
    ORDSTEP = 0.5;
    for (int i = 1; i <= 3; ++i) {
      MASSES(i).xy_node(1) = 40.0 + 25.0 * i;
      MASSES(i).xy_node(2) = 105.0;
      MASSES(i).amass = 0.1 * i + 1e-13;
      MASSES(i).dampex = 1.0 / (7.0 * i);
    }
    MASSES(2).icyleng_no(1) = 1;
    MASSES(2).icyleng_no(2) = 1;
    MASSES(1).name = "Motor";
    MASSES(2).name = "O'Brien's hub";
    MASSES(3).name = "Pump impeller rotor";  // longer than 16: cut
    STIFF(1).nodes(1) = 1;
    STIFF(1).nodes(2) = 2;
    STIFF(1).stiff = 1.2345678901234567e6;
    STIFF(1).dampin = 0.3;
    STIFF(1).diam = 0.0625;
    STIFF(1).bore = 0.02;
    STIFF(2).nodes(1) = 2;
    STIFF(2).nodes(2) = 3;
    STIFF(2).stiff = 3.3e5;
    STIFF(3).nodes(1) = 3;
    STIFF(3).nodes(2) = 0;
    STIFF(3).stiff = 1e9;
    STIFF(3).name = "Foundation";
    NENG = 1;
    ENGS(1).ncyl = 12;
    ENGS(1).nstroke = 4;
    const int order[12] = {1, 12, 5, 8, 3, 10, 6, 7, 2, 11, 4, 9};
    for (int c = 1; c <= 12; ++c) ENGS(1).ifirord(c) = order[c - 1];
    ENGS(1).ivee_engine = 1;
    ENGS(1).vee_angle = 60.0;
    ENGS(1).name = "V12";
  }

  fs::path dir_;
};

TEST_F(ModelFileTest, SaveThenOpenGivesBackEveryCarriedField) {
  make_model();
  FILIN = (dir_ / "rig.dat").string();
  std::string error;
  ASSERT_TRUE(write_model_file(&error)) << error;
  EXPECT_EQ(FILIN.str(), (dir_ / "rig.rtm").string());  // extension forced and kept
  EXPECT_TRUE(fs::exists(dir_ / "rig.rtm"));
  EXPECT_FALSE(fs::exists(dir_ / "rig.dat"));

  const auto masses = MASSES;
  const auto stiff = STIFF;
  const auto engs = ENGS;
  const auto title = TITLE;
  initialise_store();
  ASSERT_TRUE(open((dir_ / "rig.rtm").string(), &error)) << error;
  EXPECT_EQ(TITLE, title);
  EXPECT_EQ(NMASS, 3);
  EXPECT_EQ(NSTIF, 3);
  EXPECT_EQ(NENG, 1);
  EXPECT_EQ(CONV_I, 1.0 / 3.0);
  EXPECT_EQ(CONV_S, 2.5);
  EXPECT_EQ(ORDMIN, 0.5);
  EXPECT_EQ(ORDMAX, 12.0);
  EXPECT_EQ(ORDSTEP, 0.5);
  EXPECT_TRUE(masses == MASSES);  // bit for bit, names included
  EXPECT_TRUE(stiff == STIFF);
  EXPECT_TRUE(engs == ENGS);
  EXPECT_EQ(MASSES(2).name.str(), "O'Brien's hub");
  EXPECT_EQ(MASSES(3).name.str(), "Pump impeller ro");
  EXPECT_EQ(FILOUT.str(), (dir_ / "rig.lis").string());
}

TEST_F(ModelFileTest, ForcedResponseDataRoundTrip) {
  make_model();
  EXPECT_EQ(model_text().find("FORCED"), std::string::npos);  // no data, no section
  forced_sweep = ForcedSweep{300.0, 1200.0, 2.5, 1000.0 / 3.0, 0.02};
  Excitation& x = ENGS(1).excitation;
  x.bore = 0.23;
  x.stroke = 0.31;
  x.conrod = 0.7;
  x.recip_mass = 61.5;
  x.p_rated = 21.0;
  x.load_exp = 2.0;
  x.nharm = 3;
  x.harm(1) = Harmonic{0.5, 0.1, 0.0321, 12.5};
  x.harm(2) = Harmonic{1.0, 0.0, 0.0287, -3.0};
  x.harm(3) = Harmonic{6.0, 0.01, 1.0 / 7.0, 90.0};
  STIFF(1).uts = 650.0;
  STIFF(1).ck = 0.45;
  STIFF(3).ck = 1.0;
  const std::string text = model_text();
  EXPECT_NE(text.find("\nFORCED\n 300.0 1200.0 2.5 "), std::string::npos) << text;
  const auto stiff = STIFF;
  const auto engs = ENGS;
  const ForcedSweep sweep = forced_sweep;
  initialise_store();
  std::string error;
  ASSERT_TRUE(load_model_text(text, "rig.rtm", &error)) << error;
  EXPECT_TRUE(stiff == STIFF);
  EXPECT_TRUE(engs == ENGS);
  EXPECT_TRUE(sweep == forced_sweep);
  EXPECT_EQ(model_text(), text);
  // The section may run over lines and follow blank lines; a file without it
  // leaves no forced data behind.
  ASSERT_TRUE(load_model_text("T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\n\n  FORCED \n100 200\n10 150\n"
                              "0.02\n 0\n",
                              "free.rtm", &error))
      << error;
  EXPECT_EQ(forced_sweep.n_rated, 150.0);
  EXPECT_EQ(forced_sweep.eta, 0.02);
  ASSERT_TRUE(load_model_text("T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\n", "old.rtm", &error));
  EXPECT_TRUE(forced_sweep == ForcedSweep{});
}

TEST_F(ModelFileTest, TransientCasesRoundTrip) {
  make_model();
  const std::string without = model_text();
  EXPECT_EQ(without.find("TRANSIENT"), std::string::npos);  // no cases, no section
  NTRANS = 6;
  TransientCase& a = TRANSIENT_CASES(1);
  a.kind = kTransientRunup;
  a.name = "Start 'quick'";
  a.duration = 12.5;
  a.n_start = 300.0;
  a.n_end = 1000.0 / 3.0;
  TransientCase& b = TRANSIENT_CASES(2);
  b = TransientCase{kTransientShortCircuit2, Name16("Short"), 0.4, 1e-5, 12.0, 3};
  b.t_n = 12345.6;
  b.f_line = 50.0;
  b.xd2 = 0.12;
  b.xd1 = 0.25;
  b.xd = 2.0;
  b.td2 = 0.03;
  b.td1 = 0.5;
  b.ta = 0.1;
  TransientCase& c = TRANSIENT_CASES(3);
  c = TransientCase{kTransientIce, Name16("Ice 1"), 2.0, 0.0, 0.0, 2};
  c.blades = 4;
  c.qmax = 2.5e5;
  c.n_prop = 120.0;
  c.cq = 0.75;
  c.alpha = 90.0;
  c.h_ice = 1.75;
  TRANSIENT_CASES(4) = TransientCase{kTransientStep, Name16("Load"), 1.0, 0.0, 0.0, 1};
  TRANSIENT_CASES(4).t0 = 0.1;
  TRANSIENT_CASES(4).torque0 = -300.0;
  TRANSIENT_CASES(5) = TransientCase{kTransientTable, Name16("Measured"), 1.0, 0.0, 0.0, 3};
  TRANSIENT_CASES(5).npoint = 3;
  TRANSIENT_CASES(5).first_point = 1;
  TRANSIENT_CASES(6) = TransientCase{kTransientTable, Name16("Empty"), 1.0, 0.0, 0.0, 0};
  NTRANS_POINTS = 3;
  TRANSIENT_POINTS(1) = TablePoint{0.0, 0.0};
  TRANSIENT_POINTS(2) = TablePoint{0.1, 1.0 / 3.0};
  TRANSIENT_POINTS(3) = TablePoint{0.25, -7.0};
  const std::string text = model_text();
  EXPECT_EQ(text.substr(0, without.size()), without);  // the section comes last
  EXPECT_NE(text.find("\nTRANSIENT\n 6\n runup 'Start ''quick''   ' 12.5 0.0 0.0\n 300.0 "),
            std::string::npos)
      << text;
  const auto cases = TRANSIENT_CASES;
  const auto points = TRANSIENT_POINTS;
  initialise_store();
  std::string error;
  ASSERT_TRUE(load_model_text(text, "rig.rtm", &error)) << error;
  EXPECT_EQ(NTRANS, 6);
  EXPECT_EQ(NTRANS_POINTS, 3);
  EXPECT_TRUE(cases == TRANSIENT_CASES);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(points(i), TRANSIENT_POINTS(i));
  EXPECT_EQ(model_text(), text);
  // Before FORCED and in free format, too; a file without it has no cases.
  ASSERT_TRUE(
      load_model_text("T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\nstep 's'"
                      "\n 1.0, 0 0\n1 0.0 5\nFORCED\n100 200 10 150 0.02\n0\n",
                      "any.rtm", &error))
      << error;
  EXPECT_EQ(NTRANS, 1);
  EXPECT_EQ(TRANSIENT_CASES(1).torque0, 5.0);
  EXPECT_EQ(forced_sweep.n_rated, 150.0);
  ASSERT_TRUE(load_model_text("T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\n", "old.rtm", &error));
  EXPECT_EQ(NTRANS, 0);
  EXPECT_EQ(NTRANS_POINTS, 0);
}

// The maker's limits and the load cases come back as they were, after the
// FORCED section in the writer's order; a model without them writes neither.
TEST_F(ModelFileTest, LimitsAndCasesRoundTrip) {
  make_model();
  EXPECT_EQ(model_text().find("LIMITS"), std::string::npos);
  EXPECT_EQ(model_text().find("CASES"), std::string::npos);
  forced_sweep = ForcedSweep{300.0, 1200.0, 2.5, 1000.0, 0.02};
  STIFF(1).uts = 650.0;
  STIFF(1).ck = 0.45;
  STIFF(2).limit_kind = kLimitStress;
  STIFF(2).limit_v1 = 42.5;
  STIFF(2).limit_v2 = 0.0;
  STIFF(3).limit_kind = kLimitCoupling;
  STIFF(3).limit_v1 = 8000.0;
  STIFF(3).limit_v2 = 1.0 / 3.0;
  STIFF(3).limit_v3 = 24000.0;
  NCASES = 2;
  LOAD_CASES(1) = LoadCase{Name16("full load"), 950, 1050, 1, 1, 0, 950, 1050, 0, 0};
  LOAD_CASES(2) = LoadCase{Name16("it's misfire"), 300, 1100, 5, 0.15, 2, 400, 1050, 1, 3};
  const std::string text = model_text();
  EXPECT_NE(text.find("\nLIMITS\n 2\n 2 stress 42.5 0.0 0.0\n 3 coupling 8000.0 "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nCASES\n 2\n 'full load       ' 950.0 1050.0 1.0 1.0 0.0 950.0 1050.0 0 0\n"),
            std::string::npos)
      << text;
  EXPECT_LT(text.find("FORCED"), text.find("LIMITS"));
  EXPECT_LT(text.find("LIMITS"), text.find("CASES"));
  const auto stiff = STIFF;
  const auto cases = LOAD_CASES;
  initialise_store();
  EXPECT_EQ(NCASES, 0);
  std::string error;
  ASSERT_TRUE(load_model_text(text, "rig.rtm", &error)) << error;
  EXPECT_TRUE(stiff == STIFF);
  EXPECT_TRUE(cases == LOAD_CASES);
  EXPECT_EQ(NCASES, 2);
  EXPECT_EQ(model_text(), text);
  // The sections stand in any order; a file without them leaves none behind.
  const std::size_t limits = text.find("LIMITS"), cases_at = text.find("CASES");
  const std::string swapped = text.substr(0, limits) + text.substr(cases_at) +
                              text.substr(limits, cases_at - limits);
  ASSERT_TRUE(load_model_text(swapped, "rig.rtm", &error)) << error;
  EXPECT_EQ(model_text(), text);
  ASSERT_TRUE(load_model_text(text.substr(0, limits), "rig.rtm", &error)) << error;
  EXPECT_EQ(NCASES, 0);
  EXPECT_EQ(STIFF(3).limit_kind, kLimitNone);
}

TEST_F(ModelFileTest, GearsAndCouplingsRoundTripAfterForced) {
  make_model();
  const std::string plain = model_text();
  EXPECT_EQ(plain.find("GEARS"), std::string::npos);  // no data, no sections
  EXPECT_EQ(plain.find("COUPLINGS"), std::string::npos);
  MASSES(3).speed_ratio = 0.25;
  MASSES(1).speed_ratio = 1.0;  // ratio 1 is not listed
  STIFF(2).rigid = 1;
  ENGS(1).offset_angle = 22.5;
  STIFF(1).psi = 1.1;
  forced_sweep = ForcedSweep{300.0, 1200.0, 2.5, 1000.0, 0.02};
  const std::string text = model_text();
  EXPECT_NE(text.find("\nGEARS\n 1\n 3 0.25\n 1\n 2\n 1\n 1 22.5\nCOUPLINGS\n 1\n 1 1.1\n"),
            std::string::npos)
      << text;
  EXPECT_LT(text.find("FORCED"), text.find("GEARS"));
  MASSES(1).speed_ratio = 0.0;
  const auto masses = MASSES;
  const auto stiff = STIFF;
  const auto engs = ENGS;
  initialise_store();
  std::string error;
  ASSERT_TRUE(load_model_text(text, "rig.rtm", &error)) << error;
  EXPECT_TRUE(masses == MASSES);
  EXPECT_TRUE(stiff == STIFF);
  EXPECT_TRUE(engs == ENGS);
  EXPECT_EQ(model_text(), text);
  // Any order after the engines; a file without them leaves no gear data.
  ASSERT_TRUE(load_model_text("T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n"
                              "1 2 1 0 0 0 's'\n0\nCOUPLINGS\n1\n1 0.8\nGEARS\n1\n2 3\n0\n0\n",
                              "any.rtm", &error))
      << error;
  EXPECT_EQ(MASSES(2).speed_ratio, 3.0);
  EXPECT_EQ(STIFF(1).psi, 0.8);
  ASSERT_TRUE(load_model_text(plain, "old.rtm", &error));
  EXPECT_EQ(MASSES(3).speed_ratio, 0.0);
  EXPECT_EQ(STIFF(1).psi, 0.0);
  EXPECT_EQ(STIFF(2).rigid, 0);
  EXPECT_EQ(ENGS(1).offset_angle, 0.0);
  EXPECT_EQ(model_text(), plain);
}

TEST_F(ModelFileTest, OpenVoidsTheResultsOfTheLastAnalysis) {
  make_model();
  FILIN = (dir_ / "m").string();
  ASSERT_TRUE(write_model_file());
  IVALID = 1;
  FREQS(1) = "    1234.56";
  ASSERT_TRUE(open(FILIN.str()));
  EXPECT_EQ(IVALID, 0);
  EXPECT_TRUE(FREQS(1).is_blank());
}

TEST_F(ModelFileTest, ReadsFreeFormatRecords) {
  // Commas as separators, a record broken over lines, extra values skipped,
  // a blank line between records, D exponents, exponents written as a bare
  // sign and digits, and no engine records.
  const std::string path = write("free.rtm",
                                 "Free format\n"
                                 "2,1, 1.0 ,1.0+0\n"
                                 "1 6 1 extra values\n"
                                 "10.0 20.0\n"
                                 "  1.5D+00 8.0+4 0 0 'Flywheel'\n"
                                 "\n"
                                 "30,20,2.5,0,0,0,'Gen' trailing words\n"
                                 "1 2 1.0+6 -2.5-3 0.1 1-2\n"
                                 "'Shaft'\n");
  std::string error;
  ASSERT_TRUE(open(path, &error)) << error;
  EXPECT_EQ(TITLE.str(), "Free format");
  EXPECT_EQ(NMASS, 2);
  EXPECT_EQ(NSTIF, 1);
  EXPECT_EQ(ORDMAX, 6.0);
  EXPECT_EQ(MASSES(1).xy_node(2), 20.0);
  EXPECT_EQ(MASSES(1).amass, 1.5);
  EXPECT_EQ(MASSES(1).name.str(), "Flywheel");
  EXPECT_EQ(MASSES(1).dampex, 8.0e4);
  EXPECT_EQ(MASSES(2).amass, 2.5);
  EXPECT_EQ(MASSES(2).name.str(), "Gen");
  EXPECT_EQ(STIFF(1).stiff, 1e6);
  EXPECT_EQ(CONV_S, 1.0);
  EXPECT_EQ(STIFF(1).dampin, -2.5e-3);
  EXPECT_EQ(STIFF(1).diam, 0.1);
  EXPECT_EQ(STIFF(1).bore, 1e-2);
  EXPECT_EQ(STIFF(1).name.str(), "Shaft");
  EXPECT_EQ(NENG, 0);
}

TEST_F(ModelFileTest, LongEngineRecordMayRunOverSeveralLines) {
  const std::string path = write("eng.rtm",
                                 "E\n1 0 1 1\n1 6 1\n0 0 1 0 1 1 'c1'\n1\n"
                                 "12 4 1 12 5 8\n3 10 6\n7 2 11 4 9 1\n60.0 'V12'\n");
  std::string error;
  ASSERT_TRUE(open(path, &error)) << error;
  ASSERT_EQ(NENG, 1);
  EXPECT_EQ(ENGS(1).ncyl, 12);
  EXPECT_EQ(ENGS(1).ifirord(12), 9);
  EXPECT_EQ(ENGS(1).ivee_engine, 1);
  EXPECT_EQ(ENGS(1).vee_angle, 60.0);
  EXPECT_EQ(ENGS(1).name.str(), "V12");
}

TEST_F(ModelFileTest, TruncatedEngineSectionKeepsTheEnginesReadInFull) {
  // Engines from an earlier model must not survive in the slots not read.
  ENGS(2).ncyl = 9;
  ENGS(3).ncyl = 7;
  const std::string path =
      write("trunc.rtm", "T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n3\n2 4 1 2 0 0.0 'twin'\n4 4 1 3\n");
  std::string error;
  ASSERT_TRUE(open(path, &error)) << error;
  EXPECT_EQ(NENG, 3);  // the count in the file stands
  EXPECT_EQ(ENGS(1).ncyl, 2);
  EXPECT_EQ(ENGS(1).name.str(), "twin");
  EXPECT_EQ(ENGS(2).ncyl, 0);
  EXPECT_EQ(ENGS(3).ncyl, 0);
}

TEST_F(ModelFileTest, ModelWithoutStiffnessesOrEngineCount) {
  const std::string path = write("nostiff.rtm", "N\n1 0 1 1\n1 6 1\n5 5 2 0 0 0 'x'\n");
  ASSERT_TRUE(open(path));
  EXPECT_EQ(NMASS, 1);
  EXPECT_EQ(NSTIF, 0);
  EXPECT_EQ(NENG, 0);
  FILIN = (dir_ / "again").string();
  ASSERT_TRUE(write_model_file());
  std::ifstream in(dir_ / "again.rtm");
  std::string title, counts;
  std::getline(in, title);
  std::getline(in, counts);
  EXPECT_EQ(title.size(), 80u);
  EXPECT_EQ(counts.substr(0, 5), " 1 0 ");
}

struct BadFile {
  const char* text;
  const char* expected;  // part of the message
};

void PrintTo(const BadFile& bad, std::ostream* os) { *os << "expecting: " << bad.expected; }

class MalformedFileTest : public ModelFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(MalformedFileTest, GivesAMessageAndLeavesTheModelUntouched) {
  make_model();
  FILIN = (dir_ / "good").string();
  ASSERT_TRUE(write_model_file());
  IVALID = 1;
  FREQS(1) = "  99.00";
  const auto masses = MASSES;
  const auto engs = ENGS;
  const auto title = TITLE;
  const FileName130 filin = FILIN;

  const std::string path = write("bad.rtm", GetParam().text);
  std::string error;
  EXPECT_FALSE(open(path, &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
  EXPECT_EQ(NMASS, 3);
  EXPECT_EQ(NSTIF, 3);
  EXPECT_EQ(NENG, 1);
  EXPECT_TRUE(masses == MASSES);
  EXPECT_TRUE(engs == ENGS);
  EXPECT_EQ(TITLE, title);
  EXPECT_EQ(IVALID, 1);
  EXPECT_EQ(FREQS(1).str(), "  99.00");
  EXPECT_EQ(FILIN, filin);  // a later Save goes to the good file, not the bad one
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedFileTest,
    ::testing::Values(
        BadFile{"", "line 1: the file ends before the title"},
        BadFile{"T\n", "ends before the number of inertias"},
        BadFile{"T\n2 x 1 1\n", "line 2, the number of stiffnesses: 'x' is not a whole number"},
        BadFile{"T\n1 0 1.0 abc\n", "line 2, the stiffness unit factor: 'abc' is not a number"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 nan 0 0 0 'a'\n", "the inertia of inertia 1"},
        BadFile{"T\n101 0 1 1\n", "the number of inertias: 101 is outside 0 to 100"},
        BadFile{"T\n1 101 1 1\n", "the number of stiffnesses: 101 is outside 0 to 100"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n11\n", "the number of engines: 11"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1\n101 4\n", "cylinders of engine 1: 101"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1\n2 4 1 q 0 0 'e'\n",
                "line 6, firing-order position 2 of engine 1: 'q'"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 3 1 0 0 0 'c'\n",
                "line 6, the second node of stiffness 1: there is no inertia 3"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n0 1 1 0 0 0 'c'\n",
                "the first node of stiffness 1: there is no inertia 0"},
        BadFile{"T\n2 2 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 'c'\n",
                "the file ends before the first node of stiffness 2"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 11 1 'a'\n", "the engine number of inertia 1: 11"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'open\n", "no closing apostrophe"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0,,0 1 0 0 0 'a'\n", "missing between two commas"},
        BadFile{"T\n99999999999 0 1 1\n", "too large"},
        // A bare exponent needs digits after its sign and a mantissa before it,
        // and whole-number fields take no exponent at all.
        BadFile{"T\n1 0 1.0+ 1\n", "the inertia unit factor: '1.0+' is not a number"},
        BadFile{"T\n1 0 1 +-5\n", "'+-5' is not a number"},
        BadFile{"T\n1 0 1 -\n", "'-' is not a number"},
        BadFile{"T\n1 0 + 1\n", "'+' is not a number"},
        BadFile{"T\n1 0 1 .+3\n", "'.+3' is not a number"},
        BadFile{"T\n1 0 1 1.5-3-4\n", "'1.5-3-4' is not a number"},
        BadFile{"T\n1+1 0 1 1\n", "'1+1' is not a whole number"},
        BadFile{"T\n+-1 0 1 1\n", "'+-1' is not a whole number"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nFORCED\n100 200 x 150 0.02\n",
                "line 7, the speed step of the forced-response sweep: 'x' is not a number"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 1 1 'a'\n1\n1 2 1 0 0.0 'e'\nFORCED\n"
                "100 200 10 150 0.02\n0.2 0.3 0.6 10 20 0 49\n",
                "line 9, the number of gas harmonics of the excitation of engine 1: 49 is outside"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 1 1 'a'\n1\n1 2 1 0 0.0 'e'\nFORCED\n"
                "100 200 10 150 0.02\n0.2 0.3 0.6 10 20 0 1\n6 0 q 0\n",
                "line 10, the load part b of gas harmonic 1 of engine 1: 'q' is not a number"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nFORCED\n100 200 10 150 0.02\n",
                "ends before the number of shaft limits; the forced-response section is "
                "incomplete"},
        BadFile{"T\n1 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1 0 1 0 0 0 's'\n0\nFORCED\n"
                "100 200 10 150 0.02\n1\n2 600 1\n",
                "line 10, the stiffness number of shaft limit 1: there is no stiffness 2"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nFORCED\n100 200 10 150 0.02\n0\n"
                "FORCED\n100 200 10 150 0.02\n0\n",
                "line 9: a second FORCED section; a model has at most one"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n21\n",
                "line 7, the number of transient cases: 21 is outside 0 to 20"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\nramp 'r' 1 0 0\n",
                "line 8, the kind of transient case 1: 'ramp' is none of runup"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\nstep 's' 1 0 0\n2 0 5\n",
                "line 9, the inertia of transient case 1: there is no inertia 2"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\nice 'i' 1 0 0\n1 4 1e5 x\n",
                "line 9, the propeller speed of transient case 1: 'x' is not a number"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\ntable 't' 1 0 0\n1 3\n"
                "0 0\n0.5 1\n0.5 2\n",
                "line 12, the torque of table point 3 of transient case 1: the times must "
                "increase strictly"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\ntable 't' 1 0 0\n1 "
                "100001\n",
                "the number of table points of transient case 1: 100001 is outside 0 to 100000"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n1\nrunup 'r' 1 0 0\n100\n",
                "ends before the end speed of transient case 1; the transient section is "
                "incomplete"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nTRANSIENT\n0\nTRANSIENT\n0\n",
                "line 8: a second TRANSIENT section"},
        BadFile{"T\n1 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1 0 1 0 0 0 's'\n0\nLIMITS\n1\n"
                "1 damper 1 2 0\n",
                "line 9, the kind of limit record 1: 'damper' is no kind of limit"},
        BadFile{"T\n1 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1 0 1 0 0 0 's'\n0\nLIMITS\n1\n"
                "1 coupling 0 2 0\n",
                "line 9, the permissible vibratory torque T_KW of limit record 1: it must be"},
        BadFile{"T\n1 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1 0 1 0 0 0 's'\n0\nLIMITS\n2\n"
                "1 stress 30 40 0\n",
                "the number of limit records: 2 is outside 0 to 1"},
        BadFile{"T\n1 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n1 0 1 0 0 0 's'\n0\nLIMITS\n1\n"
                "1 stress 30 40 0\nFORCED\n100 200 10 150 0.02\n1\n1 600 1\n",
                "line 9, the stiffness number of the LIMITS record: stiffness 1 has shaft limits "
                "in the FORCED section as well"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nCASES\n2\n'a' 1 2 1 1 0 1 2 0 0\n"
                "'a' 1 2 1 1 0 1 2 0 0\n",
                "line 9, the name of load case 2: load case 1 has the name 'a' already"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nCASES\n1\n'a' 1 2 1 1 0 1 2 11 0\n",
                "line 8, the misfiring engine of load case 1: 11 is outside 0 to 10"},
        BadFile{"T\n1 0 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0\nCASES\n1\n'a' 1 2 1 1 0 1\n",
                "ends before the end of the operating range of load case 1; the load-case "
                "section is incomplete"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "GEARS\n1\n2 0\n0\n0\n",
                "line 10, the ratio of speed ratio 1: the speed ratio 0.0 of inertia 2 is outside "
                "0.001 to 1000"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "GEARS\n2\n2 0.5\n2 0.25\n0\n0\n",
                "line 11, the inertia number of speed ratio 2: inertia 2 is listed twice"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "GEARS\n0\n1\n2\n0\n",
                "line 11, the stiffness number of rigid mesh 1: there is no stiffness 2"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 0 1 0 0 0 's'\n0\n"
                "GEARS\n0\n1\n1\n0\n",
                "stiffness 1 runs to ground; a rigid mesh must join two inertias"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "GEARS\n0\n0\n1\n1 10\n",
                "line 11, the number of offset angles: 1 is outside 0 to 0"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "COUPLINGS\n1\n1 -0.5\n",
                "line 10, the relative damping psi of relative damping 1: the relative damping "
                "-0.5 of stiffness 1 is negative"},
        BadFile{"T\n2 1 1 1\n1 6 1\n0 0 1 0 0 0 'a'\n0 0 1 0 0 0 'b'\n1 2 1 0 0 0 's'\n0\n"
                "COUPLINGS\n0\nGEARS\n0\n0\n0\nCOUPLINGS\n0\n",
                "line 14: a second COUPLINGS section; a model has at most one"}));

TEST_F(ModelFileTest, MissingFileIsReported) {
  std::string error;
  EXPECT_FALSE(open((dir_ / "nowhere").string(), &error));
  EXPECT_NE(error.find("nowhere.rtm: the file cannot be opened"), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;
  // A folder named like a model file is no model file.
  fs::create_directory(dir_ / "d.rtm");
  EXPECT_FALSE(open((dir_ / "d").string(), &error));
  EXPECT_NE(error.find("d.rtm: the file cannot be opened for reading (it is a folder"),
            std::string::npos)
      << error;
  // Nor is a pipe, which would never end.
  ASSERT_EQ(::mkfifo((dir_ / "pipe.rtm").c_str(), 0600), 0);
  EXPECT_FALSE(open((dir_ / "pipe").string(), &error));
  EXPECT_NE(error.find("(it is a device or pipe"), std::string::npos) << error;
}

TEST_F(ModelFileTest, FailedSaveSaysSoAndKeepsTheOldFile) {
  make_model();
  FILIN = (dir_ / "keep").string();
  ASSERT_TRUE(write_model_file());
  const std::string before = model_text();
  std::string error;
  FILIN = (dir_ / "no such folder" / "x").string();
  EXPECT_FALSE(write_model_file(&error));
  EXPECT_NE(error.find("could not be written (" + std::string(std::strerror(ENOENT)) + ")"),
            std::string::npos)
      << error;
  EXPECT_EQ(FILIN.str(), (dir_ / "keep.rtm").string());
  fs::create_directory(dir_ / "folder.rtm");
  FILIN = (dir_ / "folder").string();
  EXPECT_FALSE(write_model_file(&error));
  EXPECT_NE(error.find("(it is a folder)"), std::string::npos) << error;
  EXPECT_EQ(fs::directory_iterator(dir_ / "folder.rtm"), fs::directory_iterator());
  std::ifstream in(dir_ / "keep.rtm");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), before);
}

TEST_F(ModelFileTest, SaveWritesThroughLinksAndKeepsThePermissions) {
  // model.rtm -> link.rtm -> real/target.rtm, relative links, a 0600 file.
  fs::create_directory(dir_ / "real");
  const std::string target = write("real/target.rtm", "old contents\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real/target.rtm", dir_ / "link.rtm");
  fs::create_symlink("link.rtm", dir_ / "model.rtm");
  make_model();
  FILIN = (dir_ / "model").string();
  std::string error;
  ASSERT_TRUE(write_model_file(&error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "model.rtm"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.rtm"));
  std::ifstream in(target);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), model_text());
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(FILIN.str(), (dir_ / "model.rtm").string());
  // Nothing is left beside the target, and a link to a file not yet there
  // creates that file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);
  fs::create_symlink("real/new.rtm", dir_ / "fresh.rtm");
  FILIN = (dir_ / "fresh").string();
  ASSERT_TRUE(write_model_file(&error)) << error;
  EXPECT_TRUE(fs::is_regular_file(dir_ / "real" / "new.rtm"));
}

}  // namespace
}  // namespace spindra
