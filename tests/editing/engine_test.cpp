// The engine dialog, its firing angles, the placing of cylinders, the
// re-definition warning and the deletion of engines.
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

std::string row(const Table<Text5, 1, kMaxCylinders>& t, int n) {
  std::string out;
  for (int j = 1; j <= n; ++j) out += std::string(t(j).view()) + "|";
  return out;
}

void set_order(std::initializer_list<int> order) {
  int j = 1;
  for (int c : order) CRE_ENGS.ifirord(j++) = c;
}

class EngineTest : public EditingTest {
 protected:
  // Opens the engine dialog by a right click and answers it with `ncyl`
  // cylinders, four-stroke, in-line, firing in cylinder order.
  void define(int ncyl, int result = 1) {
    then([=](const Window& w) {
      w.integer("Number of cyls") = ncyl;
      IGREY_CYL();
      ISET_FIRANG();
      for (int j = 1; j <= ncyl; ++j) CRE_ENGS.ifirord(j) = j;
      ISTRK2 = 0;
      ISTRK4 = 1;
      ISET_FIRANG();
      return result;
    });
    click(20, 20, 2);
  }
  void place(float x, float y) {
    ILAST_VALID = 0;
    click(x, y, 1);
  }
  void engine_nodes(int count) {
    for (int i = 1; i <= count; ++i) put_node(i, 30.0 * i, 100);
    IDRAW();
  }
};

TEST(FiringAngles, FourStrokeSixInLineAndVee) {
  initialise_store();
  CRE_ENGS.ncyl = 6;
  set_order({1, 5, 3, 6, 2, 4});
  ISTRK4 = 1;
  EXPECT_EQ(ISET_FIRANG(), 1);
  EXPECT_EQ(CRE_ENGS.nstroke, 4);
  EXPECT_EQ(row(FIRANG1, 6), "  0.0|480.0|240.0|600.0|120.0|360.0|");
  EXPECT_EQ(row(FIRANG2, 6), "     |     |     |     |     |     |");
  EXPECT_EQ(row(CYLNO, 7), "  1  |  2  |  3  |  4  |  5  |  6  |     |");
  CRE_ENGS.ivee_engine = 1;
  CRE_ENGS.vee_angle = 60.0;
  ISET_FIRANG();
  EXPECT_EQ(row(FIRANG2, 6), "420.0|180.0|660.0|300.0|540.0| 60.0|");
}

TEST(FiringAngles, TwoStrokeAndStrokeDefault) {
  initialise_store();
  CRE_ENGS.ncyl = 4;
  set_order({1, 3, 4, 2});
  ISTRK2 = ISTRK4 = 0;
  ISET_FIRANG();
  EXPECT_EQ(ISTRK2, 1);
  EXPECT_EQ(ISTRK4, 0);
  EXPECT_EQ(CRE_ENGS.nstroke, 2);
  EXPECT_EQ(row(FIRANG1, 4), "  0.0|270.0| 90.0|180.0|");
  // Bank 2 of a two-stroke vee: no extra revolution, wrapped at 360.
  CRE_ENGS.ivee_engine = 1;
  CRE_ENGS.vee_angle = 120.0;
  ISET_FIRANG();
  EXPECT_EQ(row(FIRANG2, 4), "120.0| 30.0|210.0|300.0|");
}

TEST(FiringAngles, BadEntriesGiveNoAngleAndFewerCylindersClearTheRest) {
  initialise_store();
  CRE_ENGS.ncyl = 6;
  set_order({1, 5, 3, 6, 2, 4});
  ISTRK4 = 1;
  ISET_FIRANG();
  IGREY_CYL();
  EXPECT_EQ(JGREY(6), 1);
  CRE_ENGS.ncyl = 4;
  IGREY_CYL();
  ISET_FIRANG();
  EXPECT_EQ(CRE_ENGS.ifirord(5), 0);
  EXPECT_EQ(CRE_ENGS.ifirord(6), 0);
  EXPECT_EQ(JGREY(4), 1);
  EXPECT_EQ(JGREY(5), 0);
  EXPECT_EQ(JGREY(12), 0);
  // Order 1 0 3 6 over 4 cylinders: positions 2 and 4 give no angle.
  EXPECT_EQ(row(FIRANG1, 6), "  0.0|     |360.0|     |     |     |");
  EXPECT_EQ(row(CYLNO, 5), "  1  |  2  |  3  |  4  |     |");
  // A repeated entry keeps the angle of its last position.
  set_order({1, 2, 1, 3});
  ISET_FIRANG();
  EXPECT_EQ(row(FIRANG1, 4), "360.0|180.0|540.0|     |");
  EXPECT_EQ(angle_text(-1234.5).view(), "*****");
}

