#include "platform/qt/layout_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/qt/graphics_region.h"
#include "platform/qt/qt_window_library.h"

namespace spindra::qt {

using layout::Action;
using layout::Item;
using layout::ItemKind;
using layout::LayoutError;
using layout::MenuItem;
using layout::Var;

namespace {

QColor named_colour(const std::string& name) {
  if (name == "white") return Qt::white;
  if (name == "grey") return QColor(192, 192, 192);
  return QApplication::palette().color(QPalette::Button);  // btnface
}

std::optional<double> parse_real(const QString& text) {
  const std::string s = text.trimmed().toStdString();
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int32_t> parse_int(const QString& text, const Item& it) {
  const std::string s = text.trimmed().toStdString();
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (end != s.c_str() + s.size() || errno == ERANGE) return std::nullopt;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  if (it.limited && (v < it.low || v > it.high)) return std::nullopt;
  return static_cast<int32_t>(v);
}

QString format_real(double v) {
  return QString::number(v, 'g', 12);
}

// Entries of a text array up to its last non-blank one.
QStringList list_entries(const Var& v) {
  QStringList out;
  int last = 0;
  for (int i = 0; i < v.count; ++i) {
    if (!layout::trimmed_text(v.as_text() + i * v.width, v.width).empty()) last = i + 1;
  }
  for (int i = 0; i < last; ++i) {
    out << QString::fromStdString(layout::trimmed_text(v.as_text() + i * v.width, v.width));
  }
  return out;
}

void set_invalid_look(QLineEdit* e, bool invalid) {
  e->setToolTip(invalid ? QStringLiteral("Not a valid value: the previous value is kept")
                        : QString());
  QPalette p = e->palette();
  p.setColor(QPalette::Text,
             invalid ? QColor(200, 0, 0) : QApplication::palette().color(QPalette::Text));
  e->setPalette(p);
}

}  // namespace

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
}

LayoutWindow::~LayoutWindow() {
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

bool LayoutWindow::choose_path(bool reading, const Var& target) {
  QFileDialog dialog(this, reading ? QStringLiteral("Open") : QStringLiteral("Save As"));
  dialog.setObjectName("spindra_file_dialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(reading ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(reading ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  QStringList filters;
  for (const auto& f : desc_.filters) {
    filters << QString::fromStdString(f.name + " (" + f.pattern + ")");
  }
  filters << QStringLiteral("All files (*)");
  dialog.setNameFilters(filters);
  const std::string current = layout::trimmed_text(target.as_text(), target.width);
  if (!current.empty()) dialog.selectFile(QString::fromStdString(current));
  lib_.enter_loop();
  const int accepted = dialog.exec();
  lib_.leave_loop();
  if (accepted != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const std::string path = dialog.selectedFiles().first().toStdString();
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
    commit_pending();  // a menu takes the focus from a field being edited
    perform(action);
    if (check && !closing_) a->setChecked(*check != 0);
  });
}

// --- flow of items ---

void LayoutWindow::end_paragraph() {
  // Lines keep to the left; only a control that follows the window's size
  // takes the spare width.
  if (para_ && !para_expands_) para_->addStretch(1);
  // Lines keep to the top too: beside a tall box the spare height goes below
  // the last line, not between the lines.
  if (grid_ && !para_expands_) grid_->setRowStretch(grid_->rowCount(), 1);
}

void LayoutWindow::new_paragraph() {
  end_line();
  end_paragraph();
  para_expands_ = false;
  para_ = new QHBoxLayout;
  para_->setSpacing(6);
  root_->addLayout(para_);
  grid_ = new QGridLayout;
  grid_->setHorizontalSpacing(6);
  grid_->setVerticalSpacing(4);
  para_->addLayout(grid_);
  para_->setAlignment(grid_, Qt::AlignTop | Qt::AlignLeft);
  para_has_box_ = false;
  row_ = 0;
  tab_ = 0;
  row_empty_ = true;
  row_centred_ = false;
}

QHBoxLayout* LayoutWindow::cell() {
  if (!row_cells_.empty() && static_cast<int>(row_cells_.size()) > tab_ && !row_centred_) {
    return row_cells_[static_cast<std::size_t>(tab_)];
  }
  if (row_centred_) {
    if (row_cells_.empty()) {
      auto* c = new QHBoxLayout;
      c->setSpacing(4);
      c->addStretch(1);
      grid_->addLayout(c, row_, 0, 1, -1);
      row_cells_.push_back(c);
    }
    return row_cells_.front();
  }
  while (static_cast<int>(row_cells_.size()) <= tab_) {
    auto* c = new QHBoxLayout;
    c->setSpacing(4);
    grid_->addLayout(c, row_, static_cast<int>(row_cells_.size()));
    row_cells_.push_back(c);
  }
  max_tab_ = std::max(max_tab_, tab_);
  return row_cells_[static_cast<std::size_t>(tab_)];
}

void LayoutWindow::end_line() {
  for (QHBoxLayout* c : row_cells_) c->addStretch(1);
  row_cells_.clear();
}

void LayoutWindow::new_line() {
  if (area_) end_positioned();
  if (row_empty_ && grid_) grid_->setRowMinimumHeight(row_, fontMetrics().height());
  end_line();
  ++row_;
  tab_ = 0;
  row_empty_ = true;
  row_centred_ = false;
}

void LayoutWindow::form_feed() {
  if (area_) {
    end_positioned();
    return;
  }
  if (para_has_box_) {
    new_paragraph();
    return;
  }
  if (row_empty_ && row_cells_.empty()) return;  // already at the left margin
  end_line();
  ++row_;
  tab_ = 0;
  row_empty_ = true;
  row_centred_ = false;
}

void LayoutWindow::start_positioned(double x, double y) {
  if (!area_) {
    end_line();
    area_ = new QWidget(this);
    root_->addWidget(area_);
    runs_.clear();
  }
  auto* w = new QWidget(area_);
  run_ = new QHBoxLayout(w);
  run_->setContentsMargins(0, 0, 0, 0);
  run_->setSpacing(2);
  runs_.push_back({w, x, y});
}

void LayoutWindow::end_positioned() {
  if (!area_) return;
  const QFontMetrics fm = fontMetrics();
  const int unit_x = fm.horizontalAdvance(QLatin1Char('0')) + 2;
  QLineEdit probe;
  const int unit_y =
      std::max(fm.lineSpacing(), static_cast<int>(std::ceil(probe.sizeHint().height() / 1.5)));
  double y0 = runs_.front().y;
  for (const Run& r : runs_) y0 = std::min(y0, r.y);
  int right = 0;
  int bottom = 0;
  for (const Run& r : runs_) {
    r.w->adjustSize();
    const int x = static_cast<int>(std::lround(r.x * unit_x));
    const int y = static_cast<int>(std::lround((r.y - y0) * unit_y));
    r.w->move(x, y);
    right = std::max(right, x + r.w->width());
    bottom = std::max(bottom, y + r.w->height());
  }
  area_->setMinimumSize(right, bottom);
  area_ = nullptr;
  run_ = nullptr;
  runs_.clear();
  // What follows starts on a new paragraph at the left margin.
  new_paragraph();
}

void LayoutWindow::place(QWidget* w, const Item& it) {
  if (box_) {
    box_->addWidget(w);
    return;
  }
  if (area_ && run_) {
    run_->addWidget(w);
    return;
  }
  QHBoxLayout* c = cell();
  if (it.follows_size) {
    c->addWidget(w, 1);
    w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    grid_->setRowStretch(row_, 1);
    para_->setStretchFactor(grid_, 1);
    root_->setStretchFactor(para_, 1);
    para_expands_ = true;
  } else {
    c->addWidget(w);
  }
  row_empty_ = false;
}

// --- controls ---

QFont LayoutWindow::font_of(const layout::Style& s) const {
  QFont f = QApplication::font();
  if (!s.font.empty()) f.setFamily(QString::fromStdString(s.font));
  if (f.pointSizeF() > 0) {
    f.setPointSizeF(f.pointSizeF() * s.size);
  } else if (f.pixelSize() > 0) {
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pixelSize() * s.size))));
  }
  f.setBold(s.bold);
  return f;
}

