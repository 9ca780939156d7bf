// The dialogs of the forced-response data, with the values a user would type:
// each change is one edit of the model that Edit > Undo takes back, a bad
// value is refused with a message and changes nothing, and a pressure curve
// fills the table of gas harmonics.
#include "app/forced_dialogs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/history.h"
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

class ForcedDialogsTest : public EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    put_node(1, 50, 50, 10.0);
    put_node(2, 100, 50, 30.0);
    put_stiff(1, 1, 2);
    STIFF(1).diam = 0.4;
    NENG = 1;
    ENGS(1).ncyl = 1;
    ENGS(1).nstroke = 4;
    MASSES(1).icyleng_no(1) = 1;
    MASSES(1).icyleng_no(2) = 1;
    start_history();
  }
  // The callback of the n-th button or callback field of the piece holding
  // `text`.
  static Callback callback(const Window& w, std::string_view text, int n = 0) {
    for (const LayoutArg& a : w.piece(text).args) {
      if (a.kind == LayoutArg::Kind::Call && n-- == 0) return a.call;
    }
    ADD_FAILURE() << "no callback " << n << " in " << text;
    return [] { return 1; };
  }
  // Row i of the table of gas harmonics as the list shows it.
  static std::string row_text(const Window& w, int i) {
    const char* rows = static_cast<const char*>(w.var("%52.10^ls", 0, LayoutArg::Kind::TextArray));
    return std::string(rows + (i - 1) * 52, 52);
  }
  // Undo takes the model back to the one before the dialog.
  static void expect_one_undoable_edit() {
    EXPECT_EQ(model_changed, 1);
    EXPECT_TRUE(undo_model_edit());
    EXPECT_EQ(model_changed, 0);
    EXPECT_FALSE(undo_model_edit()) << "the dialog made one edit";
  }
};

// A refused OK keeps the dialog open (the next scripted action sees the
// same window) with the field selected and a message that names the field
// and what it holds.
TEST_F(ForcedDialogsTest, SweepIsOneUndoableEditAndBadValuesAreRefusedByField) {
  const auto refused = [this](const Window& w, const char* label, const char* says) {
    EXPECT_EQ(lib.selected_field, &w.real(label)) << label;
    EXPECT_EQ(lib.last_caption, "Forced Response Sweep");
    EXPECT_NE(lib.last_message.find(says), std::string::npos) << lib.last_message;
  };
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Forced Response Sweep]%bg[grey]&");
    EXPECT_EQ(w.real("Loss factor"), kDefaultLossFactor);
    w.real("Speed from") = -5.0;
    w.real("Speed to") = 1000.0;
    w.real("Step") = 5.0;
    w.real("Rated speed") = 900.0;
    return 1;
  });
  then([&](const Window& w) {
    refused(w, "Speed from", "Speed from: -5 rev/min is below 0");
    w.real("Speed from") = 1000.0;
    w.real("Speed to") = 100.0;
    return 1;
  });
  then([&](const Window& w) {
    refused(w, "Speed to", "Speed to: 100 rev/min is not above the speed from, 1000 rev/min");
    w.real("Speed from") = 100.0;
    w.real("Speed to") = 1000.0;
    w.real("Step") = 0.005;
    return 1;
  });
  then([&](const Window& w) {
    refused(w, "Step", "Step: 0.005 rev/min makes 180001 speeds");
    w.real("Step") = 5.0;
    return 1;
  });
  SWEEP_DIALOG();
  EXPECT_EQ(lib.ok_refusals, 3);
  EXPECT_EQ(forced_sweep, (ForcedSweep{100.0, 1000.0, 5.0, 900.0, kDefaultLossFactor}));
  expect_one_undoable_edit();
  EXPECT_EQ(forced_sweep, ForcedSweep{});

  // Cancel changes nothing.
  then([](const Window& w) {
    w.real("Speed to") = 5000.0;
    return 2;
  });
  SWEEP_DIALOG();
  EXPECT_EQ(forced_sweep, ForcedSweep{});
  EXPECT_EQ(model_changed, 0);
}

