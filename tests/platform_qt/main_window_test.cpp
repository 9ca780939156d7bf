// The main window layout with stand-in callbacks, the list file viewer and
// the standard file actions.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

// What the program's mode toggles do: flip one flag, clear the others and
// refresh all eight.
void toggle_mode(Vars& v, int k) {
  const int32_t now = 1 - v.modes[k];
  for (int j = 0; j < 8; ++j) v.modes[j] = 0;
  v.modes[k] = now;
  for (int j = 0; j < 8; ++j) WINDOW_UPDATE(v.modes[j]);
}

TEST_F(QtLibraryTest, MainWindowMenusFieldsListAndStatusLine) {
  Vars v;
  hooks()["toggle_node"] = [&v] { toggle_mode(v, 0); };
  hooks()["toggle_stif_ground"] = [&v] { toggle_mode(v, 2); };
  hooks()["mtoggle_stif"] = [&v] { toggle_mode(v, 5); };
  bool checked = false;
  later([&, this] {
    QWidget* w = top();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Harbrook - Kelvo Version 1.0");
    EXPECT_EQ(call_log(), std::vector<std::string>{"draw"});  // the start-up callback
    EXPECT_NE(v.graph_handle, 0);
    EXPECT_EQ(lib->selected_region(), v.graph_handle);

    // Check items: the mark follows the flag the callback sets.
    QAction* node = menu_action(w, {"&Create", "&Node"});
    QAction* ground = menu_action(w, {"&Create", "&Stiffness", "Node to &ground"});
    QAction* mstif = menu_action(w, {"&Modify", "&Stiffness"});
    ASSERT_TRUE(node && ground && mstif);
    EXPECT_TRUE(node->isCheckable());
    EXPECT_FALSE(node->isChecked());
    node->trigger();
    EXPECT_EQ(v.modes[0], 1);
    EXPECT_TRUE(node->isChecked());
    ground->trigger();
    EXPECT_FALSE(node->isChecked());
    EXPECT_TRUE(ground->isChecked());
    ground->trigger();
    EXPECT_FALSE(ground->isChecked());  // chosen again: no mode
    EXPECT_EQ(v.modes[2], 0);
    call_log().clear();
    mstif->trigger();
    EXPECT_EQ(call_log(), (std::vector<std::string>{"mtoggle_stif", "draw"}));
    EXPECT_TRUE(mstif->isChecked());

    // The greyable item follows its flag.
    QAction* review = menu_action(w, {"&File", "&Review List file"});
    ASSERT_NE(review, nullptr);
    EXPECT_FALSE(review->isEnabled());
    v.ivalid = 1;
    WINDOW_UPDATE(v.ivalid);
    EXPECT_TRUE(review->isEnabled());
    call_log().clear();
    review->trigger();
    EXPECT_EQ(call_log(), std::vector<std::string>{"review"});

    // File menu order: Open, Save, separator, Review, separator, Exit.
    QList<QAction*> file = menu_action(w, {"&File"})->menu()->actions();
    ASSERT_EQ(file.size(), 6);
    EXPECT_EQ(file[0]->text(), "&Open Torsional vibration");
    EXPECT_EQ(file[1]->text(), "&Save Torsional vibration");
    EXPECT_TRUE(file[2]->isSeparator());
    EXPECT_TRUE(file[4]->isSeparator());
    EXPECT_EQ(file[5]->text(), "E&xit");

    call_log().clear();
    menu_action(w, {"Ca&lculate", "Forced &Damped"})->trigger();
    menu_action(w, {"&Draw"})->trigger();
    menu_action(w, {"&About"})->trigger();
    EXPECT_EQ(call_log(), (std::vector<std::string>{"analyse", "draw", "draw", "about"}));

    // Mode Scale takes its value when Enter is pressed or it loses the focus.
    auto* scale = qobject_cast<QLineEdit*>(lib->control_for(&v.scale_mode));
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->text(), "1");
    call_log().clear();
    replace_text(scale, "2.5");
    EXPECT_DOUBLE_EQ(v.scale_mode, 1.0);
    EXPECT_TRUE(call_log().empty());
    press_key(scale, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(v.scale_mode, 2.5);
    EXPECT_EQ(call_log(), std::vector<std::string>{"draw"});
    replace_text(scale, "0");
    lose_focus(scale);
    EXPECT_DOUBLE_EQ(v.scale_mode, 0.0);
    // A menu command takes a value still being edited first.
    replace_text(scale, "1.5");
    call_log().clear();
    menu_action(w, {"&Draw"})->trigger();
    EXPECT_DOUBLE_EQ(v.scale_mode, 1.5);
    EXPECT_EQ(call_log(), (std::vector<std::string>{"draw", "draw"}));
    v.scale_mode = 3.0;
    WINDOW_UPDATE(v.scale_mode);
    EXPECT_EQ(scale->text(), "3");

    // The frequency list shows the entries up to the last one filled in.
    auto* list = qobject_cast<QListWidget*>(lib->control_for(v.freqs.data()->data()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    v.freqs(1) = "  1234.5";
    v.freqs(2) = "  5678.9";
    v.freqs(3) = " 12000.0";
    v.icurrent_freq = 1;
    WINDOW_UPDATE(v.freqs);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), " 12000.0");
    EXPECT_EQ(list->currentRow(), 0);
    call_log().clear();
    list->setCurrentRow(2);  // as a click on the third entry
    EXPECT_EQ(v.icurrent_freq, 3);
    EXPECT_EQ(call_log(), std::vector<std::string>{"draw"});
    v.icurrent_freq = 2;
    WINDOW_UPDATE(v.icurrent_freq);
    EXPECT_EQ(list->currentRow(), 1);

    // The status line.
    auto* status = qobject_cast<QLineEdit*>(lib->control_for(v.reason.data()));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isReadOnly());
    v.reason = "Node 3 at 120.0, 85.0 mm";
    WINDOW_UPDATE(v.reason);
    EXPECT_EQ(status->text(), "Node 3 at 120.0, 85.0 mm");

    // Layout: the column of the mode scale and list to the right of the
    // region, the status line below it.
    QWidget* region = lib->region_widget(v.graph_handle);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region->size(), QSize(320, 200));
    auto at = [w](QWidget* x) { return x->mapTo(w, QPoint(0, 0)); };
    EXPECT_GE(at(scale).x(), at(region).x() + region->width());
    EXPECT_GE(at(list).x(), at(region).x() + region->width());
    EXPECT_GT(at(list).y(), at(scale).y());
    EXPECT_GE(at(status).y(), at(region).y() + region->height());
    checked = true;
    menu_action(w, {"&File", "E&xit"})->trigger();
  });
  EXPECT_EQ(build(*lib, main_window(v)), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(v.window_control, 0);  // was -1 while open
}