void LayoutWindow::style(QWidget* w, const Item& it) const {
  w->setFont(font_of(it.style));
  if (!it.background.empty()) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, named_colour(it.background));
    p.setColor(QPalette::Window, named_colour(it.background));
    w->setPalette(p);
  }
}

void LayoutWindow::set_grey(QWidget* w, int32_t* flag) {
  if (!flag) return;
  bind_int(flag, nullptr, [w, flag] { w->setEnabled(*flag == 1); });
}

QWidget* LayoutWindow::make_field(const Item& it) {
  auto* e = new QLineEdit(this);
  style(e, it);
  const QFontMetrics fm(e->font());
  // A read-only text shows all of its variable, even where the layout asks
  // for fewer characters.
  const int chars = it.read_only && it.kind == ItemKind::TextField
                        ? std::max(it.width, it.value.width)
                        : it.width;
  e->setFixedWidth(chars * fm.horizontalAdvance(QLatin1Char('0')) + 10);
  e->setReadOnly(it.read_only);
  if (it.read_only) e->setFocusPolicy(Qt::NoFocus);
  const Var var = it.value;
  const Item item = it;
  std::function<void()> show;
  std::function<bool()> take;  // writes the typed value; false when it is not valid
  switch (it.kind) {
    case ItemKind::IntField:
      // A text that already reads as the value stays as typed (no cursor jump).
      show = [e, var, item] {
        if (parse_int(e->text(), item) != *var.as_int()) {
          e->setText(QString::number(*var.as_int()));
        }
      };
      take = [e, var, item] {
        auto v = parse_int(e->text(), item);
        if (v) *var.as_int() = *v;
        return v.has_value();
      };
      break;
    case ItemKind::RealField:
      show = [e, var] {
        if (parse_real(e->text()) != *var.as_real()) e->setText(format_real(*var.as_real()));
      };
      take = [e, var] {
        auto v = parse_real(e->text());
        if (v) *var.as_real() = *v;
        return v.has_value();
      };
      break;
    default:
      if (!it.read_only) e->setMaxLength(var.width);
      show = [e, var] {
        const QString now = QString::fromStdString(layout::trimmed_text(var.as_text(), var.width));
        if (e->text() != now) e->setText(now);
      };
      take = [e, var] {
        return layout::write_text(var.as_text(), var.width, e->text().toStdString());
      };
      break;
  }
  bind(var, e, [e, show] {
    const QSignalBlocker block(e);
    show();
    set_invalid_look(e, false);
  });
  controls_[var.ptr] = e;
  set_grey(e, it.grey_flag);
  if (it.read_only) return e;

  auto dirty = std::make_shared<bool>(false);
  const Action on_change = it.on_change;
  auto commit = [this, e, var, take, show, on_change, dirty] {
    if (!*dirty) return;
    *dirty = false;
    if (!take()) {
      // Not a value: show the one the variable keeps.
      const QSignalBlocker block(e);
      show();
      set_invalid_look(e, false);
      return;
    }
    lib_.refresh_except(var.ptr, e);
    lib_.run(on_change);
  };
  if (it.check_on_focus_loss) {
    QObject::connect(e, &QLineEdit::textEdited, e, [e, dirty] {
      *dirty = true;
      set_invalid_look(e, false);
    });
    QObject::connect(e, &QLineEdit::editingFinished, e, commit);
    pending_.push_back(commit);
  } else {
    QObject::connect(e, &QLineEdit::textEdited, e, [this, e, var, take, on_change] {
      if (!take()) {
        set_invalid_look(e, true);  // kept until the text is a value again
        return;
      }
      set_invalid_look(e, false);
      lib_.refresh_except(var.ptr, e);
      lib_.run(on_change);
    });
    QObject::connect(e, &QLineEdit::editingFinished, e, [e, show] {
      if (e->toolTip().isEmpty()) return;
      const QSignalBlocker block(e);
      show();
      set_invalid_look(e, false);
    });
  }
  return e;
}