TEST_F(EngineTest, DialogLayoutAndCallbacks) {
  CRE_ENGS.ncyl = 40;  // from a model file: limited to 12 when the dialog opens
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Create Engine]%bg[grey]&");
    EXPECT_EQ(w.integer("Engine number"), 1);
    const auto& cyls = w.piece("%ffNumber of cyls %ta%`bg[white]%il%^3rd%`il&");
    EXPECT_EQ(cyls.args.at(0).ivalue, 1);
    EXPECT_EQ(cyls.args.at(1).ivalue, 12);
    EXPECT_EQ(cyls.args.at(2).var, &CRE_ENGS.ncyl);
    EXPECT_EQ(cyls.args.at(3).call, &IGREY_CYL);
    EXPECT_EQ(cyls.args.at(3).call2, &ISET_FIRANG);
    EXPECT_EQ(CRE_ENGS.ncyl, 12);
    EXPECT_EQ(CRE_ENGS.ifirord(1), 1);
    EXPECT_EQ(w.piece("%ff%`^rb[2 Stroke]&").args.at(1).call, &ISET_FIRANG);
    EXPECT_EQ(w.piece("%2`ga&").args.size(), 2u);
    const auto& vee = w.piece("%taVee angle%`bg[white]%~^rf&");
    EXPECT_EQ(vee.args.at(0).var, &CRE_ENGS.vee_angle);
    EXPECT_EQ(vee.args.at(1).var, &CRE_ENGS.ivee_engine);
    int orders = 0, texts = 0;
    for (const auto& p : w.pieces) {
      if (p.layout == "%`ap%`bg[white]%^~5rd &") {
        ++orders;
        EXPECT_EQ(p.args.at(0).ivalue, (orders - 1) * 6);
        EXPECT_EQ(p.args.at(1).rvalue, 8.0);
        EXPECT_EQ(p.args.at(2).var, &CRE_ENGS.ifirord(orders));
        EXPECT_EQ(p.args.at(3).var, &JGREY(orders));
      }
      if (p.layout == "%`ap%`3rs &") ++texts;
    }
    EXPECT_EQ(orders, 12);
    EXPECT_EQ(texts, 36);
    EXPECT_EQ(w.pieces.back().layout, "%ff%nl%`tt[&OK]%tt[&Cancel]");
    EXPECT_EQ(ISTRK2, 1) << "neither stroke set: 2 Stroke";
    return 2;
  });
  ITOGGLE_ENGI();
  click(20, 20, 2);
  EXPECT_EQ(IENG, 0) << "Cancel ends the definition";
}

TEST_F(EngineTest, ThreeCylinderEngineIsLabelledAndStored) {
  engine_nodes(4);
  ITOGGLE_ENGI();
  place(30, 100);  // idle: a left click does nothing
  EXPECT_EQ(ICYL, 0);
  define(3);
  EXPECT_EQ(IENG, 1);
  place(30, 100);
  EXPECT_EQ(ICYL, 1);
  EXPECT_EQ(NENG, 0);
  EXPECT_EQ(ENGS(1), ENGINE{});
  place(60, 100);
  EXPECT_EQ(NENG, 0);
  place(90, 100);
  EXPECT_EQ(NENG, 1);
  EXPECT_EQ(IENG, 0);
  EXPECT_EQ(ICYL, 0);
  EXPECT_EQ(ENGS(1), CRE_ENGS);
  EXPECT_EQ(ENGS(1).ncyl, 3);
  EXPECT_EQ(MASSES(1).icyleng_no(1), 1);
  EXPECT_EQ(MASSES(1).icyleng_no(2), 1);
  EXPECT_EQ(MASSES(2).icyleng_no(2), 2);
  EXPECT_EQ(MASSES(3).icyleng_no(2), 3);
  EXPECT_GT(lib.count(2), 30) << "labels drawn in pen 2";
  place(120, 100);  // complete: further clicks do nothing
  EXPECT_EQ(MASSES(4).icyleng_no(1), 0);
}

