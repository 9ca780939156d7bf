#include "platform/qt/controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTextDocument>
#include <QTimer>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/qt/graphics_region.h"
#include "platform/qt/layout_window.h"
#include "platform/qt/qt_window_library.h"

namespace spindra::qt {

using layout::Action;
using layout::Item;
using layout::ItemKind;
using layout::Var;

QColor named_colour(const std::string& name) {
  if (name == "white") return Qt::white;
  if (name == "grey") return QColor(192, 192, 192);
  return QApplication::palette().color(QPalette::Button);  // btnface
}

namespace {

// The value of a number field's text, when the whole text is one of its
// kind (layout::read_number_field).
std::optional<double> parse_real(const QString& text, const Item& it) {
  const layout::FieldReading r = layout::read_number_field(it, text.toStdString());
  if (!r.ok) return std::nullopt;
  return r.value;
}

std::optional<int32_t> parse_int(const QString& text, const Item& it) {
  const layout::FieldReading r = layout::read_number_field(it, text.toStdString());
  if (!r.ok) return std::nullopt;
  return static_cast<int32_t>(r.value);
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

// The shown entries and the shown selection of a list or a drop-down.
QStringList shown_entries(const QListWidget* list) {
  QStringList now;
  for (int i = 0; i < list->count(); ++i) now << list->item(i)->text();
  return now;
}
QStringList shown_entries(const QComboBox* box) {
  QStringList now;
  for (int i = 0; i < box->count(); ++i) now << box->itemText(i);
  return now;
}
void show_row(QListWidget* list, int row) {
  list->setCurrentRow(row);
  if (row < 0) list->clearSelection();
}
void show_row(QComboBox* box, int row) {
  box->setCurrentIndex(row);
}

// Sets a colour for a control that takes input (active and inactive
// windows) and leaves the greyed look of a disabled one to the style.
void set_enabled_colour(QPalette& p, QPalette::ColorRole role, const QColor& c) {
  p.setColor(QPalette::Active, role, c);
  p.setColor(QPalette::Inactive, role, c);
}

void set_invalid_look(QLineEdit* e, bool invalid) {
  e->setToolTip(invalid ? QStringLiteral("Not a value of this field: OK refuses it")
                        : QString());
  QPalette p = e->palette();
  set_enabled_colour(p, QPalette::Text,
                     invalid ? QColor(200, 0, 0) : QApplication::palette().color(QPalette::Text));
  e->setPalette(p);
}

// An edit box whose window starts at the size the layout asks for.
class EditBox : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  QSize hint;
  QSize sizeHint() const override { return hint; }
};

// Width in pixels of `chars` digits in the font of `w`.
int digits_width(const QWidget* w, int chars) {
  return chars * w->fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

// Sizes of controls that show a number of characters or lines.  The style
// gives the frames, scroll bars and margins around the text; the room added
// to the text is the same in every style (the inner margins of a line edit
// and its cursor, the margins of list entries, a little air in an edit box).
constexpr int kFieldTextRoom = 8;
constexpr int kListTextRoom = 12;
constexpr int kListLineRoom = 6;
constexpr int kEditTextRoom = 6;
constexpr int kEditLineRoom = 2;

int field_width(QLineEdit* e, int chars) {
  QStyleOptionFrame opt;
  opt.initFrom(e);
  opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
  const QSize text(digits_width(e, chars) + kFieldTextRoom, e->fontMetrics().height());
  return e->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, text, e).width();
}

// A button at least as wide as `chars` digits, and never narrower than the
// style makes it for its own label.
int button_width(QPushButton* b, int chars) {
  QStyleOptionButton opt;
  opt.initFrom(b);
  opt.text = b->text();
  const QSize text(digits_width(b, chars), b->fontMetrics().height());
  const int wide = b->style()->sizeFromContents(QStyle::CT_PushButton, &opt, text, b).width();
  return std::max(b->sizeHint().width(), wide);
}

// A scroll area showing `chars` by `lines` of text with a vertical scroll
// bar, plus the room around its text.
QSize scroll_area_size(QAbstractScrollArea* w, int chars, int lines, QSize room) {
  const int frame = 2 * w->frameWidth();
  const int bar = w->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, w);
  return {digits_width(w, chars) + room.width() + frame + bar,
          lines * w->fontMetrics().lineSpacing() + room.height() + frame};
}

}  // namespace

