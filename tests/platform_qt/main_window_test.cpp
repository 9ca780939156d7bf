// The main window layout with stand-in callbacks, the list file viewer and
// the standard file actions.
#include "app/history.h"
#include "app/main_window.h"

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
#include <QMenuBar>
#include <QSet>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include "app/model/store.h"
#include "graphics/display/display.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

TEST_F(QtLibraryTest, MainWindowMenusFieldsListAndStatusLine) {
  bool checked = false;
  later([&, this] {
    QWidget* w = top();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().toStdString(), window_caption.str());
    EXPECT_NE(display::IGRAPH_HANDLE1, 0);
    EXPECT_EQ(lib->selected_region(), display::IGRAPH_HANDLE1);

    // Check items: the mark follows the flag the callback sets.
    QAction* node = menu_action(w, {"&Create", "&Node"});
    QAction* ground = menu_action(w, {"&Create", "&Stiffness", "Node to &ground"});
    QAction* mstif = menu_action(w, {"&Modify", "&Stiffness"});
    ASSERT_TRUE(node && ground && mstif);
    EXPECT_TRUE(node->isCheckable());
    EXPECT_FALSE(node->isChecked());
    node->trigger();
    EXPECT_EQ(INODE_CREATE, 1);
    EXPECT_TRUE(node->isChecked());
    ground->trigger();
    EXPECT_FALSE(node->isChecked());
    EXPECT_TRUE(ground->isChecked());
    ground->trigger();
    EXPECT_FALSE(ground->isChecked());  // chosen again: no mode
    EXPECT_EQ(ISTIF_CREATE_GROUND, 0);
    mstif->trigger();
    EXPECT_TRUE(mstif->isChecked());
    EXPECT_EQ(ISTIF_MODIFY, 1);

    // The greyable item follows its flag.
    QAction* review = menu_action(w, {"&File", "&Review List file"});
    ASSERT_NE(review, nullptr);
    EXPECT_FALSE(review->isEnabled());
    IVALID = 1;
    WINDOW_UPDATE(IVALID);
    EXPECT_TRUE(review->isEnabled());
    IVALID = 0;
    WINDOW_UPDATE(IVALID);
    EXPECT_FALSE(review->isEnabled());

    // Mode Scale takes its value when Enter is pressed or it loses the focus.
    auto* scale = qobject_cast<QLineEdit*>(lib->control_for(&SCALE_MODE));
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->text(), "1");
    replace_text(scale, "2.5");
    EXPECT_DOUBLE_EQ(SCALE_MODE, 1.0);
    press_key(scale, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(SCALE_MODE, 2.5);
    replace_text(scale, "0");
    lose_focus(scale);
    EXPECT_DOUBLE_EQ(SCALE_MODE, 0.0);
    // A menu command takes a value still being edited first.
    replace_text(scale, "1.5");
    menu_action(w, {"&Draw"})->trigger();
    EXPECT_DOUBLE_EQ(SCALE_MODE, 1.5);
    SCALE_MODE = 3.0;
    WINDOW_UPDATE(SCALE_MODE);
    EXPECT_EQ(scale->text(), "3");

    // The frequency list shows the entries up to the last one filled in.
    auto* list = qobject_cast<QListWidget*>(lib->control_for(FREQS.data()->data()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    FREQS(1) = "  1234.5";
    FREQS(2) = "  5678.9";
    FREQS(3) = " 12000.0";
    ICURRENT_FREQ = 1;
    WINDOW_UPDATE(FREQS);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), " 12000.0");
    EXPECT_EQ(list->currentRow(), 0);
    list->setCurrentRow(2);  // as a click on the third entry
    EXPECT_EQ(ICURRENT_FREQ, 3);
    ICURRENT_FREQ = 2;
    WINDOW_UPDATE(ICURRENT_FREQ);
    EXPECT_EQ(list->currentRow(), 1);

    // The status line.
    auto* status = qobject_cast<QLineEdit*>(lib->control_for(REASON.data()));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isReadOnly());
    REASON = "Node 3 at 120.0, 85.0 mm";
    WINDOW_UPDATE(REASON);
    EXPECT_EQ(status->text(), "Node 3 at 120.0, 85.0 mm");

    // Layout: the column of the mode scale and list to the right of the
    // region, the status line below it.
    QWidget* region = lib->region_widget(display::IGRAPH_HANDLE1);
    ASSERT_NE(region, nullptr);
    auto at = [w](QWidget* x) { return x->mapTo(w, QPoint(0, 0)); };
    EXPECT_GE(at(scale).x(), at(region).x() + region->width());
    EXPECT_GE(at(list).x(), at(region).x() + region->width());
    EXPECT_GT(at(list).y(), at(scale).y());
    EXPECT_GE(at(status).y(), at(region).y() + region->height());
    checked = true;
    menu_action(w, {"&File", "E&xit"})->trigger();
  });
  EXPECT_EQ(run_main_window(), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(display::IWINDOW_CONTROL1, 0);  // was -1 while open
}

TEST_F(QtLibraryTest, MainWindowClosedByItsFrame) {
  later([this] { top()->close(); });
  EXPECT_EQ(run_main_window(), 0);
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(lib->region_widget(display::IGRAPH_HANDLE1), nullptr);
}

