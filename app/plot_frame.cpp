#include "app/plot_frame.h"

#include <algorithm>
#include <cmath>

#include "analysis/campbell.h"
#include "graphics/display/display.h"
#include "graphics/display/pens.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

int32_t decimals_of(double step) {
  if (step >= 1.0) return -1;
  return std::min(3, static_cast<int32_t>(std::ceil(-std::log10(step) - 1e-9)));
}

void line(float x1, float y1, float x2, float y2) {
  VECTO2(x1, y1, 0);
  VECTO2(x2, y2, 1);
}

void clip_to(float left, float right, float bottom, float top) {
  gsl::RQLCLX = left;
  gsl::RQMCLX = right;
  gsl::RQLCLY = bottom;
  gsl::RQMCLY = top;
}

void clip_to_plot(const PlotFrame& frame, bool plot) {
  if (plot) {
    clip_to(frame.left, frame.right, frame.bottom, frame.top);
  } else {
    clip_to(gsl::RQMINX, gsl::RQMAXX, gsl::RQMINY, gsl::RQMAXY);
  }
}

void mark_speed_range(const PlotFrame& frame, double from, double to, AxisMap x_of, float high,
                      int32_t pen) {
  if (!(to > from)) return;
  COLOUR(pen);
  gsl::IQBLOK = 1;
  VECTO2(x_of(from), frame.bottom - high, 0);
  VECTO2(x_of(to), frame.bottom, 1);
  gsl::IQBLOK = 0;
}

void hatch_range(const PlotFrame& frame, float x1, float x2, float step, int32_t pen) {
  x2 = std::max(x2, x1 + 0.3f);
  const float h = frame.top - frame.bottom;
  COLOUR(pen);
  clip_to(x1, x2, frame.bottom, frame.top);
  for (float c = x1 - h; c <= x2; c += step) line(c, frame.bottom, c + h, frame.top);
  line(x1, frame.bottom, x1, frame.top);
  line(x2, frame.bottom, x2, frame.top);
  clip_to_plot(frame, false);
}

void draw_frame_and_ticks(const PlotFrame& frame, const TickStyle& ticks, double lo, double hi,
                          int speed_ticks, AxisMap x_of, double top, AxisMap y_of) {
  draw_frame_and_ticks(frame, ticks, lo, hi, speed_ticks, x_of, 0.0, top, y_of);
}

void draw_frame_and_ticks(const PlotFrame& frame, const TickStyle& ticks, double lo, double hi,
                          int speed_ticks, AxisMap x_of, double bottom, double top, AxisMap y_of) {
  line(frame.left, frame.bottom, frame.right, frame.bottom);
  line(frame.right, frame.bottom, frame.right, frame.top);
  line(frame.right, frame.top, frame.left, frame.top);
  line(frame.left, frame.top, frame.left, frame.bottom);

  const double sstep = round_step(hi - lo, speed_ticks);
  const int32_t sdec = decimals_of(sstep);
  for (double v = round_up(lo, sstep); v <= hi + sstep * 1e-6; v += sstep) {
    const float x = x_of(v);
    line(x, frame.bottom, x, frame.bottom - ticks.length);
    NUMBER_XY_ANG(x, frame.bottom - ticks.length - 4.0f, static_cast<float>(v), 10, sdec,
                  ticks.number_wide, ticks.number_high, true, false, 0.0f);
  }
  const double vstep = round_step(top - bottom, 8);
  const int32_t vdec = decimals_of(vstep);
  for (double v = bottom == 0.0 ? 0.0 : round_up(bottom, vstep); v <= top + vstep * 1e-6;
       v += vstep) {
    const float y = y_of(v);
    line(frame.left, y, frame.left - ticks.length, y);
    NUMBER_XY_ANG(frame.left - ticks.length - 1.0f, y - ticks.number_high / 2.0f,
                  static_cast<float>(v), 10, vdec, ticks.number_wide, ticks.number_high, false,
                  true, 0.0f);
  }
}

void draw_axis_titles(const PlotFrame& frame, std::string_view x_title, float x_title_y,
                      std::string_view y_title, float wide, float high) {
  PLOT_TEXT_C(x_title, (frame.left + frame.right) / 2.0f, x_title_y, wide, high, 0.0f);
  PLOT_TEXT_C(y_title, 9.0f, (frame.bottom + frame.top) / 2.0f, wide, high, 90.0f);
}

void place_plot_region(int32_t slot, int32_t width, int32_t height) {
  WINDOW_PRINTF("%bg[btnface]&");
  WINDOW_PRINTF("%co[check_on_focus_loss]&");
  PREPARE_GRAPH_WINDOW(slot);
  SET_NEW_LINE_REQ(0);
  SET_WINDOWS_SIZE(width, height, 297.0f, 210.0f, 0);
  install_window_device();
  GSLINI(gsl::region_code(slot), 0);
  SELECT_GRAPH_WINDOW(slot);
}

bool on_window_region(int32_t slot) {
  if (!graph_window_open(slot)) return false;
  use_graph_window(slot);
  return true;
}

bool cursor_on_region(int32_t slot, float* x, float* y) {
  if (!on_window_region(slot)) return false;
  char ch = 0;
  int32_t irx = 0, iry = 0;
  CURSI2(ch, irx, iry, *x, *y);
  return true;
}

}  // namespace spindra
