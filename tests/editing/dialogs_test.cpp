// Inertia, stiffness and unit dialogs driven by clicks on the canvas, with
// the values a user would type.
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

class DialogsTest : public EditingTest {
 protected:
  // Creates a node by a click at (x, y) with the values typed.
  void create_node(float x, float y, double inertia, std::string_view name = "") {
    then([=](const Window& w) {
      w.real("Inertia         ") = inertia;
      if (!name.empty()) w.set_text("Name", name);
      return 1;
    });
    ILAST_VALID = 0;
    click(x, y);
  }
  int pen_pixels_near(float x, float y, int pen, int half = 7) const {
    int px, py, n = 0;
    pixel_of(x, y, px, py);
    for (int dy = -half; dy <= half; ++dy)
      for (int dx = -half; dx <= half; ++dx) n += lib.pixel(px + dx, py + dy) == pen;
    return n;
  }
};

TEST_F(DialogsTest, CreateInertiaLayoutAndStoredValues) {
  ITOGGLE_NODE();
  IUNIT_INERT = 2;
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Create Inertia]%bg[grey]&");
    EXPECT_EQ(w.integer("Inertia number  %ta%`3rd&"), 1);
    EXPECT_EQ(w.text("%ffInertia         %ta%`bg[white]%14rf %`8rs&", 1), "T.m^2       ");
    // Both dampings are in N.m.s/rad whatever the stiffness unit.
    EXPECT_TRUE(w.has("%ffExternal damping%ta%`bg[white]%14rf N.m.s/rad&"));
    EXPECT_TRUE(w.has("%ffName            %ta%`bg[white]%14rs&"));
    EXPECT_EQ(w.pieces.back().layout, "%ff%`tt[&OK]  %tt[&Cancel]  %^tt[&Units]");
    EXPECT_EQ(w.pieces.back().args.at(0).call, &ICHOOSE_INERTIA_UNITS);
    w.real("Inertia         ") = 2.5;
    w.real("External damping") = 0.75;
    w.set_text("Name", "Propeller");
    return 1;
  });
  click(100, 50);
  ASSERT_EQ(NMASS, 1);
  EXPECT_EQ(MASSES(1).amass, 2500.0);
  EXPECT_EQ(MASSES(1).dampex, 0.75);
  EXPECT_EQ(MASSES(1).name, "Propeller");
  EXPECT_EQ(MASSES(1).xy_node(1), 100.0);
  EXPECT_EQ(MASSES(1).xy_node(2), 50.0);
  // The symbol is drawn at once in pen 4: a square at the node and the bar.
  EXPECT_EQ(colour_at(100, 60), 4);
  EXPECT_GT(pen_pixels_near(100, 50, 4, 4), 10);

  // Modify Inertia shows 2.5 again, and OK without change keeps 2500.
  MTOGGLE_NODE();
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Modify Inertia]%bg[grey]&");
    EXPECT_EQ(w.integer("Inertia number"), 1);
    EXPECT_EQ(w.real("Inertia         "), 2.5);
    EXPECT_EQ(w.text("Name").substr(0, 9), "Propeller");
    return 1;
  });
  click(101, 51, 2);
  EXPECT_EQ(MASSES(1).amass, 2500.0);
  EXPECT_EQ(MASSES(1).name, "Propeller");
  EXPECT_EQ(ILAST_VALID, 0);
}

TEST_F(DialogsTest, CreateInertiaRemembersValuesAndNameAndCancelReusesNumber) {
  ITOGGLE_NODE();
  create_node(50, 50, 12.0, "Rotor");
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Inertia number"), 2);
    EXPECT_EQ(w.real("Inertia         "), 12.0);
    EXPECT_EQ(w.text("Name").substr(0, 6), "Rotor ");
    return 2;
  });
  ILAST_VALID = 0;
  click(80, 50);
  EXPECT_EQ(NMASS, 1);
  EXPECT_EQ(ILAST_VALID, 0);
  EXPECT_EQ(colour_at(80, 61), 15) << "nothing drawn for a cancelled inertia";
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Inertia number"), 2);
    return 1;
  });
  click(80, 50);
  EXPECT_EQ(NMASS, 2);
  EXPECT_EQ(MASSES(2).name, "Rotor");
  EXPECT_EQ(MASSES(2).amass, 12.0);
}

