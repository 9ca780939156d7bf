// The Campbell diagram window (Calculate > Campbell Diagram): engine speed
// across, frequency up; one line per listed natural frequency, one line
// through the origin per engine order, and a circle at every crossing of a
// tabled mode whose size follows the order's relative vector sum.  Drawn
// through the kernel in graphics region 2, on the same 297 x 210 mm paper
// as the model, so it can also go to a picture file or the printer.
#pragma once

#include <cstdint>

#include "app/model/store.h"

namespace spindra {

// The plot area on the paper, millimetres.
inline constexpr float kCampbellLeft = 32.0f;
inline constexpr float kCampbellRight = 262.0f;
inline constexpr float kCampbellBottom = 30.0f;
inline constexpr float kCampbellTop = 188.0f;
// Circle radius, mm: the smallest (vector sum 0) and the growth up to the
// largest vector sum of the diagram.
inline constexpr float kCircleMin = 1.0f;
inline constexpr float kCircleGrowth = 5.0f;

// State of the window: the engine speed range shown and the operating range
// marked by a bar along the speed axis (rpm; none while OPER_TO <=
// OPER_FROM), the status
// text and the picture file name of its File > Export Picture....
inline double SPEED_FROM = 0.0;
inline double SPEED_TO = 0.0;
inline double OPER_FROM = 0.0;
inline double OPER_TO = 0.0;
inline FixedText<80> CAMPBELL_STATUS;
inline FileName130 CAMPBELL_PICTURE;

// Calculate > Campbell Diagram: opens the window (or redraws it when open),
// or says why there is nothing to draw.  Returns 1.
int CAMPBELL_DIAGRAM();
// Redraws the diagram, when its window is open, after the results it shows
// have changed (a new analysis, or another model read, which has none yet),
// so that it never shows the numbers of an earlier analysis.  The ranges
// the user set stay.
void refresh_campbell_diagram();
// Draws the diagram on the kernel's current device (region or page).
// Returns 1.
int DRAW_CAMPBELL();
// Sets the speed range to the default of the last analysis and the model
// (up to 1.2 times the rated speed) and the operating range to that of the
// model's first load case (none without a rated speed).
void reset_campbell_ranges();
// Paper position of a speed and a frequency for the current ranges.
float campbell_x(double speed);
float campbell_y(double freq);
// Radius (mm) of the circle of crossing i.
float crossing_radius(int32_t i);
// The crossing nearest to the paper point (x, y) within its circle (at least
// 2.5 mm), 0 when none.
int32_t find_crossing(float x, float y);
// The status text of crossing i: mode, order, speed and vector sum.
void crossing_status(int32_t i, FixedText<80>& text);

}  // namespace spindra