QWidget* LayoutWindow::make_toggle(const Item& it) {
  int32_t* var = it.value.as_int();
  const std::vector<int32_t*>* group = desc_.group_of(var);
  QAbstractButton* b = nullptr;
  if (group) {
    auto* r = new QRadioButton(QString::fromStdString(it.text), this);
    r->setAutoExclusive(false);  // groups are kept by the variables
    b = r;
  } else {
    b = new QCheckBox(QString::fromStdString(it.text), this);
  }
  style(b, it);
  bind_int(var, nullptr, [b, var] {
    const QSignalBlocker block(b);
    b->setChecked(*var != 0);
  });
  controls_[var] = b;
  const Action on_change = it.on_change;
  std::vector<int32_t*> members = group ? *group : std::vector<int32_t*>{};
  QObject::connect(b, &QAbstractButton::clicked, b, [this, b, var, members, on_change] {
    if (members.empty()) {
      *var = b->isChecked() ? 1 : 0;
      lib_.refresh_except(var, nullptr);
    } else {
      for (int32_t* m : members) *m = (m == var) ? 1 : 0;
      for (int32_t* m : members) lib_.refresh_except(m, nullptr);
    }
    lib_.run(on_change);
  });
  return b;
}

QWidget* LayoutWindow::make_list(const Item& it) {
  auto* list = new QListWidget(this);
  style(list, it);
  const QFontMetrics fm(list->font());
  list->setFixedSize(it.width * fm.horizontalAdvance(QLatin1Char('0')) + 28,
                     it.height * fm.lineSpacing() + 8);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  const Var texts = it.value;
  int32_t* sel = it.selection.as_int();
  auto show_selection = [list, sel] {
    const QSignalBlocker block(list);
    if (*sel >= 1 && *sel <= list->count()) {
      list->setCurrentRow(*sel - 1);
    } else {
      list->setCurrentRow(-1);
      list->clearSelection();
    }
  };
  bind(texts, list, [list, texts, show_selection] {
    const QStringList entries = list_entries(texts);
    QStringList now;
    for (int i = 0; i < list->count(); ++i) now << list->item(i)->text();
    if (now != entries) {
      const QSignalBlocker block(list);
      list->clear();
      list->addItems(entries);
    }
    show_selection();
  });
  bind_int(sel, list, show_selection);
  controls_[texts.ptr] = list;
  controls_[sel] = list;
  const Action on_change = it.on_change;
  QObject::connect(list, &QListWidget::currentRowChanged, list,
                   [this, list, sel, on_change](int row) {
                     if (row < 0) return;
                     *sel = row + 1;
                     lib_.refresh_except(sel, list);
                     lib_.run(on_change);
                   });
  return list;
}

