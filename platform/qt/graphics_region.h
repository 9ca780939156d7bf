// The graphics region: a pixel canvas the program draws on (origin top left,
// y down, 16 palette colours) and the widget that shows it and reports the
// mouse.  The canvas exists from the moment its layout piece is read, so
// drawing before the window shows is kept; the widget repaints from the
// canvas, so nothing drawn is lost when the window is covered or resized.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/layout.h"

namespace spindra::qt {

class RegionScroller;

// Colour number 0 to 15 of the standard palette (15 white, the background).
QRgb palette_colour(int index);
// The palette index of an RGB value, or -1 when it is none of the 16.
int palette_index(QRgb rgb);

class Canvas {
 public:
  Canvas(int handle, int width, int height, layout::Action callback, bool full_mouse_input);

  int handle() const { return handle_; }
  const QImage& image() const { return image_; }
  const layout::Action& callback() const { return callback_; }
  bool full_mouse_input() const { return full_mouse_input_; }

  // Drawing; colour is a palette index, plus 32768 to complement (exclusive
  // or) the pixels with that colour instead of painting it.  Points outside
  // the canvas are clipped.
  void clear();
  void line(int x1, int y1, int x2, int y2, int colour, int width);
  void pixel(int x, int y, int colour);
  void fill(int x1, int y1, int x2, int y2, int colour);

  // The picture the region shows a part of (set_region_view): its size and
  // the part the program drew; a size of 0 is the region itself.  `shown_x`
  // and `shown_y` are the part the scroll bars show now.
  struct Picture {
    int width = 0, height = 0, x = 0, y = 0;
  };
  Picture picture;
  int shown_x = 0, shown_y = 0;
  QPointer<RegionScroller> scroller;

  void set_widget(QWidget* w) { widget_ = w; }
  void painted() { repaint_pending_ = false; }
  QWidget* widget() const { return widget_; }
  void* owner = nullptr;  // the window showing it, once built

 private:
  void plot(int x, int y, QRgb rgb, bool complement);
  void changed();

  int handle_;
  QImage image_;
  layout::Action callback_;
  bool full_mouse_input_;
  QPointer<QWidget> widget_;
  bool repaint_pending_ = false;
};

// The latest mouse event in any region, for the named mouse queries.
struct MouseState {
  int x = 0;
  int y = 0;
  int flags = 0;          // 1 left, 2 right, 4 shift, 8 control
  bool released = false;  // a button went up in this event
  int wheel = 0;  // wheel steps with the control key, away from the user positive
};

class RegionWidget : public QWidget {
 public:
  using EventSink = void (*)(void* context, Canvas& canvas, const MouseState& state);
  RegionWidget(Canvas& canvas, EventSink sink, void* context, QWidget* parent = nullptr);
  Canvas& canvas() { return canvas_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  // With the control key the wheel zooms (an event for the program); without
  // it the event goes on to the scroll area, which scrolls.
  void wheelEvent(QWheelEvent* e) override;

 public:
  // An event for the program that the part of the picture shown changed:
  // the pointer where it last was, no button.
  void report_view();

 private:
  void report(QMouseEvent* e, bool button_went_down, bool button_went_up = false);
  Canvas& canvas_;
  EventSink sink_;
  void* context_;
  QPoint last_;         // pointer of the last event reported
  int wheel_rest_ = 0;  // wheel turn short of a whole step
};

// The region in a scroll area whose scroll bars reach the whole picture of
// the region (Canvas::picture).  The region keeps its pixels: it is moved
// only where the window is smaller than the region; beyond that the scroll
// bars ask the program to draw another part of the picture in it.
class RegionScroller : public QAbstractScrollArea {
 public:
  RegionScroller(RegionWidget* region, QWidget* parent);
  // Takes the canvas's picture: ranges and positions of the scroll bars.
  void take_picture();
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return {80, 60}; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Places the region for the scroll bars' values; reports a change of the
  // part shown to the program.
  void place(bool report);
  void set_ranges();
  RegionWidget* region_;
  bool taking_ = false;
};

}  // namespace spindra::qt
