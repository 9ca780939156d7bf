// Driving real widgets in the offscreen platform: an application, key and
// mouse events, and acting on a modal window once it runs.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/qt/qt_window_library.h"
#include "platform/layout.h"

namespace spindra::testing {

using Pieces = std::vector<layout::Piece>;

// Stand-in callbacks record their names here and then run an optional hook.
inline std::vector<std::string>& call_log() {
  static std::vector<std::string> log;
  return log;
}
inline std::map<std::string, std::function<void()>>& hooks() {
  static std::map<std::string, std::function<void()>> h;
  return h;
}
inline int logged(const char* name, int result) {
  call_log().emplace_back(name);
  auto it = hooks().find(name);
  if (it != hooks().end() && it->second) it->second();
  return result;
}
// A region's mouse callback.
inline int mouse() {
  return logged("mouse", 2);
}

inline QApplication& application() {
  static int argc = 1;
  static char name[] = "test_platform_qt";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs `f` once the event loop runs (inside the next modal window).
inline void later(std::function<void()> f) {
  QTimer::singleShot(0, std::move(f));
}

inline void type_text(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &press);
  }
}

inline void replace_text(QLineEdit* e, const QString& text) {
  e->selectAll();
  type_text(e, text);
}

inline void press_key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, mods);
  QApplication::sendEvent(w, &release);
}

inline void lose_focus(QWidget* w) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(w, &out);
}

inline void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                  Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, mods);
  QApplication::sendEvent(w, &e);
}

// A menu action by its path of labels ("&Create", "&Stiffness", "&Node to node").
inline QAction* menu_action(QWidget* window, std::initializer_list<const char*> path) {
  QList<QAction*> actions;
  for (QObject* o : window->children()) {
    if (auto* bar = qobject_cast<QWidget*>(o); bar && bar->inherits("QMenuBar")) {
      actions = bar->actions();
    }
  }
  QAction* found = nullptr;
  for (const char* label : path) {
    found = nullptr;
    for (QAction* a : actions) {
      if (a->text() == QString::fromUtf8(label)) found = a;
    }
    if (!found) return nullptr;
    if (found->menu()) actions = found->menu()->actions();
  }
  return found;
}

// Builds a window from its pieces through the library; the last result.
inline int build(WindowLibrary& lib, const Pieces& pieces) {
  int r = 0;
  for (const auto& p : pieces) r = lib.window_printf(p.text, p.args);
  return r;
}

class QtLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    call_log().clear();
    hooks().clear();
    lib = std::make_unique<qt::QtWindowLibrary>();
    set_window_library(lib.get());
  }
  void TearDown() override {
    set_window_library(nullptr);
    lib.reset();
    hooks().clear();
  }
  // The window on top, once shown.
  QWidget* top() const { return lib->top_window(); }

  std::unique_ptr<qt::QtWindowLibrary> lib;
};

}  // namespace spindra::testing
