#include "platform/qt/graphics_region.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/line_pixels.h"

namespace spindra::qt {

namespace {

constexpr std::array<QRgb, 16> kPalette = {
    qRgb(0, 0, 0),     qRgb(0, 0, 170),    qRgb(0, 170, 0),    qRgb(0, 170, 170),
    qRgb(170, 0, 0),   qRgb(170, 0, 170),  qRgb(170, 85, 0),   qRgb(170, 170, 170),
    qRgb(85, 85, 85),  qRgb(85, 85, 255),  qRgb(85, 255, 85),  qRgb(85, 255, 255),
    qRgb(255, 85, 85), qRgb(255, 85, 255), qRgb(255, 255, 85), qRgb(255, 255, 255),
};

constexpr int kComplement = 32768;

}  // namespace

QRgb palette_colour(int index) {
  return kPalette[static_cast<std::size_t>(index & 15)];
}

int palette_index(QRgb rgb) {
  for (std::size_t i = 0; i < kPalette.size(); ++i) {
    if ((kPalette[i] & 0xFFFFFFu) == (rgb & 0xFFFFFFu)) return static_cast<int>(i);
  }
  return -1;
}

Canvas::Canvas(int handle, int width, int height, layout::Action callback, bool full_mouse_input)
    : handle_(handle),
      image_(width, height, QImage::Format_RGB32),
      callback_(callback),
      full_mouse_input_(full_mouse_input) {
  image_.fill(palette_colour(15));
}

void Canvas::changed() {
  // One repaint of the whole region per batch of drawing: a redraw of the
  // model issues thousands of lines, and blitting the image is cheap.
  if (!widget_ || repaint_pending_) return;
  repaint_pending_ = true;
  widget_->update();
}

void Canvas::clear() {
  image_.fill(palette_colour(15));
  changed();
}

void Canvas::plot(int x, int y, QRgb rgb, bool complement) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
  row[x] = complement ? (row[x] ^ (rgb & 0xFFFFFFu)) : rgb;
}

void Canvas::pixel(int x, int y, int colour) {
  plot(x, y, palette_colour(colour), (colour & kComplement) != 0);
  changed();
}

void Canvas::line(int x1, int y1, int x2, int y2, int colour, int width) {
  const QRgb rgb = palette_colour(colour);
  const bool complement = (colour & kComplement) != 0;
  if (width <= 1) {
    // Every pixel once, so complementing is exact.
    for_each_line_pixel(x1, y1, x2, y2,
                        [this, rgb, complement](int x, int y) { plot(x, y, rgb, complement); });
  } else {
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (complement) p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(QColor(rgb), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (x1 == x2 && y1 == y2) {
      p.drawPoint(x1, y1);
    } else {
      p.drawLine(x1, y1, x2, y2);
    }
  }
  changed();
}

void Canvas::fill(int x1, int y1, int x2, int y2, int colour) {
  const QRgb rgb = palette_colour(colour);
  const bool complement = (colour & kComplement) != 0;
  const int left = std::max(std::min(x1, x2), 0);
  const int right = std::min(std::max(x1, x2), image_.width() - 1);
  const int top = std::max(std::min(y1, y2), 0);
  const int bottom = std::min(std::max(y1, y2), image_.height() - 1);
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) plot(x, y, rgb, complement);
  }
  changed();
}

RegionWidget::RegionWidget(Canvas& canvas, EventSink sink, void* context, QWidget* parent)
    : QWidget(parent), canvas_(canvas), sink_(sink), context_(context) {
  setFixedSize(canvas.image().size());
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(canvas.full_mouse_input());
  setCursor(Qt::CrossCursor);
  setFocusPolicy(Qt::ClickFocus);  // a click ends the editing of a field
  canvas.set_widget(this);
}

void RegionWidget::paintEvent(QPaintEvent* e) {
  canvas_.painted();
  QPainter p(this);
  p.drawImage(e->rect(), canvas_.image(), e->rect());
}

void RegionWidget::report(QMouseEvent* e, bool button_went_down, bool button_went_up) {
  MouseState s;
  const QPoint at = e->position().toPoint();
  s.x = std::clamp(at.x(), 0, canvas_.image().width() - 1);
  s.y = std::clamp(at.y(), 0, canvas_.image().height() - 1);
  last_ = {s.x, s.y};
  // The buttons count only in the event in which one went down: a move with
  // a button held, or a release, reads as the pointer alone, so a drag is one
  // click and not a click at every pixel the pointer crosses.
  const Qt::MouseButtons b = button_went_down ? e->buttons() : Qt::MouseButtons();
  if (b & Qt::LeftButton) s.flags |= 1;
  if (b & Qt::RightButton) s.flags |= 2;
  if (e->modifiers() & Qt::ShiftModifier) s.flags |= 4;
  if (e->modifiers() & Qt::ControlModifier) s.flags |= 8;
  s.released = button_went_up;
  sink_(context_, canvas_, s);
}

