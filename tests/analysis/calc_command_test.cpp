// spindra-calc, run as a user would: every sample model gives a frequency list
// and a list file; a malformed model or a refused analysis gives a message on
// standard error and a non-zero status.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/analysis/analysis_fixture.h"

namespace spindra {
namespace {

namespace fs = std::filesystem;

// The command sits in the build folder, one level above this test program.
fs::path calc_command() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "spindra-calc";
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome run_calc(const fs::path& dir, const std::vector<std::string>& arguments) {
  const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
  std::string command = "'" + calc_command().string() + "'";
  for (const std::string& a : arguments) command += " '" + a + "'";
  command += " >'" + out.string() + "' 2>'" + err.string() + "'";
  Outcome o;
  const int raw = std::system(command.c_str());
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  o.out = slurp(out);
  o.err = slurp(err);
  return o;
}

Outcome run_calc(const fs::path& dir, const std::string& argument) {
  return run_calc(dir, std::vector<std::string>{argument});
}

class CalcCommand : public testing::AnalysisTest {
 protected:
  void SetUp() override {
    AnalysisTest::SetUp();
    if (!fs::exists(calc_command())) GTEST_SKIP() << "spindra-calc is not built";
  }
};

TEST_F(CalcCommand, AnalysesEverySampleModel) {
  int models = 0;
  for (const auto& entry : fs::directory_iterator(SPINDRA_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".rtm") continue;
    ++models;
    const fs::path copy = dir_ / entry.path().filename();
    fs::copy_file(entry.path(), copy);
    const Outcome o = run_calc(dir_, copy.string());
    EXPECT_EQ(o.status, 0) << entry.path() << ": " << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("  Mode    Frequency\n number    vib/min\n", 0), 0u) << o.out;
    EXPECT_NE(o.out.find("\n    "), std::string::npos);  // at least one mode line
    fs::path lis = copy;
    lis.replace_extension(".lis");
    EXPECT_TRUE(fs::exists(lis)) << lis;
    EXPECT_NE(o.out.find(lis.string()), std::string::npos);
  }
  EXPECT_GE(models, 1);
}

TEST_F(CalcCommand, MalformedModelFails) {
  const fs::path bad = dir_ / "bad.rtm";
  std::ofstream(bad) << "A title\n 2 x 1.0 1.0\n";
  const Outcome o = run_calc(dir_, bad.string());
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("bad.rtm, line 2"), std::string::npos) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_FALSE(fs::exists(dir_ / "bad.lis"));
}

TEST_F(CalcCommand, RefusedAnalysisFails) {
  const fs::path model = dir_ / "loose.rtm";
  std::ofstream(model) << "Loose inertia\n 2 1 1.0 1.0\n 1.0 6.0 1.0\n"
                          " 10.0 10.0 1.0 0.0 0 0 'A               '\n"
                          " 20.0 10.0 1.0 0.0 0 0 'B               '\n"
                          " 1 0 1000000.0 0.0 0.0 0.0 '                '\n 0\n";
  const Outcome o = run_calc(dir_, model.string());
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("Inertia 2 (B) is not joined to any shaft"), std::string::npos) << o.err;
  EXPECT_FALSE(fs::exists(dir_ / "loose.lis"));
}