TEST_F(DialogsTest, NewRecordsStartBlank) {
  // A larger model read earlier leaves its records above the counts.
  put_node(2, 10, 10);
  MASSES(2).icyleng_no(1) = 3;
  MASSES(2).icyleng_no(2) = 4;
  MASSES(2).speed_ratio = 2.0;
  put_stiff(1, 1, 2);
  STIFF(1).name = "Old shaft";
  STIFF(1).non_linear = 5;
  NMASS = 1;
  NSTIF = 0;
  put_node(1, 100, 50);
  ITOGGLE_NODE();
  create_node(150, 50, 3.0);
  EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
  EXPECT_EQ(MASSES(2).icyleng_no(2), 0);
  EXPECT_EQ(MASSES(2).speed_ratio, 0.0);
  ITOGGLE_STIF();
  ASTIF_IN = 1.0e6;
  then_ok();
  click(100, 50);
  click(150, 50);
  ASSERT_EQ(NSTIF, 1);
  EXPECT_TRUE(STIFF(1).name.is_blank());
  EXPECT_EQ(STIFF(1).non_linear, 0);
}

TEST_F(DialogsTest, UnitsInsideCreateInertiaConvertTheTypedValue) {
  ITOGGLE_NODE();
  then([](const Window& w) {
    w.real("Inertia         ") = 1500.0;
    // The user presses Units and chooses T.m^2.
    ICHOOSE_INERTIA_UNITS();
    EXPECT_EQ(w.real("Inertia         "), 1.5);
    EXPECT_EQ(w.text("Inertia         ", 1), "T.m^2       ");
    return 1;
  });
  then([](const Window& u) {
    EXPECT_EQ(u.caption(), "%ca[Select Inertia Units]%bg[grey]&");
    EXPECT_EQ(u.integer("%2ga&", 0), 1);
    EXPECT_EQ(u.integer("%2ga&", 1), 0);
    EXPECT_EQ(&u.integer("%ff%`rb[kg.m^2]&"), &u.integer("%2ga&", 0));
    EXPECT_EQ(&u.integer("%ff%`rb[T.m^2]&"), &u.integer("%2ga&", 1));
    EXPECT_EQ(u.pieces.back().layout, "%ff%nl%`tt[&OK]  %tt[&Cancel]");
    u.integer("%2ga&", 0) = 0;
    u.integer("%2ga&", 1) = 1;
    return 1;
  });
  click(100, 50);
  EXPECT_EQ(IUNIT_INERT, 2);
  EXPECT_EQ(UNITS(1), "T.m^2");
  EXPECT_EQ(MASSES(1).amass, 1500.0);
  EXPECT_EQ(AMASS_IN, 1.5);
  EXPECT_EQ(lib.updated.back(), &AMASS_MOD);

  // OK without a change, and Cancel after a change, leave everything.
  then([](const Window&) { return 1; });
  ICHOOSE_INERTIA_UNITS();
  then([](const Window& u) {
    u.integer("%2ga&", 0) = 1;
    u.integer("%2ga&", 1) = 0;
    return 2;
  });
  ICHOOSE_INERTIA_UNITS();
  EXPECT_EQ(IUNIT_INERT, 2);
  EXPECT_EQ(AMASS_IN, 1.5);
  EXPECT_EQ(MASSES(1).amass, 1500.0);

  // Back to kg.m^2: the buffer follows, the store does not.
  then([](const Window& u) {
    u.integer("%2ga&", 0) = 1;
    u.integer("%2ga&", 1) = 0;
    return 1;
  });
  ICHOOSE_INERTIA_UNITS();
  EXPECT_EQ(IUNIT_INERT, 1);
  EXPECT_EQ(AMASS_IN, 1500.0);
  EXPECT_EQ(MASSES(1).amass, 1500.0);
}

