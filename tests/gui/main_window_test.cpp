// The real main window driven through its menus, fields and list on the
// offscreen platform, with the canvas read back pixel by pixel.
#include <QAbstractButton>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/main_window.h"
#include "app/model/model_file.h"
#include "app/model/store.h"
#include "graphics/display/display.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

namespace fs = std::filesystem;

const std::string kExamples = SPINDRA_SOURCE_DIR "/examples/";

class MainWindowTest : public QtLibraryTest {
 protected:
  void SetUp() override {
    QtLibraryTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("spindra_gui_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    QtLibraryTest::TearDown();
  }

  // Runs the program's main window; `scenario` runs once it shows and must
  // end by closing it.
  void run(std::function<void()> scenario) {
    later([this, scenario] {
      main_ = top();
      ASSERT_NE(main_, nullptr);
      scenario();
      if (main_) main_->close();
    });
    EXPECT_EQ(run_main_window(), 0);
  }

  QAction* action(std::initializer_list<const char*> path) {
    QAction* a = menu_action(main_, path);
    EXPECT_NE(a, nullptr);
    return a;
  }

  // Answers the next file dialog with `path`.
  void choose_file(const std::string& path, std::initializer_list<const char*> menu) {
    later([path] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->selectFile(QString::fromStdString(path));
      QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
    action(menu)->trigger();
  }
  void open(const std::string& path) {
    choose_file(path, {"&File", "&Open Torsional vibration"});
  }

  QListWidget* list() {
    return qobject_cast<QListWidget*>(lib->control_for(FREQS.data()->data()));
  }
  QLineEdit* scale_field() { return qobject_cast<QLineEdit*>(lib->control_for(&SCALE_MODE)); }

  // Pixels of one palette colour on the canvas.
  std::set<std::pair<int, int>> pixels(int colour) {
    std::set<std::pair<int, int>> out;
    const QImage image = lib->region_image(display::IGRAPH_HANDLE1);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (lib->pixel(display::IGRAPH_HANDLE1, x, y) == colour) out.insert({x, y});
    return out;
  }

  // Pixel row of a paper y coordinate, as the kernel maps it.
  int row_of(double y_mm) {
    const QImage image = lib->region_image(display::IGRAPH_HANDLE1);
    const double per_mm = (image.height()) / 210.0;
    return image.height() - 1 - static_cast<int>(std::lround(y_mm * per_mm));
  }

  void set_scale(const QString& text) {
    replace_text(scale_field(), text);
    press_key(scale_field(), Qt::Key_Return);
  }

  fs::path dir_;
  QWidget* main_ = nullptr;
};

int mode_flags() {
  return INODE_CREATE + ISTIF_CREATE + ISTIF_CREATE_GROUND + IENGI_CREATE + INODE_MODIFY +
         ISTIF_MODIFY + ISTIF_MODIFY_GROUND + IENGI_MODIFY;
}

TEST_F(MainWindowTest, StartsWithNoModeAnEmptyListAndAGreyReview) {
  run([this] {
    EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0");
    EXPECT_EQ(mode_flags(), 0);
    EXPECT_FALSE(action({"&File", "&Review List file"})->isEnabled());
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(pixels(2).empty());
    EXPECT_FALSE(pixels(1).empty());  // the grid

    // A mode chosen twice is off again; choosing another switches the first off.
    QAction* node = action({"&Create", "&Node"});
    node->trigger();
    EXPECT_EQ(INODE_CREATE, 1);
    EXPECT_TRUE(node->isChecked());
    node->trigger();
    EXPECT_EQ(mode_flags(), 0);
    EXPECT_FALSE(node->isChecked());
    node->trigger();
    action({"&Modify", "&Engine"})->trigger();
    EXPECT_EQ(INODE_CREATE, 0);
    EXPECT_EQ(IENGI_MODIFY, 1);
    EXPECT_FALSE(node->isChecked());
    EXPECT_TRUE(action({"&Modify", "&Engine"})->isChecked());
  });
}

TEST_F(MainWindowTest, FrequenciesFillTheListAndDrawTheModeShape) {
  run([this] {
    open(kExamples + "free-free-rotor.rtm");
    EXPECT_EQ(NMASS, 3);
    EXPECT_TRUE(pixels(2).empty());  // no overlay before an analysis
    EXPECT_FALSE(pixels(4).empty());  // inertia symbols

    action({"Ca&lculate", "&Frequencies"})->trigger();
    EXPECT_EQ(IVALID, 1);
    ASSERT_EQ(list()->count(), 2);  // the rigid-body mode is not listed
    for (int i = 0; i < 2; ++i) {
      const QString entry = list()->item(i)->text().trimmed();
      EXPECT_TRUE(entry.contains(QRegularExpression("^[0-9]+\\.[0-9]{2}$"))) << entry.toStdString();
    }
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_TRUE(action({"&File", "&Review List file"})->isEnabled());

    // With scale 0 the overlay lies on the undeformed chain (one pixel row).
    set_scale("0");
    EXPECT_EQ(SCALE_MODE, 0.0);
    const auto flat = pixels(2);
    ASSERT_FALSE(flat.empty());
    std::set<int> rows;
    for (auto [x, y] : flat) rows.insert(y);
    EXPECT_EQ(rows.size(), 1u);
    const int chain_row = *rows.begin();
    EXPECT_NEAR(chain_row, row_of(105.0), 1);

    // A positive and a negative scale mirror each other about the chain.
    set_scale("20");
    EXPECT_EQ(SCALE_MODE, 20.0);
    const auto up = pixels(2);
    set_scale("-20");
    EXPECT_EQ(SCALE_MODE, -20.0);
    const auto down = pixels(2);
    EXPECT_NE(up, flat);
    std::set<std::pair<int, int>> mirrored;
    for (auto [x, y] : up) mirrored.insert({x, 2 * chain_row - y});
    int matching = 0;
    // Rounding to pixels may put a mirrored point one row off.
    for (auto [x, y] : mirrored)
      matching += (down.count({x, y}) || down.count({x, y - 1}) || down.count({x, y + 1})) ? 1 : 0;
    EXPECT_GT(matching, static_cast<int>(0.9 * up.size()));

    // Another entry of the list draws another mode.
    list()->setCurrentRow(1);
    EXPECT_EQ(ICURRENT_FREQ, 2);
    EXPECT_NE(pixels(2), down);
  });
}

TEST_F(MainWindowTest, ABlankEntryDrawsNoOverlay) {
  run([this] {
    open(kExamples + "free-free-rotor.rtm");
    action({"Ca&lculate", "&Frequencies"})->trigger();
    ASSERT_FALSE(pixels(2).empty());
    ICURRENT_FREQ = 7;  // an entry the analysis did not fill
    action({"&Draw"})->trigger();
    EXPECT_TRUE(pixels(2).empty());
  });
}

TEST_F(MainWindowTest, ModifyStiffnessShowsAndHidesTheHitSquares) {
  run([this] {
    open(kExamples + "free-free-rotor.rtm");
    // The midpoint of the first shaft, (97.5, 105) mm, on the canvas.
    const QImage image = lib->region_image(display::IGRAPH_HANDLE1);
    const int x = static_cast<int>(std::lround(97.5 * image.width() / 297.0));
    const int y = row_of(105.0);
    auto square_pixels = [&] {
      int n = 0;
      for (int dy = -2; dy <= 2; ++dy)
        if (dy != 0)
          for (int dx = -2; dx <= 2; ++dx) n += lib->pixel(display::IGRAPH_HANDLE1, x + dx, y + dy) == 1;
      return n;
    };
    const int before = square_pixels();
    action({"&Modify", "&Stiffness"})->trigger();
    EXPECT_EQ(ISTIF_MODIFY, 1);
    EXPECT_GT(square_pixels(), before + 2);
    action({"&Modify", "&Stiffness"})->trigger();
    EXPECT_EQ(square_pixels(), before);
  });
}

TEST_F(MainWindowTest, ReviewShowsTheReportAndOpenGreysItAgain) {
  run([this] {
    const fs::path model = dir_ / "rotor.rtm";
    fs::copy_file(kExamples + "free-free-rotor.rtm", model);
    open(model.string());
    action({"Ca&lculate", "&Frequencies"})->trigger();
    EXPECT_TRUE(fs::exists(dir_ / "rotor.lis"));

    action({"&File", "&Review List file"})->trigger();
    QWidget* viewer = top();
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(viewer, main_);
    EXPECT_EQ(viewer->windowTitle(), "Kelvo - List file viewer");
    auto* text = viewer->findChild<QPlainTextEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().contains("Harbrook Vibration Engineering"));
    press_key(viewer, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(top(), main_);

    open(model.string());
    EXPECT_EQ(IVALID, 0);
    EXPECT_FALSE(action({"&File", "&Review List file"})->isEnabled());
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(pixels(2).empty());
  });
}

TEST_F(MainWindowTest, AMissingListFileGetsAMessage) {
  run([this] {
    const fs::path model = dir_ / "gone.rtm";
    fs::copy_file(kExamples + "free-free-rotor.rtm", model);
    open(model.string());
    action({"Ca&lculate", "&Frequencies"})->trigger();
    fs::remove(dir_ / "gone.lis");
    later([] {
      if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    action({"&File", "&Review List file"})->trigger();
    EXPECT_EQ(lib->messages(), 1);
    EXPECT_NE(lib->last_message().find("gone.lis"), std::string::npos);
    EXPECT_EQ(top(), main_);
  });
}

TEST_F(MainWindowTest, SaveWritesTheModelUnderTheForcedExtension) {
  run([this] {
    open(kExamples + "branched-drive.rtm");
    choose_file((dir_ / "copy.dat").string(), {"&File", "&Save Torsional vibration"});
    EXPECT_FALSE(fs::exists(dir_ / "copy.dat"));
    ASSERT_TRUE(fs::exists(dir_ / "copy.rtm"));
    std::ifstream in(dir_ / "copy.rtm", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), model_text());
    EXPECT_EQ(FILIN.str(), (dir_ / "copy.rtm").string());

    // copy.rtm exists now.  Saving as copy.rtm or as copy.dat would replace
    // it, and the dialog asks the same question about copy.rtm for both; No
    // keeps the dialog open and writes nothing, Yes saves.
    std::vector<QString> questions;
    const auto save_as = [&](const char* name, QMessageBox::StandardButton answer) {
      later([&, name, answer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        // Typed into the name field, which has the focus.
        auto* field = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        QApplication::setActiveWindow(dialog);
        field->setFocus();
        ASSERT_TRUE(field->hasFocus());
        replace_text(field, QString::fromStdString((dir_ / name).string()));
        later([&, answer] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          ASSERT_NE(box, nullptr) << "no question";
          questions.push_back(box->text());
          box->button(answer)->click();
        });
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        if (QApplication::activeModalWidget() == dialog) dialog->reject();
      });
      action({"&File", "&Save Torsional vibration"})->trigger();
    };
    MASSES(1).amass *= 2.0;
    save_as("copy.rtm", QMessageBox::No);
    save_as("copy.dat", QMessageBox::No);
    std::ifstream again(dir_ / "copy.rtm", std::ios::binary);
    std::stringstream unchanged;
    unchanged << again.rdbuf();
    EXPECT_EQ(unchanged.str(), text.str()) << "No wrote the file";
    save_as("copy.dat", QMessageBox::Yes);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_TRUE(questions[0].contains("copy.rtm")) << questions[0].toStdString();
    EXPECT_EQ(questions[1], questions[0]);
    EXPECT_EQ(questions[2], questions[0]);
    std::ifstream saved(dir_ / "copy.rtm", std::ios::binary);
    std::stringstream now;
    now << saved.rdbuf();
    EXPECT_EQ(now.str(), model_text());
    EXPECT_NE(now.str(), text.str());
    EXPECT_FALSE(fs::exists(dir_ / "copy.dat"));
  });
}

// A field's refusal met while a menu item is chosen by keyboard (type abc
// in Mode Scale, Alt+V, I, Return on the message, Alt+M): the message comes
// once the item's action is over, and the menu bar takes the next key.
TEST_F(MainWindowTest, AFieldRefusedByAKeyboardMenuLeavesTheMenuBarWorking) {
  run([this] {
    open(kExamples + "free-free-rotor.rtm");
    QApplication::setActiveWindow(main_);
    scale_field()->setFocus();
    replace_text(scale_field(), "abc");
    QString refusal;
    bool menu_open = false;
    QTimer answer;  // Return on the message once it shows
    QObject::connect(&answer, &QTimer::timeout, [&refusal, &menu_open] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        refusal = box->text();
        menu_open = QApplication::activePopupWidget() != nullptr;
        QTest::keyClick(box, Qt::Key_Return);
      }
    });
    answer.start(10);
    // The View menu takes the focus from the field, which refuses its text.
    QTest::keyClick(main_, Qt::Key_V, Qt::AltModifier);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "Alt+V opens no menu";
    QTest::keyClick(popup, Qt::Key_I);
    for (int i = 0; i < 200 && lib->messages() == 0; ++i) QTest::qWait(10);
    answer.stop();
    EXPECT_EQ(lib->messages(), 1);
    EXPECT_EQ(refusal, "Mode Scale: \"abc\" is not a number.");
    EXPECT_FALSE(menu_open) << "the message came while the menu was open";
    EXPECT_EQ(SCALE_MODE, 1.0);
    // The window is active again once the field is selected for typing.
    for (int i = 0; i < 200 && QApplication::activeWindow() != main_; ++i) QTest::qWait(10);
    QTest::qWait(20);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : main_, Qt::Key_M, Qt::AltModifier);
    popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "Alt+M opens no menu";
    QTest::keyClick(popup, Qt::Key_Escape);
    QApplication::processEvents();
  });
}

TEST_F(MainWindowTest, EverySampleModelOpensAndAnalyses) {
  run([this] {
    for (const auto& entry : fs::directory_iterator(kExamples)) {
      if (entry.path().extension() != ".rtm") continue;
      const fs::path copy = dir_ / entry.path().filename();
      fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
      open(copy.string());
      EXPECT_EQ(lib->messages(), 0) << lib->last_message();
      action({"Ca&lculate", "Forced &Damped"})->trigger();
      EXPECT_EQ(IVALID, 1) << copy;
      EXPECT_GT(list()->count(), 0) << copy;
      EXPECT_FALSE(pixels(2).empty()) << copy;
    }
  });
}

}  // namespace
}  // namespace spindra::testing
