#include "app/campbell_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/campbell.h"
#include "analysis/forced_response.h"
#include "app/history.h"
#include "app/model/store.h"
#include "app/picture.h"
#include "app/plot_frame.h"
#include "app/view.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr int32_t kSlot = 2;  // the display layer's region slot of the window
constexpr float kTitleRoom = 287.0f;  // mm of the 297 mm paper a title line may take
constexpr int kCirclePoints = 36;
// Pens: axes and text, order lines, mode lines, crossings, operating range.
constexpr int32_t kPenAxes = 0;
constexpr int32_t kPenOrder = 1;
constexpr int32_t kPenMode = 2;
constexpr int32_t kPenCrossing = 4;
constexpr int32_t kPenOperating = 14;

double freq_top = 1.0;  // top of the frequency axis of the drawing in hand

constexpr PlotFrame kPlot = {kCampbellLeft, kCampbellRight, kCampbellBottom, kCampbellTop};
constexpr TickStyle kTicks = {kTickLength, kNumberWide, kNumberHigh};

// The operating range: a bar under the speed axis.
void draw_operating_range() {
  mark_speed_range(kPlot, std::max(OPER_FROM, SPEED_FROM), std::min(OPER_TO, SPEED_TO), campbell_x,
                   1.4f, kPenOperating);
}

// The top of the frequency axis: the default of the analysis; for a model
// with a rated speed no higher than needed for the highest order at the
// top speed and the first mode above it.
double frequency_top() {
  const double top = default_campbell_range().freq_top;
  if (!(forced_sweep.n_rated > 0.0) || !std::isfinite(forced_sweep.n_rated)) return top;
  double reach = ORDMAX * SPEED_TO * 1.1;
  double above = 0.0;
  for (int m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m) {
    const int k = IFREQS(m);
    if (k < 1 || k > kMaxNodes) continue;
    const double f = vpm(EIGS(k));
    if (f > reach && (above == 0.0 || f < above)) above = f;
  }
  if (above > 0.0) reach = above * 1.05;
  if (!(reach > 0.0) || !std::isfinite(reach)) return top;
  return std::min(top, round_up(reach, round_step(reach, 8)));
}

void draw_axes() {
  COLOUR(kPenAxes);
  draw_frame_and_ticks(kPlot, kTicks, SPEED_FROM, SPEED_TO, 8, campbell_x, freq_top, campbell_y);
  draw_axis_titles(kPlot, "Engine speed (rev/min)", 12.0f, "Frequency (vib/min)", kTitleWide,
                   kTitleHigh);
  char title[plot::kLineWidth + 1];
  const std::string_view model = TITLE.trimmed();
  std::snprintf(title, sizeof title, "Campbell diagram%s%.*s", model.empty() ? "" : " - ",
                static_cast<int>(model.size()), model.data());
  // A long model title makes the characters smaller so that the line fits
  // the paper; each character takes 1.5 times its width.
  const float across = static_cast<float>(std::strlen(title)) * 1.5f;
  const float wide = std::min(kTitleWide, kTitleRoom / across);
  PLOT_TEXT_C(title, 148.5f, 198.0f, wide, wide * (kTitleHigh / kTitleWide), 0.0f);
}

void draw_mode_lines() {
  char label[40];
  for (int m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m) {
    const int k = IFREQS(m);
    if (k < 1 || k > kMaxNodes) continue;
    const double f = vpm(EIGS(k));
    if (f > freq_top) break;
    const float y = campbell_y(f);
    COLOUR(kPenMode);
    line(kCampbellLeft, y, kCampbellRight, y);
    // Mode number and frequency right of the plot.
    std::snprintf(label, sizeof label, "%d: %.1f", k, f);
    PLOT_TEXT(label, kCampbellRight + 1.5f, y - kNumberHigh / 2.0f, kNumberWide * 0.8f,
              kNumberHigh * 0.8f, 0.0f);
  }
}

void draw_order_lines() {
  double ordno = ORDMIN;
  // Where the last labels went: a label that would run into the one before
  // (many orders close together) is left out.
  float last_right_y = -1.0e9f;
  float last_top_x = 1.0e9f;
  do {
    COLOUR(kPenOrder);
    clip_to_plot(kPlot, true);
    line(campbell_x(SPEED_FROM), campbell_y(ordno * SPEED_FROM), campbell_x(SPEED_TO),
         campbell_y(ordno * SPEED_TO));
    clip_to_plot(kPlot, false);
    // The label goes where the line leaves the plot: on the right or at
    // the top.
    const int32_t dec = std::fabs(ordno - std::round(ordno)) < 1e-6 ? -1 : 1;
    const float value = static_cast<float>(ordno);
    char digits[16];
    std::snprintf(digits, sizeof digits, dec < 0 ? "%.0f" : "%.1f", ordno);
    const float wide = (1.5f * static_cast<float>(std::strlen(digits)) + 0.5f) * kNumberWide;
    if (ordno * SPEED_TO <= freq_top) {
      const float y = campbell_y(ordno * SPEED_TO) + 1.0f;
      if (y - last_right_y >= kNumberHigh + 0.5f) {
        NUMBER_XY_ANG(kCampbellRight - 1.5f, y, value, 6, dec, kNumberWide, kNumberHigh, false,
                      true, 0.0f);
        last_right_y = y;
      }
    } else if (freq_top / ordno >= SPEED_FROM) {
      const float x = campbell_x(freq_top / ordno);
      if (last_top_x - x >= wide) {
        NUMBER_XY_ANG(x, kCampbellTop + 1.5f, value, 6, dec, kNumberWide, kNumberHigh, true, false,
                      0.0f);
        last_top_x = x;
      }
    }
    ordno = ordno + ORDSTEP;
  } while (ordno <= ORDMAX);
}

