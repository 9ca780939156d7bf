#include "platform/qt/layout_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/controls.h"
#include "platform/qt/file_dialog.h"
#include "platform/qt/flow_layout.h"
#include "platform/qt/qt_window_library.h"

namespace spindra::qt {

using layout::Action;
using layout::Item;
using layout::LayoutError;
using layout::MenuItem;
using layout::Var;

LayoutWindow::LayoutWindow(QtWindowLibrary& library, layout::WindowDescription desc,
                           std::vector<Canvas*> regions)
    : lib_(library), desc_(std::move(desc)), regions_(std::move(regions)) {
  setWindowTitle(QString::fromStdString(desc_.caption));
  if (!desc_.icon.empty()) setWindowIcon(QtWindowLibrary::icon(desc_.icon));
  if (desc_.ordinary_window) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  }
  if (!desc_.background.empty()) {
    QPalette p = palette();
    p.setColor(QPalette::Window, named_colour(desc_.background));
    setPalette(p);
    setAutoFillBackground(true);
  }
  if (desc_.positioned) move(desc_.pos_x, desc_.pos_y);
  build();
  // A window with a graphics region opens big enough to show all of it (the
  // toolkit would keep a new window to two thirds of the screen); made
  // smaller, the region scrolls.
  if (!regions_.empty()) resize(sizeHint());
}

LayoutWindow::~LayoutWindow() {
  // A window that goes without being closed (the library ends first) is
  // closed for the program too: its control variables say so.
  if (!closing_) {
    for (int32_t* c : desc_.controls) {
      if (*c < 0) *c = 0;
    }
  }
  lib_.window_closed(this);
}

void LayoutWindow::bind(const Var& var, const QObject* owner, std::function<void()> show) {
  if (!var.bound()) return;
  const char* lo = static_cast<const char*>(var.ptr);
  bindings_.push_back({lo, lo + var.size(), owner, show});
  show();
}

void LayoutWindow::bind_int(int32_t* var, const QObject* owner, std::function<void()> show) {
  bind(Var{Var::Kind::Int, var, 0, 1}, owner, std::move(show));
}

void LayoutWindow::refresh(const void* var, const QObject* except) {
  const char* p = static_cast<const char*>(var);
  // Bindings are all made while building, so the list is fixed here; a show
  // that closes the window (a control variable) leaves the object in place.
  for (std::size_t i = 0; i < bindings_.size(); ++i) {
    const Binding& b = bindings_[i];
    if (p >= b.lo && p < b.hi && (!except || b.owner != except)) b.show();
  }
}

QWidget* LayoutWindow::control_for(const void* var) const {
  auto it = controls_.find(var);
  return it == controls_.end() ? nullptr : it->second;
}

// --- closing ---

void LayoutWindow::close_with(int result) {
  done(result);
}

void LayoutWindow::done(int r) {
  if (closing_) return;
  closing_ = true;
  for (int32_t* c : desc_.controls) {
    if (*c < 0) *c = 0;
  }
  QDialog::done(r);
  if (desc_.ordinary_window) deleteLater();
}

// The window frame (and anything else that rejects) closes with 0.
void LayoutWindow::reject() {
  done(0);
}

void LayoutWindow::closeEvent(QCloseEvent* e) {
  if (!closing_ && !may_leave()) {
    e->ignore();
    return;
  }
  if (!closing_) done(0);
  e->accept();
}

bool LayoutWindow::may_leave() {
  if (!close_check_) return true;
  commit_pending();
  return close_check_() != 0;
}

void LayoutWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (desc_.escape_closes) {
      done(0);
    } else {
      // As in any dialog, Escape is its Cancel button.
      for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->isEnabled() && b->text().remove(QLatin1Char('&')) == QLatin1String("Cancel")) {
          b->click();
          break;
        }
      }
    }
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void LayoutWindow::commit_pending() {
  const auto pending = pending_;
  for (const auto& f : pending) f();
}

// --- actions ---

void LayoutWindow::perform(const Action& action) {
  switch (action.kind) {
    case Action::Kind::None:
      break;
    case Action::Kind::Call:
      lib_.run(action);
      break;
    case Action::Kind::Exit:
      if (may_leave()) done(0);
      break;
    case Action::Kind::FileOpenRead:
      if (may_leave()) file_action(action);
      break;
    case Action::Kind::FileOpenWrite:
      file_action(action);
      break;
    case Action::Kind::EditFile:
      edit_file(action);
      break;
  }
}

void LayoutWindow::file_action(const Action& action) {
  if (!choose_path(action.kind == Action::Kind::FileOpenRead, action.path)) return;
  lib_.window_update(action.path.ptr);
  lib_.run(action);
}