void RegionWidget::mousePressEvent(QMouseEvent* e) {
  report(e, true);
}
void RegionWidget::mouseReleaseEvent(QMouseEvent* e) {
  report(e, false, true);
}
void RegionWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  report(e, true);
}
void RegionWidget::mouseMoveEvent(QMouseEvent* e) {
  if (canvas_.full_mouse_input() || e->buttons() != Qt::NoButton) report(e, false);
}

}  // namespace spindra::qt

namespace spindra::qt {

void RegionWidget::wheelEvent(QWheelEvent* e) {
  if (!(e->modifiers() & Qt::ControlModifier)) {
    e->ignore();  // the scroll area scrolls
    return;
  }
  e->accept();
  // Whole steps of 120 eighths of a degree; a fine wheel adds up to them.
  wheel_rest_ += e->angleDelta().y();
  const int steps = wheel_rest_ / 120;
  wheel_rest_ -= steps * 120;
  if (steps == 0) return;
  MouseState s;
  const QPoint at = e->position().toPoint();
  s.x = std::clamp(at.x(), 0, canvas_.image().width() - 1);
  s.y = std::clamp(at.y(), 0, canvas_.image().height() - 1);
  last_ = {s.x, s.y};
  s.flags = 8;
  if (e->modifiers() & Qt::ShiftModifier) s.flags |= 4;
  s.wheel = steps;
  sink_(context_, canvas_, s);
}

void RegionWidget::report_view() {
  MouseState s;
  s.x = last_.x();
  s.y = last_.y();
  sink_(context_, canvas_, s);
}

RegionScroller::RegionScroller(RegionWidget* region, QWidget* parent)
    : QAbstractScrollArea(parent), region_(region) {
  region->setParent(viewport());
  region->move(0, 0);
  region->canvas().scroller = this;
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(20);
  take_picture();
}

QSize RegionScroller::sizeHint() const {
  const int frame = 2 * frameWidth();
  return region_->size() + QSize(frame, frame);
}

void RegionScroller::set_ranges() {
  const Canvas& c = region_->canvas();
  const QSize r = region_->size();
  const QSize vp = viewport()->size();
  // The scroll bars move a window of the region's size over the picture (of
  // the viewport's size where that is smaller).
  const int pw = std::max(c.picture.width, r.width());
  const int ph = std::max(c.picture.height, r.height());
  // Where all of it fits in the area without scroll bars none are needed
  // (the viewport is smaller only while they show).
  const int frame = 2 * frameWidth();
  if (pw <= width() - frame && ph <= height() - frame) {
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    return;
  }
  const int ew = std::max(1, std::min(vp.width(), r.width()));
  const int eh = std::max(1, std::min(vp.height(), r.height()));
  horizontalScrollBar()->setPageStep(ew);
  verticalScrollBar()->setPageStep(eh);
  horizontalScrollBar()->setRange(0, std::max(0, pw - ew));
  verticalScrollBar()->setRange(0, std::max(0, ph - eh));
}

void RegionScroller::place(bool report) {
  Canvas& c = region_->canvas();
  const QSize r = region_->size();
  const int pw = std::max(c.picture.width, r.width());
  const int ph = std::max(c.picture.height, r.height());
  const int sx = horizontalScrollBar()->value();
  const int sy = verticalScrollBar()->value();
  // The program draws the part from (ox, oy); the rest of the way the
  // region itself moves (a window smaller than the region).
  const int ox = std::clamp(sx, 0, pw - r.width());
  const int oy = std::clamp(sy, 0, ph - r.height());
  region_->move(ox - sx, oy - sy);
  const bool changed = ox != c.shown_x || oy != c.shown_y;
  c.shown_x = ox;
  c.shown_y = oy;
  if (report && changed) {
    // After the scroll bar's own event: the program's redraw sets the
    // scroll bars again.
    QPointer<RegionWidget> w = region_;
    QTimer::singleShot(0, region_, [w] {
      if (w) w->report_view();
    });
  }
}

void RegionScroller::take_picture() {
  Canvas& c = region_->canvas();
  // The region keeps its place in the viewport.
  const int dx = std::max(0, horizontalScrollBar()->value() - c.shown_x);
  const int dy = std::max(0, verticalScrollBar()->value() - c.shown_y);
  taking_ = true;
  c.shown_x = c.picture.x;
  c.shown_y = c.picture.y;
  set_ranges();
  horizontalScrollBar()->setValue(c.picture.x + dx);
  verticalScrollBar()->setValue(c.picture.y + dy);
  taking_ = false;
  place(false);
  if (c.shown_x != c.picture.x || c.shown_y != c.picture.y) {
    QPointer<RegionWidget> w = region_;
    QTimer::singleShot(0, region_, [w] {
      if (w) w->report_view();
    });
  }
}

void RegionScroller::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  set_ranges();
  place(!taking_);
}

void RegionScroller::scrollContentsBy(int, int) {
  place(!taking_);
}

}  // namespace spindra::qt
