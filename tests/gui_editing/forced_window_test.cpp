// Calculate > Forced Damped on the real window library: the frequency
// analysis runs as for Frequencies, then the Forced Response window opens and
// draws; another item is drawn from the results in hand; a model without
// forced-response data opens the window saying what is missing.
#include "app/forced_window.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include "analysis/forced_response.h"
#include "analysis/verdict.h"
#include "app/forced_dialogs.h"
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

class ForcedWindowTest : public GuiEditingTest {
 protected:
  // The two-inertia system J1 = 10, J2 = 30 kg.m^2, k = 1e6 N.m/rad, shaft
  // damping 200 N.m.s/rad, one two-stroke cylinder on J1 whose gas torque
  // is 1000 N.m at order 6 (resonance near 581 rev/min); the shaft of 80 mm
  // has limits.  Without `data` there is no excitation and no sweep.
  // The model is named in a folder of its own, where the list file and the
  // report are written.
  void two_inertias(bool data) {
    FILIN = dir_.filePath("pair.rtm").toStdString();
    for (int n = 1; n <= 2; ++n) {
      MASSES(n) = BLANK_MASS;
      MASSES(n).xy_node(1) = n == 1 ? 80.0 : 200.0;
      MASSES(n).xy_node(2) = 105.0;
    }
    MASSES(1).amass = 10.0;
    MASSES(1).name = "Engine";
    MASSES(1).icyleng_no(1) = 1;
    MASSES(1).icyleng_no(2) = 1;
    MASSES(2).amass = 30.0;
    MASSES(2).name = "Generator";
    NMASS = 2;
    STIFF(1) = BLANK_STIFF;
    STIFF(1).nodes(1) = 1;
    STIFF(1).nodes(2) = 2;
    STIFF(1).stiff = 1.0e6;
    STIFF(1).dampin = 200.0;
    STIFF(1).diam = 0.08;
    STIFF(1).uts = 600.0;
    STIFF(1).ck = 1.0;
    NSTIF = 1;
    NENG = 1;
    ENGS(1) = ENGINE{};
    ENGS(1).ncyl = 1;
    ENGS(1).nstroke = 2;
    ENGS(1).ifirord(1) = 1;
    forced_sweep = ForcedSweep{};
    if (!data) return;
    Excitation& e = ENGS(1).excitation;
    e.bore = 0.2;
    e.stroke = 0.2;
    e.conrod = 0.4;
    e.p_rated = 10.0;
    e.nharm = 1;
    // Tn 1e5 (pi/4) bore^2 (stroke/2) = 1000 N.m
    e.harm(1) = Harmonic{6.0, 1000.0 / (1.0e5 * 3.141592653589793 / 4.0 * 0.04 * 0.1), 0.0, 0.0};
    forced_sweep = ForcedSweep{300.0, 900.0, 2.0, 900.0, 0.0};
  }
  // Closes the Forced Response window (the main window closes after the
  // script), so that the next test opens it anew.
  void close_forced_window() {
    QWidget* w = lib->top_window();
    if (w != nullptr && w != main_) w->close();
    EXPECT_FALSE(graph_window_open(3));
  }
  QTemporaryDir dir_;
  QImage image() const { return lib->region_image(display::IGRAPH_HANDLE3); }
  int count(const QImage& im, int colour) const {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += lib->pixel(display::IGRAPH_HANDLE3, x, y) == colour;
    return n;
  }
  // The region pixel of a paper point of the forced window.
  QPoint forced_pixel(float x, float y) const {
    const QImage im = image();
    return {static_cast<int>(x / 297.0f * (im.width() - 1) + 0.5f),
            static_cast<int>((1.0f - y / 210.0f) * (im.height() - 1) + 0.5f)};
  }
};