TEST_F(CalcCommand, WritesPicturesAndRefusesBadOptions) {
  const fs::path model = dir_ / "diesel.rtm";
  fs::copy_file(SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm", model);
  const fs::path lis = dir_ / "diesel.lis";
  const std::string svg = (dir_ / "c.svg").string(), png = (dir_ / "m.png").string();
  Outcome o = run_calc(dir_, {model.string(), "--campbell", svg, "--picture", png, "--mode", "3"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  std::ifstream in(png, std::ios::binary);
  char magic[8] = {};
  in.read(magic, 8);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");
  EXPECT_GT(fs::file_size(svg), 1000u);

  o = run_calc(dir_, {model.string(), "--campbell", svg, "--campbell-range", "200:2400.5"});
  EXPECT_EQ(o.status, 0) << o.err;

  // A bad command line ends with status 2; an option the model cannot
  // follow with 1.
  struct Refusal {
    std::vector<std::string> options;
    const char* says;
    int status;
  };
  const Refusal refusals[] = {
      {{"--bogus"}, "--bogus: unknown option", 2},
      {{"--campbell"}, "--campbell needs a picture file name", 2},
      {{"--picture", (dir_ / "m.bmp").string()}, "extensions svg, pdf or png", 2},
      {{"--picture", png, "--mode"}, "--mode needs a mode number", 2},
      {{"--picture", png, "--mode", "1"}, "--mode 1: that mode is not listed", 1},
      {{"--campbell", svg, "--campbell-range", "900:300"},
       "--campbell-range 900:300: give the engine speeds as FROM:TO",
       2},
      {{"--campbell", svg, "--campbell-range", "0:x"}, "--campbell-range 0:x: give", 2},
      {{"--campbell-range", "0:900"}, "give --campbell too", 2},
  };
  for (const Refusal& r : refusals) {
    fs::remove(lis);
    std::vector<std::string> args{model.string()};
    args.insert(args.end(), r.options.begin(), r.options.end());
    o = run_calc(dir_, args);
    EXPECT_EQ(o.status, r.status) << r.says;
    EXPECT_NE(o.err.find(r.says), std::string::npos) << o.err;
    EXPECT_TRUE(fs::exists(lis)) << r.says;
  }
}

// The forced response plot of an item: the two-inertia system with one
// two-stroke cylinder giving 1000 N.m at order 6, and limits on the shaft.
TEST_F(CalcCommand, WritesTheForcedResponsePlotOfAnItem) {
  const fs::path model = dir_ / "pair.rtm";
  std::ofstream(model) << "Two inertias\n 2 1 1.0 1.0\n 1.0 6.0 1.0\n"
                          " 80.0 105.0 10.0 0.0 1 1 'Engine'\n"
                          " 200.0 105.0 30.0 0.0 0 0 'Generator'\n"
                          " 1 2 1000000.0 200.0 0.08 0.0 'Shaft'\n 1\n 1 2 1 0 0.0 'Single'\n"
                          "FORCED\n 300 900 2 900 0\n 0.2 0.2 0.4 0 10 0 1\n 6 3.18309886 0 0\n"
                          " 1\n 1 600 1\n";
  const std::string svg = (dir_ / "f.svg").string(), png = (dir_ / "g.png").string();
  Outcome o = run_calc(dir_, {model.string(), "--forced-picture", svg});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Forced response picture: " + svg), std::string::npos) << o.out;
  EXPECT_GT(fs::file_size(svg), 5000u);
  o = run_calc(dir_, {model.string(), "--forced-picture", png, "--item", "inertia:2"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(fs::exists(png));
  // A malformed --item is a bad command line (status 2); an item the
  // model lacks fails the picture (status 1).
  struct Refusal {
    std::vector<std::string> options;
    std::string says;
    int status;
  };
  for (const Refusal& r : std::vector<Refusal>{
           {{"--forced-picture", svg, "--item", "inertia:3"}, "--item inertia:3: name a shaft:S", 1},
           {{"--forced-picture", svg, "--item", "shaft"}, "--item shaft: name a shaft as", 2},
           {{"--forced-picture", svg, "--item", "pump:1"}, "--item pump:1: name a shaft as", 2},
           {{"--item", "shaft:1"}, "--item chooses the item of --forced-picture", 2},
           {{"--forced-picture"}, "--forced-picture needs a picture file name", 2}}) {
    std::vector<std::string> args{model.string()};
    args.insert(args.end(), r.options.begin(), r.options.end());
    o = run_calc(dir_, args);
    EXPECT_EQ(o.status, r.status) << r.says;
    EXPECT_NE(o.err.find(r.says), std::string::npos) << o.err;
  }
}

// The diesel generator example without its load cases: the one case of
// its sweep.
void copy_diesel_without_cases(const fs::path& to) {
  std::ifstream in(SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t cases = text.find("\nCASES\n");
  if (cases != std::string::npos) text.erase(cases + 1);
  std::ofstream(to) << text;
}

// --forced: the report beside the model and the CSV, one row per speed,
// item and order; refusals leave a non-zero status and a message.
TEST_F(CalcCommand, ForcedResponseWritesTheReportAndTheCsv) {
  const fs::path model = dir_ / "diesel.rtm";
  copy_diesel_without_cases(model);
  const std::string csv = (dir_ / "forced.csv").string();
  Outcome o = run_calc(dir_, {model.string(), "--forced", csv, "--misfire", "1:3"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("Forced response report: " + (dir_ / "diesel.frc").string()),
            std::string::npos)
      << o.out;
  const std::vector<std::string> report = read_lines((dir_ / "diesel.frc").string());
  ASSERT_GT(report.size(), 50u);
  bool misfire = false, table = false;
  for (const std::string& line : report) {
    EXPECT_LE(line.size(), 132u) << line;
    misfire = misfire || line.find("engine 1, cylinder 3: no gas torque") != std::string::npos;
    table = table || line.find("Synthesized vibratory stress") != std::string::npos;
  }
  EXPECT_TRUE(misfire);
  EXPECT_TRUE(table);

  const std::vector<std::string> rows = read_lines(csv);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], "speed_rpm,kind,number,order,amplitude");
  // 271 speeds; 9 angles, 8 torques and 7 stresses; 48 orders (0.5 to 24,
  // from the pressure curve) and the synthesis.
  EXPECT_EQ(rows.size(), 1u + 271u * (9 + 8 + 7) * 49);
  EXPECT_EQ(rows[1].rfind("300,angle,1,0.5,", 0), 0u) << rows[1];
  EXPECT_EQ(rows[49].rfind("300,angle,1,synth,", 0), 0u) << rows[49];
  EXPECT_EQ(rows[9 * 49 + 1].rfind("300,torque,1,0.5,", 0), 0u) << rows[9 * 49 + 1];
  EXPECT_EQ(rows[17 * 49 + 12].rfind("300,stress,1,6,", 0), 0u) << rows[17 * 49 + 12];
  EXPECT_EQ(rows.back().rfind("1650,stress,7,synth,", 0), 0u) << rows.back();

  const std::string missing = (dir_ / "none.csv").string();
  struct Refusal {
    std::vector<std::string> options;
    const char* says;
  };
  const Refusal refusals[] = {
      {{"--forced", missing, "--misfire", "1:7"}, "cylinder 7 of Engine 1 (6L diesel)"},
      {{"--forced", missing, "--misfire", "x"}, "--misfire x: give the engine and the cylinder"},
      {{"--misfire", "1:2"}, "give --forced too"},
      {{"--forced"}, "--forced needs the name of the CSV file"},
  };
  for (const Refusal& r : refusals) {
    std::vector<std::string> args{model.string()};
    args.insert(args.end(), r.options.begin(), r.options.end());
    o = run_calc(dir_, args);
    EXPECT_NE(o.status, 0) << r.says;
    EXPECT_NE(o.err.find(r.says), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(missing)) << r.says;
  }
  // A model without forced-response data is refused by --forced.
  const fs::path plain = dir_ / "plain.rtm";
  fs::copy_file(SPINDRA_SOURCE_DIR "/examples/branched-drive.rtm", plain);
  o = run_calc(dir_, {plain.string(), "--forced", missing});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("no speed sweep"), std::string::npos) << o.err;
  // A batch run names the place in the model file, not a dialog.
  EXPECT_NE(o.err.find("(the sweep record of the FORCED section)"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("(Sweep)"), std::string::npos) << o.err;
}

// A model with load cases: --forced runs every case, the CSV's first column
// names it; --case runs one; a name the model lacks is a bad command line.
TEST_F(CalcCommand, ForcedResponseRunsEveryLoadCase) {
  const fs::path model = dir_ / "cases.rtm";
  copy_diesel_without_cases(model);
  std::ofstream(model, std::ios::app) << "CASES\n 2\n 'full load' 1400 1600 50 1 0 1425 1575 0 0\n"
                                         " 'run-up' 300 1600 100 0.15 0 300 1575 1 2\n";
  const std::string csv = (dir_ / "cases.csv").string();
  Outcome o = run_calc(dir_, {model.string(), "--forced", csv});
  ASSERT_EQ(o.status, 0) << o.err;
  std::vector<std::string> rows = read_lines(csv);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], "case,speed_rpm,kind,number,order,amplitude");
  EXPECT_EQ(rows.size(), 1u + (5u + 14u) * (9 + 8 + 7) * 49);
  EXPECT_EQ(rows[1].rfind("full load,1400,angle,1,0.5,", 0), 0u) << rows[1];
  EXPECT_EQ(rows.back().rfind("run-up,1600,stress,7,synth,", 0), 0u) << rows.back();
  std::string report;
  for (const std::string& line : read_lines((dir_ / "cases.frc").string())) report += line + "\n";
  for (const char* part : {"Load case full load\n", "Load case run-up, misfire of engine 1 cylinder 2",
                           "Verdict over all load cases", "The design is"})
    EXPECT_NE(report.find(part), std::string::npos) << part;

  o = run_calc(dir_, {model.string(), "--forced", csv, "--case", "run-up"});
  ASSERT_EQ(o.status, 0) << o.err;
  rows = read_lines(csv);
  EXPECT_EQ(rows.size(), 1u + 14u * (9 + 8 + 7) * 49);
  // The examples carry their load cases, limits of every kind and a verdict.
  for (const char* example :
       {"diesel-generator", "marine-propulsion", "geared-propulsion", "twin-engine-gearbox"}) {
    const fs::path copy = dir_ / (std::string(example) + ".rtm");
    fs::copy_file(std::string(SPINDRA_SOURCE_DIR "/examples/") + example + ".rtm", copy);
    ASSERT_EQ(run_calc(dir_, {copy.string(), "--forced", csv}).status, 0) << example;
    EXPECT_EQ(read_lines(csv)[0], "case,speed_rpm,kind,number,order,amplitude") << example;
    std::string text;
    for (const std::string& line : read_lines((dir_ / (std::string(example) + ".frc")).string()))
      text += line + "\n";
    for (const char* says : {"maker's stress: acceptable", "coupling: acceptable",
                             "shaft rule: acceptable",
                             "Verdict over all load cases\n   The design is acceptable\n"})
      EXPECT_NE(text.find(says), std::string::npos) << example << ": " << says;
  }
  o = run_calc(dir_, {model.string(), "--forced", csv, "--case", "idle"});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("--case idle: the model has no load case of that name; its cases are "
                       "'full load', 'run-up'."),
            std::string::npos)
      << o.err;
}

// A hub at rest between two equal branches, written as in the issue report;
// the stiffness of the last shaft optionally with a bare signed exponent.
std::string symmetric_pair(const char* ground_stiffness) {
  return std::string("Symmetric pair on a grounded hub\n 3 3 1.0 1.0\n 1.0 6.0 1.0\n") +
         " 0.0 100.0 1.0 0.0 0 0 'Hub'\n 10.0 100.0 1.0 0.0 0 0 'Left'\n"
         " 20.0 100.0 1.0 0.0 0 0 'Right'\n 2 1 1000000.0 0.0 0.1 0.0 'a'\n"
         " 1 3 1000000.0 0.0 0.1 0.0 'b'\n 1 0 " +
         ground_stiffness + " 0.0 0.1 0.0 'g'\n 0\n";
}

TEST_F(CalcCommand, HubAtRestAndSignedExponentWithoutLetter) {
  std::ofstream(dir_ / "plain.rtm") << symmetric_pair("1.0e6");
  std::ofstream(dir_ / "bare.rtm") << symmetric_pair("1.0+6");
  const Outcome plain = run_calc(dir_, (dir_ / "plain.rtm").string());
  const Outcome bare = run_calc(dir_, (dir_ / "bare.rtm").string());
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(bare.status, 0) << bare.err;
  const auto table = [](const std::string& out) { return out.substr(0, out.find("List file")); };
  EXPECT_EQ(table(bare.out), table(plain.out));
  EXPECT_NE(plain.out.find("    3      18447.82"), std::string::npos) << plain.out;
  // Inertia 1 stands still in mode 2: its table still shows the true shape.
  std::ifstream lis(dir_ / "plain.lis");
  const std::string report(std::istreambuf_iterator<char>(lis), {});
  EXPECT_EQ(report.find('*'), std::string::npos);
  EXPECT_NE(report.find("   1  Hub                    1.00   0.00000\n"), std::string::npos);
}

TEST_F(CalcCommand, MissingFileFolderAndUsage) {
  EXPECT_NE(run_calc(dir_, (dir_ / "none.rtm").string()).status, 0);
  fs::create_directory(dir_ / "d.rtm");
  const Outcome folder = run_calc(dir_, (dir_ / "d.rtm").string());
  EXPECT_NE(folder.status, 0);
  EXPECT_NE(folder.err.find("d.rtm: the file cannot be opened for reading (it is a folder"),
            std::string::npos)
      << folder.err;
  const std::string command = "'" + calc_command().string() + "' >/dev/null 2>&1";
  const int raw = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) != 0);
}