TEST_F(DialogsTest, CreateStiffnessPicksTwoNodesAndStoresInternalUnits) {
  put_node(1, 100, 50);
  put_node(2, 150, 50);
  IDRAW();
  ITOGGLE_STIF();
  click(101, 49);
  EXPECT_EQ(NSELECT, 1);
  EXPECT_EQ(NODE_LIST(1), 1);
  EXPECT_GT(pen_pixels_near(100, 50, 2), 20) << "highlight square in pen 2";
  click(100, 50);  // the same node again is not picked twice
  EXPECT_EQ(NSELECT, 1);
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Create Stiffness]%bg[grey]&");
    EXPECT_EQ(w.integer("Stiffness number"), 1);
    EXPECT_EQ(w.text("%ffStiffness       %ta%`bg[white]%14rf %`rs&", 1), "N.m/rad     ");
    const auto& list = w.piece("%`bg[white]%`ls&");
    EXPECT_EQ(list.args.at(0).count, 101);
    EXPECT_EQ(std::string(static_cast<const char*>(list.args.at(0).var), 16), "Linear          ");
    EXPECT_EQ(w.integer("%`bg[white]%`ls&", 1), 1);
    EXPECT_TRUE(w.has("%ffInternal damping%ta%`bg[white]%14rf N.m.s/rad&"));
    EXPECT_TRUE(w.has("%ffShaft diameter  %ta%`bg[white]%14rf mm&"));
    EXPECT_TRUE(w.has("%ffShaft bore      %ta%`bg[white]%14rf mm&"));
    EXPECT_EQ(w.pieces.back().args.at(0).call, &ICHOOSE_STIFF_UNITS);
    w.real("%ffStiffness       %ta") = 2.0e6;
    w.real("Internal damping") = 3.0;
    w.real("Shaft diameter") = 40.0;
    w.real("Shaft bore") = 20.0;
    return 1;
  });
  click(150, 50);
  ASSERT_EQ(NSTIF, 1);
  EXPECT_EQ(NSELECT, 0);
  const STIFFNESS& s = STIFF(1);
  EXPECT_EQ(s.nodes(1), 1);
  EXPECT_EQ(s.nodes(2), 2);
  EXPECT_EQ(s.stiff, 2.0e6);
  EXPECT_EQ(s.dampin, 3.0);
  EXPECT_DOUBLE_EQ(s.diam, 0.04);
  EXPECT_DOUBLE_EQ(s.bore, 0.02);
  EXPECT_EQ(lib.count(2), 0) << "highlights removed";
  EXPECT_EQ(colour_at(125, 50), 1) << "the new shaft is drawn at once";

  // Modify Stiffness shows mm and OK without change stores the same.
  MTOGGLE_STIF();
  IDRAW();
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Modify Stiffness]%bg[grey]&");
    EXPECT_FALSE(w.has("%`ls"));
    EXPECT_EQ(w.integer("Stiffness number"), 1);
    EXPECT_EQ(w.real("%ffStiffness       %ta"), 2.0e6);
    EXPECT_EQ(w.real("Shaft diameter"), 40.0);
    EXPECT_EQ(w.real("Shaft bore"), 20.0);
    return 1;
  });
  click(125, 52);
  EXPECT_DOUBLE_EQ(STIFF(1).diam, 0.04);
  EXPECT_DOUBLE_EQ(STIFF(1).bore, 0.02);
  EXPECT_EQ(STIFF(1).stiff, 2.0e6);
}