QWidget* LayoutWindow::make_control(const Item& it, std::size_t& region) {
  switch (it.kind) {
    case ItemKind::Text: {
      auto* label = new QLabel(QString::fromStdString(it.text), this);
      label->setTextFormat(Qt::PlainText);
      style(label, it);
      return label;
    }
    case ItemKind::IntField:
    case ItemKind::RealField:
    case ItemKind::TextField:
      return make_field(it);
    case ItemKind::Toggle:
      return make_toggle(it);
    case ItemKind::List:
      return make_list(it);
    case ItemKind::DropDown:
      return make_drop_down(it);
    case ItemKind::Button:
      return make_button(it);
    case ItemKind::Region:
      return make_region(regions_.at(region++));
    case ItemKind::EditBox:
      return make_edit_box(it);
    default:
      return nullptr;  // flow items are the flow layout's
  }
}

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
    set_enabled_colour(p, QPalette::Base, named_colour(it.background));
    set_enabled_colour(p, QPalette::Window, named_colour(it.background));
    w->setPalette(p);
  }
}

void LayoutWindow::set_grey(QWidget* w, int32_t* flag) {
  if (!flag) return;
  bind_int(flag, nullptr, [w, flag] { w->setEnabled(*flag == 1); });
}

// --- fields ---

namespace {

// How a field shows its variable and takes a typed value (false when the
// text is not a valid value).
struct FieldAccess {
  std::function<void()> show;
  std::function<bool()> take;
};

FieldAccess field_access(QLineEdit* e, const Item& it) {
  const Var var = it.value;
  switch (it.kind) {
    case ItemKind::IntField:
      // A text that already reads as the value stays as typed (no cursor jump).
      return {[e, var, it] {
                if (parse_int(e->text(), it) != *var.as_int()) {
                  e->setText(QString::number(*var.as_int()));
                }
              },
              [e, var, it] {
                auto v = parse_int(e->text(), it);
                if (v) *var.as_int() = *v;
                return v.has_value();
              }};
    case ItemKind::RealField:
      return {[e, var, it] {
                if (parse_real(e->text(), it) != *var.as_real()) {
                  e->setText(format_real(*var.as_real()));
                }
              },
              [e, var, it] {
                auto v = parse_real(e->text(), it);
                if (v) *var.as_real() = *v;
                return v.has_value();
              }};
    default:
      return {[e, var] {
                const QString now =
                    QString::fromStdString(layout::trimmed_text(var.as_text(), var.width));
                if (e->text() != now) e->setText(now);
              },
              [e, var] {
                return layout::write_text(var.as_text(), var.width, e->text().toStdString());
              }};
  }
}

}  // namespace

QWidget* LayoutWindow::make_field(const Item& it) {
  auto* e = new QLineEdit(this);
  style(e, it);
  // A read-only text shows all of its variable, even where the layout asks
  // for fewer characters.
  const int chars = it.read_only && it.kind == ItemKind::TextField
                        ? std::max(it.width, it.value.width)
                        : it.width;
  e->setFixedWidth(field_width(e, chars));
  e->setReadOnly(it.read_only);
  if (it.read_only) e->setFocusPolicy(Qt::NoFocus);
  if (it.kind == ItemKind::TextField && !it.read_only) e->setMaxLength(it.value.width);
  const FieldAccess access = field_access(e, it);
  bind(it.value, e, [e, show = access.show] {
    const QSignalBlocker block(e);
    show();
    set_invalid_look(e, false);
  });
  controls_[it.value.ptr] = e;
  set_grey(e, it.grey_flag);
  if (!it.read_only) connect_field(e, it, access.show, access.take);
  if (!it.read_only && it.kind != ItemKind::TextField) {
    number_fields_.emplace_back(e, static_cast<std::size_t>(&it - desc_.items.data()));
  }
  return e;
}

// Gives `e` the focus with its text selected, now and once more after the
// events of a message that just closed (the window getting the focus back
// would otherwise leave the selection behind).
static void select_for_typing(QLineEdit* e) {
  e->setFocus(Qt::OtherFocusReason);
  e->selectAll();
  QTimer::singleShot(0, e, [e] {
    e->window()->activateWindow();
    e->setFocus(Qt::OtherFocusReason);
    e->selectAll();
  });
}

