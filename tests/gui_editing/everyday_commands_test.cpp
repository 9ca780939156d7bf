// File > New, File > Save (Ctrl+S), Modify > Title and Orders..., Modify >
// Delete with the Delete key and Modify > Move, driven through the real main
// window as a user drives them.
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>

#include "app/model_commands.h"
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

// Closes the message box that opens next and keeps its text.
void answer_message(QString* text) {
  later([text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "no message";
    *text = box->text();
    box->close();
  });
}

TEST_F(GuiEditingTest, BuildTitleDeleteMoveSaveReadBackAndNew) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  run([&, this] {
    menu({"&Create", "&Node"});
    create_inertia(60, 100, "10", "Engine");
    create_inertia(90, 100, "20", "Flywheel");
    create_inertia(120, 100, "30", "Gearbox");
    create_inertia(150, 100, "40", "Propeller");
    menu({"&Create", "&Stiffness", "&Node to node"});
    for (float x : {60.0f, 90.0f, 120.0f}) {
      click(x, 100);
      EXPECT_TRUE(click_dialog(x + 30, 100, [this](QWidget*) {
        type(&ASTIF_IN, "1e6");
        return 1;
      }));
    }
    ASSERT_EQ(NSTIF, 3);

    // Title and Orders: a step of 0 is refused and the dialog stays open.
    TitleOrdersBuffers& b = title_orders_buffers();
    QAction* title = menu_action(main_, {"&Modify", "&Title and Orders..."});
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(with_dialog([title] { title->trigger(); },
                            [&, this](QWidget* w) {
                              EXPECT_EQ(w->windowTitle(), "Title and Orders");
                              type(b.title.data(), "Four-stroke with half orders");
                              type(&b.ordmin, "0.5");
                              type(&b.ordmax, "12");
                              type(&b.ordstep, "0");
                              QString message;
                              answer_message(&message);
                              button(w, 1)->click();
                              EXPECT_NE(message.indexOf("Order step 0"), -1)
                                  << message.toStdString();
                              EXPECT_EQ(lib->top_window(), w) << "the dialog is still open";
                              type(&b.ordstep, "0.5");
                              return 1;
                            }));
    EXPECT_EQ(TITLE.trimmed(), "Four-stroke with half orders");
    EXPECT_EQ(ORDMIN, 0.5);
    EXPECT_EQ(ORDMAX, 12.0);
    EXPECT_EQ(ORDSTEP, 0.5);

    // Ctrl+S without a file: the dialog of Save Torsional vibration.
    const QString path = dir.filePath("built.rtm");
    answer_file_dialog(path);
    key(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - built.rtm");

    // Modify > Delete: a click on inertia 2 takes its two shafts with it.
    menu({"&Modify", "&Delete"});
    EXPECT_EQ(INODE_DELETE, 1);
    EXPECT_TRUE(menu_action(main_, {"&Modify", "&Delete"})->isChecked());
    without_dialog([this] { click(90, 100); });
    ASSERT_EQ(NMASS, 3);
    EXPECT_EQ(MASSES(2).name, "Gearbox");
    ASSERT_EQ(NSTIF, 1);
    EXPECT_EQ(STIFF(1).nodes(1), 2);
    EXPECT_EQ(STIFF(1).nodes(2), 3);
    EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - built.rtm *");

    // Modify > Move: drag the Gearbox down; onto the Propeller is refused.
    menu({"&Modify", "Mo&ve"});
    EXPECT_EQ(INODE_DELETE, 0);
    go(120, 100);
    testing::mouse(region(), QEvent::MouseButtonPress, pixel_of(120, 100), Qt::LeftButton,
                   Qt::LeftButton);
    drag_to({{120, 110}, {120, 125}, {120, 130}});
    EXPECT_EQ(MASSES(2).xy_node(1), 120.0);
    EXPECT_EQ(MASSES(2).xy_node(2), 130.0);
    EXPECT_GT(pen_near(120, 130, 4), 0) << "drawn at its new place";
    QString refusal;
    answer_message(&refusal);
    testing::mouse(region(), QEvent::MouseButtonPress, pixel_of(120, 130), Qt::LeftButton,
                   Qt::LeftButton);
    drag_to({{135, 130}, {150, 130}, {150, 115}, {150, 100}});
    EXPECT_NE(refusal.indexOf("Propeller"), -1) << refusal.toStdString();
    EXPECT_EQ(MASSES(2).xy_node(2), 130.0);

    // The Delete key deletes the inertia under the pointer.
    region()->setFocus();
    go(60, 100);
    key(Qt::Key_Delete);
    ASSERT_EQ(NMASS, 2);
    EXPECT_EQ(MASSES(1).name, "Gearbox");
    key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(NMASS, 3);

    // Ctrl+S writes the file without a dialog; it reads back the same.
    without_dialog([this] { key(Qt::Key_S, Qt::ControlModifier); });
    EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - built.rtm");
    const auto saved = MASSES;
    MASSES(1).amass = 99.0;
    FILIN = path.toStdString();
    without_dialog([] { READ_FILE(); });
    EXPECT_EQ(NMASS, 3);
    EXPECT_TRUE(MASSES == saved);
    EXPECT_EQ(TITLE.trimmed(), "Four-stroke with half orders");
    EXPECT_EQ(ORDSTEP, 0.5);

    // Ctrl+N: nothing unsaved, so no question; the empty model.
    without_dialog([this] { key(Qt::Key_N, Qt::ControlModifier); });
    EXPECT_EQ(NMASS, 0);
    EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0");
    EXPECT_TRUE(FILIN.is_blank());
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test