TEST_F(QtLibraryTest, MainWindowClosedByItsFrame) {
  Vars v;
  later([this] { top()->close(); });
  EXPECT_EQ(build(*lib, main_window(v)), 0);
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(lib->region_widget(v.graph_handle), nullptr);
}

TEST_F(QtLibraryTest, RefreshOfTheCaptionAndTheControlVariable) {
  Vars v;
  later([this, &v] {
    v.banner = "Spindra - model.rtm";
    WINDOW_UPDATE(v.banner);
    EXPECT_EQ(top()->windowTitle(), "Spindra - model.rtm");
    v.window_control = 1;  // the program closes the window
    WINDOW_UPDATE(v.window_control);
  });
  EXPECT_EQ(build(*lib, main_window(v)), 0);
  EXPECT_EQ(top(), nullptr);
}

// The type a file dialog's list gives `path`, once it has looked.
QString listed_type(QFileDialog* fd, const QString& path) {
  auto* files = fd->findChild<QFileSystemModel*>();
  if (!files) return "<no list>";
  fd->setDirectory(QFileInfo(path).path());
  QElapsedTimer waited;
  waited.start();
  QString type;
  while (type.isEmpty() && waited.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    type = files->type(files->index(path));
  }
  return type;
}

// The file dialogs: the chosen path reaches the bound name, then the
// callback runs; a cancelled dialog runs nothing.  The dialog names file
// types from their names, never from their contents.
TEST_F(QtLibraryTest, OpenAndSaveFileActions) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString model = dir.filePath("shaft.rtm");
  {
    QFile f(model);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("title\n");
  }
  const QString notes = dir.filePath("notes.rtm");
  {
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  }
  const QString long_dir = dir.filePath(QString(140, QLatin1Char('d')));
  ASSERT_TRUE(QDir().mkpath(long_dir));
  Vars v;
  std::vector<std::string> steps;
  auto choose = [&](const QString& path, bool accept) {
    later([&steps, &notes, path, accept] {
      auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(fd, nullptr);
      EXPECT_TRUE(fd->nameFilters().contains("Torsional Vibration files (*.rtm)"));
      steps.push_back(fd->acceptMode() == QFileDialog::AcceptOpen ? "open" : "save");
      if (steps.size() == 1) {
        const QString type = listed_type(fd, notes);
        EXPECT_FALSE(type.isEmpty());
        EXPECT_FALSE(type.contains("PDF")) << "the dialog read the file: " << type.toStdString();
      }
      if (accept) {
        fd->selectFile(path);
        static_cast<QDialog*>(fd)->accept();
      } else {
        fd->reject();
      }
    });
  };
  later([&, this] {
    QWidget* w = top();
    call_log().clear();
    choose(model, false);
    menu_action(w, {"&File", "&Open Torsional vibration"})->trigger();
    EXPECT_TRUE(call_log().empty()) << "a cancelled dialog ran the callback";
    EXPECT_TRUE(v.filin.is_blank());

    choose(model, true);
    menu_action(w, {"&File", "&Open Torsional vibration"})->trigger();
    EXPECT_EQ(call_log(), std::vector<std::string>{"read_file"});
    EXPECT_EQ(v.filin.str(), model.toStdString());

    call_log().clear();
    const QString saved = dir.filePath("copy.rtm");
    choose(saved, true);
    menu_action(w, {"&File", "&Save Torsional vibration"})->trigger();
    EXPECT_EQ(call_log(), std::vector<std::string>{"save_file"});
    EXPECT_EQ(v.filin.str(), saved.toStdString());

    // A path longer than the name variable is refused with a message.
    call_log().clear();
    choose(long_dir + "/x.rtm", true);
    later([] {});  // (the message box comes after the file dialog)
    QTimer::singleShot(50, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    menu_action(w, {"&File", "&Save Torsional vibration"})->trigger();
    EXPECT_TRUE(call_log().empty());
    EXPECT_EQ(v.filin.str(), saved.toStdString());
    EXPECT_EQ(lib->messages(), 1);
    EXPECT_NE(lib->last_message().find("longer than 130"), std::string::npos);
    w->close();
  });
  build(*lib, main_window(v));
  EXPECT_EQ(steps, (std::vector<std::string>{"open", "open", "save", "save"}));
}