TEST_F(EngineTest, ClickingAnInertiaOfThisEngineRestartsTheDefinition) {
  engine_nodes(4);
  ITOGGLE_ENGI();
  define(3);
  place(30, 100);
  place(60, 100);
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Warning]&");
    EXPECT_TRUE(w.has("Mass is already part of this engine%nl&"));
    EXPECT_TRUE(w.has("re-define will re-start cylinder definitions&"));
    EXPECT_EQ(w.pieces.back().layout, "%ff%nl%`tt[&OK Re-define]%tt[&Cancel]");
    return 2;
  });
  place(30, 100);
  EXPECT_EQ(ICYL, 2) << "Cancel changes nothing";
  then([](const Window&) { return 0; });  // closed by its frame: re-define
  place(30, 100);
  EXPECT_EQ(ICYL, 0);
  EXPECT_EQ(IENG, 1);
  EXPECT_EQ(NENG, 0);
  EXPECT_EQ(MASSES(1).icyleng_no(1), 0);
  EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
  EXPECT_EQ(lib.count(2), 0) << "labels gone after the redraw";
  place(90, 100);
  EXPECT_EQ(MASSES(3).icyleng_no(2), 1);
}

TEST_F(EngineTest, RedefiningThroughAnotherEngineRenumbers) {
  engine_nodes(7);
  ITOGGLE_ENGI();
  define(2);
  place(30, 100);
  place(60, 100);
  define(2);
  place(90, 100);
  place(120, 100);
  ASSERT_EQ(NENG, 2);
  ENGS(1).excitation.bore = 0.2;  // carried over to the engine drawn over it
  define(3);
  EXPECT_EQ(IENG, 3);
  place(150, 100);
  then([](const Window& w) {
    EXPECT_TRUE(w.has("Mass is already part of engine %wd&"));
    EXPECT_FALSE(w.has("this engine"));
    EXPECT_EQ(w.integer("Mass is already part of engine"), 1);
    return 1;
  });
  place(30, 100);
  // Engine 2 is now engine 1; the engine being defined is engine 2 and the
  // clicked inertia its second cylinder.
  EXPECT_EQ(NENG, 1);
  EXPECT_EQ(IENG, 2);
  EXPECT_EQ(ICYL, 2);
  EXPECT_EQ(MASSES(1).icyleng_no(1), 2);
  EXPECT_EQ(MASSES(1).icyleng_no(2), 2);
  EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
  EXPECT_EQ(MASSES(3).icyleng_no(1), 1);
  EXPECT_EQ(MASSES(4).icyleng_no(1), 1);
  EXPECT_EQ(MASSES(5).icyleng_no(1), 2);
  EXPECT_EQ(MASSES(5).icyleng_no(2), 1);
  place(180, 100);
  EXPECT_EQ(NENG, 2);
  EXPECT_EQ(IENG, 0);
  EXPECT_EQ(ENGS(2).ncyl, 3);
  EXPECT_EQ(ENGS(2).excitation.bore, 0.2);
  EXPECT_EQ(ENGS(1).excitation.bore, 0.0);
  define(2);
  EXPECT_EQ(CRE_ENGS.excitation.bore, 0.0) << "a new engine starts without excitation";
}

TEST_F(EngineTest, DefinitionSurvivesLeavingTheModeAndRightClickAbandonsIt) {
  engine_nodes(4);
  ITOGGLE_ENGI();
  define(3);
  place(30, 100);
  ITOGGLE_NODE();
  ITOGGLE_ENGI();
  EXPECT_EQ(IENG, 1);
  EXPECT_EQ(ICYL, 1);
  place(60, 100);
  EXPECT_EQ(ICYL, 2);
  // A right click abandons the definition: its cylinders are freed.
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Engine number"), 1);
    EXPECT_EQ(MASSES(1).icyleng_no(1), 0);
    EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
    return 2;
  });
  click(20, 20, 2);
  EXPECT_EQ(IENG, 0);
  EXPECT_EQ(NENG, 0);
}

TEST_F(EngineTest, TenEngineLimit) {
  NENG = 10;
  ITOGGLE_ENGI();
  click(20, 20, 2);  // no dialog
  EXPECT_EQ(IENG, 0);
  NENG = 9;
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Engine number"), 10);
    return 2;
  });
  click(20, 20, 2);
}