bool LayoutWindow::choose_path(bool reading, const Var& target, std::string_view only) {
  const std::string current = layout::trimmed_text(target.as_text(), target.width);
  std::vector<layout::Filter> filters;
  for (const layout::Filter& f : desc_.filters) {
    if (only.empty() || f.name == only) filters.push_back(f);
  }
  if (filters.empty()) {
    throw LayoutError("layout: the window \"" + desc_.caption + "\" has no file filter named \"" +
                      std::string(only) + "\"");
  }
  lib_.enter_loop();
  const QString chosen = choose_file(this, reading, filters, QString::fromStdString(current),
                                     target.width, only.empty());
  lib_.leave_loop();
  if (chosen.isEmpty()) return false;  // cancelled
  const std::string path = chosen.toStdString();
  if (!layout::write_text(target.as_text(), target.width, path)) {
    lib_.show_message(desc_.caption, "The file name\n" + path + "\nis longer than " +
                                         std::to_string(target.width) +
                                         " characters; choose a shorter path.");
    return false;
  }
  return true;
}

void LayoutWindow::edit_file(const Action& action) {
  const std::string path = action.path.bound()
                               ? layout::trimmed_text(action.path.as_text(), action.path.width)
                               : action.path_literal;
  QPlainTextEdit* box = edit_boxes_.front();
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    box->setPlainText(QString());
    lib_.show_message(desc_.caption, "The file\n" + path + "\ncannot be read: " +
                                         file.errorString().toStdString() + ".");
    return;
  }
  box->setPlainText(QString::fromLocal8Bit(file.readAll()));
}

void LayoutWindow::start() {
  if (started_) return;
  started_ = true;
  for (const Action& a : desc_.startup) {
    if (closing_) break;
    perform(a);
  }
}

// --- menus ---

void LayoutWindow::build_menus() {
  if (desc_.menus.empty()) return;
  auto* bar = new QMenuBar(this);
  for (const MenuItem& m : desc_.menus) {
    if (m.children.empty()) {
      add_menu_item(nullptr, bar, m);
    } else {
      QMenu* menu = bar->addMenu(QString::fromStdString(m.label));
      for (const MenuItem& c : m.children) add_menu_item(menu, nullptr, c);
    }
  }
  root_->setMenuBar(bar);
}

void LayoutWindow::add_menu_item(QMenu* menu, QMenuBar* bar, const MenuItem& m) {
  if (m.separator) {
    menu->addSeparator();
    return;
  }
  const QString label = QString::fromStdString(m.label);
  if (!m.children.empty()) {
    QMenu* sub = menu->addMenu(label);
    for (const MenuItem& c : m.children) add_menu_item(sub, nullptr, c);
    return;
  }
  QAction* a = menu ? menu->addAction(label) : bar->addAction(label);
  if (!m.keys.empty()) {
    QList<QKeySequence> keys;
    for (const std::string& k : m.keys) {
      const QKeySequence seq(QString::fromStdString(k));
      if (seq.isEmpty()) throw LayoutError("layout: unknown key \"" + k + "\" of " + m.label);
      keys << seq;
    }
    a->setShortcuts(keys);
  }
  if (m.check) {
    a->setCheckable(true);
    int32_t* flag = m.check_flag;
    bind_int(flag, nullptr, [a, flag] { a->setChecked(*flag != 0); });
  }
  if (m.greyable) {
    int32_t* flag = m.grey_flag;
    bind_int(flag, nullptr, [a, flag] { a->setEnabled(*flag == 1); });
  }
  const Action action = m.action;
  int32_t* check = m.check_flag;
  QObject::connect(a, &QAction::triggered, this, [this, a, action, check] {
    // The callback changes the flag; the mark shows the flag, not the click.
    if (check) a->setChecked(*check != 0);
    ++menu_actions_;
    commit_pending();  // a menu takes the focus from a field being edited
    perform(action);
    --menu_actions_;
    if (check && !closing_) a->setChecked(*check != 0);
  });
}

void LayoutWindow::build() {
  root_ = new QVBoxLayout(this);
  root_->setSizeConstraint(QLayout::SetDefaultConstraint);
  if (desc_.no_border) root_->setContentsMargins(2, 2, 2, 2);
  build_menus();
  FlowLayout flow(this, root_);
  std::size_t region = 0;
  for (const Item& it : desc_.items) {
    if (flow.apply(it)) continue;
    if (QWidget* w = make_control(it, region)) flow.place(w, it.follows_size);
  }
  flow.finish();
  // A window with an edit box starts at the size the box asks for, also where
  // that is wider than the toolkit would open a window by itself.
  if (!edit_boxes_.empty()) resize(sizeHint());
  for (const Action& a : desc_.startup) {
    if (a.kind == Action::Kind::EditFile && edit_boxes_.empty()) {
      throw LayoutError("layout: edit_file at start-up, but the window has no edit box");
    }
  }
  bind_window();
}

// The caption and the control variables follow their variables.
void LayoutWindow::bind_window() {
  if (desc_.caption_var.bound()) {
    const Var cap = desc_.caption_var;
    bind(cap, nullptr, [this, cap] {
      setWindowTitle(QString::fromStdString(layout::trimmed_text(cap.as_text(), cap.width)));
    });
  }
  for (int32_t* c : desc_.controls) {
    bind_int(c, nullptr, [this, c] {
      if (*c >= 0 && started_) done(0);
    });
  }
}

}  // namespace spindra::qt
