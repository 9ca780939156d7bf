// The canvas: status text, snap and ortho, hit tests and the dispatch of
// mouse events to the command modes.
#include <unistd.h>

#include <filesystem>

#include "app/history.h"
#include "app/model/model_file.h"
#include "app/picture.h"
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

namespace spindra::editing_test {
namespace {

// The view: zoom, fit and pan change the window onto the user coordinates;
// the mouse reads through the same window, so picking takes the same pixels
// and snapping the same user grid at any zoom.
class ViewTest : public EditingTest {
 protected:
  // Region pixel (origin top left) of a user point through the view.
  static void user_pixel(double x, double y, int& px, int& py) {
    float xp = 0.0f, yp = 0.0f;
    GIVE_PAPER(static_cast<float>(x), static_cast<float>(y), xp, yp);
    int32_t ix = 0, iy = 0;
    CURGSL(xp, yp, ix, iy);
    px = ix;
    py = display::IVSIZE - iy;
  }
  // One mouse event at a region pixel; `wheel` control-wheel steps.
  void at_pixel(int px, int py, int flags, int wheel = 0) {
    lib.mouse_x = px;
    lib.mouse_y = py;
    lib.mouse_flags = flags;
    lib.mouse_wheel = wheel;
    EXPECT_EQ(window_callback1(), 2);
    lib.mouse_flags = 0;
    lib.mouse_wheel = 0;
  }
  // The node the status line names after the pointer rests dx pixels right
  // of node n, or 0.
  int node_named_beside(int n, int dx) {
    int px, py;
    user_pixel(MASSES(n).xy_node(1), MASSES(n).xy_node(2), px, py);
    REASON.blank();
    at_pixel(px + dx, py, 0);
    return REASON.is_blank() ? 0 : std::stoi(REASON.str().substr(4, 3));
  }
  // User point at a region pixel, as the kernel reads it.
  static void user_at(int px, int py, float& x, float& y) {
    float xp = 0.0f, yp = 0.0f;
    CRUGSL(px, display::IVSIZE - py, xp, yp);
    TMQWRL(gsl::RQMAT2.data(), xp, yp, x, y);
  }
};

TEST_F(ViewTest, PickingTakesTheSamePixelsAtZoomOneAndFour) {
  ISNAP_MODE = 0;  // the pointer itself, not the grid point next to it
  IORTHO_MODE = 0;
  put_node(1, 150, 105);  // by the middle of the paper, where Zoom In zooms
  put_node(2, 170, 105);
  const int offsets[] = {0, 10, 14, 16, -30};
  int picked_at_1[5];
  IDRAW();
  for (int k = 0; k < 5; ++k) picked_at_1[k] = node_named_beside(1, offsets[k]);
  EXPECT_EQ(picked_at_1[0], 1);
  EXPECT_EQ(picked_at_1[2], 1);  // 7 mm: inside 0.025 of the 297 mm shown
  EXPECT_EQ(picked_at_1[3], 0);  // 8 mm: outside

  ZOOM_IN();
  ZOOM_IN();
  EXPECT_EQ(VIEW_ZOOM, 4.0);
  float rx1, ry1, rx2, ry2;
  SCREEN_EXTENT(rx1, ry1, rx2, ry2);
  EXPECT_FLOAT_EQ(rx2 - rx1, 297.0f / 4.0f);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(node_named_beside(1, offsets[k]), picked_at_1[k]) << offsets[k] << " pixels";
  // The model is drawn through the view: node 1 in the middle, 4 times as
  // far from node 2 in pixels.
  int x1, y1, x2, y2;
  user_pixel(150, 105, x1, y1);
  user_pixel(170, 105, x2, y2);
  EXPECT_EQ(x2 - x1, 4 * 40);
  EXPECT_EQ(lib.pixel(x1, y1), 4);
}

TEST_F(ViewTest, CreateAtAZoomLandsOnTheSnappedUserPoint) {
  VIEW_ZOOM = 8.0;
  VIEW_X0 = 1000.0;
  VIEW_Y0 = -20.0;
  IDRAW();
  ITOGGLE_NODE();
  ILAST_VALID = 0;
  int px, py;
  user_pixel(1011.4, -7.8, px, py);
  AMASS_IN = 10.0;
  then_ok();
  at_pixel(px, py, 0);
  at_pixel(px, py, 1);
  ASSERT_EQ(NMASS, 1);
  EXPECT_EQ(MASSES(1).xy_node(1), 1010.0);
  EXPECT_EQ(MASSES(1).xy_node(2), -10.0);
  // The grid dots sit on the snap points through the view.
  user_pixel(1015, 0, px, py);
  EXPECT_EQ(lib.pixel(px, py), 1);
}

TEST_F(ViewTest, WheelZoomsAboutThePointerAndScrollBarsPan) {
  put_node(1, 100, 100);
  IDRAW();
  const int px = 400, py = 100;
  float x0, y0;
  user_at(px, py, x0, y0);
  at_pixel(px, py, 8, 2);  // two steps away from the user: twice the zoom
  EXPECT_EQ(VIEW_ZOOM, 2.0);
  float x, y;
  user_at(px, py, x, y);
  EXPECT_NEAR(x, x0, 0.5f / 4);  // within a pixel at 4 pixels a millimetre
  EXPECT_NEAR(y, y0, 0.5f / 4);
  at_pixel(px, py, 8, -2);
  EXPECT_EQ(VIEW_ZOOM, 1.0);
  EXPECT_EQ(NMASS, 1);

  // Zoomed in, the scroll bars reach the whole paper around the part shown.
  reset_view();
  ZOOM_IN();
  ZOOM_IN();
  EXPECT_EQ(lib.view_width, 4 * kWidth);
  EXPECT_EQ(lib.view_height, 4 * kHeight);
  const int x_shown = lib.view_x;
  const double left = VIEW_X0;
  lib.view_x = x_shown + 80;  // 80 pixels = 10 mm at zoom 4
  const int sets = lib.view_sets;
  at_pixel(px, py, 0);
  EXPECT_NEAR(VIEW_X0, left + 10.0, 1e-9);
  EXPECT_EQ(lib.view_sets, sets + 1);
  EXPECT_EQ(lib.view_x, x_shown + 80);
  lib.view_y += 40;  // down the picture: 5 mm lower
  const double bottom = VIEW_Y0;
  at_pixel(px, py, 0);
  EXPECT_NEAR(VIEW_Y0, bottom - 5.0, 1e-9);
}

TEST_F(ViewTest, OpenFitsAModelOffThePaperAndKeepsOneOnIt) {
  const std::string base = (std::filesystem::temp_directory_path() /
                            ("spindra-view-" + std::to_string(::getpid())))
                               .string();
  for (int i = 1; i <= 100; ++i) put_node(i, 20.0 * i, 105);
  for (int i = 1; i < 100; ++i) put_stiff(i, i, i + 1);
  FILIN = base + "-chain.rtm";
  std::string error;
  ASSERT_TRUE(write_model_file(&error)) << error;
  initialise_store();
  FILIN = base + "-chain.rtm";
  READ_FILE();
  ASSERT_EQ(NMASS, 100) << lib.last_message;
  EXPECT_LT(VIEW_ZOOM, 0.2);
  // Every inertia is drawn inside the region, none on its border.
  for (int i = 1; i <= 100; ++i) {
    int px, py;
    user_pixel(20.0 * i, 115, px, py);  // on its bar, above the shaft line
    ASSERT_GT(px, 0);
    ASSERT_LT(px, kWidth - 1);
    EXPECT_EQ(lib.pixel(px, py), 4) << "node " << i;
  }
  // The dots of the grid keep apart rather than grey the region.
  EXPECT_LT(lib.count(1), kWidth * kHeight / 16);
  // Print and Export Picture draw the same window: the page shows node 100
  // as far right on the page as the region does.
  lib.page_lines.clear();
  std::string message;
  ASSERT_TRUE(export_picture(base + ".svg", IDRAW, &message)) << message;
  int right_page = 0;
  for (const auto& l : lib.page_lines)
    if (l.colour == 4) right_page = std::max(right_page, l.x1);
  int px, py;
  user_pixel(2000, 105, px, py);
  EXPECT_NEAR(right_page / static_cast<double>(lib.page.width), px / double(kWidth), 0.01);

  // A model on the paper opens as it always did, also after a zoom.
  ZOOM_IN();
  initialise_store();
  put_node(1, 5, 5);
  put_node(2, 290, 205);
  FILIN = base + "-fits.rtm";
  ASSERT_TRUE(write_model_file(&error)) << error;
  initialise_store();
  FILIN = base + "-fits.rtm";
  READ_FILE();
  ASSERT_EQ(NMASS, 2) << lib.last_message;
  EXPECT_EQ(VIEW_ZOOM, 1.0);
  EXPECT_EQ(VIEW_X0, 0.0);
  const std::vector<int> opened = lib.pixels;
  reset_view();
  IDRAW();
  EXPECT_EQ(lib.pixels, opened);
  std::filesystem::remove(base + "-chain.rtm");
  std::filesystem::remove(base + "-fits.rtm");
  std::filesystem::remove(base + ".svg");
}

}  // namespace
}  // namespace spindra::editing_test
