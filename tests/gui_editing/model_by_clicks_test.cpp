// Building a model by clicking in the real main window: inertias at snapped
// and ortho-constrained positions, the status line, shafts, a shaft to
// ground, and modifying an inertia and a stiffness in display units.
#include <QAbstractScrollArea>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/view.h"
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

TEST_F(GuiEditingTest, ThreeInertiasShaftsAndModifications) {
  run([this] {
    menu({"&Create", "&Node"});
    EXPECT_EQ(INODE_CREATE, 1);
    EXPECT_TRUE(menu_action(main_, {"&Create", "&Node"})->isChecked());

    // First click: snapped to the grid.
    EXPECT_TRUE(click_dialog(61.2f, 101.9f, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Create Inertia");
      EXPECT_EQ(shown(&NMASS), "1");
      EXPECT_EQ(shown(UNITS(1).data()), "kg.m^2");
      bool damping_unit = false;  // of the external damping, whatever the stiffness unit
      for (QLabel* l : w->findChildren<QLabel*>()) damping_unit |= l->text().contains("N.m.s/rad");
      EXPECT_TRUE(damping_unit);
      type(&AMASS_IN, "2500");
      type(&DAMPEX_IN, "0.5");
      type(dialog_buffers().create_name.data(), "Engine");
      return 1;
    }));
    ASSERT_EQ(NMASS, 1);
    EXPECT_EQ(MASSES(1).xy_node(1), 60.0);
    EXPECT_EQ(MASSES(1).xy_node(2), 100.0);
    EXPECT_EQ(MASSES(1).amass, 2500.0);
    EXPECT_EQ(MASSES(1).dampex, 0.5);
    EXPECT_EQ(MASSES(1).name, "Engine");
    EXPECT_EQ(colour_at(60, 110), 4) << "inertia symbol drawn at once";

    // Second: the pointer drifts 3 mm up while moving right; ortho keeps
    // it on the horizontal through the first node.
    move(90, 102.6f);
    EXPECT_TRUE(with_dialog([this] { press(101.2f, 102.6f); },
                            [this](QWidget*) {
                              EXPECT_EQ(shown(&NMASS), "2");
                              EXPECT_EQ(shown(&AMASS_IN), "2500")
                                  << "the last value typed is offered";
                              EXPECT_EQ(shown(dialog_buffers().create_name.data()), "Engine");
                              type(&AMASS_IN, "1500");
                              type(dialog_buffers().create_name.data(), "Flywheel");
                              return 1;
                            }));
    ASSERT_EQ(NMASS, 2);
    EXPECT_EQ(MASSES(2).xy_node(1), 100.0);
    EXPECT_EQ(MASSES(2).xy_node(2), 100.0);

    // Status line in kg.m^2 for the node under the pointer.
    go(61, 99);
    EXPECT_EQ(REASON.trimmed(), "Node  1 Inertia= 2500.00     kg.m^2       Engine");
    EXPECT_EQ(shown(REASON.data()).trimmed().toStdString(), REASON.trimmed());

    // Cancel: the same number is offered next.
    EXPECT_TRUE(click_dialog(140, 100, [this](QWidget*) {
      EXPECT_EQ(shown(&NMASS), "3");
      return 2;
    }));
    EXPECT_EQ(NMASS, 2);
    // Third, switching to T.m^2 inside the dialog.
    EXPECT_TRUE(click_dialog(140, 100, [this](QWidget* w) {
      EXPECT_EQ(shown(&NMASS), "3");
      EXPECT_EQ(shown(&AMASS_IN), "1500");
      EXPECT_TRUE(with_dialog([w] { button(w, 3)->click(); },
                              [this](QWidget* u) {
                                EXPECT_EQ(u->windowTitle(), "Select Inertia Units");
                                auto* t = qobject_cast<QRadioButton*>(
                                    lib->control_for(&dialog_buffers().unit2));
                                if (t) t->click();
                                return 1;
                              }));
      EXPECT_EQ(shown(&AMASS_IN), "1.5");
      EXPECT_EQ(shown(UNITS(1).data()), "T.m^2");
      type(&AMASS_IN, "0.5");
      type(dialog_buffers().create_name.data(), "Pump");
      return 1;
    }));
    ASSERT_EQ(NMASS, 3);
    EXPECT_EQ(MASSES(3).amass, 500.0);
    EXPECT_EQ(IUNIT_INERT, 2);

    // Status line in T.m^2 ...
    go(139, 101);
    EXPECT_EQ(REASON.trimmed(), "Node  3 Inertia=0.500000     T.m^2        Pump");
    EXPECT_EQ(shown(REASON.data()).trimmed().toStdString(), REASON.trimmed());
    go(100, 100);
    EXPECT_EQ(REASON.trimmed(), "Node  2 Inertia= 1.50000     T.m^2        Flywheel");
    go(100, 150);  // away from every node: the text stays
    EXPECT_EQ(REASON.trimmed(), "Node  2 Inertia= 1.50000     T.m^2        Flywheel");

    // Shafts node to node.
    menu({"&Create", "&Stiffness", "&Node to node"});
    EXPECT_EQ(INODE_CREATE, 0);
    click(60, 100);
    EXPECT_EQ(NSELECT, 1);
    EXPECT_GT(pen_near(60, 100, 2), 20) << "picked node highlighted";
    EXPECT_TRUE(click_dialog(100, 100, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Create Stiffness");
      EXPECT_EQ(shown(&NSTIF), "1");
      type(&ASTIF_IN, "1000000");
      type(&DAMPIN_IN, "2");
      type(&DIA_IN, "40");
      type(&dialog_buffers().create_bore, "20");
      return 1;
    }));
    ASSERT_EQ(NSTIF, 1);
    EXPECT_EQ(STIFF(1).stiff, 1.0e6);
    EXPECT_DOUBLE_EQ(STIFF(1).diam, 0.04);
    EXPECT_DOUBLE_EQ(STIFF(1).bore, 0.02);
    EXPECT_EQ(pen_near(60, 100, 2), 0) << "highlights removed";
    EXPECT_EQ(colour_at(80, 100), 1) << "shaft drawn";

    // Cancel forgets the picks.
    click(100, 100);
    EXPECT_TRUE(click_dialog(140, 100, [](QWidget*) { return 2; }));
    EXPECT_EQ(NSTIF, 1);
    EXPECT_EQ(NSELECT, 0);
    EXPECT_EQ(pen_near(100, 100, 2) + pen_near(140, 100, 2), 0);
    click(100, 100);
    EXPECT_TRUE(click_dialog(140, 100, [this](QWidget*) {
      EXPECT_EQ(shown(&NSTIF), "2");
      type(&ASTIF_IN, "2000000");
      return 1;
    }));
    ASSERT_EQ(NSTIF, 2);
    EXPECT_EQ(STIFF(2).nodes(1), 2);
    EXPECT_EQ(STIFF(2).nodes(2), 3);

    // A shaft to ground.
    menu({"&Create", "&Stiffness", "Node to &ground"});
    EXPECT_TRUE(click_dialog(140, 100, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Create Stiffness to ground");
      EXPECT_EQ(shown(&dialog_buffers().create_bore_ground), "0");
      type(&ASTIF_IN, "500000");
      type(&DIA_IN, "60");
      return 1;
    }));
    ASSERT_EQ(NSTIF, 3);
    EXPECT_EQ(STIFF(3).nodes(1), 3);
    EXPECT_EQ(STIFF(3).nodes(2), 0);
    EXPECT_EQ(colour_at(135, 85), 1) << "ground line to (135, 85)";

    // Modify an inertia: shown in T.m^2, stored in kg.m^2.
    menu({"&Modify", "&Node"});
    EXPECT_TRUE(click_dialog(
        100, 100,
        [this](QWidget* w) {
          EXPECT_EQ(w->windowTitle(), "Modify Inertia");
          EXPECT_EQ(shown(&dialog_buffers().inertia_number), "2");
          EXPECT_EQ(shown(&AMASS_MOD), "1.5");
          EXPECT_EQ(shown(dialog_buffers().modify_name.data()), "Flywheel");
          type(&AMASS_MOD, "1.8");
          return 1;
        },
        Qt::RightButton));
    EXPECT_EQ(MASSES(2).amass, 1800.0);

    // Modify a stiffness at its middle, switching to MN.m/rad.
    const int line_only = pen_near(80, 100, 1, 2);
    menu({"&Modify", "&Stiffness"});
    EXPECT_EQ(ISTIF_MODIFY, 1);
    EXPECT_GT(pen_near(80, 100, 1, 2), line_only) << "hit square at the middle";
    EXPECT_TRUE(click_dialog(80, 100, [this](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Modify Stiffness");
      EXPECT_EQ(shown(&dialog_buffers().stiffness_number), "1");
      EXPECT_EQ(shown(&ASTIF_MOD), "1000000");
      EXPECT_EQ(shown(&DIA_MOD), "40");
      EXPECT_EQ(shown(&dialog_buffers().modify_bore), "20");
      EXPECT_TRUE(with_dialog([w] { button(w, 3)->click(); },
                              [this](QWidget* u) {
                                EXPECT_EQ(u->windowTitle(), "Select Stiffness Units");
                                auto* mn = qobject_cast<QRadioButton*>(
                                    lib->control_for(&dialog_buffers().unit2));
                                if (mn) mn->click();
                                return 1;
                              }));
      EXPECT_EQ(shown(&ASTIF_MOD), "1");
      type(&ASTIF_MOD, "1.25");
      return 1;
    }));
    EXPECT_EQ(STIFF(1).stiff, 1250000.0);
    EXPECT_DOUBLE_EQ(STIFF(1).diam, 0.04);
    EXPECT_DOUBLE_EQ(STIFF(1).bore, 0.02);
    EXPECT_EQ(STIFF(1).nodes(1), 1);
    EXPECT_EQ(STIFF(1).nodes(2), 2);
    EXPECT_EQ(IUNIT_STIFF, 2);
  });
}