bool LayoutWindow::has_ok_button() const {
  for (const Item& it : desc_.items) {
    if (it.kind == ItemKind::Button && it.on_change.kind == Action::Kind::None) return true;
  }
  return false;
}

void LayoutWindow::refuse_text(QLineEdit* e, const Item& it, const std::function<void()>& show) {
  const std::string typed = e->text().toStdString();
  const layout::FieldReading r = layout::read_number_field(it, typed);
  const std::string message = layout::refusal_message(desc_, it, typed, r);
  {
    const QSignalBlocker block(e);
    show();
    set_invalid_look(e, false);
  }
  show_refusal(e, message);
}

void LayoutWindow::show_refusal(QLineEdit* e, const std::string& message) {
  if (menu_actions_ > 0 || QApplication::activePopupWidget() != nullptr) {
    // The field lost its focus to a menu that opens (the menu bar is still
    // handling the key or click), or a menu item's action runs: a modal
    // message now would run its own event loop inside the menu bar's event
    // handling and can leave the menu bar in a state in which its next
    // shortcut crashes the toolkit.  So the message waits until the menu
    // has closed and the action is over (and any window it opened closed).
    QPointer<QLineEdit> field(e);
    QTimer::singleShot(20, this, [this, field, message] {
      if (field && !closing_) show_refusal(field, message);
    });
    return;
  }
  lib_.show_message(desc_.caption, message);
  if (closing_) return;
  select_for_typing(e);
}

bool LayoutWindow::fields_read() {
  for (const auto& [e, index] : number_fields_) {
    if (!e->isEnabled()) continue;  // a greyed field takes nothing
    const Item& it = desc_.items[index];
    const std::string typed = e->text().toStdString();
    const layout::FieldReading r = layout::read_number_field(it, typed);
    if (r.ok) continue;
    lib_.show_message(desc_.caption, layout::refusal_message(desc_, it, typed, r));
    select_for_typing(e);
    return false;
  }
  return true;
}

bool LayoutWindow::select_field(const void* var) {
  auto* e = qobject_cast<QLineEdit*>(control_for(var));
  if (!e) return false;
  select_for_typing(e);
  return true;
}

// Takes typed values: at each keystroke that leaves a valid value, or (for a
// focus-loss field) when editing ends or a command runs.
void LayoutWindow::connect_field(QLineEdit* e, const Item& it, const std::function<void()>& show,
                                 const std::function<bool()>& take) {
  const Var var = it.value;
  const Action on_change = it.on_change;
  if (it.check_on_focus_loss) {
    auto dirty = std::make_shared<bool>(false);
    const ItemKind kind = it.kind;
    auto commit = [this, e, var, take, show, on_change, dirty, kind, &it] {
      if (!*dirty) return;
      *dirty = false;
      if (!take()) {
        // Not a value: say so, show the one the variable keeps and select
        // it for typing again.
        if (kind == ItemKind::TextField) {
          const QSignalBlocker block(e);
          show();
          set_invalid_look(e, false);
        } else {
          refuse_text(e, it, show);
        }
        return;
      }
      lib_.refresh_except(var.ptr, e);
      lib_.run(on_change);
    };
    QObject::connect(e, &QLineEdit::textEdited, e, [e, dirty] {
      *dirty = true;
      set_invalid_look(e, false);
    });
    QObject::connect(e, &QLineEdit::editingFinished, e, commit);
    pending_.push_back(commit);
    return;
  }
  QObject::connect(e, &QLineEdit::textEdited, e, [this, e, var, take, on_change] {
    if (!take()) {
      set_invalid_look(e, true);  // kept until the text is a value again
      return;
    }
    set_invalid_look(e, false);
    lib_.refresh_except(var.ptr, e);
    lib_.run(on_change);
  });
  // A text that is no value stays as typed, marked, for OK to refuse it; in a
  // window without an OK button it is refused when editing ends.
  QObject::connect(e, &QLineEdit::editingFinished, e, [this, e, show, &it] {
    if (e->toolTip().isEmpty()) return;
    if (it.kind != ItemKind::TextField && !has_ok_button()) {
      refuse_text(e, it, show);
      return;
    }
    if (it.kind == ItemKind::TextField) {
      const QSignalBlocker block(e);
      show();
      set_invalid_look(e, false);
    }
  });
}

