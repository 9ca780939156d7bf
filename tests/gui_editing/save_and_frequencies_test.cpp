// A model built by clicks saves and opens again identically, and its
// frequencies are those of the same model read from a file.
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <vector>

#include "app/model/model_file.h"
#include "tests/gui_editing/gui_editing_support.h"

namespace spindra::gui_editing_test {
namespace {

struct Snapshot {
  std::vector<NODE> nodes;
  std::vector<STIFFNESS> shafts;
  std::vector<ENGINE> engines;
  static Snapshot take() {
    Snapshot s;
    for (int i = 1; i <= NMASS; ++i) s.nodes.push_back(MASSES(i));
    for (int i = 1; i <= NSTIF; ++i) s.shafts.push_back(STIFF(i));
    for (int i = 1; i <= NENG; ++i) s.engines.push_back(ENGS(i));
    return s;
  }
  bool operator==(const Snapshot&) const = default;
};

struct Frequencies {
  std::vector<std::string> texts;
  std::vector<double> eigenvalues;
  static Frequencies take() {
    Frequencies f;
    for (int i = 1; i <= kMaxNodes && !FREQS(i).is_blank(); ++i) {
      f.texts.emplace_back(FREQS(i).view());
      f.eigenvalues.push_back(EIGS(IFREQS(i)));
    }
    return f;
  }
};

void set_file_name(const QString& path) {
  FILIN = path.toStdString();
}

TEST_F(GuiEditingTest, ClickedModelSavesOpensAndAnalysesLikeTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // The three-disc free-free rotor of the examples, copied where its list
  // file may be written.
  const QString example = dir.filePath("from_file.rtm");
  ASSERT_TRUE(QFile::copy(SPINDRA_SOURCE_DIR "/examples/free-free-rotor.rtm", example));

  run([&, this] {
    // Build it by clicks.
    menu({"&Create", "&Node"});
    create_inertia(60, 105, "0.5", "Motor rotor");
    create_inertia(135, 105, "0.05", "Coupling hub");
    create_inertia(210, 105, "1.2", "Fan impeller");
    ASSERT_EQ(NMASS, 3);
    menu({"&Create", "&Stiffness", "&Node to node"});
    click(60, 105);
    EXPECT_TRUE(click_dialog(135, 105, [this](QWidget*) {
      type(&ASTIF_IN, "200000");
      type(&DIA_IN, "50");
      return 1;
    }));
    click(135, 105);
    EXPECT_TRUE(click_dialog(210, 105, [this](QWidget*) {
      type(&ASTIF_IN, "5e5");
      type(&DIA_IN, "65");
      type(&dialog_buffers().create_bore, "20");
      return 1;
    }));
    ASSERT_EQ(NSTIF, 2);
    // The file carries stiffness names; no dialog sets them.
    STIFF(1).name = "Motor shaft";
    STIFF(2).name = "Fan shaft";
    menu({"&Draw"});
    const Snapshot clicked = Snapshot::take();
    const QImage picture = lib->region_image(display::IGRAPH_HANDLE1);

    // Save, then open again.
    set_file_name(dir.filePath("clicked"));
    without_dialog([] { SAVE_FILE(); });
    EXPECT_TRUE(QFile::exists(dir.filePath("clicked.rtm")));
    MASSES(2).amass = 99.0;  // a change that the open must undo
    without_dialog([] { READ_FILE(); });
    EXPECT_EQ(NMASS, 3);
    EXPECT_EQ(NSTIF, 2);
    EXPECT_EQ(NENG, 0);
    EXPECT_TRUE(Snapshot::take() == clicked) << "the model opens again identically";
    EXPECT_TRUE(lib->region_image(display::IGRAPH_HANDLE1) == picture) << "and draws the same";

    menu({"Ca&lculate", "&Frequencies"});
    EXPECT_EQ(IVALID, 1);
    EXPECT_EQ(lib->messages(), 0);
    const Frequencies by_clicks = Frequencies::take();
    ASSERT_EQ(by_clicks.texts.size(), 2u) << "two elastic modes of a free-free three-disc rotor";
    // For a free-free chain J1 - k1 - J2 - k2 - J3 the two elastic
    // eigenvalues have the sum k1/J1 + k1/J2 + k2/J2 + k2/J3 and the product
    // k1 k2 (J1 + J2 + J3) / (J1 J2 J3).
    const double sum = 2e5 / 0.5 + 2e5 / 0.05 + 5e5 / 0.05 + 5e5 / 1.2;
    const double product = 2e5 * 5e5 * (0.5 + 0.05 + 1.2) / (0.5 * 0.05 * 1.2);
    const double l1 = by_clicks.eigenvalues[0], l2 = by_clicks.eigenvalues[1];
    EXPECT_NEAR(l1 + l2, sum, sum * 1e-9);
    EXPECT_NEAR(l1 * l2, product, product * 1e-9);

    // The same model read from the file gives the same frequencies.
    set_file_name(example);
    without_dialog([] { READ_FILE(); });
    EXPECT_EQ(IVALID, 0);
    EXPECT_TRUE(Snapshot::take() == clicked) << "the clicked model is the file's model";
    menu({"Ca&lculate", "Forced &Damped"});
    EXPECT_EQ(IVALID, 1);
    const Frequencies from_file = Frequencies::take();
    EXPECT_EQ(from_file.texts, by_clicks.texts);
    ASSERT_EQ(from_file.eigenvalues.size(), by_clicks.eigenvalues.size());
    for (std::size_t i = 0; i < from_file.eigenvalues.size(); ++i)
      EXPECT_DOUBLE_EQ(from_file.eigenvalues[i], by_clicks.eigenvalues[i]);
    EXPECT_EQ(lib->messages(), 0);
  });
}

}  // namespace
}  // namespace spindra::gui_editing_test