TEST_F(QtLibraryTest, RefreshOfTheCaptionAndTheControlVariable) {
  later([this] {
    window_caption = "Spindra - model.rtm";
    WINDOW_UPDATE(window_caption);
    EXPECT_EQ(top()->windowTitle(), "Spindra - model.rtm");
    display::IWINDOW_CONTROL1 = 1;  // the program closes the window
    WINDOW_UPDATE(display::IWINDOW_CONTROL1);
  });
  EXPECT_EQ(run_main_window(), 0);
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
  ASSERT_TRUE(QFile::copy(SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm", model));
  const QString notes = dir.filePath("notes.rtm");
  {
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  }
  const QString long_dir = dir.filePath(QString(140, QLatin1Char('d')));
  ASSERT_TRUE(QDir().mkpath(long_dir));
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
    choose(model, false);
    menu_action(w, {"&File", "&Open Torsional vibration"})->trigger();
    EXPECT_EQ(NMASS, 0) << "a cancelled dialog ran the callback";
    EXPECT_TRUE(FILIN.is_blank());

    choose(model, true);
    menu_action(w, {"&File", "&Open Torsional vibration"})->trigger();
    EXPECT_GT(NMASS, 0);  // read in
    EXPECT_EQ(FILIN.str(), model.toStdString());

    const QString saved = dir.filePath("copy.rtm");
    choose(saved, true);
    menu_action(w, {"&File", "&Save Torsional vibration"})->trigger();
    EXPECT_TRUE(QFile::exists(saved));  // written
    EXPECT_EQ(FILIN.str(), saved.toStdString());

    // A path longer than the name variable is refused with a message.
    choose(long_dir + "/x.rtm", true);
    // The message box comes after the file dialog, however slow the machine:
    // look for it until it is there.
    auto* poll = new QTimer(w);
    QObject::connect(poll, &QTimer::timeout, [poll] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        poll->stop();
        box->accept();
      }
    });
    poll->start(20);
    menu_action(w, {"&File", "&Save Torsional vibration"})->trigger();
    EXPECT_FALSE(QFile::exists(long_dir + "/x.rtm"));
    EXPECT_EQ(FILIN.str(), saved.toStdString());
    EXPECT_EQ(lib->messages(), 1);
    EXPECT_NE(lib->last_message().find("longer than 130"), std::string::npos);
    w->close();
  });
  run_main_window();
  EXPECT_EQ(steps, (std::vector<std::string>{"open", "open", "save", "save"}));
}

// File > Save of a model without a file asks over the window it was chosen
// in, with that window's file types, even while a newer window is open.
TEST_F(QtLibraryTest, SaveDialogOffersTheFileTypesOfTheActiveWindow) {
  later([this] {
    QWidget* main = top();
    WINDOW_PRINTF("%ca[Pictures only]%`ft@@&", {literal("Pictures"), literal("*.svg")});
    WINDOW_PRINTF("%ww");
    QWidget* other = top();
    ASSERT_NE(other, main);
    QApplication::setActiveWindow(main);
    QStringList filters;
    later([&filters] {
      auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(fd, nullptr);
      filters = fd->nameFilters();
      fd->reject();
    });
    menu_action(main, {"&File", "Sa&ve"})->trigger();
    EXPECT_TRUE(filters.contains("Torsional Vibration files (*.rtm)"))
        << filters.join(";").toStdString();
    other->close();
    main->close();
  });
  run_main_window();
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
    // Each item of the menu bar has an access key of its own.
    QSet<QChar> keys;
    int items = 0;
    for (QMenuBar* bar : w->findChildren<QMenuBar*>()) {
      for (QAction* a : bar->actions()) {
        const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
        if (amp < 0 || amp + 1 >= a->text().size()) continue;
        ++items;
        keys.insert(a->text().at(amp + 1).toLower());
      }
    }
    EXPECT_GE(items, 3);
    EXPECT_EQ(keys.size(), items);
    EXPECT_NE(menu_action(w, {"Save as P&DF..."}), nullptr);
    menu_action(w, {"E&xit"})->trigger();
  });
  FILOUT = p;
  EXPECT_EQ(REVIEW(), 1);
  EXPECT_EQ(top(), nullptr);

  later([this] { press_key(top(), Qt::Key_Escape); });
  REVIEW();
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
  build(*lib, Pieces{{"%sc&", {literal("edit_file"), literal(missing)}},
                     {"%ww%10.5eb[read_only]", {literal("*"), value(0)}}});
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
  later([&, this] {
    QWidget* main = top();
    FILOUT = p;
    IVALID = 1;
    WINDOW_UPDATE(IVALID);
    menu_action(main, {"&File", "&Review List file"})->trigger();
    QWidget* viewer = top();
    ASSERT_NE(viewer, main);
    EXPECT_EQ(viewer->windowTitle(), "Kelvo - List file viewer");
    press_key(viewer, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(top(), main);  // the main window is unchanged
    main->close();
  });
  run_main_window();
}

}  // namespace
}  // namespace spindra::testing