// --- toggles ---

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

// --- lists and drop-downs ---

// Binds a list or drop-down to its text array and its 1-based selection;
// returns what to run when the user picks row `row` (0-based).
template <class Choices>
std::function<void(int)> LayoutWindow::bind_choices(Choices* w, const Item& it) {
  const Var texts = it.value;
  int32_t* sel = it.selection.as_int();
  auto show_selection = [w, sel] {
    const QSignalBlocker block(w);
    show_row(w, *sel >= 1 && *sel <= w->count() ? *sel - 1 : -1);
  };
  bind(texts, w, [w, texts, show_selection] {
    const QStringList entries = list_entries(texts);
    if (shown_entries(w) != entries) {
      const QSignalBlocker block(w);
      w->clear();
      w->addItems(entries);
    }
    show_selection();
  });
  bind_int(sel, w, show_selection);
  controls_[texts.ptr] = w;
  controls_[sel] = w;
  return [this, w, sel, on_change = it.on_change](int row) {
    if (row < 0) return;
    *sel = row + 1;
    lib_.refresh_except(sel, w);
    lib_.run(on_change);
  };
}

QWidget* LayoutWindow::make_list(const Item& it) {
  auto* list = new QListWidget(this);
  style(list, it);
  list->setFixedSize(
      scroll_area_size(list, it.width, it.height, QSize(kListTextRoom, kListLineRoom)));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  QObject::connect(list, &QListWidget::currentRowChanged, list, bind_choices(list, it));
  return list;
}

QWidget* LayoutWindow::make_drop_down(const Item& it) {
  auto* box = new QComboBox(this);
  style(box, it);
  QObject::connect(box, &QComboBox::activated, box, bind_choices(box, it));
  return box;
}

// --- buttons, regions, edit boxes ---

QWidget* LayoutWindow::make_button(const Item& it) {
  auto* b = new QPushButton(QString::fromStdString(it.text), this);
  style(b, it);
  b->setObjectName(QStringLiteral("button%1").arg(it.button_number));
  if (it.width > 0) b->setFixedWidth(button_width(b, it.width));
  b->setAutoDefault(false);
  if (it.is_default) {
    b->setDefault(true);
    b->setAutoDefault(true);
  }
  const Action on_change = it.on_change;
  const int number = it.button_number;
  const bool ok = number == layout::ok_button_number(desc_);
  // A button that goes on with the values typed (OK, or one that runs a
  // callback) first reads every number field and refuses a text that is no
  // value; the other closing buttons (Cancel) close without reading them.
  if (on_change.kind == Action::Kind::Call) {
    QObject::connect(b, &QPushButton::clicked, b, [this, on_change] {
      if (!fields_read()) return;
      commit_pending();
      lib_.run(on_change);
    });
  } else {
    QObject::connect(b, &QPushButton::clicked, b, [this, number, ok] {
      if (ok) {
        if (!fields_read()) return;
        commit_pending();
        if (ok_check_ && ok_check_() == 0) return;
      } else {
        commit_pending();
      }
      done(number);
    });
  }
  return b;
}

QWidget* LayoutWindow::make_region(Canvas* canvas) {
  canvas->owner = this;
  // The region in a scroll area: it shows whole while the window has room
  // for it, and in a smaller window scroll bars reach all of it; they also
  // pan over a picture larger than the region (a zoomed model).
  auto* area = new RegionScroller(
      new RegionWidget(*canvas, &QtWindowLibrary::mouse_sink, &lib_), this);
  area->setFrameShape(QFrame::NoFrame);
  area->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  return area;
}

QWidget* LayoutWindow::make_edit_box(const Item& it) {
  auto* box = new EditBox(this);
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
  // Room for the characters and lines asked for, beside the text margins,
  // the frame and the scroll bars.
  const int margins = 2 * static_cast<int>(box->document()->documentMargin());
  const int hbar =
      it.hscroll ? box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box) : 0;
  const QSize size = scroll_area_size(
      box, it.width, it.height, QSize(margins + kEditTextRoom, margins + kEditLineRoom + hbar));
  box->hint = size;
  if (it.follows_size) {
    box->setMinimumSize(size.width() / 4, size.height() / 4);
  } else {
    box->setFixedSize(size);
  }
  edit_boxes_.push_back(box);
  return box;
}

}  // namespace spindra::qt
