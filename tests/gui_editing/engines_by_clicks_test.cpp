// Engines in the real main window: the dialog with its live firing angles,
// placing cylinders, re-definition through the warning in both its forms,
// deletion with renumbering, Cancel, and the definition kept across modes.
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

class EnginesTest : public GuiEditingTest {
 protected:
  // Four inertias on a row at x = 40, 80, 120, 160, y = 100.
  void four_inertias() {
    menu({"&Create", "&Node"});
    for (int i = 1; i <= 4; ++i) create_inertia(40.0f * i, 100, QString::number(10 * i), "");
    ASSERT_EQ(NMASS, 4);
    for (int i = 1; i <= 4; ++i) ASSERT_EQ(MASSES(i).xy_node(1), 40.0 * i);
  }
  QString angle1(int c) const { return shown(FIRANG1(c).data()); }
  QString angle2(int c) const { return shown(FIRANG2(c).data()); }
  void order(std::initializer_list<int> cylinders) {
    int j = 1;
    for (int c : cylinders) type(&CRE_ENGS.ifirord(j++), QString::number(c));
  }
  // Opens the engine dialog by a right click and defines an in-line
  // four-stroke engine of `ncyl` cylinders firing in cylinder order.
  void define(int ncyl) {
    EXPECT_TRUE(click_dialog(
        20, 20,
        [=, this](QWidget*) {
          type(&CRE_ENGS.ncyl, QString::number(ncyl));
          for (int j = 1; j <= ncyl; ++j) type(&CRE_ENGS.ifirord(j), QString::number(j));
          return 1;
        },
        Qt::RightButton));
  }
  // The label of a cylinder is drawn in pen 2 just above its inertia.
  int label_pixels(int node) const {
    return pen_near(static_cast<float>(MASSES(node).xy_node(1)),
                    static_cast<float>(MASSES(node).xy_node(2)) + 4.0f, 2, 6);
  }
};

TEST_F(EnginesTest, DialogShowsFiringAnglesAndCylindersArePlaced) {
  run([this] {
    four_inertias();
    menu({"&Create", "&Engine"});
    click(40, 100);  // no engine being defined: nothing
    EXPECT_EQ(MASSES(1).icyleng_no(1), 0);

    EXPECT_TRUE(click_dialog(
        20, 20,
        [this](QWidget* w) {
          EXPECT_EQ(w->windowTitle(), "Create Engine");
          EXPECT_EQ(shown(&IENG), "1");
          auto* two = qobject_cast<QRadioButton*>(lib->control_for(&ISTRK2));
          auto* four = qobject_cast<QRadioButton*>(lib->control_for(&ISTRK4));
          auto* vee = qobject_cast<QCheckBox*>(lib->control_for(&CRE_ENGS.ivee_engine));
          if (!two || !four || !vee) {
            ADD_FAILURE() << "stroke or vee buttons missing";
            return 2;
          }
          EXPECT_TRUE(two->isChecked()) << "neither stroke set: 2 Stroke";
          EXPECT_FALSE(lib->control_for(&CRE_ENGS.vee_angle)->isEnabled());

          type(&CRE_ENGS.ncyl, "6");
          EXPECT_TRUE(lib->control_for(&CRE_ENGS.ifirord(6))->isEnabled());
          EXPECT_FALSE(lib->control_for(&CRE_ENGS.ifirord(7))->isEnabled());
          order({1, 5, 3, 6, 2, 4});
          four->click();
          EXPECT_EQ(CRE_ENGS.nstroke, 4);
          const char* bank1[] = {"  0.0", "480.0", "240.0", "600.0", "120.0", "360.0"};
          for (int c = 1; c <= 6; ++c) EXPECT_EQ(angle1(c), bank1[c - 1]) << "cylinder " << c;
          EXPECT_EQ(shown(CYLNO(6).data()), "  6");
          vee->click();
          EXPECT_TRUE(lib->control_for(&CRE_ENGS.vee_angle)->isEnabled());
          type(&CRE_ENGS.vee_angle, "60");
          const char* bank2[] = {"420.0", "180.0", "660.0", "300.0", "540.0", " 60.0"};
          for (int c = 1; c <= 6; ++c) EXPECT_EQ(angle2(c), bank2[c - 1]) << "cylinder " << c;

          // Two-stroke, 4 cylinders, 1 3 4 2.
          two->click();
          vee->click();
          type(&CRE_ENGS.ncyl, "4");
          EXPECT_FALSE(lib->control_for(&CRE_ENGS.ifirord(5))->isEnabled());
          EXPECT_EQ(CRE_ENGS.ifirord(5), 0);
          EXPECT_EQ(shown(CYLNO(5).data()), "");
          order({1, 3, 4, 2});
          const char* two_stroke[] = {"  0.0", "270.0", " 90.0", "180.0"};
          for (int c = 1; c <= 4; ++c) EXPECT_EQ(angle1(c), two_stroke[c - 1]) << "cylinder " << c;
          EXPECT_EQ(angle2(1), "");

          // The engine to place: three cylinders, four-stroke, 1 3 2.
          four->click();
          type(&CRE_ENGS.ncyl, "3");
          order({1, 3, 2});
          EXPECT_EQ(angle1(3), "240.0");
          return 1;
        },
        Qt::RightButton));
    EXPECT_EQ(IENG, 1);
    EXPECT_EQ(ICYL, 0);

    click(40, 100);
    EXPECT_EQ(ICYL, 1);
    EXPECT_GT(label_pixels(1), 5) << "label 1.1 drawn at once";
    // Leaving the mode keeps the definition.
    menu({"&Create", "&Node"});
    menu({"&Create", "&Engine"});
    EXPECT_EQ(IENG, 1);
    click(80, 100);
    EXPECT_EQ(NENG, 0);
    click(120, 100);
    EXPECT_EQ(NENG, 1);
    EXPECT_EQ(IENG, 0);
    for (int i = 1; i <= 3; ++i) {
      EXPECT_EQ(MASSES(i).icyleng_no(1), 1);
      EXPECT_EQ(MASSES(i).icyleng_no(2), i);
      EXPECT_GT(label_pixels(i), 5) << "label of cylinder " << i;
    }
    EXPECT_EQ(label_pixels(4), 0);
    EXPECT_EQ(ENGS(1).ncyl, 3);
    EXPECT_EQ(ENGS(1).nstroke, 4);
    EXPECT_EQ(ENGS(1).ifirord(2), 3);
    click(160, 100);  // complete: nothing more
    EXPECT_EQ(MASSES(4).icyleng_no(1), 0);
  });
}

