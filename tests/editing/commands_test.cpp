// The menu commands that report to the user: File > Open, File > Save,
// Calculate > Frequencies and the unit texts' refresh; File > New, File >
// Save without a dialog, Title and Orders, Delete, Move and the mark of
// results that belong to an earlier model.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/history.h"
#include "app/model/model_file.h"
#include "app/model_commands.h"
#include "app/model_edits.h"
#include "tests/editing/editing_support.h"

namespace spindra::editing_test {
namespace {

class CommandsTest : public EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("spindra-commands-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    EditingTest::TearDown();
  }
  bool refreshed(const void* var) const {
    return std::find(lib.updated.begin(), lib.updated.end(), var) != lib.updated.end();
  }
  std::filesystem::path dir_;
};

TEST_F(CommandsTest, OpenShowsTheReaderMessageOrDrawsTheModelRead) {
  put_node(1, 50, 50);
  IDRAW();
  const int drawn = colour_at(50, 50);
  FILIN = (dir_ / "missing").string();
  EXPECT_EQ(READ_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Open Torsional vibration");
  EXPECT_NE(lib.last_message.find("missing.rtm"), std::string::npos);
  EXPECT_EQ(NMASS, 1);
  EXPECT_EQ(colour_at(50, 50), drawn);

  std::ofstream(dir_ / "empty.rtm") << "empty\n0 0 1 1\n1 6 1\n";
  FILIN = (dir_ / "empty").string();
  REASON = "Node 1 at 50.0, 50.0 mm";  // the status line of the previous model
  EXPECT_EQ(READ_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(NMASS, 0);
  EXPECT_TRUE(REASON.is_blank());
  EXPECT_TRUE(refreshed(FREQS.data()->data()) && refreshed(&IVALID));
  EXPECT_NE(colour_at(50, 50), drawn);  // the model read in is drawn
}

TEST_F(CommandsTest, SaveShowsWhyItFailed) {
  FILIN = (dir_ / "no such folder" / "x").string();
  EXPECT_EQ(SAVE_FILE(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Save Torsional vibration");
  EXPECT_NE(lib.last_message.find("could not be written"), std::string::npos);
}

TEST_F(CommandsTest, FrequenciesRefreshTheListOrShowTheRefusal) {
  put_node(1, 50, 50);
  put_stiff(1, 1, 0);
  FILIN = (dir_ / "model").string();
  EXPECT_EQ(PROG10(), 1);
  EXPECT_EQ(lib.messages, 0);
  EXPECT_EQ(IVALID, 1);
  EXPECT_TRUE(refreshed(FREQS.data()->data()) && refreshed(&IVALID));

  MASSES(1).amass = 0.0;  // refused: the message says why, IVALID is kept
  IVALID = 0;
  lib.updated.clear();
  EXPECT_EQ(PROG10(), 1);
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Calculate Frequencies");
  EXPECT_NE(lib.last_message.find("Inertia 1"), std::string::npos);
  EXPECT_EQ(IVALID, 0);
  EXPECT_TRUE(lib.updated.empty());
}

TEST_F(CommandsTest, UnitTextsAreRefreshed) {
  IUNIT_INERT = 2;
  SET_UNITS();
  EXPECT_EQ(UNITS(1).str(), "T.m^2");
  EXPECT_TRUE(refreshed(UNITS(1).data()) && refreshed(UNITS(2).data()));
}

// ---- New, Save, Title and Orders --------------------------------------------

class EverydayTest : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    results_mark_changed = nullptr;
    start_history();
  }
  // Pixels of pen 4 (inertias) within 6 pixels of a paper point.
  int red_near(float x, float y) const {
    int px, py;
    pixel_of(x, y, px, py);
    int n = 0;
    for (int dy = -6; dy <= 6; ++dy)
      for (int dx = -6; dx <= 6; ++dx) n += lib.pixel(px + dx, py + dy) == 4;
    return n;
  }
  // Presses the button `label` of window w, which runs its callback.
  static void press(const Window& w, std::string_view label) {
    for (const LayoutArg& a : w.piece(label).args) {
      if (a.kind == LayoutArg::Kind::Call) a.call();
    }
  }
  // A chain 1 - 2 - 3 - 4 - 5 along y = 100 every 30 mm, node 5 also to
  // ground; engine 1 has its two cylinders on nodes 1 and 2, engine 2 its one
  // on node 4.
  static void chain_with_engines() {
    for (int i = 1; i <= 5; ++i) put_node(i, 30.0 + 30.0 * i, 100.0, i);
    for (int i = 1; i <= 4; ++i) put_stiff(i, i, i + 1, 1.0e6 * i);
    put_stiff(5, 5, 0, 5.0e6);
    ENGS(1).ncyl = 2;
    ENGS(1).name = "Main";
    ENGS(2).ncyl = 1;
    ENGS(2).name = "Auxiliary";
    NENG = 2;
    MASSES(1).icyleng_no(1) = 1;
    MASSES(1).icyleng_no(2) = 1;
    MASSES(2).icyleng_no(1) = 1;
    MASSES(2).icyleng_no(2) = 2;
    MASSES(4).icyleng_no(1) = 2;
    MASSES(4).icyleng_no(2) = 1;
    note_model_edit();
  }
};

TEST_F(EverydayTest, NewAsksFirstThenGivesTheEmptyModelOfStartUp) {
  put_node(1, 50, 50);
  put_stiff(1, 1, 0);
  TITLE = "Old";
  ORDMAX = 12.0;
  FILIN = (dir_ / "old").string();
  PROG10();
  ASSERT_EQ(IVALID, 1);
  note_model_edit();
  NSELECT = 1;
  NODE_LIST(1) = 1;
  REASON = "Node  1";
  MTOGGLE_MOVE();
  ZOOM_IN();
  then([](const Window& w) { return w.has("Unsaved") ? 3 : 1; });  // Cancel: nothing happens
  EXPECT_EQ(new_model(), 1);
  EXPECT_EQ(NMASS, 1);
  then([](const Window&) { return 2; });  // Discard
  EXPECT_EQ(new_model(), 1);
  EXPECT_EQ(NMASS + NSTIF + NENG, 0);
  EXPECT_TRUE(TITLE.is_blank());
  EXPECT_EQ(ORDMIN, 1.0);
  EXPECT_EQ(ORDMAX, 6.0);
  EXPECT_EQ(ORDSTEP, 1.0);
  EXPECT_EQ(IVALID, 0);
  EXPECT_TRUE(FREQS(1).is_blank());
  EXPECT_EQ(NSELECT, 0);
  EXPECT_EQ(INODE_MOVE, 0) << "no command mode, as at start-up";
  EXPECT_TRUE(REASON.is_blank());
  EXPECT_TRUE(FILIN.is_blank() && model_file.is_blank());
  EXPECT_EQ(window_caption.str(), BANNER.trimmed());
  EXPECT_EQ(model_changed + can_undo + can_redo + results_outdated, 0);
  EXPECT_EQ(red_near(50, 50), 0) << "the old model is no longer drawn";
  EXPECT_EQ(VIEW_ZOOM, 1.0) << "the paper as at start-up";
  EXPECT_EQ(VIEW_X0, 0.0);
}

TEST_F(EverydayTest, SaveWritesToTheModelsFileWithoutADialog) {
  put_node(1, 50, 50);
  lib.next_file = (dir_ / "first.rtm").string();
  EXPECT_EQ(save_model(), 1);
  EXPECT_EQ(lib.file_dialogs, 1) << "no file yet: the dialog of Save Torsional vibration";
  EXPECT_TRUE(std::filesystem::exists(dir_ / "first.rtm"));
  EXPECT_EQ(model_changed, 0);
  put_node(2, 80, 50);
  note_model_edit();
  FILIN = (dir_ / "elsewhere").string();  // a failed Open may leave FILIN so
  EXPECT_EQ(save_model(), 1);
  EXPECT_EQ(lib.file_dialogs, 1);
  EXPECT_EQ(model_changed, 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "elsewhere.rtm"));
  FILIN = (dir_ / "first").string();
  NMASS = 0;
  ASSERT_EQ(READ_FILE(), 1);
  EXPECT_EQ(NMASS, 2);
}

struct OrderCase {
  double min, max, step;
  const char* refusal;  // a part of the message, "" when accepted
};

class TitleOrdersTest : public EverydayTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(TitleOrdersTest, RefusesWhatCannotBeAnalysedAndKeepsTheDialog) {
  const OrderCase c = GetParam();
  TITLE = "Before";
  note_model_edit();
  const bool refused = *c.refusal != '\0';
  then([&](const Window& w) {
    EXPECT_EQ(w.caption(), "%ca[Title and Orders]%bg[grey]%cv&");
    EXPECT_EQ(w.text("%ffTitle").substr(0, 6), "Before");
    w.set_text("%ffTitle", "Four-stroke, half orders");
    w.real("Lowest") = c.min;
    w.real("Highest") = c.max;
    w.real("Order step") = c.step;
    press(w, "tt[&OK]");
    if (refused) {
      EXPECT_EQ(lib.messages, 1);
      EXPECT_EQ(lib.last_caption, "Title and Orders");
      EXPECT_NE(lib.last_message.find(c.refusal), std::string::npos) << lib.last_message;
      EXPECT_NE(title_orders_buffers().done, 1) << "the dialog stays open";
      return 2;  // then Cancel
    }
    EXPECT_EQ(lib.messages, 0);
    EXPECT_EQ(title_orders_buffers().done, 1) << "OK closed it";
    return 0;
  });
  title_and_orders();
  if (refused) {
    EXPECT_EQ(TITLE.trimmed(), "Before");
    EXPECT_EQ(ORDMIN, 1.0);
    EXPECT_EQ(ORDMAX, 6.0);
    return;
  }
  EXPECT_EQ(TITLE.trimmed(), "Four-stroke, half orders");
  EXPECT_EQ(ORDMIN, c.min);
  EXPECT_EQ(ORDMAX, c.max);
  EXPECT_EQ(ORDSTEP, c.step);
  EXPECT_EQ(model_changed, 1);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(TITLE.trimmed(), "Before");
  EXPECT_EQ(ORDMAX, 6.0);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, TitleOrdersTest,
    ::testing::Values(OrderCase{0.5, 12.0, 0.5, ""}, OrderCase{0.5, 100.0, 0.5, ""},
                      OrderCase{3.0, 3.0, 1.0, ""}, OrderCase{1.0, 6.0, 0.0, "Order step 0"},
                      OrderCase{1.0, 6.0, -1.0, "greater than 0"},
                      OrderCase{0.0, 6.0, 1.0, "Lowest order 0"},
                      OrderCase{-1.0, 6.0, 1.0, "greater than 0"},
                      OrderCase{6.0, 1.0, 1.0, "Highest order 1 is below the lowest order 6"},
                      OrderCase{1.0, 201.0, 1.0, "more than 200 orders"},
                      OrderCase{1.0, 6.0, 1e-300, "more than 200 orders"}));

// ---- Delete and Move ----------------------------------------------------------

// Every reference of the model names something that exists.
void expect_consistent() {
  for (int i = 1; i <= NSTIF; ++i) {
    EXPECT_TRUE(is_node(STIFF(i).nodes(1))) << "stiffness " << i;
    EXPECT_TRUE(STIFF(i).nodes(2) == 0 || is_node(STIFF(i).nodes(2))) << "stiffness " << i;
    EXPECT_NE(STIFF(i).nodes(1), STIFF(i).nodes(2));
  }
  for (int i = 1; i <= NMASS; ++i) {
    const int e = MASSES(i).icyleng_no(1);
    EXPECT_TRUE(e == 0 || (e >= 1 && e <= NENG) || (IENG > 0 && e == IENG)) << "inertia " << i;
  }
  for (int k = 1; k <= NSELECT; ++k) EXPECT_TRUE(is_node(NODE_LIST(k)));
}

// The sweep, an engine's excitation and a shaft's limits are edits of the
// model: each is a step of the history and marks the model changed.
TEST_F(EverydayTest, ForcedResponseDataIsUndoneLikeAnyEdit) {
  put_node(1, 50, 100);
  put_stiff(1, 1, 0);
  NENG = 1;
  ENGS(1).ncyl = 1;
  note_model_edit();
  forced_sweep = ForcedSweep{300.0, 1500.0, 5.0, 1200.0, 0.02};
  ASSERT_TRUE(note_model_edit());
  ENGS(1).excitation.bore = 0.25;
  ASSERT_TRUE(note_model_edit());
  STIFF(1).uts = 600.0;
  ASSERT_TRUE(note_model_edit());
  STIFF(1).limit_kind = kLimitCoupling;
  ASSERT_TRUE(note_model_edit());
  NCASES = 1;
  LOAD_CASES(1).name = "idle";
  ASSERT_TRUE(note_model_edit());
  EXPECT_EQ(model_changed, 1);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(NCASES, 0);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(STIFF(1).limit_kind, kLimitNone);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(STIFF(1).uts, 0.0);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(ENGS(1).excitation.bore, 0.0);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_TRUE(forced_sweep == ForcedSweep{});
  ASSERT_TRUE(redo_model_edit());
  EXPECT_EQ(forced_sweep.n_rated, 1200.0);
}

// The transient cases (with their table points) are edits like any other;
// deleting an inertia carries the cases' inertia numbers.
TEST_F(EverydayTest, TransientCasesAreUndoneAndFollowDeletes) {
  put_node(1, 50, 100);
  put_node(2, 100, 100);
  put_node(3, 150, 100);
  note_model_edit();
  NTRANS = 2;
  TRANSIENT_CASES(1).kind = kTransientStep;
  TRANSIENT_CASES(1).inertia = 3;
  TRANSIENT_CASES(2).kind = kTransientTable;
  TRANSIENT_CASES(2).inertia = 2;
  ASSERT_TRUE(note_model_edit());
  NTRANS_POINTS = 2;
  TRANSIENT_POINTS(1) = TablePoint{0.0, 1.0};
  TRANSIENT_POINTS(2) = TablePoint{1.0, 2.0};
  TRANSIENT_CASES(2).npoint = 2;
  TRANSIENT_CASES(2).first_point = 1;
  ASSERT_TRUE(note_model_edit());
  ASSERT_GE(delete_node(2), 0);
  EXPECT_EQ(TRANSIENT_CASES(1).inertia, 2);
  EXPECT_EQ(TRANSIENT_CASES(2).inertia, 0);  // its inertia is gone: none
  ASSERT_TRUE(note_model_edit());
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(TRANSIENT_CASES(1).inertia, 3);
  EXPECT_EQ(TRANSIENT_CASES(2).inertia, 2);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(NTRANS_POINTS, 0);
  EXPECT_EQ(TRANSIENT_CASES(2).npoint, 0);
  ASSERT_TRUE(redo_model_edit());
  EXPECT_EQ(NTRANS_POINTS, 2);
  EXPECT_EQ(TRANSIENT_POINTS(2).torque, 2.0);
  EXPECT_EQ(model_changed, 1);
}

TEST_F(EverydayTest, DeleteRenumbersTheShaftsLinksAndPicks) {
  chain_with_engines();
  // The maker's limits go with their stiffness.
  STIFF(4).limit_kind = kLimitCoupling;
  STIFF(4).limit_v1 = 900.0;
  // Gear data rides with its records.
  MASSES(5).speed_ratio = 0.5;
  STIFF(4).rigid = 1;
  STIFF(5).psi = 0.8;
  ENGS(2).offset_angle = 45.0;
  note_model_edit();
  NSELECT = 2;
  NODE_LIST(1) = 5;
  NODE_LIST(2) = 3;
  MTOGGLE_DELETE();
  EXPECT_EQ(NSELECT, 0) << "choosing a mode forgets picks, as every mode does";
  NSELECT = 2;
  click(120, 100);  // inertia 3: no cylinder, no question
  note_model_edit();
  ASSERT_EQ(NMASS, 4);
  EXPECT_EQ(MASSES(3).amass, 4.0) << "inertia 4 is now 3";
  ASSERT_EQ(NSTIF, 3) << "its two shafts went with it";
  EXPECT_EQ(STIFF(1).nodes(1), 1);
  EXPECT_EQ(STIFF(1).nodes(2), 2);
  EXPECT_EQ(STIFF(2).nodes(1), 3);
  EXPECT_EQ(STIFF(2).nodes(2), 4);
  EXPECT_EQ(STIFF(2).stiff, 4.0e6);
  EXPECT_EQ(STIFF(2).limit_kind, kLimitCoupling);
  EXPECT_EQ(STIFF(2).limit_v1, 900.0);
  EXPECT_EQ(STIFF(3).nodes(1), 4);
  EXPECT_EQ(STIFF(3).nodes(2), 0);
  EXPECT_EQ(MASSES(3).icyleng_no(1), 2);
  EXPECT_EQ(NSELECT, 1);
  EXPECT_EQ(NODE_LIST(1), 4);
  EXPECT_EQ(MASSES(4).speed_ratio, 0.5);
  EXPECT_EQ(STIFF(2).rigid, 1);
  EXPECT_EQ(STIFF(3).psi, 0.8);
  EXPECT_EQ(ENGS(2).offset_angle, 45.0);
  EXPECT_NE(REASON.str().find("Deleted inertia 3 and its 2 shafts"), std::string::npos);
  expect_consistent();

  click(75, 100);  // the middle of shaft 1-2: the stiffness alone
  note_model_edit();
  EXPECT_EQ(NMASS, 4);
  ASSERT_EQ(NSTIF, 2);
  EXPECT_EQ(STIFF(1).stiff, 4.0e6);

  ASSERT_TRUE(undo_model_edit());
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(NMASS, 5);
  EXPECT_EQ(NSTIF, 5);
  EXPECT_EQ(STIFF(3).nodes(1), 3);
  EXPECT_EQ(MASSES(4).icyleng_no(1), 2);
  EXPECT_EQ(MASSES(5).speed_ratio, 0.5);
  EXPECT_EQ(STIFF(4).rigid, 1);
  EXPECT_EQ(STIFF(5).psi, 0.8);
}

TEST_F(EverydayTest, DeletingACylinderAsksAndRemovesTheWholeEngine) {
  chain_with_engines();
  // Engine 3 is being defined: its first cylinder is on node 5.
  IENG = 3;
  ICYL = 1;
  MASSES(5).icyleng_no(1) = 3;
  MASSES(5).icyleng_no(2) = 1;
  note_model_edit();
  MTOGGLE_DELETE();
  then([](const Window& w) {
    EXPECT_TRUE(w.has("carries cylinder"));
    return 2;  // Cancel
  });
  click(60, 100);
  EXPECT_EQ(NMASS, 5);
  EXPECT_EQ(NENG, 2);
  then_ok();
  click(60, 100);
  note_model_edit();
  ASSERT_EQ(NMASS, 4);
  EXPECT_EQ(NENG, 1) << "engine 1 is gone";
  EXPECT_EQ(ENGS(1).name, "Auxiliary") << "engine 2 moved down";
  EXPECT_EQ(MASSES(1).icyleng_no(1), 0) << "old inertia 2 lost its link";
  EXPECT_EQ(MASSES(1).icyleng_no(2), 0);
  EXPECT_EQ(MASSES(3).icyleng_no(1), 1) << "old inertia 4 is a cylinder of engine 1 now";
  EXPECT_EQ(IENG, 2) << "the engine being defined moved down with it";
  EXPECT_EQ(MASSES(4).icyleng_no(1), 2);
  expect_consistent();

  // The cylinder of the engine being defined: that definition ends.
  then_ok();
  click(180, 100);
  note_model_edit();
  EXPECT_EQ(NMASS, 3);
  EXPECT_EQ(IENG, 0);
  EXPECT_EQ(ICYL, 0);
  EXPECT_EQ(NENG, 1);
  expect_consistent();

  ASSERT_TRUE(undo_model_edit());
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(NMASS, 5);
  EXPECT_EQ(NENG, 2);
  EXPECT_EQ(ENGS(1).name, "Main");
  EXPECT_EQ(IENG, 3);
}

// Deleting inertias one after another in any order leaves a model whose
// every reference holds, down to the empty model.
TEST_F(EverydayTest, DeletingInAnyOrderKeepsTheModelConsistent) {
  for (int order = 0; order < 5; ++order) {
    initialise_store();
    chain_with_engines();
    NSELECT = 5;
    for (int k = 1; k <= 5; ++k) NODE_LIST(k) = k;
    for (int left = 5; left >= 1; --left) {
      const int p = 1 + (order * 3 + left) % left;
      ASSERT_GE(delete_node(p), 0);
      EXPECT_EQ(NMASS, left - 1);
      EXPECT_EQ(NSELECT, left - 1);
      expect_consistent();
    }
    EXPECT_EQ(NSTIF + NENG, 0);
  }
}

// A drag in Modify > Move: press on the inertia, moves with the button held,
// release where it goes.
class MoveTest : public EverydayTest {
 protected:
  void drag(std::initializer_list<std::pair<float, float>> path) {
    const auto from = *path.begin();
    click(from.first, from.second);
    for (const auto& p : path) mouse(p.first, p.second, 0);
    lib.mouse_released = 1;
    const auto to = *(path.end() - 1);
    mouse(to.first, to.second, 0);
    lib.mouse_released = 0;
    note_model_edit();
  }
};

TEST_F(MoveTest, DragMovesAnInertiaItsShaftsFollowAndUndoPutsItBack) {
  chain_with_engines();
  MTOGGLE_MOVE();
  drag({{90, 100}, {90, 120}, {90, 140}});
  EXPECT_EQ(MASSES(2).xy_node(1), 90.0);
  EXPECT_EQ(MASSES(2).xy_node(2), 140.0);
  EXPECT_EQ(STIFF(1).nodes(2), 2);
  EXPECT_GT(red_near(90, 140), 0) << "drawn at its new place";
  EXPECT_EQ(colour_at(75, 120), 1) << "its shaft to inertia 1 follows";
  EXPECT_EQ(red_near(90, 100), 0);
  // Onto inertia 3: refused with a message, nothing moves.
  drag({{90, 140}, {120, 140}, {120, 100}});
  EXPECT_EQ(lib.messages, 1);
  EXPECT_EQ(lib.last_caption, "Move");
  EXPECT_NE(lib.last_message.find("inertia 3"), std::string::npos) << lib.last_message;
  EXPECT_EQ(MASSES(2).xy_node(2), 140.0);
  // A press on nothing drags nothing.
  drag({{200, 160}, {200, 180}});
  EXPECT_EQ(NMASS, 5);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(MASSES(2).xy_node(2), 100.0);
}

// ---- Results of an earlier model -----------------------------------------

TEST_F(EverydayTest, ResultsAreMarkedOutOfDateAfterAnEditUntilTheNextAnalysis) {
  put_node(1, 50, 100);
  put_node(2, 100, 100);
  put_stiff(1, 1, 2);
  FILIN = (dir_ / "mark").string();
  note_model_edit();
  EXPECT_EQ(results_outdated, 0);
  PROG10();
  ASSERT_EQ(IVALID, 1);
  EXPECT_EQ(results_outdated, 0);
  IDRAW();
  const int note_ink = 0;
  auto red_top_left = [this] {
    int n = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < kWidth / 2; ++x) n += lib.pixel(x, y) == 4;
    return n;
  };
  EXPECT_EQ(red_top_left(), note_ink);

  MASSES(2).amass = 20.0;
  note_model_edit();
  EXPECT_EQ(results_outdated, 1);
  EXPECT_EQ(IVALID, 1) << "IVALID is not touched";
  EXPECT_FALSE(results_note.is_blank());
  EXPECT_TRUE(refreshed(&results_outdated));
  IDRAW();
  EXPECT_GT(red_top_left(), 0) << "a note over the drawing";

  ASSERT_TRUE(undo_model_edit());
  EXPECT_EQ(results_outdated, 0) << "back to the analysed model";
  EXPECT_TRUE(results_note.is_blank());
  ASSERT_TRUE(redo_model_edit());
  EXPECT_EQ(results_outdated, 1);
  PROG10();
  EXPECT_EQ(results_outdated, 0) << "a new analysis is of this model";

  // A deletion numbers the inertias anew: no mode shape is drawn from the
  // matrices of the analysed model until the deletion is undone.
  auto shape_ink = [this] {
    IDRAW();
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) n += lib.pixel(x, y) == 2;
    return n;
  };
  put_node(3, 150, 100);
  put_stiff(2, 2, 3);
  note_model_edit();
  PROG10();
  ASSERT_GT(shape_ink(), 0);
  ASSERT_GE(delete_node(1), 0);
  note_model_edit();
  EXPECT_EQ(shape_ink(), 0);
  ASSERT_TRUE(undo_model_edit());
  EXPECT_GT(shape_ink(), 0);
  MASSES(2).amass = 30.0;
  note_model_edit();
  ASSERT_EQ(results_outdated, 1);
  FILIN = (dir_ / "mark").string();
  SAVE_FILE();
  ASSERT_EQ(READ_FILE(), 1);
  EXPECT_EQ(results_outdated, 0) << "Open clears it";
}

}  // namespace
}  // namespace spindra::editing_test
