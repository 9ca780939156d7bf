// The flow of a window's items: lines, tab columns, centred lines, boxes
// whose following lines continue to their right, and runs of positioned
// items.  The controls themselves come from the window (controls.cpp); this
// only decides where they go.
#pragma once

#include <vector>

#include "platform/layout.h"

class QGridLayout;
class QHBoxLayout;
class QVBoxLayout;
class QWidget;

namespace spindra::qt {

class FlowLayout {
 public:
  // Lays out into `root`, the top-level layout of `window`.
  FlowLayout(QWidget* window, QVBoxLayout* root);

  // Takes a flow item (new line, form feed, tab, centre, position, box);
  // false when the item is a control, which the caller makes and place()s.
  bool apply(const layout::Item& it);
  // Puts a control at the current place; `follows_size`: it takes the spare
  // width and height of the window.
  void place(QWidget* w, bool follows_size);
  // Closes what is still open once the last item is placed.
  void finish();

 private:
  void end_line();
  void new_line();
  void form_feed();
  void new_grid();
  void new_paragraph();
  void end_paragraph();
  void open_box(bool no_border);
  void close_box();
  QHBoxLayout* cell();
  void start_positioned(double x, double y);
  void end_positioned();

  QWidget* window_;
  QVBoxLayout* root_;
  QHBoxLayout* para_ = nullptr;
  QGridLayout* grid_ = nullptr;
  QVBoxLayout* box_ = nullptr;
  bool para_has_box_ = false;
  bool para_expands_ = false;
  int row_ = 0;
  int tab_ = 0;
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