TEST_F(DialogsTest, CancelInCreateStiffnessForgetsThePicks) {
  put_node(1, 100, 50);
  put_node(2, 150, 50);
  put_node(3, 150, 100);
  IDRAW();
  ASTIF_IN = 1.0e6;
  const int pen1_before = lib.count(1);
  ITOGGLE_STIF();
  click(100, 50);
  then_cancel();
  click(150, 50);
  EXPECT_EQ(NSTIF, 0);
  EXPECT_EQ(NSELECT, 0);
  EXPECT_EQ(lib.count(2), 0) << "highlights removed";
  EXPECT_LE(lib.count(1), pen1_before) << "no shaft drawn";
  // The next two clicks make a new stiffness, numbered 1.
  then([](const Window& w) {
    EXPECT_EQ(w.integer("Stiffness number"), 1);
    return 1;
  });
  ILAST_VALID = 0;
  click(150, 50);
  ILAST_VALID = 0;
  click(150, 100);
  ASSERT_EQ(NSTIF, 1);
  EXPECT_EQ(STIFF(1).nodes(1), 2);
  EXPECT_EQ(STIFF(1).nodes(2), 3);
}

TEST_F(DialogsTest, GroundStiffnessHasItsOwnBoreAndMegaUnits) {
  put_node(1, 100, 50);
  put_node(2, 150, 50);
  IDRAW();
  IUNIT_STIFF = 2;
  ITOGGLE_STIF_GROUND();
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Create Stiffness to ground]%bg[grey]&");
    EXPECT_FALSE(w.has("%`ls"));
    EXPECT_EQ(w.text("%ffStiffness       %ta", 1), "MN.m/rad    ");
    w.real("%ffStiffness       %ta") = 1.2;
    w.real("Shaft diameter") = 50.0;
    w.real("Shaft bore") = 10.0;
    return 1;
  });
  click(100, 50);
  ASSERT_EQ(NSTIF, 1);
  EXPECT_EQ(STIFF(1).nodes(1), 1);
  EXPECT_EQ(STIFF(1).nodes(2), 0);
  EXPECT_EQ(STIFF(1).stiff, 1200000.0);
  EXPECT_DOUBLE_EQ(STIFF(1).bore, 0.01);
  EXPECT_EQ(lib.count(2), 0);
  EXPECT_EQ(colour_at(95, 35), 1) << "ground bar drawn";

  // The node-to-node dialog keeps its own bore (0), the ground one 10.
  ITOGGLE_STIF();
  then([](const Window& w) {
    EXPECT_EQ(w.real("Shaft bore"), 0.0);
    EXPECT_EQ(w.real("Shaft diameter"), 50.0);
    EXPECT_EQ(w.real("%ffStiffness       %ta"), 1.2);
    return 2;
  });
  ILAST_VALID = 0;
  click(100, 50);
  ILAST_VALID = 0;
  click(150, 50);
  ITOGGLE_STIF_GROUND();
  then([](const Window& w) {
    EXPECT_EQ(w.real("Shaft bore"), 10.0);
    return 2;
  });
  ILAST_VALID = 0;
  click(150, 50);

  // Modify the ground stiffness in MN.m/rad through its hit point.
  MTOGGLE_STIF();
  then([](const Window& w) {
    EXPECT_EQ(w.real("%ffStiffness       %ta"), 1.2);
    w.real("%ffStiffness       %ta") = 2.5;
    return 1;
  });
  ILAST_VALID = 0;
  click(97.5f, 42.5f, 1);
  EXPECT_EQ(STIFF(1).stiff, 2500000.0);
  EXPECT_EQ(STIFF(1).nodes(2), 0);
}

TEST_F(DialogsTest, StiffnessUnitsConvertBothBuffers) {
  ASTIF_IN = 3.0e6;
  ASTIF_MOD = 5.0e5;
  then([](const Window& u) {
    EXPECT_EQ(u.caption(), "%ca[Select Stiffness Units]%bg[grey]&");
    EXPECT_TRUE(u.has("%ff%`rb[N.m/rad]&"));
    EXPECT_TRUE(u.has("%ff%`rb[MN.m/rad]&"));
    u.integer("%2ga&", 0) = 0;
    u.integer("%2ga&", 1) = 1;
    return 1;
  });
  EXPECT_EQ(ICHOOSE_STIFF_UNITS(), 1);
  EXPECT_EQ(IUNIT_STIFF, 2);
  EXPECT_EQ(UNITS(2), "MN.m/rad");
  EXPECT_EQ(ASTIF_IN, 3.0);
  EXPECT_EQ(ASTIF_MOD, 0.5);
}

