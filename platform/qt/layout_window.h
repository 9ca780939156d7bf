// One window or modal dialog built from a layout description, with the
// bindings between its controls and the program's variables.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <vector>

#include "platform/layout.h"

class QBoxLayout;
class QGridLayout;
class QHBoxLayout;
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
  // The file dialog with the window's filters; the chosen path goes into
  // `path`.  False when cancelled or when the path does not fit (said).
  bool choose_path(bool reading, const layout::Var& path);

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
  void build_menus();
  void add_menu_item(QMenu* menu, QMenuBar* bar, const layout::MenuItem& m);
  void perform(const layout::Action& action);
  void file_action(const layout::Action& action);
  bool may_leave();
  void edit_file(const layout::Action& action);

  // Flow of items into lines, columns, boxes and positioned runs.
  void place(QWidget* w, const layout::Item& it);
  void end_line();
  void new_line();
  void form_feed();
  void new_paragraph();
  void end_paragraph();
  QHBoxLayout* cell();
  void start_positioned(double x, double y);
  void end_positioned();

  QWidget* make_field(const layout::Item& it);
  QWidget* make_toggle(const layout::Item& it);
  QWidget* make_list(const layout::Item& it);
  QWidget* make_drop_down(const layout::Item& it);
  QWidget* make_button(const layout::Item& it);
  QWidget* make_region(const layout::Item& it, Canvas* canvas);
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
  Callback close_check_ = nullptr;

  // Flow state while building.
  QVBoxLayout* root_ = nullptr;
  QHBoxLayout* para_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QVBoxLayout* box_ = nullptr;
  bool para_has_box_ = false;
  bool para_expands_ = false;
  int row_ = 0;
  int tab_ = 0;
  int max_tab_ = 0;
  bool row_centred_ = false;
  bool row_empty_ = true;
  std::vector<QHBoxLayout*> row_cells_;
  QWidget* area_ = nullptr;  // positioned items
  struct Run {
    QWidget* w;
    double x;
    double y;
  };
  std::vector<Run> runs_;
  QHBoxLayout* run_ = nullptr;
};

}  // namespace spindra::qt