// The sweep, excitation and limits are read by the forced response only: an
// edit of them marks the forced results out of date, not the frequencies.
TEST_F(ForcedDialogsTest, ForcedDataEditsMarkOnlyTheForcedResults) {
  IVALID = 1;
  note_analysis_run();
  note_forced_run();
  then([](const Window& w) {
    w.real("Speed from") = 100.0;
    w.real("Speed to") = 1000.0;
    w.real("Step") = 5.0;
    w.real("Rated speed") = 900.0;
    return 1;
  });
  SWEEP_DIALOG();
  then([](const Window& w) {
    w.real("Tensile strength") = 600.0;
    return 1;
  });
  LIMITS_DIALOG();
  EXPECT_EQ(model_changed, 1);
  EXPECT_EQ(results_outdated, 0) << "the frequencies are still those of the model";
  EXPECT_EQ(forced_outdated, 1);
  MASSES(2).amass = 31.0;
  note_model_edit();
  EXPECT_EQ(results_outdated, 1);
  IVALID = 0;
}

TEST_F(ForcedDialogsTest, LimitsTakeTheFactorByDesignName) {
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Limits]%bg[grey]&");
    EXPECT_NE(w.text("%`40rs", 1).find("diameter 400 mm"), std::string::npos);
    w.real("Tensile strength") = 600.0;
    // Choosing "Keyway, tapered connection" sets ck 0.60.
    *static_cast<int32_t*>(w.var("%44.9^ls", 1, LayoutArg::Kind::IntVar)) = 3;
    callback(w, "%44.9^ls")();
    EXPECT_EQ(w.real("Factor ck"), 0.60);
    // The preview gives tau1 of the rules for this shaft.
    EXPECT_NE(w.text("%ff%`rs").find("tau1"), std::string::npos);
    return 1;
  });
  LIMITS_DIALOG();
  EXPECT_EQ(STIFF(1).uts, 600.0);
  EXPECT_EQ(STIFF(1).ck, 0.60);
  expect_one_undoable_edit();
  EXPECT_EQ(STIFF(1).uts, 0.0);

  // A factor above 1 is refused by its field, the dialog kept open.
  then([](const Window& w) {
    w.real("Tensile strength") = 600.0;
    w.real("Factor ck") = 1.5;
    return 1;
  });
  then([this](const Window& w) {
    EXPECT_EQ(lib.selected_field, &w.real("Factor ck"));
    return 2;
  });
  LIMITS_DIALOG();
  EXPECT_NE(lib.last_message.find("Factor ck: 1.5 is greater than 1"), std::string::npos)
      << lib.last_message;
  EXPECT_EQ(STIFF(1).uts, 0.0);
}

// The maker's stress replaces the shaft rule of a stiffness; a coupling
// takes T_KW, P_KV and T_Kmax; each is one undoable edit.
TEST_F(ForcedDialogsTest, LimitsTakeTheMakersStressOrACouplingsLimits) {
  STIFF(1).uts = 600.0;
  STIFF(1).ck = 1.0;
  start_history();
  then([](const Window& w) {
    w.integer("Judged by", 0) = 0;
    w.integer("Judged by", 1) = 1;
    w.real("Continuous", 0) = 50.0;
    w.real("Continuous", 1) = 80.0;
    return 1;
  });
  LIMITS_DIALOG();
  EXPECT_EQ(STIFF(1).limit_kind, kLimitStress);
  EXPECT_EQ(STIFF(1).limit_v1, 50.0);
  EXPECT_EQ(STIFF(1).limit_v2, 80.0);
  EXPECT_EQ(STIFF(1).uts, 0.0);  // one kind of limit
  expect_one_undoable_edit();
  EXPECT_EQ(STIFF(1).uts, 600.0);
  EXPECT_EQ(STIFF(1).limit_kind, kLimitNone);

  // A coupling without T_KW is refused, naming the stiffness and the value.
  then([](const Window& w) {
    w.integer("Judged by", 0) = 0;
    w.integer("Judged by", 2) = 1;
    w.real("T_KW", 1) = 900.0;
    return 1;
  });
  then([this](const Window& w) {
    EXPECT_EQ(lib.selected_field, &w.real("T_KW", 0)) << "the dialog stays open on T_KW";
    return 2;  // Cancel
  });
  LIMITS_DIALOG();
  EXPECT_NE(lib.last_message.find("T_KW: 0 N.m is no permissible vibratory torque"),
            std::string::npos)
      << lib.last_message;
  EXPECT_EQ(STIFF(1).limit_kind, kLimitNone);
}

