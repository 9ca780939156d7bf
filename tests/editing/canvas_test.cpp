// The canvas: status text, snap and ortho, hit tests and the dispatch of
// mouse events to the command modes.
#include "app/history.h"
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

TEST(GeneralNumeric, FixedPointInRangeExponentOutside) {
  EXPECT_EQ(general_numeric(12.5).view(), " 12.5000    ");
  EXPECT_EQ(general_numeric(0.0125).view(), "0.125000E-01");
  EXPECT_EQ(general_numeric(0.0).view(), " 0.00000    ");
  EXPECT_EQ(general_numeric(0.1).view(), "0.100000    ");
  EXPECT_EQ(general_numeric(123456.0).view(), " 123456.    ");
  EXPECT_EQ(general_numeric(1234567.0).view(), "0.123457E+07");
  // Rounding to 6 digits decides the form.
  EXPECT_EQ(general_numeric(999999.7).view(), "0.100000E+07");
  EXPECT_EQ(general_numeric(0.09999999).view(), "0.100000    ");
  EXPECT_EQ(general_numeric(-12.5).view(), "-12.5000    ");
  EXPECT_EQ(general_numeric(-0.5).view(), "-.500000    ");
  EXPECT_EQ(general_numeric(-0.0125).view(), "-.125000E-01");
  EXPECT_EQ(general_numeric(2.5e150).view(), "0.250000+151");
}

class CanvasTest : public EditingTest {};

TEST_F(CanvasTest, StatusLineShowsNodeUnderPointerInBothUnits) {
  put_node(1, 50, 50);
  put_node(2, 80, 50);
  put_node(3, 100, 50, 12.5);
  MASSES(3).name = "Flywheel";
  mouse(101, 52, 0);
  const std::string expected = "Node  3 Inertia= 12.5000     kg.m^2       Flywheel";
  EXPECT_EQ(REASON.view(), std::string(expected) + std::string(80 - expected.size(), ' '));
  EXPECT_EQ(lib.updated.back(), REASON.data());

  // Moving away keeps the text; the refresh still happens.
  const std::size_t updates = lib.updated.size();
  mouse(200, 150, 0);
  EXPECT_EQ(REASON.trimmed(), expected);
  EXPECT_GT(lib.updated.size(), updates);

  IUNIT_INERT = 2;
  SET_UNITS();
  ILAST_VALID = 0;
  mouse(100, 50, 0);
  EXPECT_EQ(REASON.trimmed(), "Node  3 Inertia=0.125000E-01 T.m^2        Flywheel");
}

TEST_F(CanvasTest, SnapWithoutLastPositionRoundsHalvesAway) {
  float x = 102.5f, y = 47.5f;
  SNAP_TO(x, y);
  EXPECT_EQ(x, 105.0f);
  EXPECT_EQ(y, 50.0f);
  EXPECT_EQ(ILAST_VALID, 1);
  EXPECT_EQ(RX_LAST, 105.0);
  ILAST_VALID = 0;
  x = 62.4f;
  y = 37.6f;
  SNAP_TO(x, y);
  EXPECT_EQ(x, 60.0f);
  EXPECT_EQ(y, 40.0f);
  ILAST_VALID = 0;
  x = -2.5f;
  y = -7.5f;
  SNAP_TO(x, y);
  EXPECT_EQ(x, -5.0f);
  EXPECT_EQ(y, -10.0f);
}

TEST_F(CanvasTest, OrthoKeepsOneCoordinateOfTheLastPosition) {
  struct Case {
    float x, y, ex, ey;
  } cases[] = {{112, 53, 110, 50}, {103, 61, 100, 60}, {106, 56, 100, 55}};
  for (const Case& c : cases) {
    ILAST_VALID = 1;
    RX_LAST = 100.0;
    RY_LAST = 50.0;
    float x = c.x, y = c.y;
    SNAP_TO(x, y);
    EXPECT_EQ(x, c.ex) << c.x << "," << c.y;
    EXPECT_EQ(y, c.ey) << c.x << "," << c.y;
    EXPECT_EQ(RX_LAST, c.ex);
    EXPECT_EQ(RY_LAST, c.ey);
  }
  // Without snap the free coordinate is kept as it is.
  ISNAP_MODE = 0;
  ILAST_VALID = 1;
  RX_LAST = 100.0;
  RY_LAST = 50.0;
  float x = 112.3f, y = 53.0f;
  SNAP_TO(x, y);
  EXPECT_EQ(x, 112.3f);
  EXPECT_EQ(y, 50.0f);
}

TEST_F(CanvasTest, NodeSearchRadiusTiesAndPickedNodes) {
  // 297 mm wide paper: node radius 7.425 mm, stiffness radius 14.85 mm.
  put_node(1, 100, 50);
  put_node(2, 110, 50);
  EXPECT_EQ(IFIND_NODE1(105, 50), 1);  // same distance: the lower number
  EXPECT_EQ(IFIND_NODE1(106, 50), 2);
  EXPECT_EQ(IFIND_NODE1(100, 57.4f), 1);
  EXPECT_EQ(IFIND_NODE1(100, 42.6f), 1);
  EXPECT_EQ(IFIND_NODE1(100, 42.57f), 0);
  EXPECT_EQ(IFIND_NODE1(200, 50), 0);
  NSELECT = 1;
  NODE_LIST(1) = 1;
  EXPECT_EQ(IFIND_NODE(104, 50), 2);  // node 1 is nearer but picked
  EXPECT_EQ(IFIND_NODE(94, 50), 0);
  EXPECT_EQ(IFIND_NODE1(101, 50), 1);
}

