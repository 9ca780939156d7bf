#include "platform/qt/graphics_region.h"

#include <QMouseEvent>
#include <QPainter>
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