void draw_crossings() {
  COLOUR(kPenCrossing);
  for (int32_t i = 1; i <= NCROSS; ++i) {
    const CROSSING& c = CROSSINGS(i);
    if (c.speed < SPEED_FROM || c.speed > SPEED_TO || c.freq > freq_top) continue;
    const float x = campbell_x(c.speed);
    const float y = campbell_y(c.freq);
    if (NCROSS_ENGINES == 0) {
      SQUARE(x, y);  // no engine: a plain mark
      continue;
    }
    const float r = crossing_radius(i);
    VECTO2(x + r, y, 0);
    for (int p = 1; p <= kCirclePoints; ++p) {
      const double a = 2.0 * 3.141592653589793 * p / kCirclePoints;
      VECTO2(x + r * static_cast<float>(std::cos(a)), y + r * static_cast<float>(std::sin(a)), 1);
    }
  }
  COLOUR(kPenAxes);
  if (NCROSS_ENGINES > 0) {
    char note[plot::kLineWidth + 1];
    std::snprintf(note, sizeof note,
                  "Circles: vector sum of the order, largest over the engines, as in the "
                  "list file (the largest is %.5f)",
                  VECSUM_MAX);
    PLOT_TEXT(note, kCampbellLeft, 3.0f, 1.5f, 2.25f, 0.0f);
  }
}

// The kernel back on the main window's region.
void back_to_main_region() {
  if (graph_window_open(1)) use_graph_window(1);
  apply_view();  // with its window onto the model
}

int redraw_window() {
  if (on_window_region(kSlot)) {
    DRAW_CAMPBELL();
    back_to_main_region();
  }
  return 1;
}

int CAMPBELL_MOUSE() {
  float rx = 0.0f, ry = 0.0f;
  if (!cursor_on_region(kSlot, &rx, &ry)) return 2;
  back_to_main_region();
  const int32_t i = find_crossing(rx, ry);
  if (i != 0) {
    crossing_status(i, CAMPBELL_STATUS);
  } else {
    CAMPBELL_STATUS = "";
  }
  WINDOW_UPDATE(CAMPBELL_STATUS);
  return 2;
}

// A change of a range field: a speed range that is not a range is refused
// in the status line and the default comes back.
int CAMPBELL_FIELD() {
  if (!(SPEED_TO > SPEED_FROM) || SPEED_FROM < 0.0 || !std::isfinite(SPEED_TO)) {
    CAMPBELL_STATUS = "The speed range needs 0 <= from < to; the default range is shown.";
    const CampbellRange r = default_campbell_range();
    SPEED_FROM = r.speed_from;
    SPEED_TO = r.speed_to;
    WINDOW_UPDATE(SPEED_FROM);
    WINDOW_UPDATE(SPEED_TO);
  } else if (OPER_TO < OPER_FROM) {
    CAMPBELL_STATUS = "The operating range needs from <= to; nothing is marked.";
  } else {
    CAMPBELL_STATUS = "";
  }
  WINDOW_UPDATE(CAMPBELL_STATUS);
  return redraw_window();
}

int EXPORT_CAMPBELL() {
  return export_command(CAMPBELL_PICTURE, DRAW_CAMPBELL);
}

int PRINT_CAMPBELL() {
  return print_command(DRAW_CAMPBELL);
}

}  // namespace

float campbell_x(double speed) {
  const double span = SPEED_TO > SPEED_FROM ? SPEED_TO - SPEED_FROM : 1.0;
  return static_cast<float>(kCampbellLeft +
                            (speed - SPEED_FROM) / span * (kCampbellRight - kCampbellLeft));
}

float campbell_y(double freq) {
  return static_cast<float>(kCampbellBottom + freq / freq_top * (kCampbellTop - kCampbellBottom));
}

float crossing_radius(int32_t i) {
  return kCircleMin + kCircleGrowth * static_cast<float>(relative_vecsum(i));
}