QWidget* LayoutWindow::make_drop_down(const Item& it) {
  auto* box = new QComboBox(this);
  style(box, it);
  const Var texts = it.value;
  int32_t* sel = it.selection.as_int();
  auto show_selection = [box, sel] {
    const QSignalBlocker block(box);
    box->setCurrentIndex(*sel >= 1 && *sel <= box->count() ? *sel - 1 : -1);
  };
  bind(texts, box, [box, texts, show_selection] {
    const QStringList entries = list_entries(texts);
    QStringList now;
    for (int i = 0; i < box->count(); ++i) now << box->itemText(i);
    if (now != entries) {
      const QSignalBlocker block(box);
      box->clear();
      box->addItems(entries);
    }
    show_selection();
  });
  bind_int(sel, box, show_selection);
  controls_[texts.ptr] = box;
  controls_[sel] = box;
  QObject::connect(box, &QComboBox::activated, box, [this, box, sel](int index) {
    if (index < 0) return;
    *sel = index + 1;
    lib_.refresh_except(sel, box);
  });
  return box;
}

QWidget* LayoutWindow::make_button(const Item& it) {
  auto* b = new QPushButton(QString::fromStdString(it.text), this);
  style(b, it);
  b->setObjectName(QStringLiteral("button%1").arg(it.button_number));
  if (it.width > 0) {
    const QFontMetrics fm(b->font());
    b->setFixedWidth(
        std::max(b->sizeHint().width(), it.width * fm.horizontalAdvance(QLatin1Char('0')) + 12));
  }
  b->setAutoDefault(false);
  if (it.is_default) {
    b->setDefault(true);
    b->setAutoDefault(true);
  }
  const Action on_change = it.on_change;
  const int number = it.button_number;
  if (on_change.kind == Action::Kind::Call) {
    QObject::connect(b, &QPushButton::clicked, b, [this, on_change] {
      commit_pending();
      lib_.run(on_change);
    });
  } else {
    QObject::connect(b, &QPushButton::clicked, b, [this, number] {
      commit_pending();
      done(number);
    });
  }
  return b;
}

