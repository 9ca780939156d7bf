// Calculate > Transient... on the real window library: the frequency
// analysis runs, the Transient window opens on the chosen case and draws
// its curve and peak; another case runs from the case list; a model
// without cases opens the window saying so.
#include "app/transient_window.h"

#include <QListWidget>
#include <QTemporaryDir>

#include "analysis/transient.h"
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

class TransientWindowTest : public GuiEditingTest {
 protected:
  // J1 = 10 and J2 = 30 kg.m^2 on a damped shaft of 80 mm with limits, the
  // first inertia held by a shaft to ground; with `cases` a torque step and
  // a short circuit on J2.
  void model(bool cases) {
    FILIN = dir_.filePath("pair.rtm").toStdString();
    for (int n = 1; n <= 2; ++n) {
      MASSES(n) = BLANK_MASS;
      MASSES(n).xy_node(1) = n == 1 ? 80.0 : 200.0;
      MASSES(n).xy_node(2) = 105.0;
      MASSES(n).amass = n == 1 ? 10.0 : 30.0;
    }
    NMASS = 2;
    for (int s = 1; s <= 2; ++s) {
      STIFF(s) = BLANK_STIFF;
      STIFF(s).nodes(1) = s;
      STIFF(s).nodes(2) = s == 1 ? 2 : 0;
      STIFF(s).stiff = 1.0e6;
      STIFF(s).dampin = 200.0;
    }
    STIFF(1).diam = 0.08;
    STIFF(1).uts = 600.0;
    STIFF(1).ck = 1.0;
    NSTIF = 2;
    NENG = 0;
    forced_sweep = ForcedSweep{300.0, 900.0, 2.0, 900.0, 0.0};
    NTRANS = 0;
    if (!cases) return;
    NTRANS = 2;
    TRANSIENT_CASES(1) = TransientCase{};
    TRANSIENT_CASES(1).kind = kTransientStep;
    TRANSIENT_CASES(1).name = "Load";
    TRANSIENT_CASES(1).duration = 0.5;
    TRANSIENT_CASES(1).inertia = 2;
    TRANSIENT_CASES(1).torque0 = 5000.0;
    TransientCase& c = TRANSIENT_CASES(2);
    c = TransientCase{};
    c.kind = kTransientShortCircuit2;
    c.name = "Fault";
    c.duration = 0.3;
    c.inertia = 2;
    c.t_n = 2000.0;
    c.f_line = 50.0;
    c.xd2 = 0.12;
    c.xd1 = 0.25;
    c.xd = 2.0;
    c.td2 = 0.03;
    c.td1 = 0.5;
    c.ta = 0.1;
  }
  void close_window() {
    QWidget* w = lib->top_window();
    if (w != nullptr && w != main_) w->close();
    EXPECT_FALSE(graph_window_open(4));
  }
  int count(int colour) const {
    const QImage im = lib->region_image(display::IGRAPH_HANDLE4);
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += lib->pixel(display::IGRAPH_HANDLE4, x, y) == colour;
    return n;
  }
  QTemporaryDir dir_;
};

TEST_F(TransientWindowTest, RunsTheChosenCaseAndDrawsItsCurveAndPeak) {
  run([this] {
    model(true);
    menu({"Ca&lculate", "&Transient..."});
    EXPECT_EQ(IVALID, 1) << "the frequency analysis ran as for Frequencies";
    ASSERT_TRUE(graph_window_open(4));
    EXPECT_EQ(transient_info().case_number, 1);
    EXPECT_EQ(transient_item(), (TransientItem{ForcedKind::kStress, 1}))
        << "the shaft with limits is shown first";
    EXPECT_EQ(TRANSIENT_NOTE.trimmed(), "Report: " + dir_.filePath("pair.trn").toStdString());
    EXPECT_GT(count(1), 300) << "the curve";
    EXPECT_GT(count(4), 20) << "the peak mark and the tau1 line";
    // The second case from the list runs it.
    auto* cases = qobject_cast<QListWidget*>(lib->control_for(&TRANSIENT_CASE_PICK));
    ASSERT_NE(cases, nullptr);
    cases->setCurrentRow(1);
    EXPECT_EQ(transient_info().case_number, 2);
    EXPECT_EQ(transient_info().data.kind, kTransientShortCircuit2);
    // An edit marks the results as of the model before it.
    MASSES(2).amass = 31.0;
    note_model_edit();
    EXPECT_NE(TRANSIENT_NOTE.str().find("before the last edit"), std::string::npos)
        << TRANSIENT_NOTE.str();
    EXPECT_EQ(lib->messages(), 0);
    close_window();
  });
}

TEST_F(TransientWindowTest, ModelWithoutCasesOpensTheWindowSayingSo) {
  run([this] {
    model(false);
    menu({"Ca&lculate", "&Transient..."});
    ASSERT_TRUE(graph_window_open(4));
    EXPECT_EQ(transient_results_valid(), 0);
    EXPECT_EQ(TRANSIENT_NOTE.trimmed(),
              "The model has no transient case: enter one (Data > Transient Cases...).");
    EXPECT_GT(count(0), 500) << "the statement is drawn in the window";
    EXPECT_NE(menu_action(lib->top_window(), {"&Data", "Transient &Cases..."}), nullptr);
    EXPECT_EQ(lib->messages(), 0);
    close_window();
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test