TEST_F(EnginesTest, RedefineDeleteRenumberAndCancel) {
  run([this] {
    four_inertias();
    menu({"&Create", "&Engine"});
    define(2);
    click(40, 100);
    click(80, 100);
    define(1);
    click(120, 100);
    ASSERT_EQ(NENG, 2);

    // Engine 3: its first cylinder on an inertia of engine 1.
    define(1);
    EXPECT_EQ(IENG, 3);
    EXPECT_TRUE(click_dialog(40, 100, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Warning");
      EXPECT_EQ(button(w, 1)->text(), "&OK Re-define");
      return 2;  // Cancel: nothing happens
    }));
    EXPECT_EQ(NENG, 2);
    EXPECT_EQ(IENG, 3);
    EXPECT_TRUE(click_dialog(40, 100, [](QWidget*) { return 1; }));
    // Engine 1 is gone, engine 2 is now engine 1, and the new engine,
    // numbered 2, is complete with the clicked inertia as its cylinder.
    EXPECT_EQ(NENG, 2);
    EXPECT_EQ(IENG, 0);
    EXPECT_EQ(MASSES(3).icyleng_no(1), 1);
    EXPECT_EQ(MASSES(1).icyleng_no(1), 2);
    EXPECT_EQ(MASSES(1).icyleng_no(2), 1);
    EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
    EXPECT_EQ(label_pixels(2), 0) << "the deleted engine's label is gone";
    EXPECT_EQ(ENGS(1).ncyl, 1);

    // The same engine: the warning restarts the definition.
    define(2);
    click(80, 100);
    EXPECT_EQ(ICYL, 1);
    EXPECT_TRUE(click_dialog(80, 100, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Warning");
      return 1;
    }));
    EXPECT_EQ(ICYL, 0);
    EXPECT_EQ(IENG, 3);
    EXPECT_EQ(MASSES(2).icyleng_no(1), 0);
    click(160, 100);
    click(80, 100);
    EXPECT_EQ(NENG, 3);
    EXPECT_EQ(MASSES(4).icyleng_no(2), 1);
    EXPECT_EQ(MASSES(2).icyleng_no(2), 2);

    // Cancel in the engine dialog defines nothing.
    EXPECT_TRUE(click_dialog(
        20, 20,
        [this](QWidget*) {
          EXPECT_EQ(shown(&IENG), "4");
          return 2;
        },
        Qt::RightButton));
    EXPECT_EQ(IENG, 0);
    EXPECT_EQ(NENG, 3);
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test