TEST_F(ForcedWindowTest, OpensAfterTheAnalysisDrawsAndShowsAnotherItemWithoutANewSolve) {
  run([this] {
    two_inertias(true);
    const int32_t runs = FORCED_RUNS;
    menu({"Ca&lculate", "Forced &Damped"});
    EXPECT_EQ(IVALID, 1) << "the frequency analysis ran as for Frequencies";
    ASSERT_TRUE(graph_window_open(3)) << "the Forced Response window is open";
    EXPECT_EQ(FORCED_RUNS, runs + 1);
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kStress, 1}))
        << "the shaft most stressed relative to tau1 is shown first";
    EXPECT_EQ(FORCED_NOTE.trimmed(), "Report: pair.frc (File > Review Report)")
        << "the file name alone: the report stands beside the model";
    // The list file viewer shows the report.
    QWidget* forced = lib->top_window();
    QAction* review = menu_action(forced, {"&File", "&Review Report"});
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(review->isEnabled());
    without_dialog([review] { review->trigger(); });
    QWidget* viewer = lib->top_window();
    ASSERT_NE(viewer, forced);
    EXPECT_EQ(viewer->windowTitle(), "Kelvo - List file viewer");
    auto* text = viewer->findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text->toPlainText().indexOf("Synthesized vibratory stress"), -1);
    viewer->close();

    // The bold synthesis, the tau1 (red) and tau2 (magenta) lines and the
    // hatching of the barred range round the resonance are drawn.
    const QImage stress = image();
    EXPECT_GT(count(stress, 0), 2000);
    EXPECT_GT(count(stress, 4), 300);
    EXPECT_GT(count(stress, 5), 150);
    EXPECT_GT(count(stress, 12), 300);
    BarredRange barred[4];
    ASSERT_EQ(forced_barred_ranges(1, barred, 4), 1);
    EXPECT_LT(barred[0].from, 581.0);
    EXPECT_GT(barred[0].to, 581.0);

    // The mouse resting on the peak of the synthesis shows speed, order and
    // value.
    const ForcedPeak peak = forced_peak(ForcedKind::kStress, 1, 0, 0.0, 1.0e9);
    const QPoint at = forced_pixel(forced_x(peak.speed), forced_y(peak.value) - 0.5f);
    testing::mouse(lib->region_widget(display::IGRAPH_HANDLE3), QEvent::MouseMove, at, Qt::NoButton,
                   Qt::NoButton);
    EXPECT_NE(FORCED_STATUS.str().find("rev/min, synthesis: "), std::string::npos)
        << FORCED_STATUS.str();
    EXPECT_NE(FORCED_STATUS.str().find("MPa (tau1"), std::string::npos) << FORCED_STATUS.str();

    // tau1 and tau2 show in full over the operating range: the axis reaches
    // the highest of them, whose pixel is magenta; the operating range is a
    // yellow bar under the speed axis, not an area under the curves.
    double from = 0.0, to = 0.0, highest = 0.0, at_speed = 0.0;
    forced_operating_range(&from, &to);
    for (int32_t s = 1; s <= forced_speed_count(); ++s) {
      double t1 = 0.0, t2 = 0.0;
      forced_shaft_limits(1, forced_speed(s), &t1, &t2);
      if (forced_speed(s) >= from && forced_speed(s) <= to && std::max(t1, t2) > highest) {
        highest = std::max(t1, t2);
        at_speed = forced_speed(s);
      }
    }
    ASSERT_GT(highest, 0.0);
    EXPECT_LE(forced_y(highest), kForcedTop);
    const QPoint tau2_top = forced_pixel(forced_x(at_speed) + 1.0f, forced_y(highest));
    bool magenta = false;
    for (int dy = -2; dy <= 2; ++dy)
      magenta = magenta || lib->pixel(display::IGRAPH_HANDLE3, tau2_top.x(), tau2_top.y() + dy) == 5;
    EXPECT_TRUE(magenta) << "tau2 at " << at_speed << " rev/min";
    const float mid = forced_x((from + to) / 2.0 + 7.0);  // between tick marks
    const QPoint bar = forced_pixel(mid, kForcedBottom - 0.5f);
    EXPECT_EQ(lib->pixel(display::IGRAPH_HANDLE3, bar.x(), bar.y()), 14);
    const QPoint above = forced_pixel(mid, (kForcedBottom + kForcedTop) / 2.0f);
    EXPECT_NE(lib->pixel(display::IGRAPH_HANDLE3, above.x(), above.y()), 14);
    // The key right of the plot: the bold synthesis first, then tau1 in red.
    const QPoint key = forced_pixel(kForcedRight + 6.0f, kForcedTop - 2.0f);
    EXPECT_EQ(lib->pixel(display::IGRAPH_HANDLE3, key.x(), key.y()), 0);
    const QPoint key_tau1 = forced_pixel(kForcedRight + 6.0f, kForcedTop - 6.0f);
    EXPECT_EQ(lib->pixel(display::IGRAPH_HANDLE3, key_tau1.x(), key_tau1.y()), 4);

    // The picture carries a title block, bottom right (5 pixels a mm).
    const QString picture = dir_.filePath("plot.png");
    std::string message;
    ASSERT_TRUE(write_forced_picture(picture.toStdString(), "", &message)) << message;
    const QImage page(picture);
    ASSERT_EQ(page.width(), 1485);
    int framed = 0;
    for (int x = 1010; x < 1465; ++x) {
      bool dark = false;
      for (int y = 1050 - 24 * 5 - 4; y <= 1050 - 24 * 5 + 4; ++y)
        dark = dark || qGray(page.pixel(x, y)) < 128;
      framed += dark;
    }
    EXPECT_GT(framed, 400) << "the top line of the title block";

    // Inertia 2 from the list, then the shaft's torque by its radio button:
    // drawn again from the results in hand.  While the inertia shows its
    // angle neither quantity button is on.
    auto* list = qobject_cast<QListWidget*>(lib->control_for(&FORCED_ITEM));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(2)->text().toStdString(), "Inertia   2  Generator");
    auto* stress_button = qobject_cast<QRadioButton*>(lib->control_for(&FORCED_SHOW_STRESS));
    auto* torque = qobject_cast<QRadioButton*>(lib->control_for(&FORCED_SHOW_TORQUE));
    ASSERT_NE(stress_button, nullptr);
    ASSERT_NE(torque, nullptr);
    EXPECT_TRUE(stress_button->isChecked());
    list->setCurrentRow(2);
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kAngle, 2}));
    EXPECT_FALSE(stress_button->isChecked());
    EXPECT_FALSE(torque->isChecked());
    const QImage angle = image();
    EXPECT_NE(angle, stress);
    EXPECT_EQ(count(angle, 4), 0) << "an inertia has no limit lines";
    list->setCurrentRow(0);
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kStress, 1}));
    EXPECT_TRUE(stress_button->isChecked());
    torque->click();
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kTorque, 1}));
    const QImage torque_image = image();
    EXPECT_NE(torque_image, stress);
    auto* power = qobject_cast<QRadioButton*>(lib->control_for(&FORCED_SHOW_POWER));
    ASSERT_NE(power, nullptr);
    power->click();
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kPower, 1}));
    EXPECT_NE(image(), torque_image);
    // The footer has the verdict on the shaft shown, the status line the
    // one on the design.
    EXPECT_EQ(FORCED_VERDICT.str().rfind("Stiffness 1: ", 0), 0u) << FORCED_VERDICT.str();
    EXPECT_EQ(FORCED_DESIGN.str().rfind("Load case Sweep: The design is ", 0), 0u)
        << FORCED_DESIGN.str();
    torque->click();
    EXPECT_EQ(FORCED_RUNS, runs + 1) << "no new solve for another item";
    // The shaft judged as a flexible coupling: its T_KW is a red line over
    // the torque (none before), in the key under the synthesis.
    const auto red_in_column = [this](double speed) {
      const QPoint top = forced_pixel(forced_x(speed), kForcedTop - 1.0f);
      const QPoint bottom = forced_pixel(forced_x(speed), kForcedBottom + 1.0f);
      int n = 0;
      for (int y = top.y(); y <= bottom.y(); ++y)
        n += lib->pixel(display::IGRAPH_HANDLE3, top.x(), y) == 4;
      return n;
    };
    EXPECT_EQ(red_in_column(350.0), 0);
    const STIFFNESS shaft = STIFF(1);
    STIFF(1).uts = 0.0;
    STIFF(1).limit_kind = kLimitCoupling;
    STIFF(1).limit_v1 = 2000.0;
    STIFF(1).limit_v2 = 500.0;
    refresh_forced_window();
    EXPECT_GT(red_in_column(350.0), 0) << "T_KW drawn";
    EXPECT_EQ(lib->pixel(display::IGRAPH_HANDLE3, key_tau1.x(), key_tau1.y()), 4);
    STIFF(1) = shaft;
    refresh_forced_window();

    // An edit of the model: the window says its results are of the model
    // before it, until Recalculate.
    MASSES(2).amass = 31.0;
    note_model_edit();
    EXPECT_NE(FORCED_NOTE.str().find("before the last edit"), std::string::npos)
        << FORCED_NOTE.str();
    QAction* recalculate = menu_action(lib->top_window(), {"Ca&lculate", "&Recalculate"});
    ASSERT_NE(recalculate, nullptr);
    without_dialog([recalculate] { recalculate->trigger(); });
    EXPECT_EQ(FORCED_RUNS, runs + 2);
    EXPECT_EQ(FORCED_NOTE.str().find("before the last edit"), std::string::npos);
    EXPECT_EQ(FORCED_PICTURE.trimmed(), dir_.filePath("pair-forced.svg").toStdString());

    // A misfire of a cylinder the engine does not have is refused in the
    // window; one it has is run.
    MISFIRE_ENGINE = 1;
    MISFIRE_CYLINDER = 2;
    without_dialog([recalculate] { recalculate->trigger(); });
    EXPECT_EQ(forced_results_valid(), 0);
    EXPECT_NE(FORCED_NOTE.str().find("cylinder 2"), std::string::npos) << FORCED_NOTE.str();
    MISFIRE_CYLINDER = 1;
    without_dialog([recalculate] { recalculate->trigger(); });
    EXPECT_EQ(forced_last_request().misfire_cylinder, 1) << FORCED_NOTE.str();
    MISFIRE_ENGINE = 0;

    // The same model opened anew (as File > Open does) shows its own worst
    // item after Forced Damped, not the one chosen before, and proposes
    // its own picture name.
    list->setCurrentRow(2);
    FILIN = dir_.filePath("again.rtm").toStdString();
    start_history();
    refresh_forced_window();
    EXPECT_EQ(FORCED_PICTURE.trimmed(), dir_.filePath("again-forced.svg").toStdString());
    menu({"Ca&lculate", "Forced &Damped"});
    EXPECT_EQ(forced_item(), (ForcedItem{ForcedKind::kStress, 1}));
    EXPECT_EQ(lib->messages(), 0);

    // A rigid gear mesh has no twist: it is not in the list, whose rows
    // still name each item by its own number, nor among the stiffnesses
    // the verdict leaves unassessed.
    MASSES(3) = MASSES(2);
    MASSES(3).speed_ratio = 2.0;
    NMASS = 3;
    STIFF(2) = STIFF(1);
    STIFF(2).nodes(1) = 2;
    STIFF(2).nodes(2) = 3;
    STIFF(2).rigid = 1;
    NSTIF = 2;
    note_model_edit();
    menu({"Ca&lculate", "Forced &Damped"});
    ASSERT_EQ(forced_results_valid(), 1) << FORCED_NOTE.str();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(1)->text().toStdString(), "Inertia   1  Engine");
    EXPECT_FALSE(choose_forced_item({ForcedKind::kTorque, 2}));
    EXPECT_EQ(default_forced_item(), (ForcedItem{ForcedKind::kStress, 1}));
    EXPECT_TRUE(judge_design().not_assessed.empty()) << "nothing to judge on a rigid mesh";
    close_forced_window();
    // The Campbell diagram opened next takes the closed window's region
    // handle; the Forced Response window opens again beside it with its own.
    menu({"Ca&lculate", "&Campbell Diagram"});
    ASSERT_TRUE(graph_window_open(2));
    menu({"Ca&lculate", "Forced &Damped"});
    EXPECT_TRUE(graph_window_open(3));
    EXPECT_TRUE(graph_window_open(2));
    EXPECT_NE(display::IGRAPH_HANDLE2, display::IGRAPH_HANDLE3);
    close_forced_window();
  });
}