// Both programs answer --version with the one release number and --help with
// their options on standard output, status 0, wherever the option stands.
TEST_F(CalcCommand, VersionAndHelp) {
  const fs::path spindra = calc_command().parent_path() / "spindra";
  const std::string version = std::string(" (Spindra) ") + SPINDRA_VERSION + "\n";
  const Outcome calc = run_calc(dir_, std::vector<std::string>{"model.rtm", "--version"});
  EXPECT_EQ(calc.status, 0);
  EXPECT_EQ(calc.out.rfind("spindra-calc" + version, 0), 0u) << calc.out;
  const Outcome help = run_calc(dir_, std::vector<std::string>{"--mode", "2", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* option : {"--campbell FILE", "--picture FILE", "--mode N", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  if (!fs::exists(spindra)) return;
  const std::string command = "'" + spindra.string() + "' --version";
  FILE* pipe = popen(command.c_str(), "r");
  char line[200] = {};
  ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(std::string(line), "spindra" + version);
}

// spindra refuses an option it does not know before the window toolkit
// starts: with no display the message comes, not the toolkit's abort.  The
// toolkit's own options pass.
TEST_F(CalcCommand, MainProgramRefusesAnUnknownOptionWithoutADisplay) {
  const fs::path spindra = calc_command().parent_path() / "spindra";
  if (!fs::exists(spindra)) GTEST_SKIP() << "spindra is not built";
  const auto run = [&](const std::string& args) {
    const fs::path err = dir_ / "stderr.txt";
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                spindra.string() + "' " + args + " 2>'" + err.string() +
                                "' >/dev/null </dev/null";
    const int raw = std::system(command.c_str());
    std::ifstream in(err);
    return std::make_pair(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                          std::string(std::istreambuf_iterator<char>(in), {}));
  };
  const auto [status, message] = run("--bogus");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(message, "spindra: unknown option --bogus (spindra --help shows the usage)\n");
  const auto [status2, message2] = run("-platform offscreen -style=fusion --bogus a.rtm");
  EXPECT_EQ(status2, 2);
  EXPECT_EQ(message2, "spindra: unknown option --bogus (spindra --help shows the usage)\n");
  const auto [status3, message3] = run("a.rtm b.rtm");
  EXPECT_EQ(status3, 2);
  EXPECT_EQ(message3, "spindra: one model file at a time (a.rtm and b.rtm)\n");
  const auto [status4, message4] = run("a.rtm -platform");
  EXPECT_EQ(status4, 2);
  EXPECT_EQ(message4, "spindra: the option -platform needs a value\n");
}

}  // namespace
}  // namespace spindra

namespace spindra {
namespace {

// --transient: the report and the CSV of the named case, the plot of an
// item; an unknown case or a model without cases is refused.
TEST_F(CalcCommand, TransientWritesTheReportTheCsvAndThePlot) {
  const fs::path model = dir_ / "diesel.rtm";
  fs::copy_file(SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm", model);
  const std::string csv = (dir_ / "fault.csv").string(), png = (dir_ / "t.png").string();
  Outcome o = run_calc(dir_, {model.string(), "--transient", csv, "--case", "Short circuit 3",
                              "--transient-picture", png, "--item", "shaft:8"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Transient report: " + (dir_ / "diesel.trn").string()), std::string::npos)
      << o.out;
  EXPECT_TRUE(fs::exists(png));
  const auto rows = read_lines(csv);
  ASSERT_GT(rows.size(), 2u);
  EXPECT_EQ(rows[0],
            "time_s,speed_rpm,torque_1,torque_2,torque_3,torque_4,torque_5,torque_6,torque_7,"
            "torque_8,angle_1,angle_2,angle_3,angle_4,angle_5,angle_6,angle_7,angle_8,angle_9");
  EXPECT_EQ(rows[1].substr(0, 7), "0,1500,");
  EXPECT_LE(rows.size(), 20002u);
  for (const auto& [options, says] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--transient", csv, "--case", "Blackout"},
            "--case Blackout: the model has no transient case of that name; its cases are "
            "'Start-up', 'Short circuit 3'."},
           {{"--case", "Start-up"}, "--case chooses the case of --forced, --forced-picture, --transient"},
           {{"--transient"}, "--transient needs the name of the CSV file to write"}}) {
    std::vector<std::string> args{model.string()};
    args.insert(args.end(), options.begin(), options.end());
    o = run_calc(dir_, args);
    EXPECT_NE(o.status, 0) << says;
    EXPECT_NE(o.err.find(says), std::string::npos) << o.err;
  }
  const fs::path bare = dir_ / "bare.rtm";
  fs::copy_file(SPINDRA_SOURCE_DIR "/examples/free-free-rotor.rtm", bare);
  o = run_calc(dir_, {bare.string(), "--transient", csv});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("The model has no transient case"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace spindra
