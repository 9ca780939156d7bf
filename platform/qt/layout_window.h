// One window or modal dialog built from a layout description, with the
// bindings between its controls and the program's variables.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <vector>

#include "platform/layout.h"

class QVBoxLayout;
class QMenuBar;
class QMenu;
class QLineEdit;
class QPlainTextEdit;

namespace spindra::qt {

class Canvas;
class QtWindowLibrary;

class LayoutWindow : public QDialog {
 public:
  LayoutWindow(QtWindowLibrary& library, layout::WindowDescription desc,
               std::vector<Canvas*> regions);
  ~LayoutWindow() override;

  const layout::WindowDescription& description() const { return desc_; }
  // Shows the new value of `var` in every control bound to it, except in
  // `except` (the control the value came from).
  void refresh(const void* var, const QObject* except);
  // The newest control whose value is `var`.
  QWidget* control_for(const void* var) const;
  // Runs the start-up actions (once, as the window shows).
  void start();
  // Takes the values of fields edited but not yet taken (focus-loss fields).
  void commit_pending();
  void close_with(int result);
  bool closing() const { return closing_; }
  // Run before the window closes by "EXIT" or its frame and before a
  // "FILE_OPENR" dialog: 0 keeps everything as it is.
  void set_close_check(Callback check) { close_check_ = check; }
  // Run when the first button (OK) is pressed and every number field reads:
  // 0 keeps the window open.
  void set_ok_check(Callback check) { ok_check_ = check; }
  // Selects the text of the field bound to `var` and gives it the focus;
  // false when this window has none.
  bool select_field(const void* var);
  // Reads every number field that takes input; at the first whose text is no
  // value of its kind, says so in a message, selects it and gives false.
  bool fields_read();
  // The file dialog with the window's filters (only the one named `only`
  // when it is given); the chosen path goes into `path`.  False when
  // cancelled or when the path does not fit (said).
  bool choose_path(bool reading, const layout::Var& path, std::string_view only = {});

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void reject() override;
  void done(int r) override;

 private:
  struct Binding {
    const char* lo;
    const char* hi;
    const QObject* owner;
    std::function<void()> show;
  };
  void bind(const layout::Var& var, const QObject* owner, std::function<void()> show);
  void bind_int(int32_t* var, const QObject* owner, std::function<void()> show);

  void build();
  void bind_window();
  void build_menus();
  void add_menu_item(QMenu* menu, QMenuBar* bar, const layout::MenuItem& m);
  void perform(const layout::Action& action);
  void file_action(const layout::Action& action);
  bool may_leave();
  void edit_file(const layout::Action& action);

  // The controls (controls.cpp).  make_control gives nullptr for a flow
  // item; `region` counts the graphics regions made so far.
  QWidget* make_control(const layout::Item& it, std::size_t& region);
  QWidget* make_field(const layout::Item& it);
  void connect_field(QLineEdit* e, const layout::Item& it, const std::function<void()>& show,
                     const std::function<bool()>& take);
  // Refuses the text of number field `e` (item `it`) in a message, shows the
  // variable's value again and selects it.
  void refuse_text(QLineEdit* e, const layout::Item& it, const std::function<void()>& show);
  // Shows the refusal `message` of field `e` and selects it for typing; while
  // a menu is open or a menu item's action runs, once the menu has closed
  // and the action has returned.
  void show_refusal(QLineEdit* e, const std::string& message);
  bool has_ok_button() const;
  QWidget* make_toggle(const layout::Item& it);
  template <class Choices>
  std::function<void(int)> bind_choices(Choices* w, const layout::Item& it);
  QWidget* make_list(const layout::Item& it);
  QWidget* make_drop_down(const layout::Item& it);
  QWidget* make_button(const layout::Item& it);
  QWidget* make_region(Canvas* canvas);
  QWidget* make_edit_box(const layout::Item& it);
  void style(QWidget* w, const layout::Item& it) const;
  QFont font_of(const layout::Style& s) const;
  void set_grey(QWidget* w, int32_t* flag);

  QtWindowLibrary& lib_;
  layout::WindowDescription desc_;
  std::vector<Canvas*> regions_;
  std::vector<Binding> bindings_;
  std::map<const void*, QWidget*> controls_;
  std::vector<std::function<void()>> pending_;  // commits of focus-loss fields
  std::vector<QPlainTextEdit*> edit_boxes_;
  bool closing_ = false;
  bool started_ = false;
  // Above 0 while a menu item's action runs: a refusal met then is shown
  // once the action (and the menu's own handling of its event) is over.
  int menu_actions_ = 0;
  Callback close_check_ = nullptr;
  Callback ok_check_ = nullptr;
  // The number fields that take input, with their items.
  std::vector<std::pair<QLineEdit*, std::size_t>> number_fields_;

  QVBoxLayout* root_ = nullptr;
};

}  // namespace spindra::qt