TEST_F(ForcedWindowTest, ModelWithoutForcedDataOpensTheWindowSayingWhatIsMissing) {
  run([this] {
    two_inertias(false);
    menu({"Ca&lculate", "Forced &Damped"});
    EXPECT_EQ(IVALID, 1);
    ASSERT_TRUE(graph_window_open(3));
    EXPECT_EQ(forced_results_valid(), 0);
    const std::string missing = missing_forced_data();
    EXPECT_NE(missing.find("No speed sweep: enter the speed range and the rated speed (Data > "
                           "Sweep...)."),
              std::string::npos)
        << missing;
    EXPECT_NE(missing.find("No engine has excitation data"), std::string::npos) << missing;
    EXPECT_EQ(missing.find("No damping"), std::string::npos) << "the shaft is damped";
    EXPECT_EQ(FORCED_NOTE.trimmed().substr(0, 14), "No speed sweep") << FORCED_NOTE.str();
    EXPECT_GT(count(image(), 0), 500) << "the message is drawn in the window";
    // The dialogs to enter the data are at hand in the window's menu.
    QWidget* window = lib->top_window();
    EXPECT_NE(menu_action(window, {"&Data", "&Excitation..."}), nullptr);
    EXPECT_NE(menu_action(window, {"&Data", "&Limits..."}), nullptr);
    EXPECT_NE(menu_action(window, {"&Data", "&Sweep..."}), nullptr);
    // A run refused for want of a sweep; the sweep and then the excitation
    // entered: the window no longer quotes the refusal of the model before.
    two_inertias(true);
    forced_sweep = ForcedSweep{};
    note_model_edit();
    without_dialog([window] { menu_action(window, {"Ca&lculate", "&Recalculate"})->trigger(); });
    EXPECT_EQ(forced_results_valid(), 0);
    EXPECT_NE(FORCED_NOTE.str().find("No speed sweep"), std::string::npos) << FORCED_NOTE.str();
    forced_sweep = ForcedSweep{300.0, 900.0, 2.0, 900.0, 0.0};
    note_model_edit();
    refresh_forced_window();
    EXPECT_EQ(FORCED_NOTE.str().find("no speed sweep"), std::string::npos) << FORCED_NOTE.str();
    EXPECT_NE(FORCED_NOTE.str().find("press Recalculate"), std::string::npos) << FORCED_NOTE.str();
    EXPECT_EQ(lib->messages(), 0);
    close_forced_window();
  });
}

// On the real window library the Excitation dialog keeps what was typed when
// its OK closes it, although OK is not the dialog's first button.
TEST_F(ForcedWindowTest, ExcitationDialogKeepsWhatItsOkCloses) {
  two_inertias(true);
  later([] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    QLineEdit* bore = nullptr;
    for (QLineEdit* e : w->findChildren<QLineEdit*>())
      if (bore == nullptr && e->text() == "200") bore = e;  // bore, then stroke
    ASSERT_NE(bore, nullptr) << "the bore field shows 200 mm";
    bore->selectAll();
    QTest::keyClicks(bore, "250");
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text() == "&OK") b->click();
  });
  EXCITATION_DIALOG();
  EXPECT_DOUBLE_EQ(ENGS(1).excitation.bore, 0.25);
  EXPECT_EQ(ENGS(1).excitation.nharm, 1);
}

}  // namespace
}  // namespace spindra::gui_editing_test