// Load cases: a blank name makes no case; a named one is one undoable edit;
// a case that cannot be swept is refused with what was typed.
TEST_F(ForcedDialogsTest, LoadCasesAreOneUndoableEdit) {
  forced_sweep = ForcedSweep{300.0, 1600.0, 5.0, 1500.0, 0.02};
  start_history();
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Load Cases]%bg[grey]&");
    EXPECT_EQ(w.real("Speed from", 1), 1600.0);  // the sweep's values offered
    return 1;
  });
  LOAD_CASES_DIALOG();
  EXPECT_EQ(NCASES, 0);
  EXPECT_EQ(model_changed, 0);
  then([](const Window& w) {
    *static_cast<Name16*>(w.var("Name", 0, LayoutArg::Kind::TextVar)) = "full load";
    w.real("Speed from", 0) = 1425.0;
    w.real("Load factor", 1) = 0.0;
    w.real("Operating range", 0) = 1425.0;
    w.real("Operating range", 1) = 1575.0;
    return 1;
  });
  LOAD_CASES_DIALOG();
  ASSERT_EQ(NCASES, 1);
  EXPECT_EQ(LOAD_CASES(1).name.str(), "full load");
  EXPECT_EQ(LOAD_CASES(1).n_from, 1425.0);
  EXPECT_EQ(LOAD_CASES(1).load_factor, 1.0);
  EXPECT_EQ(LOAD_CASES(1).load_exp, 0.0);
  expect_one_undoable_edit();
  EXPECT_EQ(NCASES, 0);

  then([](const Window& w) {
    *static_cast<Name16*>(w.var("Name", 0, LayoutArg::Kind::TextVar)) = "idle";
    w.real("Speed from", 2) = 0.0;
    return 1;
  });
  then_cancel();
  LOAD_CASES_DIALOG();
  EXPECT_NE(lib.last_message.find("Step: 0 rev/min is not above 0"),
            std::string::npos)
      << lib.last_message;
  EXPECT_EQ(NCASES, 0);
}

