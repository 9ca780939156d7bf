// Driving the program's main window on the real window library in the
// offscreen platform: menu commands, mouse events in the graphics region at
// paper positions, and scripted answers to the modal dialogs they open.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "app/canvas.h"
#include "app/dialogs.h"
#include "app/draw.h"
#include "app/engine_dialog.h"
#include "app/history.h"
#include "app/main_window.h"
#include "app/model/store.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::gui_editing_test {

using testing::application;
using testing::later;
using testing::menu_action;

inline QPushButton* button(QWidget* w, int n) {
  return w->findChild<QPushButton*>(QStringLiteral("button%1").arg(n));
}

class GuiEditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    lib = std::make_unique<qt::QtWindowLibrary>();
    set_window_library(lib.get());
    dialog_buffers() = DialogBuffers{};
  }
  void TearDown() override {
    set_window_library(nullptr);
    lib.reset();
  }

  // Runs the main window (with `model` named on the command line); `script`
  // acts once it shows, then it is closed.
  void run(std::function<void()> script, std::string model = {}) {
    later([this, script] {
      main_ = lib->top_window();
      if (main_ != nullptr) script();
      start_history();  // the edits are not to be saved: closing asks nothing
      if (main_ != nullptr) main_->close();
    });
    run_main_window(model);
  }

  // A key pressed in the active main window, its shortcuts included.
  void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QApplication::setActiveWindow(main_);
    QTest::keyClick(main_, k, mods);
  }
  // Answers the file dialog that opens next with `path`, or cancels it when
  // `path` is empty; `mode` receives the dialog's accept mode.
  static void answer_file_dialog(QString path, int* mode = nullptr) {
    later([path, mode] {
      auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr) << "no file dialog";
      if (mode) *mode = d->acceptMode();
      if (path.isEmpty()) {
        d->reject();
        return;
      }
      d->selectFile(path);
      QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    });
  }

  // Runs `opener`, which should open one modal window; `act` answers it and
  // returns the number of the button that closes it.  False when no window
  // opened.  A window that `act` left open is closed by that button.
  bool with_dialog(const std::function<void()>& opener, std::function<int(QWidget*)> act) {
    auto live = std::make_shared<bool>(true);
    auto ran = std::make_shared<bool>(false);
    QWidget* before = lib->top_window();
    later([this, live, ran, before, act] {
      if (!*live) return;
      *ran = true;
      QWidget* w = lib->top_window();
      if (w == nullptr || w == before) {
        ADD_FAILURE() << "no dialog on top";
        return;
      }
      const int b = act(w);
      if (lib->top_window() == w) {
        if (QPushButton* btn = button(w, b)) {
          btn->click();
        } else {
          w->close();
        }
      }
    });
    opener();
    *live = false;
    return *ran;
  }
  // Runs `opener`, which should open no modal window; one that opens (a
  // message box) is a failure and is closed.
  void without_dialog(const std::function<void()>& opener) {
    auto live = std::make_shared<bool>(true);
    later([live] {
      if (!*live) return;
      QWidget* modal = QApplication::activeModalWidget();
      ADD_FAILURE() << "a window opened: "
                    << (modal ? modal->windowTitle().toStdString() : std::string("?"));
      if (modal) modal->close();
    });
    opener();
    *live = false;
  }

  void menu(std::initializer_list<const char*> path) {
    QAction* a = menu_action(main_, path);
    ASSERT_NE(a, nullptr);
    without_dialog([a] { a->trigger(); });
  }

  QWidget* region() const { return lib->region_widget(display::IGRAPH_HANDLE1); }
  QPoint pixel_of(float x, float y) const {
    int32_t ix = 0, iy = 0;
    CURGSL(x, y, ix, iy);
    return {ix, display::IVSIZE - iy};
  }
  int colour_at(float x, float y) const {
    const QPoint p = pixel_of(x, y);
    return lib->pixel(display::IGRAPH_HANDLE1, p.x(), p.y());
  }
  // Pixels of `pen` within `half` pixels of a paper point.
  int pen_near(float x, float y, int pen, int half = 7) const {
    const QPoint p = pixel_of(x, y);
    int n = 0;
    for (int dy = -half; dy <= half; ++dy)
      for (int dx = -half; dx <= half; ++dx)
        n += lib->pixel(display::IGRAPH_HANDLE1, p.x() + dx, p.y() + dy) == pen;
    return n;
  }

  void move(float x, float y) {
    testing::mouse(region(), QEvent::MouseMove, pixel_of(x, y), Qt::NoButton, Qt::NoButton);
  }
  // The pointer moves to (x, y) the way a hand does under ortho: along x
  // first, then along y.
  void go(float x, float y) {
    if (ILAST_VALID != 0) move(x, static_cast<float>(RY_LAST));
    move(x, y);
  }
  // A press and release of `b` where the pointer is.
  void press(float x, float y, Qt::MouseButton b = Qt::LeftButton) {
    testing::mouse(region(), QEvent::MouseButtonPress, pixel_of(x, y), b, b);
    testing::mouse(region(), QEvent::MouseButtonRelease, pixel_of(x, y), b, Qt::NoButton);
  }
  // The left button held from the last press through moves to `points`, and
  // released at the last of them.
  void drag_to(std::initializer_list<QPointF> points) {
    QPoint at;
    for (const QPointF& p : points) {
      at = pixel_of(static_cast<float>(p.x()), static_cast<float>(p.y()));
      testing::mouse(region(), QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    testing::mouse(region(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }
  void click(float x, float y, Qt::MouseButton b = Qt::LeftButton) {
    go(x, y);
    press(x, y, b);
  }
  // A click that should open a dialog, answered by `act`.
  bool click_dialog(float x, float y, std::function<int(QWidget*)> act,
                    Qt::MouseButton b = Qt::LeftButton) {
    go(x, y);
    return with_dialog([=, this] { press(x, y, b); }, std::move(act));
  }

  QLineEdit* field(const void* var) const {
    return qobject_cast<QLineEdit*>(lib->control_for(var));
  }
  // Types `text` over the field bound to `var`.
  void type(const void* var, const QString& text) {
    QLineEdit* e = field(var);
    ASSERT_NE(e, nullptr);
    testing::replace_text(e, text);
  }
  QString shown(const void* var) const {
    QLineEdit* e = field(var);
    return e ? e->text() : QString("<no field>");
  }

  // Create Inertia by a click at (x, y) with the inertia and name typed.
  void create_inertia(float x, float y, const QString& inertia, const QString& name) {
    EXPECT_TRUE(click_dialog(x, y, [=, this](QWidget*) {
      type(&AMASS_IN, inertia);
      type(dialog_buffers().create_name.data(), name);
      return 1;
    }));
  }

  std::unique_ptr<qt::QtWindowLibrary> lib;
  QWidget* main_ = nullptr;
};

}  // namespace spindra::gui_editing_test
