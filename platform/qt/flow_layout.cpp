#include "platform/qt/flow_layout.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace spindra::qt {

using layout::Item;
using layout::ItemKind;
using layout::LayoutError;

FlowLayout::FlowLayout(QWidget* window, QVBoxLayout* root) : window_(window), root_(root) {
  new_paragraph();
}

bool FlowLayout::apply(const Item& it) {
  switch (it.kind) {
    case ItemKind::NewLine:
      new_line();
      return true;
    case ItemKind::FormFeed:
      form_feed();
      return true;
    case ItemKind::Tab:
      if (!area_) ++tab_;
      return true;
    case ItemKind::Centre:
      row_centred_ = true;
      return true;
    case ItemKind::Position:
      start_positioned(it.x, it.y);
      return true;
    case ItemKind::BoxOpen:
      open_box(it.no_border);
      return true;
    case ItemKind::BoxClose:
      close_box();
      return true;
    default:
      return false;
  }
}

void FlowLayout::finish() {
  if (box_) throw LayoutError("layout: a box (%ob) is never closed (%cb)");
  if (area_) end_positioned();
  end_line();
  end_paragraph();
  root_->addStretch(0);
}

void FlowLayout::end_paragraph() {
  // Lines keep to the left; only a control that follows the window's size
  // takes the spare width.
  if (para_ && !para_expands_) para_->addStretch(1);
  // Lines keep to the top too: beside a tall box the spare height goes below
  // the last line, not between the lines.
  if (grid_ && !para_expands_) grid_->setRowStretch(grid_->rowCount(), 1);
}

// A new column of lines in the current paragraph, starting at its top.
void FlowLayout::new_grid() {
  grid_ = new QGridLayout;
  grid_->setHorizontalSpacing(6);
  grid_->setVerticalSpacing(4);
  para_->addLayout(grid_);
  para_->setAlignment(grid_, Qt::AlignTop | Qt::AlignLeft);
  row_ = 0;
  tab_ = 0;
  row_empty_ = true;
  row_centred_ = false;
}

void FlowLayout::new_paragraph() {
  end_line();
  end_paragraph();
  para_expands_ = false;
  para_ = new QHBoxLayout;
  para_->setSpacing(6);
  root_->addLayout(para_);
  para_has_box_ = false;
  new_grid();
}

void FlowLayout::open_box(bool no_border) {
  if (box_) throw LayoutError("layout: a box opened inside a box");
  end_line();
  auto* frame = new QFrame(window_);
  frame->setFrameShape(no_border ? QFrame::NoFrame : QFrame::Box);
  box_ = new QVBoxLayout(frame);
  box_->setContentsMargins(0, 0, 0, 0);
  para_->addWidget(frame, 0, Qt::AlignTop);
  para_has_box_ = true;
}

// The lines after a box continue to its right.
void FlowLayout::close_box() {
  if (!box_) throw LayoutError("layout: %cb closes no box");
  box_ = nullptr;
  new_grid();
}

QHBoxLayout* FlowLayout::cell() {
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
  return row_cells_[static_cast<std::size_t>(tab_)];
}

void FlowLayout::end_line() {
  // Items keep to the left of their cell, unless one of them follows the
  // window's size and takes the spare width itself.
  // A centred line's leading stretch is balanced by one after its items.
  const int first = row_centred_ ? 1 : 0;
  for (QHBoxLayout* c : row_cells_) {
    bool expands = false;
    for (int i = first; i < c->count(); ++i) expands = expands || c->stretch(i) > 0;
    if (!expands) c->addStretch(1);
  }
  row_cells_.clear();
}

void FlowLayout::new_line() {
  if (area_) end_positioned();
  if (row_empty_ && grid_) grid_->setRowMinimumHeight(row_, window_->fontMetrics().height());
  end_line();
  ++row_;
  tab_ = 0;
  row_empty_ = true;
  row_centred_ = false;
}

void FlowLayout::form_feed() {
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

void FlowLayout::start_positioned(double x, double y) {
  if (!area_) {
    end_line();
    area_ = new QWidget(window_);
    root_->addWidget(area_);
    runs_.clear();
  }
  auto* w = new QWidget(area_);
  run_ = new QHBoxLayout(w);
  run_->setContentsMargins(0, 0, 0, 0);
  run_->setSpacing(2);
  runs_.push_back({w, x, y});
}

void FlowLayout::end_positioned() {
  if (!area_) return;
  const QFontMetrics fm = window_->fontMetrics();
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

void FlowLayout::place(QWidget* w, bool follows_size) {
  if (box_) {
    box_->addWidget(w);
    return;
  }
  if (area_ && run_) {
    run_->addWidget(w);
    return;
  }
  QHBoxLayout* c = cell();
  if (follows_size) {
    para_->setAlignment(grid_, Qt::Alignment());  // the line takes the window's width
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

}  // namespace spindra::qt