TEST_F(ForcedDialogsTest, ExcitationRowsAndPressureCurveImport) {
  // A four-stroke curve: C (1 + cos(theta / 2)) on a very long rod has the
  // tangential pressure C/2 sin(theta/2) + C sin(theta) + C/2 sin(1.5 theta).
  const std::filesystem::path csv =
      std::filesystem::temp_directory_path() / "spindra_forced_dialogs_curve.csv";
  {
    std::ofstream out(csv);
    out << "angle,pressure\n";
    for (int a = -360; a < 360; ++a)
      out << a << "," << 40.0 * (1.0 + std::cos(a * 3.141592653589793 / 360.0)) << "\n";
  }
  lib.next_file = csv.string();
  then([this, &csv](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Excitation]%bg[grey]&");
    w.real("Bore") = 200.0;
    w.real("Stroke") = 1.0;
    w.real("Connecting rod") = 1.0e6;
    w.real("Rated pressure") = 20.0;
    // Two rows added, the second typed and then removed again.
    callback(w, "&Add row", 0)();
    callback(w, "&Add row", 0)();
    w.real("Row order") = 6.0;
    w.real("Row b") = 0.05;
    callback(w, "Row b")();
    EXPECT_NE(row_text(w, 2).find("0.05"), std::string::npos) << row_text(w, 2);
    callback(w, "&Add row", 1)();
    EXPECT_EQ(row_text(w, 2), std::string(52, ' ')) << "the second row is removed";
    EXPECT_NE(row_text(w, 1).find("0.5 "), std::string::npos) << row_text(w, 1);
    // The curve fills the table: a = 0, b = Tn / p_rated.
    callback(w, "&Add row", 2)();
    EXPECT_EQ(lib.file_dialogs, 1);
    // A bad curve leaves the table as it is, with the line in the message.
    std::ofstream(csv) << "0,1\n5,x\n";
    callback(w, "&Add row", 2)();
    EXPECT_NE(lib.last_message.find(csv.string() + ", line 2"), std::string::npos)
        << lib.last_message;
    return 4;  // OK, the fourth button after the row and import buttons
  });
  EXCITATION_DIALOG();
  std::filesystem::remove(csv);
  const Excitation& e = ENGS(1).excitation;
  EXPECT_DOUBLE_EQ(e.bore, 0.2);
  EXPECT_DOUBLE_EQ(e.p_rated, 20.0);
  ASSERT_EQ(e.nharm, kMaxHarmonics);
  EXPECT_EQ(e.harm(1).order, 0.5);
  EXPECT_EQ(e.harm(1).a, 0.0);
  EXPECT_NEAR(e.harm(1).b, 20.0 / 20.0, 1e-3);
  EXPECT_NEAR(e.harm(2).b, 40.0 / 20.0, 1e-3);
  EXPECT_NEAR(e.harm(3).b, 20.0 / 20.0, 1e-3);
  EXPECT_NEAR(e.harm(4).b, 0.0, 1e-3);
  expect_one_undoable_edit();
  EXPECT_EQ(ENGS(1).excitation, Excitation{});

  // An order listed twice is refused by the row's order field, that row
  // picked, the dialog kept open.
  then([](const Window& w) {
    w.real("Bore") = 200.0;
    w.real("Stroke") = 200.0;
    w.real("Connecting rod") = 400.0;
    callback(w, "&Add row", 0)();
    callback(w, "&Add row", 0)();
    w.real("Row order") = 0.5;
    callback(w, "Row order")();
    return 4;
  });
  then([this](const Window& w) {
    EXPECT_EQ(lib.selected_field, &w.real("Row order"));
    EXPECT_EQ(w.integer("%52.10^ls", 1), 2) << "the row in question is picked";
    return 5;  // Cancel
  });
  EXCITATION_DIALOG();
  EXPECT_NE(lib.last_message.find("Row order (row 2): 0.5 is in row 1 already"),
            std::string::npos)
      << lib.last_message;
  EXPECT_EQ(ENGS(1).excitation, Excitation{});

  // A vee engine's line counts both banks.
  ENGS(1).ncyl = 6;
  ENGS(1).ivee_engine = 1;
  then([](const Window& w) {
    EXPECT_NE(w.text("%`40rs", 1).find("12 cylinders, two banks of 6, four-stroke"),
              std::string::npos)
        << w.text("%`40rs", 1);
    return 5;
  });
  EXCITATION_DIALOG();

  // So is an order that is not a whole or half number of 0.5 or more (1e-10
  // once reached the forced response and wrote outside its tables).
  for (double order : {1e-10, 0.25, 2.7}) {
    then([order](const Window& w) {
      w.real("Bore") = 200.0;
      w.real("Stroke") = 200.0;
      w.real("Connecting rod") = 400.0;
      callback(w, "&Add row", 0)();
      w.real("Row order") = order;
      callback(w, "Row order")();
      return 4;
    });
    then_cancel();
    EXCITATION_DIALOG();
    EXPECT_NE(lib.last_message.find("Row order (row 1): "), std::string::npos) << lib.last_message;
    EXPECT_NE(lib.last_message.find("an order is a whole or half number of 0.5 or more."),
              std::string::npos)
        << lib.last_message;
    EXPECT_EQ(ENGS(1).excitation, Excitation{});
  }
}

}  // namespace
}  // namespace spindra::editing_test