TEST_F(DialogsTest, LimitsIgnoreClicks) {
  for (int i = 1; i <= 100; ++i) put_node(i, 5.0 * i, 100);
  ITOGGLE_NODE();
  click(200, 50);  // no dialog at 100 nodes
  EXPECT_EQ(NMASS, 100);
  NSTIF = 100;
  ITOGGLE_STIF();
  click(5, 100);
  EXPECT_EQ(NSELECT, 0);
  ITOGGLE_STIF_GROUND();
  click(5, 100);
  EXPECT_EQ(NSELECT, 0);
}

TEST_F(DialogsTest, ChoosingAModeForgetsAHalfPickedStiffness) {
  ASTIF_IN = 1.0e6;
  put_node(1, 100, 50);
  put_node(2, 150, 50);
  ITOGGLE_STIF();
  click(100, 50);
  EXPECT_EQ(NSELECT, 1);
  ITOGGLE_STIF_GROUND();
  EXPECT_EQ(NSELECT, 0);
  then([](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Create Stiffness to ground]%bg[grey]&");
    return 1;
  });
  ILAST_VALID = 0;
  click(150, 50);
  EXPECT_EQ(STIFF(1).nodes(1), 2);
}

}  // namespace
}  // namespace spindra::editing_test

namespace spindra::editing_test {
namespace {

// OK with a value that cannot stand in a model is refused: the message names
// the field, that field is selected, the dialog stays open; Cancel then
// leaves the model as it was, and a good value is then taken.
TEST_F(DialogsTest, ValuesThatCannotMakeAModelKeepTheDialogOpen) {
  struct Case {
    const char* field;  // the piece of the field set
    double value;
    const void* selected;
    const char* message;
  };
  DialogBuffers& b = dialog_buffers();
  const Case inertia_cases[] = {
      {"Inertia         ", 0.0, &AMASS_IN, "Inertia: 0 kg.m^2 is no inertia"},
      {"Inertia         ", -2.5, &AMASS_IN, "Inertia: -2.5 kg.m^2 is no inertia"},
      {"Speed ratio", 0.0, &b.create_ratio, "Speed ratio: 0 is outside 0.001 to 1000"},
      {"Speed ratio", 2000.0, &b.create_ratio, "Speed ratio: 2000 is outside 0.001 to 1000"},
  };
  ITOGGLE_NODE();
  for (const Case& c : inertia_cases) {
    const int refusals = lib.ok_refusals;
    then([&](const Window& w) {
      w.real(c.field) = c.value;
      return 1;
    });
    then_cancel();  // the dialog stayed open: the user gives up
    ILAST_VALID = 0;
    click(100, 50);
    EXPECT_EQ(lib.ok_refusals, refusals + 1) << c.message;
    EXPECT_EQ(lib.last_caption, "Create Inertia");
    EXPECT_NE(lib.last_message.find(c.message), std::string::npos) << lib.last_message;
    EXPECT_EQ(lib.selected_field, c.selected);
    EXPECT_EQ(NMASS, 0);
    AMASS_IN = 1.0;
    b.create_ratio = 1.0;
  }
  // Refused, then corrected in the same dialog: stored.
  then([](const Window& w) {
    w.real("Inertia         ") = 0.0;
    return 1;
  });
  then([](const Window& w) {
    w.real("Inertia         ") = 4.0;
    return 1;
  });
  ILAST_VALID = 0;
  click(100, 50);
  ASSERT_EQ(NMASS, 1);
  EXPECT_EQ(MASSES(1).amass, 4.0);
  // Modify Inertia refuses the same way and keeps the stored value.
  MTOGGLE_NODE();
  then([](const Window& w) {
    w.real("Inertia         ") = -1.0;
    return 1;
  });
  then_cancel();
  click(100, 50, 2);
  EXPECT_EQ(lib.last_caption, "Modify Inertia");
  EXPECT_EQ(lib.selected_field, &AMASS_MOD);
  EXPECT_EQ(MASSES(1).amass, 4.0);

  // A new inertia exactly on an existing one is refused before any dialog.
  ITOGGLE_NODE();
  const std::size_t windows = lib.windows.size();
  ILAST_VALID = 0;
  click(100, 50);
  EXPECT_EQ(lib.windows.size(), windows);
  EXPECT_EQ(NMASS, 1);
  EXPECT_NE(lib.last_message.find("Inertia 1 already stands at 100.0, 50.0 mm"), std::string::npos)
      << lib.last_message;

  // Stiffness dialogs: stiffness, diameter and bore.
  put_node(2, 150, 50);
  IDRAW();
  const Case stiffness_cases[] = {
      {"%ffStiffness       %ta", 0.0, &ASTIF_IN, "Stiffness: 0 N.m/rad is no stiffness"},
      {"Shaft diameter", -40.0, &DIA_IN, "Shaft diameter: -40 mm is less than 0"},
      {"Shaft bore", -1.0, &b.create_bore, "Shaft bore: -1 mm is less than 0"},
      {"Shaft bore", 40.0, &b.create_bore, "Shaft bore: 40 mm is not less than the shaft "
                                           "diameter of 40 mm"},
      {"Relative damping psi", -0.5, &b.create_psi, "Relative damping psi: -0.5 is less than 0"},
  };
  ITOGGLE_STIF();
  ASTIF_IN = 1.0e6;
  DIA_IN = 40.0;
  for (const Case& c : stiffness_cases) {
    then([&](const Window& w) {
      w.real(c.field) = c.value;
      return 1;
    });
    then([&](const Window& w) {
      EXPECT_EQ(lib.selected_field, c.selected);
      EXPECT_NE(lib.last_message.find(c.message), std::string::npos) << lib.last_message;
      w.real(c.field) = c.selected == &ASTIF_IN ? 1.0e6 : c.selected == &DIA_IN ? 40.0 : 0.0;
      return 2;
    });
    ILAST_VALID = 0;
    click(100, 50);
    ILAST_VALID = 0;
    click(150, 50);
    EXPECT_EQ(NSTIF, 0);
  }
  then_ok();
  ILAST_VALID = 0;
  click(100, 50);
  ILAST_VALID = 0;
  click(150, 50);
  EXPECT_EQ(NSTIF, 1);

  // Between inertias of different speed ratios: a gear mesh, said on the
  // status line; the check box makes it rigid, psi is kept, a ratio of 1 is
  // stored as 0.
  MASSES(2).speed_ratio = 0.5;
  then([](const Window& w) {
    w.real("Relative damping psi") = 0.9;
    w.integer("Rigid gear mesh") = 1;
    return 1;
  });
  ILAST_VALID = 0;
  click(100, 50);
  ILAST_VALID = 0;
  click(150, 50);
  ASSERT_EQ(NSTIF, 2);
  EXPECT_EQ(STIFF(2).rigid, 1);
  EXPECT_EQ(STIFF(2).psi, 0.9);
  EXPECT_NE(REASON.str().find("Gear mesh between inertia 1 (ratio 1) and inertia 2 (ratio 0.5)"),
            std::string::npos)
      << REASON.str();
  MTOGGLE_NODE();
  then([](const Window& w) {
    EXPECT_EQ(w.real("Speed ratio"), 0.5);
    w.real("Speed ratio") = 1.0;
    return 1;
  });
  click(150, 50, 2);
  EXPECT_EQ(MASSES(2).speed_ratio, 0.0);
}

}  // namespace
}  // namespace spindra::editing_test