TEST_F(QtLibraryTest, ListViewerShowsTheFileAndClosesByExitOrEscape) {
  QTemporaryDir dir;
  const QString path = dir.filePath("shaft.lis");
  const std::string wide = std::string(131, '-') + "|";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("FREQUENCY TABLE\n" + wide + "\n").c_str());
  }
  const std::string p = path.toStdString();
  later([this] {
    QWidget* w = top();
    EXPECT_EQ(w->windowTitle(), "Kelvo - List file viewer");
    auto* box = w->findChild<QPlainTextEdit*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);  // 132 columns scroll
    EXPECT_TRUE(QFontInfo(box->font()).fixedPitch());
    EXPECT_TRUE(box->toPlainText().startsWith("FREQUENCY TABLE\n"));
    EXPECT_TRUE(box->toPlainText().contains(QString(131, QLatin1Char('-')) + "|"));
    // 126 characters and 30 lines show at the start, and the box fills the
    // window as it is resized.
    const int column = QFontMetrics(box->font()).horizontalAdvance(QLatin1Char('0'));
    const auto fills = [w, box] {
      QApplication::processEvents();
      return w->width() - box->width() <= 8 && w->height() - box->y() - box->height() <= 8;
    };
    const int margin = static_cast<int>(box->document()->documentMargin());
    EXPECT_GE(box->viewport()->width() - 2 * margin, 126 * column);
    EXPECT_GE(box->viewport()->height() - 2 * margin, 30 * QFontMetrics(box->font()).lineSpacing());
    EXPECT_TRUE(fills()) << box->width() << " of " << w->width();
    w->resize(w->width() + 300, w->height() + 100);
    EXPECT_TRUE(fills()) << box->width() << " of " << w->width();
    menu_action(w, {"E&xit"})->trigger();
  });
  EXPECT_EQ(build(*lib, list_viewer(p)), 0);
  EXPECT_EQ(top(), nullptr);

  later([this] { press_key(top(), Qt::Key_Escape); });
  build(*lib, list_viewer(p));
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(lib->messages(), 0);
}

TEST_F(QtLibraryTest, ListViewerOfAMissingFileSaysSo) {
  QTemporaryDir dir;
  const std::string missing = dir.filePath("gone.lis").toStdString();
  later([] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("gone.lis"));
    box->accept();
  });
  later([this] {
    ASSERT_NE(top(), nullptr);
    top()->close();
  });
  build(*lib, list_viewer(missing));
  EXPECT_EQ(lib->messages(), 1);
  EXPECT_NE(lib->last_message().find("cannot be read"), std::string::npos);
}

// Opened from a callback of a running window, the viewer does not block.
TEST_F(QtLibraryTest, ViewerFromACallbackReturnsAtOnce) {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.lis");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("report\n");
  }
  const std::string p = path.toStdString();
  Vars v;
  v.ivalid = 1;
  int returned = -1;
  hooks()["review"] = [&] { returned = build(*lib, list_viewer(p)); };
  later([&, this] {
    QWidget* main = top();
    menu_action(main, {"&File", "&Review List file"})->trigger();
    EXPECT_EQ(returned, 0);
    QWidget* viewer = top();
    ASSERT_NE(viewer, main);
    EXPECT_EQ(viewer->windowTitle(), "Kelvo - List file viewer");
    press_key(viewer, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(top(), main);  // the main window is unchanged
    main->close();
  });
  build(*lib, main_window(v));
}

}  // namespace
}  // namespace spindra::testing
