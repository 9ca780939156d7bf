// Drawing routines shared by the plot windows (Campbell diagram, forced
// response): a plot area on the 297 x 210 mm paper with its frame, tick
// marks and numbers, clipping to it and the bar of a speed range, all
// through the kernel on its current device; and the kernel on a window's
// region with the mouse position in it.
#pragma once

#include <cstdint>
#include <string_view>

namespace spindra {

// The plot area on the paper, millimetres.
struct PlotFrame {
  float left;
  float right;
  float bottom;
  float top;
};

// The lettering of the plot windows, mm: tick length, tick and curve
// labels, titles.
inline constexpr float kTickLength = 1.5f;
inline constexpr float kNumberWide = 1.8f;
inline constexpr float kNumberHigh = 2.7f;
inline constexpr float kTitleWide = 2.4f;
inline constexpr float kTitleHigh = 3.6f;

// Tick marks and their numbers, mm.
struct TickStyle {
  float length;
  float number_wide;
  float number_high;
};

// Paper position of an axis value.
using AxisMap = float (*)(double);

// Decimals of the labels of an axis with this step; -1 for whole numbers.
int32_t decimals_of(double step);

// A line from (x1, y1) to (x2, y2) with the current pen.
void line(float x1, float y1, float x2, float y2);

// Clip window of the kernel: this rectangle of the paper.
void clip_to(float left, float right, float bottom, float top);
// Clip window of the kernel: the plot area, or the whole paper.
void clip_to_plot(const PlotFrame& frame, bool plot);

// Marks the speeds from..to (already within the axis) with a bar `high` mm
// tall just under the speed axis, among its tick marks and clear of the
// curves, in this pen; nothing when the range is empty.
void mark_speed_range(const PlotFrame& frame, double from, double to, AxisMap x_of, float high,
                      int32_t pen);

// Hatches the plot from x1 to x2 (mm, at least a hairline wide) with
// diagonal lines `step` mm apart and edges, in this pen: a barred range.
void hatch_range(const PlotFrame& frame, float x1, float x2, float step, int32_t pen);

// The frame of the plot in the current pen, the speed axis lo..hi along its
// bottom (at most speed_ticks steps) and the value axis 0..top up its left
// side (at most 8 steps), each tick with its number.
void draw_frame_and_ticks(const PlotFrame& frame, const TickStyle& ticks, double lo, double hi,
                          int speed_ticks, AxisMap x_of, double top, AxisMap y_of);

// The same with the value axis from bottom to top (bottom may be below 0,
// for values of either sign).
void draw_frame_and_ticks(const PlotFrame& frame, const TickStyle& ticks, double lo, double hi,
                          int speed_ticks, AxisMap x_of, double bottom, double top, AxisMap y_of);

// The names of the axes: the speed axis centred at height x_title_y, the
// value axis up the left edge of the paper.
void draw_axis_titles(const PlotFrame& frame, std::string_view x_title, float x_title_y,
                      std::string_view y_title, float wide, float high);

// The plot region of a window being opened, `width` x `height` pixels for
// the 297 x 210 mm paper, in display slot `slot`, with the kernel on it;
// the window's lines written after it stand to its right.
void place_plot_region(int32_t slot, int32_t width, int32_t height);

// Puts the kernel on the region of the window in display slot `slot`;
// false when that window is not open.
bool on_window_region(int32_t slot);
// The paper point under the mouse in the region of the window in display
// slot `slot`, leaving the kernel on that region; false when the window is
// not open.
bool cursor_on_region(int32_t slot, float* x, float* y);

}  // namespace spindra