namespace spindra::gui_editing_test {
namespace {

// A model named on the command line opens with the window; Create Node twice
// and Undo twice give back the model as read, and its analysis; Redo brings
// the nodes back; every shortcut runs its command.
TEST_F(GuiEditingTest, CommandLineModelUndoRedoAndShortcuts) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString model = dir.filePath("diesel.rtm");
  ASSERT_TRUE(QFile::copy(SPINDRA_SOURCE_DIR "/examples/diesel-generator.rtm", model));

  run(
      [&, this] {
        ASSERT_EQ(NMASS, 9) << "the model of the command line is open";
        EXPECT_GT(pen_near(255, 120, 1) + pen_near(255, 120, 2) + pen_near(255, 120, 4), 0)
            << "and drawn";
        EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - diesel.rtm");
        const Snapshot as_read = Snapshot::take();
        int mode = -1;
        answer_file_dialog({}, &mode);
        key(Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(mode, QFileDialog::AcceptOpen);
        answer_file_dialog({}, &mode);
        key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(mode, QFileDialog::AcceptSave);
        key(Qt::Key_F5);
        ASSERT_EQ(IVALID, 1);
        const Frequencies analysed = Frequencies::take();

        auto ink = [this] { return 15 * 15 - pen_near(260, 160, 15); };  // pixels drawn
        const int bare = ink();
        menu({"&Create", "&Node"});
        EXPECT_EQ(REASON.str(), "Create Node: click where the new inertia goes");
        EXPECT_TRUE(click_dialog(230, 160, [](QWidget* w) {
          testing::press_key(w, Qt::Key_Escape);
          return 0;
        }));
        EXPECT_EQ(NMASS, 9) << "Escape is Cancel";
        EXPECT_EQ(can_undo, 0);
        create_inertia(230, 160, "1.5", "Extra A");
        create_inertia(260, 160, "2.5", "Extra B");
        ASSERT_EQ(NMASS, 11);
        EXPECT_GT(ink(), bare);
        EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - diesel.rtm *");
        key(Qt::Key_Z, Qt::ControlModifier);
        menu({"&Edit", "&Undo"});
        EXPECT_EQ(NMASS, 9);
        EXPECT_TRUE(Snapshot::take() == as_read) << "the model as read";
        EXPECT_EQ(can_undo, 0);
        EXPECT_EQ(main_->windowTitle(), "Harbrook - Kelvo Version 1.0 - diesel.rtm");
        EXPECT_EQ(ink(), bare) << "the node is gone";
        key(Qt::Key_F5);
        const Frequencies after_undo = Frequencies::take();
        EXPECT_EQ(after_undo.texts, analysed.texts);
        EXPECT_EQ(after_undo.eigenvalues, analysed.eigenvalues);
        key(Qt::Key_Y, Qt::ControlModifier);  // the analysis left the history as it was
        EXPECT_EQ(NMASS, 10);
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_EQ(NMASS, 11);
        EXPECT_EQ(MASSES(11).name, "Extra B");
        EXPECT_EQ(MASSES(11).amass, 2.5);
        EXPECT_EQ(can_redo, 0);

        // Ctrl+Q asks about the two new nodes; Discard closes the window.
        EXPECT_TRUE(with_dialog([this] { key(Qt::Key_Q, Qt::ControlModifier); },
                                [](QWidget*) { return 2; }));
        main_ = nullptr;
      },
      model.toStdString());
}

// With unsaved changes, Exit, Open and the window's frame ask first: Cancel
// keeps the window and the model, Discard goes on, Save saves.
TEST_F(GuiEditingTest, UnsavedWorkAsksBeforeExitOpenAndClose) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString saved = dir.filePath("kept.rtm");
  auto exit = [this] { menu_action(main_, {"&File", "E&xit"})->trigger(); };
  run([&, this] {
    menu({"&Create", "&Node"});
    create_inertia(60, 105, "0.5", "Motor rotor");
    ASSERT_EQ(model_changed, 1);
    EXPECT_TRUE(with_dialog(exit, [](QWidget* w) {
      EXPECT_EQ(w->windowTitle(), "Unsaved changes");
      return 3;  // Cancel
    }));
    EXPECT_EQ(lib->top_window(), main_);
    EXPECT_TRUE(with_dialog([this] { main_->close(); },
                            [](QWidget* w) {
                              testing::press_key(w, Qt::Key_Escape);  // Cancel too
                              return 0;
                            }));
    EXPECT_TRUE(main_->isVisible());
    EXPECT_TRUE(with_dialog(
        [this] {
          menu_action(main_, {"&File", "&Open Torsional vibration"})->trigger();
        },
        [](QWidget*) {
          answer_file_dialog({});  // Discard leads to the file dialog
          return 2;
        }));
    EXPECT_EQ(NMASS, 1);
    EXPECT_TRUE(with_dialog(exit, [&](QWidget*) {
      answer_file_dialog(saved);  // Save, as a model that has no file yet
      return 1;
    }));
    main_ = nullptr;
  });
  EXPECT_EQ(lib->top_window(), nullptr);
  FILIN = saved.toStdString();
  NMASS = 0;
  ASSERT_TRUE(read_model_file());
  EXPECT_EQ(NMASS, 1);
  EXPECT_EQ(MASSES(1).name, "Motor rotor");
}

// Export Picture offers and writes picture types only: after a refused
// extension the next name still becomes a picture, and a picture named like
// the model file leaves the model file alone.
TEST_F(GuiEditingTest, ExportPictureOnlyEverOffersAndWritesPictures) {
  QTemporaryDir dir;
  const QString model = dir.filePath("m.rtm");
  {
    QFile f(model);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("kept\n0 0 1 1\n1 6 1\n");
  }
  std::vector<QStringList> offered;
  std::string refused;
  // Answers the next file dialog with `name` (recording what it offers) and
  // then the message that may follow.
  const auto export_as = [&](const QString& name) {
    later([&, name] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr) << "no file dialog";
      offered.push_back(d->nameFilters());
      later([&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          refused = box->text().toStdString();
          box->accept();
        }
      });
      d->selectFile(dir.filePath(name));
      QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    });
    menu_action(main_, {"&File", "&Export Picture..."})->trigger();
    QApplication::processEvents();
  };
  run([&] {
    export_as("pic.xyz");
    EXPECT_NE(refused.find("pic.xyz: a picture is written as SVG, PDF or PNG"), std::string::npos)
        << refused;
    refused.clear();
    export_as("pic.png");
    export_as("m.png");
    export_as("plain");
  });
  EXPECT_EQ(refused, "");
  ASSERT_EQ(offered.size(), 4u);
  for (const QStringList& filters : offered)
    EXPECT_EQ(filters, QStringList{"Pictures (*.svg *.pdf *.png)"});
  EXPECT_TRUE(QImage(dir.filePath("pic.png")).width() > 0);
  EXPECT_TRUE(QImage(dir.filePath("m.png")).width() > 0);
  EXPECT_TRUE(QFile::exists(dir.filePath("plain.svg")));
  EXPECT_FALSE(QFile::exists(dir.filePath("pic.rtm")));
  QFile kept(model);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("kept\n0 0 1 1\n1 6 1\n"));
}

}  // namespace
}  // namespace spindra::gui_editing_test