TEST_F(EngineTest, DeleteEngineMovesTheOthersDown) {
  engine_nodes(6);
  for (int k = 1; k <= 3; ++k) {
    ENGS(k) = ENGINE{};
    ENGS(k).ncyl = k;
    MASSES(2 * k - 1).icyleng_no(1) = k;
    MASSES(2 * k - 1).icyleng_no(2) = 1;
    MASSES(2 * k).icyleng_no(1) = k;
    MASSES(2 * k).icyleng_no(2) = 2;
  }
  NENG = 3;
  DELETE_ENGINE(2);
  EXPECT_EQ(NENG, 2);
  EXPECT_EQ(ENGS(1).ncyl, 1);
  EXPECT_EQ(ENGS(2).ncyl, 3);
  EXPECT_EQ(ENGS(3).ncyl, 3) << "the old last slot keeps its copy";
  EXPECT_EQ(MASSES(3).icyleng_no(1), 0);
  EXPECT_EQ(MASSES(4).icyleng_no(2), 0);
  EXPECT_EQ(MASSES(5).icyleng_no(1), 2);
  EXPECT_EQ(MASSES(6).icyleng_no(2), 2);
  EXPECT_EQ(MASSES(1).icyleng_no(1), 1);
  DELETE_ENGINE(0);  // no engine 0: nothing is renumbered
  EXPECT_EQ(MASSES(5).icyleng_no(1), 2);
  EXPECT_EQ(NENG, 2);
  NENG = 0;
  DELETE_ENGINE(1);
  EXPECT_EQ(NENG, 0) << "never below 0";
}

TEST_F(EngineTest, DefinitionStartedOnAnotherModelIsDropped) {
  // Defining engine 2 of a model with one engine ...
  engine_nodes(4);
  NENG = 1;
  ENGS(1).ncyl = 1;
  MASSES(1).icyleng_no(1) = 1;
  MASSES(1).icyleng_no(2) = 1;
  ITOGGLE_ENGI();
  define(2);
  ASSERT_EQ(IENG, 2);
  // ... when a model with three engines is read.
  NENG = 3;
  MASSES(2).icyleng_no(1) = 2;
  MASSES(3).icyleng_no(1) = 3;
  place(120, 100);
  EXPECT_EQ(IENG, 0);
  EXPECT_EQ(MASSES(4).icyleng_no(1), 0);
  EXPECT_EQ(NENG, 3) << "no engine of the new model lost";
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Engine number"), 4);
    return 2;
  });
  click(20, 20, 2);
  EXPECT_EQ(NENG, 3);
  EXPECT_EQ(MASSES(2).icyleng_no(1), 2);
}

TEST_F(EngineTest, LinkToAMissingEngineCountsAsFree) {
  engine_nodes(2);
  MASSES(1).icyleng_no(1) = 7;  // no engine 7
  MASSES(1).icyleng_no(2) = 1;
  ITOGGLE_ENGI();
  define(1);
  place(30, 100);  // no warning
  EXPECT_EQ(NENG, 1);
  EXPECT_EQ(MASSES(1).icyleng_no(1), 1);
}

// OK of the engine dialog refuses a firing order that does not hold each
// cylinder once, naming the cylinder and selecting the field at fault.
TEST_F(EngineTest, FiringOrderMustHoldEachCylinderOnce) {
  struct Case {
    std::vector<int> order;
    int field;
    const char* message;
  };
  const Case cases[] = {
      {{1, 5, 3, 5, 2, 4}, 4,
       "Firing order, field 4: cylinder 5 is repeated (also in field 2); cylinder 6 is missing."},
      {{1, 7, 3, 6, 2, 4}, 2,
       "Firing order, field 2: 7 is not a cylinder of this 6-cylinder engine; cylinder 5 is "
       "missing."},
      {{1, 0, 3, 0, 2, 4}, 2,
       "Firing order, field 2: 0 is not a cylinder of this 6-cylinder engine; cylinders 5, 6 are "
       "missing."},
  };
  ITOGGLE_ENGI();
  for (const Case& c : cases) {
    then([&](const Window& w) {
      w.integer("Number of cyls") = 6;
      int j = 1;
      for (int cyl : c.order) CRE_ENGS.ifirord(j++) = cyl;
      return 1;
    });
    then([&](const Window&) {
      EXPECT_EQ(lib.last_caption, "Create Engine");
      EXPECT_EQ(lib.last_message.substr(0, std::string(c.message).size()), c.message);
      EXPECT_EQ(lib.selected_field, &CRE_ENGS.ifirord(c.field));
      return 2;
    });
    click(20, 20, 2);
    EXPECT_EQ(IENG, 0) << "cancelled after the refusal";
  }
  // A good order goes through: the engine waits for its cylinders.
  define(6);
  EXPECT_EQ(IENG, 1);
}

}  // namespace
}  // namespace spindra::editing_test