int32_t find_crossing(float x, float y) {
  int32_t best = 0;
  float best_d = 0.0f;
  for (int32_t i = 1; i <= NCROSS; ++i) {
    const CROSSING& c = CROSSINGS(i);
    if (c.speed < SPEED_FROM || c.speed > SPEED_TO || c.freq > freq_top) continue;
    const float d = std::hypot(x - campbell_x(c.speed), y - campbell_y(c.freq));
    if (d <= std::max(crossing_radius(i), 2.5f) && (best == 0 || d < best_d)) {
      best = i;
      best_d = d;
    }
  }
  return best;
}

void crossing_status(int32_t i, FixedText<80>& text) {
  const CROSSING& c = CROSSINGS(i);
  char buffer[120];
  if (NCROSS_ENGINES > 0) {
    std::snprintf(buffer, sizeof buffer,
                  "Mode %d (%.2f vib/min), order %.1f: %.2f rev/min, vector sum %.5f", c.mode,
                  c.freq, c.order, c.speed, c.vecsum);
  } else {
    std::snprintf(buffer, sizeof buffer, "Mode %d (%.2f vib/min), order %.1f: %.2f rev/min",
                  c.mode, c.freq, c.order, c.speed);
  }
  text = buffer;
}

void reset_campbell_ranges() {
  const CampbellRange r = default_campbell_range();
  SPEED_FROM = r.speed_from;
  SPEED_TO = r.speed_to;
  model_operating_range(&OPER_FROM, &OPER_TO);
}

int DRAW_CAMPBELL() {
  window_library().clear_screen();
  std::string message;
  if (!campbell_available(&message)) {
    COLOUR(kPenAxes);
    PLOT_TEXT(message, 10.0f, 105.0f, 1.8f, 2.7f, 0.0f);
    return 1;
  }
  if (!(SPEED_TO > SPEED_FROM)) reset_campbell_ranges();
  freq_top = frequency_top();
  draw_operating_range();
  draw_axes();
  draw_mode_lines();
  draw_order_lines();
  draw_crossings();
  if (results_outdated == 1) {
    COLOUR(4);
    PLOT_TEXT("Results of the model before the last edit: Calculate again", kCampbellLeft, 7.0f,
              1.5f, 2.25f, 0.0f);
    COLOUR(kPenAxes);
  }
  return 1;
}

void refresh_campbell_diagram() {
  if (!graph_window_open(kSlot)) return;
  CAMPBELL_STATUS = "";
  WINDOW_UPDATE(CAMPBELL_STATUS);
  redraw_window();
}

int CAMPBELL_DIAGRAM() {
  std::string message;
  if (!campbell_available(&message)) {
    window_library().show_message("Campbell Diagram", message);
    return 1;
  }
  reset_campbell_ranges();
  if (graph_window_open(kSlot)) {
    // Open already: it shows the latest analysis in its default ranges.
    for (const double* v : {&SPEED_FROM, &SPEED_TO, &OPER_FROM, &OPER_TO}) WINDOW_UPDATE(*v);
    return redraw_window();
  }
  CAMPBELL_STATUS = "";
  suggest_picture_name(CAMPBELL_PICTURE);
  window_callback2 = CAMPBELL_MOUSE;

  // The region keeps the paper's proportions, so circles stay round.
  const RegionSize main = region_size_from_screen();
  int32_t height = static_cast<int32_t>(main.YRES * 0.8);
  int32_t width = static_cast<int32_t>(height * 297.0 / 210.0);
  if (width > main.XRES) {
    width = main.XRES;
    height = static_cast<int32_t>(width * 210.0 / 297.0);
  }

  WINDOW_PRINTF("%ca[Campbell Diagram]&");
  WINDOW_PRINTF("%`ft@@&", {literal("Pictures"), literal("*.svg *.pdf *.png")});
  WINDOW_PRINTF("%mn[&File[&Export Picture...,&Print...,|,E&xit]]&",
                {literal("FILE_OPENW"), bind(CAMPBELL_PICTURE), call(EXPORT_CAMPBELL),
                 call(PRINT_CAMPBELL), literal("EXIT")});
  place_plot_region(kSlot, width, height);
  WINDOW_PRINTF("%ff  Speed from %`bg[white]%^8rf to %`bg[white]%^8rf rev/min      &",
                {bind(SPEED_FROM), call(CAMPBELL_FIELD), bind(SPEED_TO), call(CAMPBELL_FIELD)});
  WINDOW_PRINTF("Operating range %`bg[white]%^8rf to %`bg[white]%^8rf rev/min&",
                {bind(OPER_FROM), call(CAMPBELL_FIELD), bind(OPER_TO), call(CAMPBELL_FIELD)});
  WINDOW_PRINTF(" %ff%`rs&", {bind(CAMPBELL_STATUS)});
  WINDOW_PRINTF("%sc&", {call(redraw_window)});
  WINDOW_PRINTF("%ww[no_border]");
  back_to_main_region();
  return 1;
}

}  // namespace spindra
