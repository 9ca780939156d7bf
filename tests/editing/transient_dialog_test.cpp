// Data > Transient Cases...: cases added, edited and removed as a user does
// it, the ice rules' values by name, a torque table imported from a file;
// OK makes one undoable edit, a bad value is refused and changes nothing.
#include "app/transient_dialog.h"

#include <filesystem>
#include <fstream>

#include "app/history.h"
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

constexpr int kOk = 5;  // after Add, Remove, Rename and Import torque table...

class TransientDialogTest : public EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    put_node(1, 50, 50, 10.0);
    put_node(2, 100, 50, 30.0);
    put_stiff(1, 1, 2);
    start_history();
  }
  static Callback callback(const Window& w, std::string_view text, int n = 0) {
    for (const LayoutArg& a : w.piece(text).args) {
      if (a.kind == LayoutArg::Kind::Call && n-- == 0) return a.call;
    }
    ADD_FAILURE() << "no callback " << n << " in " << text;
    return [] { return 1; };
  }
};

TEST_F(TransientDialogTest, CasesAreOneUndoableEditAndBadValuesAreRefused) {
  const std::string table = (std::filesystem::temp_directory_path() /
                             ("spindra-torque-" + std::to_string(::getpid()) + ".csv"))
                                .string();
  std::ofstream(table) << "time_s,torque_Nm\n0,0\n0.1,500\n0.2,0\n";
  then([&](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Transient Cases]%bg[grey]&");
    callback(w, "&Add")();  // a torque step on inertia 1
    w.set_text("Name", "Load step");
    w.real("Step: from", 1) = 250.0;
    callback(w, "&Add", 2)();  // rename: the list shows the name
    EXPECT_NE(w.text("%48.6^ls").find("Load step"), std::string::npos);
    callback(w, "&Add")();  // an ice case by the rules' name
    w.set_text("Name", "Ice");
    w.integer("Name", 2) = 4;  // kind: ice
    callback(w, "Name", 0)();
    w.integer("Ice: blades") = 5;
    w.real("Ice: blades", 1) = 2.0e5;
    w.real("Ice: blades", 2) = 120.0;
    w.real("Ice: blades", 3) = 1.0;
    w.integer("%28.4^ls", 1) = 1;  // the rules' case 1
    callback(w, "%28.4^ls")();
    EXPECT_EQ(w.real("%28.4^ls", 2), 0.75);
    EXPECT_EQ(w.real("%28.4^ls", 3), 72.0);
    w.real("Duration") = 0.0;  // refused on OK
    return kOk;
  });
  then([&](const Window& w) {
    w.real("Duration") = 2.0;
    callback(w, "&Add")();  // a table from a file
    lib.next_file = table;
    callback(w, "Import torque table")();
    EXPECT_NE(w.text("Table:").find("3 points"), std::string::npos);
    return kOk;
  });
  TRANSIENT_CASES_DIALOG();
  EXPECT_NE(lib.last_message.find("Case 2 (Ice) has a duration of 0"), std::string::npos)
      << lib.last_message;
  ASSERT_EQ(NTRANS, 3);
  EXPECT_EQ(TRANSIENT_CASES(1).name.str(), "Load step");
  EXPECT_EQ(TRANSIENT_CASES(1).torque0, 250.0);
  EXPECT_EQ(TRANSIENT_CASES(2).kind, kTransientIce);
  EXPECT_EQ(TRANSIENT_CASES(2).alpha, 72.0);
  EXPECT_EQ(TRANSIENT_CASES(3).kind, kTransientTable);
  EXPECT_EQ(TRANSIENT_CASES(3).npoint, 3);
  EXPECT_EQ(NTRANS_POINTS, 3);
  EXPECT_EQ(TRANSIENT_POINTS(2).torque, 500.0);
  EXPECT_EQ(model_changed, 1);
  EXPECT_TRUE(undo_model_edit());
  EXPECT_EQ(NTRANS, 0);
  EXPECT_EQ(NTRANS_POINTS, 0);
  EXPECT_FALSE(undo_model_edit()) << "the dialog made one edit";
  EXPECT_TRUE(redo_model_edit());
  // Remove takes a case out; Cancel changes nothing.
  then([&](const Window& w) {
    w.integer("%48.6^ls", 1) = 2;
    callback(w, "%48.6^ls")();
    callback(w, "&Add", 1)();
    return 6;
  });
  TRANSIENT_CASES_DIALOG();
  EXPECT_EQ(NTRANS, 3);
  then([&](const Window& w) {
    w.integer("%48.6^ls", 1) = 2;
    callback(w, "%48.6^ls")();
    callback(w, "&Add", 1)();
    return kOk;
  });
  TRANSIENT_CASES_DIALOG();
  EXPECT_EQ(NTRANS, 2);
  EXPECT_EQ(TRANSIENT_CASES(2).kind, kTransientTable);
  EXPECT_EQ(TRANSIENT_CASES(2).first_point, 1);
  // A bad table line is refused by its number.
  std::ofstream(table) << "0 0\n0.1 x\n";
  then([&](const Window& w) {
    lib.next_file = table;
    callback(w, "Import torque table")();
    return 6;
  });
  TRANSIENT_CASES_DIALOG();
  EXPECT_NE(lib.last_message.find("line 2 is not a time (s) and a torque (N.m)"), std::string::npos)
      << lib.last_message;
  std::filesystem::remove(table);
}

}  // namespace
}  // namespace spindra::editing_test