QWidget* LayoutWindow::make_region(const Item& it, Canvas* canvas) {
  (void)it;
  canvas->owner = this;
  return new RegionWidget(*canvas, &QtWindowLibrary::mouse_sink, &lib_, this);
}

QWidget* LayoutWindow::make_edit_box(const Item& it) {
  auto* box = new QPlainTextEdit(this);
  QFont f = font_of(it.style);
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  if (!QFontInfo(f).fixedPitch()) {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setFamily(fixed.family());
  }
  box->setFont(f);
  box->setReadOnly(it.read_only);
  box->setLineWrapMode(it.hscroll ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  box->setVerticalScrollBarPolicy(it.vscroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  box->setHorizontalScrollBarPolicy(it.hscroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  const QFontMetrics fm(f);
  const QSize size(it.width * fm.horizontalAdvance(QLatin1Char('0')) + 30,
                   it.height * fm.lineSpacing() + 12);
  if (it.follows_size) {
    box->setMinimumSize(size.width() / 4, size.height() / 4);
    resize(size.width() + 24, size.height() + 60);
  } else {
    box->setFixedSize(size);
  }
  edit_boxes_.push_back(box);
  return box;
}

void LayoutWindow::build() {
  root_ = new QVBoxLayout(this);
  root_->setSizeConstraint(QLayout::SetDefaultConstraint);
  if (desc_.no_border) root_->setContentsMargins(2, 2, 2, 2);
  build_menus();
  new_paragraph();
  std::size_t region = 0;
  for (const Item& it : desc_.items) {
    QWidget* w = nullptr;
    switch (it.kind) {
      case ItemKind::Text: {
        auto* label = new QLabel(QString::fromStdString(it.text), this);
        label->setTextFormat(Qt::PlainText);
        style(label, it);
        w = label;
        break;
      }
      case ItemKind::NewLine:
        new_line();
        break;
      case ItemKind::FormFeed:
        form_feed();
        break;
      case ItemKind::Tab:
        if (!area_) {
          ++tab_;
        }
        break;
      case ItemKind::Centre:
        row_centred_ = true;
        break;
      case ItemKind::Position:
        start_positioned(it.x, it.y);
        break;
      case ItemKind::BoxOpen: {
        if (box_) throw LayoutError("layout: a box opened inside a box");
        end_line();
        auto* frame = new QFrame(this);
        frame->setFrameShape(it.no_border ? QFrame::NoFrame : QFrame::Box);
        box_ = new QVBoxLayout(frame);
        box_->setContentsMargins(0, 0, 0, 0);
        para_->addWidget(frame, 0, Qt::AlignTop);
        para_has_box_ = true;
        break;
      }
      case ItemKind::BoxClose: {
        if (!box_) throw LayoutError("layout: %cb closes no box");
        box_ = nullptr;
        grid_ = new QGridLayout;
        grid_->setHorizontalSpacing(6);
        grid_->setVerticalSpacing(4);
        para_->addLayout(grid_);
        para_->setAlignment(grid_, Qt::AlignTop | Qt::AlignLeft);
        row_ = 0;
        tab_ = 0;
        row_empty_ = true;
        row_centred_ = false;
        break;
      }
      case ItemKind::IntField:
      case ItemKind::RealField:
      case ItemKind::TextField:
        w = make_field(it);
        break;
      case ItemKind::Toggle:
        w = make_toggle(it);
        break;
      case ItemKind::List:
        w = make_list(it);
        break;
      case ItemKind::DropDown:
        w = make_drop_down(it);
        break;
      case ItemKind::Button:
        w = make_button(it);
        break;
      case ItemKind::Region:
        w = make_region(it, regions_.at(region++));
        break;
      case ItemKind::EditBox:
        w = make_edit_box(it);
        break;
    }
    if (w) place(w, it);
  }
  if (box_) throw LayoutError("layout: a box (%ob) is never closed (%cb)");
  if (area_) end_positioned();
  end_line();
  end_paragraph();
  root_->addStretch(0);
  for (const Action& a : desc_.startup) {
    if (a.kind == Action::Kind::EditFile && edit_boxes_.empty()) {
      throw LayoutError("layout: edit_file at start-up, but the window has no edit box");
    }
  }
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