// A press, a drag with the button held and a release act as the one click
// of the press, whatever the pointer crosses on the way.
TEST_F(GuiEditingTest, ADragWithTheButtonHeldIsOneClick) {
  run([this] {
    AMASS_IN = 10.0;  // values that OK takes
    ASTIF_IN = 1.0e6;
    menu({"&Create", "&Node"});
    for (float x : {60.0f, 100.0f, 140.0f}) {
      go(x, 100);
      EXPECT_TRUE(with_dialog(
          [=, this] {
            testing::mouse(region(), QEvent::MouseButtonPress, pixel_of(x, 100), Qt::LeftButton,
                           Qt::LeftButton);
          },
          [](QWidget*) { return 1; }));
      without_dialog([=, this] { drag_to({{x + 10, 100}, {x + 20, 100}, {x + 30, 120}}); });
    }
    ASSERT_EQ(NMASS, 3);

    // Pressed on node 1 and dragged over nodes 2 and 3: node 1 alone is
    // picked; a click on node 2 then joins the two.
    menu({"&Create", "&Stiffness", "&Node to node"});
    go(60, 100);
    testing::mouse(region(), QEvent::MouseButtonPress, pixel_of(60, 100), Qt::LeftButton,
                   Qt::LeftButton);
    without_dialog([this] { drag_to({{100, 100}, {140, 100}}); });
    EXPECT_EQ(NSELECT, 1);
    EXPECT_TRUE(click_dialog(100, 100, [](QWidget*) { return 1; }));
    ASSERT_EQ(NSTIF, 1);
    EXPECT_EQ(STIFF(1).nodes(1), 1);
    EXPECT_EQ(STIFF(1).nodes(2), 2);
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test

namespace spindra::gui_editing_test {
namespace {

// In a window smaller than the region, scroll bars reach all of it and a
// click far in its corner still lands on its own paper position.
TEST_F(GuiEditingTest, SmallWindowScrollsTheWholeRegion) {
  run([this] {
    auto* area = qobject_cast<QAbstractScrollArea*>(region()->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    main_->resize(320, 240);
    QApplication::processEvents();
    ASSERT_TRUE(area->horizontalScrollBar()->isVisible());
    ASSERT_TRUE(area->verticalScrollBar()->isVisible());
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    const QPoint corner = region()->mapTo(area->viewport(), pixel_of(290, 5));
    EXPECT_TRUE(area->viewport()->rect().contains(corner)) << "the far corner is in view";
    menu({"&Create", "&Node"});
    create_inertia(290, 5, "1.0", "Corner");
    ASSERT_EQ(NMASS, 1);
    EXPECT_EQ(MASSES(1).xy_node(1), 290.0);
    EXPECT_EQ(MASSES(1).xy_node(2), 5.0);
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test

namespace spindra::gui_editing_test {
namespace {

// A model longer than the paper, zoomed: the scroll bars pan over all of it,
// the control key with the wheel zooms about the pointer, and a click still
// picks the inertia under it.
TEST_F(GuiEditingTest, ZoomedViewPansZoomsAndPicks) {
  run([this] {
    for (int i = 1; i <= 40; ++i) {
      NODE& n = MASSES(i);
      n = BLANK_MASS;
      n.xy_node(1) = 20.0 * i;
      n.xy_node(2) = 105.0;
      n.amass = 1.0;
      n.name = "N" + std::to_string(i);
    }
    NMASS = 40;
    key(Qt::Key_0, Qt::ControlModifier);  // View > Fit Model
    const double fitted = VIEW_ZOOM;
    EXPECT_LT(fitted, 0.5);
    // The keys of Zoom In and Zoom Out.
    key(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(VIEW_ZOOM, 2 * fitted);
    key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(VIEW_ZOOM, 4 * fitted);
    key(Qt::Key_Minus, Qt::ControlModifier);
    key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(VIEW_ZOOM, fitted);
    menu({"&View", "&Fit Model"});
    auto* area = qobject_cast<QAbstractScrollArea*>(region()->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    QScrollBar* h = area->horizontalScrollBar();
    // Where a user point is in the region, through the view.
    const auto at = [](double x, double y) {
      float xp = 0.0f, yp = 0.0f;
      GIVE_PAPER(static_cast<float>(x), static_cast<float>(y), xp, yp);
      int32_t ix = 0, iy = 0;
      CURGSL(xp, yp, ix, iy);
      return QPoint(ix, display::IVSIZE - iy);
    };

    // Two steps of the wheel away from the user over node 20: twice the zoom,
    // node 20 stays under the pointer, and the scroll bar stands in the middle.
    const QPoint p20 = at(400, 105);
    QWheelEvent wheel(p20, region()->mapToGlobal(p20), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(region(), &wheel);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(VIEW_ZOOM, 2 * fitted);
    EXPECT_LE((at(400, 105) - p20).manhattanLength(), 2);  // rounding, doubled
    ASSERT_GT(h->maximum(), 0);
    EXPECT_GT(h->value(), h->maximum() / 4);
    EXPECT_LT(h->value(), h->maximum() * 3 / 4);

    // A press in the scroll bar's groove pages back to the start of the
    // picture: the paper's left edge.
    QTest::mousePress(h, Qt::LeftButton, {}, QPoint(30, h->height() / 2));
    QTest::qWait(600);
    QTest::mouseRelease(h, Qt::LeftButton, {}, QPoint(30, h->height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(h->value(), 0);
    EXPECT_NEAR(VIEW_X0, 0.0, 0.5);
    // The scroll bar to its end shows the last inertia, by the right edge.
    h->setValue(h->maximum());
    QApplication::processEvents();
    const QPoint p40 = at(800, 105);
    EXPECT_GT(p40.x(), region()->width() * 3 / 4);
    EXPECT_LT(p40.x(), region()->width());
    int drawn = 0;  // the inertia's bar above the node
    for (int dy = 1; dy <= 8; ++dy)
      drawn += lib->pixel(display::IGRAPH_HANDLE1, p40.x(), p40.y() - dy) == 4;
    EXPECT_GT(drawn, 4);

    // A click on it in Modify > Node opens its dialog.
    menu({"&Modify", "&Node"});
    QString name;
    testing::mouse(region(), QEvent::MouseMove, p40, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(with_dialog(
        [&] {
          testing::mouse(region(), QEvent::MouseButtonPress, p40, Qt::LeftButton,
                         Qt::LeftButton);
        },
        [&](QWidget*) {
          name = QString::fromStdString(std::string(dialog_buffers().modify_name.trimmed()));
          return 2;
        }));
    EXPECT_EQ(name, "N40");
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test