TEST_F(CanvasTest, StiffnessSearchUsesMidpointsAndGroundLine) {
  put_node(1, 100, 50);
  put_node(2, 140, 50);
  put_stiff(1, 1, 2);
  put_stiff(2, 1, 0);
  EXPECT_EQ(IFIND_STIFF(120, 50), 1);
  EXPECT_EQ(IFIND_STIFF(97.5f, 42.5f), 2);
  EXPECT_EQ(IFIND_STIFF(120, 64.8f), 1);
  EXPECT_EQ(IFIND_STIFF(120, 64.9f), 0);
  // A stiffness naming a node that does not exist is not a target.
  put_stiff(3, 1, 7);
  EXPECT_EQ(IFIND_STIFF(100, 50), 2);
}

TEST_F(CanvasTest, ModesDispatchOnlyTheirButtons) {
  // No mode: clicks only move the status line.
  click(100, 50);
  click(100, 50, 2);
  EXPECT_TRUE(lib.windows.empty());

  ITOGGLE_NODE();
  ILAST_VALID = 0;
  click(100, 50, 2);  // right click in Create > Node does nothing
  click(100, 50, 3);  // nor do both buttons
  EXPECT_TRUE(lib.windows.empty());
  AMASS_IN = 10.0;
  then_ok();
  click(100, 50);
  ASSERT_EQ(lib.windows.size(), 1u);
  EXPECT_EQ(lib.windows[0].caption(), "%ca[Create Inertia]%bg[grey]&");
  EXPECT_EQ(NMASS, 1);

  // Modify > Node: both buttons act as a right click.
  MTOGGLE_NODE();
  then_cancel();
  click(100, 50, 1);
  then_cancel();
  click(100, 50, 2);
  ASSERT_EQ(lib.windows.size(), 3u);
  EXPECT_EQ(lib.windows[1].caption(), "%ca[Modify Inertia]%bg[grey]&");
  EXPECT_EQ(lib.windows[2].caption(), "%ca[Modify Inertia]%bg[grey]&");
  EXPECT_EQ(ILAST_VALID, 0);

  // Modify > Engine has no canvas action.
  MTOGGLE_ENGI();
  click(100, 50, 1);
  click(100, 50, 2);
  EXPECT_EQ(lib.windows.size(), 3u);
}

TEST_F(CanvasTest, ClickSnapsAndFollowsTheLastPosition) {
  AMASS_IN = 10.0;
  ITOGGLE_NODE();
  then_ok();
  click(101.2f, 48.9f);  // first click: free snap
  then_ok();
  mouse(140, 52, 0);     // the move is held to the horizontal through (100, 50)
  mouse(151.3f, 53, 1);  // and so is the click
  ASSERT_EQ(NMASS, 2);
  EXPECT_EQ(MASSES(1).xy_node(1), 100.0);
  EXPECT_EQ(MASSES(1).xy_node(2), 50.0);
  EXPECT_EQ(MASSES(2).xy_node(1), 150.0);
  EXPECT_EQ(MASSES(2).xy_node(2), 50.0);
}

}  // namespace
}  // namespace spindra::editing_test

namespace spindra::editing_test {
namespace {

// The edit history keeps the last 100 steps; a new edit drops what could have
// been redone; the unsaved mark follows the step last read or saved.
TEST_F(CanvasTest, HistoryKeepsAHundredStepsAndMarksTheSavedOne) {
  start_history();
  EXPECT_EQ(note_model_edit(), false);
  for (int k = 1; k <= 105; ++k) {
    MASSES(1).amass = k;
    ASSERT_TRUE(note_model_edit());
  }
  EXPECT_EQ(model_changed, 1);
  int undone = 0;
  while (undo_model_edit()) ++undone;
  EXPECT_EQ(undone, kUndoDepth);
  EXPECT_EQ(MASSES(1).amass, 5.0);
  EXPECT_EQ(model_changed, 1) << "the step as read was dropped";
  note_model_saved();
  EXPECT_EQ(model_changed, 0);
  ASSERT_TRUE(redo_model_edit());
  EXPECT_EQ(MASSES(1).amass, 6.0);
  EXPECT_EQ(model_changed, 1);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(model_changed, 0);
  ENGS(1).angle(1) = 90.0;  // what an analysis derives is no edit
  EXPECT_FALSE(note_model_edit());
  MASSES(2).name = "New";
  ASSERT_TRUE(note_model_edit());
  EXPECT_EQ(can_redo, 0);
  EXPECT_FALSE(redo_model_edit());
}

}  // namespace
}  // namespace spindra::editing_test
