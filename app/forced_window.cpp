#include "app/forced_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/campbell.h"
#include "analysis/check_messages.h"
#include "analysis/shaft_system.h"
#include "analysis/verdict.h"
#include "app/command_line.h"
#include "app/draw.h"
#include "app/forced_dialogs.h"
#include "app/history.h"
#include "app/main_window.h"
#include "app/picture.h"
#include "app/plot_frame.h"
#include "app/plot_window.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr int32_t kSlot = 3;  // the display layer's region slot of the window
constexpr float kNoteWide = 1.5f;  // legend and notes
constexpr float kNoteHigh = 2.25f;
constexpr float kHoverReach = 2.5f;  // mm from a curve that the mouse may rest
constexpr float kHatchStep = 2.5f;   // mm between the hatch lines of a barred range
// Peaks lower than this share of the axis go unlabelled, and of two peaks of
// one order closer than this share of the speed axis only the higher one is.
constexpr double kLabelShare = 0.03;
constexpr double kLabelSpacing = 0.05;
constexpr int32_t kMaxBarred = 64;

// Pens: axes and text, the synthesis, the limits, the operating range and
// the hatching of barred ranges; the orders take their pens in turn.
constexpr int32_t kPenAxes = 0;
constexpr int32_t kPenSynth = 0;
constexpr int32_t kPenTau1 = 4;
constexpr int32_t kPenTau2 = 5;
constexpr int32_t kPenOperating = 14;
constexpr int32_t kPenBarred = 12;
constexpr int32_t kOrderPens[] = {1, 2, 3, 6, 9, 8};

// What the last run said: the refusal, or notes on a successful run; its
// results are those the analysis keeps (forced_results_valid()).  Both are
// of the model the run had: after an edit (forced_outdated) the results are
// marked and a refusal is no longer shown.
std::string run_message;
std::string report_note;

// The plot in hand: its item, speed range, axis top (in the unit shown) and
// the factor from the analysis's unit to the unit shown.
ForcedItem plot_item;
double speed_lo = 0.0;
double speed_hi = 1.0;
double amp_top = 1.0;
double unit_factor = 1.0;
const char* unit_name = "MPa";

// The shafts and inertias of the item list.
PlotItemList listed;

// The quantity a stiffness shows (the user's last choice of the radio
// buttons, kept while an inertia shows its angle and every button is off),
// and the states the buttons were last given.
ForcedKind shaft_quantity = ForcedKind::kStress;
int32_t shown_stress = 1;
int32_t shown_torque = 0;
int32_t shown_power = 0;

// The model (models_started) of the last run: a run of another model shows
// that model's worst item; and the model file the picture name was
// proposed for.
int32_t run_model = -1;
std::string picture_model = "\n";

constexpr PlotFrame kPlot = {kForcedLeft, kForcedRight, kForcedBottom, kForcedTop};
constexpr TickStyle kTicks = {kTickLength, kNumberWide, kNumberHigh};

// Line width of the current device times n.
void wide_pen(int32_t n) {
  int32_t d = 1;
  GET_LINE_WIDTH_DEFAULT(d);
  SET_LINE_WIDTH(n * std::max(1, std::abs(d)));
}

// A coupling judged by its torque shows its torque; a shaft with a diameter
// its stress.
ForcedKind judged_quantity(int32_t shaft) {
  if (STIFF(shaft).limit_kind == kLimitCoupling) return ForcedKind::kTorque;
  return shaft_has_diameter(shaft) ? ForcedKind::kStress : ForcedKind::kTorque;
}

double amplitude(int32_t s, int32_t o) {
  return forced_amplitude(plot_item.kind, plot_item.number, s, o) * unit_factor;
}

bool plot_has_limits() {
  return plot_item.kind == ForcedKind::kStress && forced_shaft_has_limits(plot_item.number) == 1;
}

// ---- Limit lines ----------------------------------------------------------
//
// The permissible values drawn over the curves of the item in hand: tau1 and
// tau2 for a shaft's stress (the rule's or the maker's), T_KW and T_Kmax for
// a flexible coupling's torque and P_KV for its power loss.

enum class LimitOf : int32_t { kTau1, kTau2, kTorqueKW, kTorqueKmax, kPowerKV };

struct LimitLine {
  const char* label;  // in the key
  const char* name;   // in the hover text
  int32_t pen;
  LimitOf of;
};
constexpr LimitLine kAllLimits[] = {
    {"{{t}}[[1]]", "tau1", kPenTau1, LimitOf::kTau1},
    {"{{t}}[[2]]", "tau2", kPenTau2, LimitOf::kTau2},
    {"T[[KW]]", "T_KW", kPenTau1, LimitOf::kTorqueKW},
    {"T[[Kmax]]", "T_Kmax", kPenTau2, LimitOf::kTorqueKmax},
    {"P[[KV]]", "P_KV", kPenTau1, LimitOf::kPowerKV},
};
constexpr int32_t kMaxLimitLines = 4;
LimitLine shown_limits[kMaxLimitLines];

// 1 when the plotted stiffness is a flexible coupling judged by its limits
// and shows the quantity they are for (its torque or its power loss).
bool plot_is_coupling() {
  return (plot_item.kind == ForcedKind::kTorque || plot_item.kind == ForcedKind::kPower) &&
         plot_item.number >= 1 && plot_item.number <= NSTIF &&
         STIFF(plot_item.number).limit_kind == kLimitCoupling;
}

// 1 when the plotted quantity is the one the verdict judges against limits
// with barred ranges: a shaft's stress, a coupling's torque.
bool plot_judged() {
  return plot_has_limits() || (plot_is_coupling() && plot_item.kind == ForcedKind::kTorque);
}

// The value of a limit at engine speed n, in the analysis's unit; 0 where it
// is not defined.  A coupling's limits hold up to the end of continuous
// running, as the verdict judges them.
double limit_at(LimitOf of, double n) {
  if (of == LimitOf::kTau1 || of == LimitOf::kTau2) {
    if (plot_item.kind != ForcedKind::kStress) return 0.0;
    double t1 = 0.0, t2 = 0.0;
    forced_shaft_limits(plot_item.number, n, &t1, &t2);
    return of == LimitOf::kTau1 ? t1 : t2;
  }
  if (!plot_is_coupling() || n > judged_speed_limit() * (1.0 + 1e-12)) return 0.0;
  double t_kw = 0.0, p_kv = 0.0, t_kmax = 0.0;
  forced_coupling_limits(plot_item.number, &t_kw, &p_kv, &t_kmax);
  return of == LimitOf::kTorqueKW ? t_kw : of == LimitOf::kTorqueKmax ? t_kmax : p_kv;
}

// The limit lines of the item in hand: those of its kind that are above 0
// somewhere (a coupling without T_Kmax has no such line).
int32_t limit_lines(const LimitLine** lines) {
  *lines = shown_limits;
  int32_t n = 0;
  const bool coupling = plot_is_coupling();
  for (const LimitLine& l : kAllLimits) {
    bool wanted = false;
    switch (l.of) {
      case LimitOf::kTau1:
      case LimitOf::kTau2:
        wanted = plot_has_limits();
        break;
      case LimitOf::kTorqueKW:
      case LimitOf::kTorqueKmax:
        wanted = coupling && plot_item.kind == ForcedKind::kTorque;
        break;
      case LimitOf::kPowerKV:
        wanted = coupling && plot_item.kind == ForcedKind::kPower;
        break;
    }
    if (wanted && l.of != LimitOf::kTau1 && l.of != LimitOf::kTau2) {
      wanted = limit_at(l.of, forced_rated_speed()) > 0.0;
    }
    if (wanted && n < kMaxLimitLines) shown_limits[n++] = l;
  }
  return n;
}

// Limit line i at sweep speed s, in the unit shown; 0 where it is not
// defined.
double limit_value(int32_t i, int32_t s) {
  return limit_at(shown_limits[i].of, forced_speed(s)) * unit_factor;
}

// ---- Labels that keep clear of each other and of the frame ----------------

struct Box {
  float x1, y1, x2, y2;
};
constexpr int kMaxBoxes = 400;
Box placed[kMaxBoxes];
int placed_count = 0;

// Length on the paper of a text at character width `wide` (the control
// pairs of the Greek set and the indices take no room).
float text_length(std::string_view text, float wide) {
  int n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view pair = text.substr(i, 2);
    if (pair == "{{" || pair == "}}" || pair == "[[" || pair == "]]") {
      ++i;
      continue;
    }
    ++n;
  }
  return n > 0 ? (1.5f * static_cast<float>(n - 1) + 1.0f) * wide : 0.0f;
}

// The room a text centred on (x, y) takes, with a margin.
Box label_box(std::string_view text, float x, float y, float wide, float high) {
  const float half = text_length(text, wide) / 2.0f + 0.4f;
  const bool lowered = text.find("[[") != std::string_view::npos;
  return {x - half, y - (lowered ? high / 2.0f : 0.0f) - 0.4f, x + half, y + high + 0.4f};
}

bool inside_plot(const Box& b) {
  return b.x1 >= kForcedLeft + 0.3f && b.x2 <= kForcedRight - 0.3f &&
         b.y1 >= kForcedBottom + 0.3f && b.y2 <= kForcedTop - 0.3f;
}

bool free_box(const Box& b) {
  for (int i = 0; i < placed_count; ++i) {
    const Box& p = placed[i];
    if (b.x1 < p.x2 && p.x1 < b.x2 && b.y1 < p.y2 && p.y1 < b.y2) return false;
  }
  return true;
}

void claim(const Box& b) {
  if (placed_count < kMaxBoxes) placed[placed_count++] = b;
}

// Writes a label centred on (x, y) inside the plot when it keeps clear of
// the frame and of every label placed; true when written.
bool place_label(std::string_view text, float x, float y, float wide, float high) {
  const Box b = label_box(text, x, y, wide, high);
  if (!inside_plot(b) || !free_box(b) || placed_count >= kMaxBoxes) return false;
  claim(b);
  PLOT_TEXT_C(text, x, y, wide, high, 0.0f);
  return true;
}

// ---- Orders and their colours ---------------------------------------------

// The orders with the highest peaks, highest first, take the pens of the
// key; the other orders are drawn in grey.
constexpr int32_t kPenOtherOrders = 7;
constexpr int32_t kKeyOrders = static_cast<int32_t>(std::size(kOrderPens));
int32_t key_orders[kKeyOrders];
int32_t key_count = 0;

double order_peak(int32_t o) {
  double peak = 0.0;
  for (int32_t s = 1; s <= forced_speed_count(); ++s) peak = std::max(peak, amplitude(s, o));
  return peak;
}

void rank_orders() {
  key_count = 0;
  const int32_t no = forced_order_count();
  while (key_count < kKeyOrders) {
    int32_t best = 0;
    double best_peak = -1.0;
    for (int32_t o = 1; o <= no; ++o) {
      bool taken = false;
      for (int32_t k = 0; k < key_count; ++k) taken = taken || key_orders[k] == o;
      const double peak = order_peak(o);
      if (!taken && peak > best_peak) {
        best = o;
        best_peak = peak;
      }
    }
    if (best == 0) break;
    key_orders[key_count++] = best;
  }
}

int32_t order_pen(int32_t o) {
  for (int32_t k = 0; k < key_count; ++k) {
    if (key_orders[k] == o) return kOrderPens[k];
  }
  return kPenOtherOrders;
}

// Sets the speed range, the unit and the axis top for the item in hand: the
// top reaches the highest curve over the sweep and the highest limit over
// the operating range, so that every limit there shows in full.
void frame_plot() {
  const int32_t ns = forced_speed_count();
  speed_lo = ns > 0 ? forced_speed(1) : 0.0;
  speed_hi = ns > 0 ? forced_speed(ns) : 1.0;
  if (!(speed_hi > speed_lo)) speed_hi = speed_lo + 1.0;
  double top = 0.0;
  unit_factor = 1.0;
  for (int32_t s = 1; s <= ns; ++s) {
    for (int32_t o = 0; o <= forced_order_count(); ++o) top = std::max(top, amplitude(s, o));
  }
  const PlotUnit unit = plot_unit(plot_item.kind, top);
  unit_factor = unit.factor;
  unit_name = unit.name;
  top *= unit_factor;
  const LimitLine* lines = nullptr;
  const int32_t nl = limit_lines(&lines);
  double from = 0.0, to = 0.0;
  forced_operating_range(&from, &to);
  for (int32_t s = 1; s <= ns; ++s) {
    const double n = forced_speed(s);
    if (n < from - 1e-9 || n > to + 1e-9) continue;
    for (int32_t i = 0; i < nl; ++i) {
      const double v = limit_value(i, s);
      if (std::isfinite(v)) top = std::max(top, v);
    }
  }
  if (!(top > 0.0) || !std::isfinite(top)) top = 1.0;
  const double step = round_step(top * 1.05, 8);
  amp_top = round_up(top * 1.05, step);
  placed_count = 0;
  rank_orders();
}

// The operating range: a bar under the speed axis.
constexpr float kOperatingBar = 1.4f;  // mm high

void draw_operating_range() {
  double from = 0.0, to = 0.0;
  forced_operating_range(&from, &to);
  mark_speed_range(kPlot, std::max(from, speed_lo), std::min(to, speed_hi), forced_x,
                   kOperatingBar, kPenOperating);
}

// The barred ranges of the plotted shaft: hatched, and each labelled once
// near the top of the plot, lower where a label already stands; the text of
// the legend line is returned.
std::string draw_barred_ranges() {
  if (!plot_judged()) return {};
  BarredRange ranges[kMaxBarred];
  const int32_t n =
      std::min(forced_barred_ranges(plot_item.number, ranges, kMaxBarred), kMaxBarred);
  std::string legend;
  char text[120];
  for (int32_t i = 0; i < n; ++i) {
    hatch_range(kPlot, forced_x(std::max(ranges[i].from, speed_lo)),
                forced_x(std::min(ranges[i].to, speed_hi)), kHatchStep, kPenBarred);
    std::snprintf(text, sizeof text, "%s%.0f-%.0f%s", legend.empty() ? "" : ", ", ranges[i].from,
                  ranges[i].to, ranges[i].above_08 ? " (above {{l}} 0.8: not permitted)" : "");
    legend += text;
  }
  COLOUR(kPenTau1);
  for (int32_t i = 0; i < n; ++i) {
    const char* label = ranges[i].above_08 ? "barred: not permitted" : "barred";
    const float half = text_length(label, kNoteWide) / 2.0f + 0.8f;
    const float x1 = forced_x(std::max(ranges[i].from, speed_lo));
    const float x2 = forced_x(std::min(ranges[i].to, speed_hi));
    const float x = std::clamp((x1 + x2) / 2.0f, kForcedLeft + half, kForcedRight - half);
    for (float y = kForcedTop - 4.0f; y > kForcedBottom + 4.0f; y -= kNoteHigh + 1.2f) {
      if (place_label(label, x, y, kNoteWide, kNoteHigh)) break;
    }
  }
  if (n > 0) legend = "Barred speed ranges (rev/min): " + legend;
  return legend;
}

void draw_axes() {
  COLOUR(kPenAxes);
  draw_frame_and_ticks(kPlot, kTicks, speed_lo, speed_hi, 10, forced_x, amp_top, forced_y);
  const char* quantity = plot_item.kind == ForcedKind::kStress   ? "Vibratory stress"
                         : plot_item.kind == ForcedKind::kTorque ? "Vibratory torque"
                         : plot_item.kind == ForcedKind::kPower  ? "Power loss"
                                                                 : "Vibratory angle";
  draw_axis_titles(kPlot, "Engine speed (rev/min)", kForcedBottom - 13.0f,
                   std::string(quantity) + " (" + unit_name + ")", kTitleWide, kTitleHigh);
}

void draw_titles() {
  COLOUR(kPenAxes);
  char title[plot::kLineWidth + 1];
  const std::string_view model = TITLE.trimmed();
  std::snprintf(title, sizeof title, "Forced response%s%.*s", model.empty() ? "" : " - ",
                static_cast<int>(model.size()), model.data());
  // A long title is set smaller so that it stays on the paper (the pitch
  // is 1.5 character widths).
  const float wide = std::min(kTitleWide, 285.0f / (1.5f * static_cast<float>(std::strlen(title))));
  PLOT_TEXT_C(title, 148.5f, 198.0f, wide, kTitleHigh * wide / kTitleWide, 0.0f);
  std::string item = plot_item_name(plot_item.kind, plot_item.number);
  item += plot_item.kind == ForcedKind::kStress   ? ": stress"
          : plot_item.kind == ForcedKind::kTorque ? ": torque"
          : plot_item.kind == ForcedKind::kPower  ? ": power loss"
                                                  : ": angle";
  const ForcedRequest r = forced_last_request();
  if (r.misfire_engine != 0) {
    char text[80];
    std::snprintf(text, sizeof text, " - misfire of engine %d, cylinder %d", r.misfire_engine,
                  r.misfire_cylinder);
    item += text;
  }
  PLOT_TEXT_C(item, 148.5f, 191.5f, kNumberWide, kNumberHigh, 0.0f);
  if (forced_outdated == 1) {
    COLOUR(kPenTau1);
    PLOT_TEXT("Results of the model before the last edit: calculate again", kForcedLeft, 186.5f,
              kNoteWide, kNoteHigh, 0.0f);
  }
}

// A curve of the plot: the values of one order (0 = synthesis) over the
// sweep.
void draw_curve(int32_t o) {
  clip_to_plot(kPlot, true);
  for (int32_t s = 1; s <= forced_speed_count(); ++s) {
    VECTO2(forced_x(forced_speed(s)), forced_y(amplitude(s, o)), s == 1 ? 0 : 1);
  }
  clip_to_plot(kPlot, false);
}

// Limit line i over the speeds where it is defined.
void draw_limit(int32_t i, int32_t pen) {
  COLOUR(pen);
  wide_pen(2);
  clip_to_plot(kPlot, true);
  bool drawing = false;
  for (int32_t s = 1; s <= forced_speed_count(); ++s) {
    const double t = limit_value(i, s);
    if (!(t > 0.0)) {
      drawing = false;
      continue;
    }
    VECTO2(forced_x(forced_speed(s)), forced_y(t), drawing ? 1 : 0);
    drawing = true;
  }
  clip_to_plot(kPlot, false);
  SET_LINE_WIDTH(-1);
}

// A label of an order's peak: where, and how high the peak is.
struct PeakLabel {
  int32_t o;
  float x, y;
  double v;
};
constexpr int kMaxPeakLabels = 256;

void draw_orders() {
  const int32_t no = forced_order_count();
  const int32_t ns = forced_speed_count();
  PeakLabel peaks[kMaxPeakLabels];
  int n = 0;
  const double reach = kLabelSpacing * (speed_hi - speed_lo);
  // The grey orders first, so that the orders of the key are drawn over
  // them.
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t o = 1; o <= no; ++o) {
      const int32_t pen = order_pen(o);
      if ((pen == kPenOtherOrders) != (pass == 0)) continue;
      COLOUR(pen);
      draw_curve(o);
    }
  }
  for (int32_t o = 1; o <= no; ++o) {
    // The peaks of the order: the local maxima that reach a share of the
    // axis, the highest one within a stretch of the speed axis.
    for (int32_t s = 1; s <= ns && n < kMaxPeakLabels; ++s) {
      const double v = amplitude(s, o);
      if (v < kLabelShare * amp_top) continue;
      bool highest = true;
      for (int32_t t = s - 1; t >= 1 && forced_speed(s) - forced_speed(t) <= reach && highest; --t)
        highest = amplitude(t, o) < v;
      for (int32_t t = s + 1; t <= ns && forced_speed(t) - forced_speed(s) <= reach && highest; ++t)
        highest = amplitude(t, o) <= v;
      if (highest) peaks[n++] = {o, forced_x(forced_speed(s)), forced_y(v) + 1.0f, v};
    }
  }
  COLOUR(kPenSynth);
  wide_pen(3);
  draw_curve(0);
  SET_LINE_WIDTH(-1);
  // The labels, highest peaks first; one that would cover a label already
  // placed or the frame is left out.
  std::sort(peaks, peaks + n, [](const PeakLabel& a, const PeakLabel& b) { return a.v > b.v; });
  for (int i = 0; i < n; ++i) {
    COLOUR(order_pen(peaks[i].o) == kPenOtherOrders ? kPenAxes : order_pen(peaks[i].o));
    place_label(forced_order_text(peaks[i].o), peaks[i].x, peaks[i].y, kNumberWide * 0.8f,
                kNumberHigh * 0.8f);
  }
  COLOUR(kPenAxes);
}

// The key, right of the plot: the synthesis, the limits and the orders of
// the largest peaks by their colours.
void draw_key() {
  constexpr float kX = kForcedRight + 3.0f;
  constexpr float kStep = 4.0f;
  float y = kForcedTop - 3.0f;
  const auto entry = [&y](int32_t pen, int32_t width, std::string_view text) {
    COLOUR(pen);
    if (width > 1) wide_pen(width);
    line(kX, y + 1.0f, kX + 6.0f, y + 1.0f);
    SET_LINE_WIDTH(-1);
    COLOUR(kPenAxes);
    PLOT_TEXT(text, kX + 7.5f, y, kNoteWide, kNoteHigh, 0.0f);
    y -= kStep;
  };
  entry(kPenSynth, 3, "all orders");
  const LimitLine* lines = nullptr;
  const int32_t nl = limit_lines(&lines);
  for (int32_t i = 0; i < nl; ++i) entry(lines[i].pen, 2, lines[i].label);
  if (key_count == 0) return;
  COLOUR(kPenAxes);
  PLOT_TEXT("Orders", kX, y, kNoteWide, kNoteHigh, 0.0f);
  y -= kStep;
  for (int32_t k = 0; k < key_count; ++k)
    entry(kOrderPens[k], 1, forced_order_text(key_orders[k]));
  if (forced_order_count() > key_count) entry(kPenOtherOrders, 1, "others");
}

// A line of the legend under the plot, set smaller where it would run
// past `room` mm.
void legend_line(std::string_view text, float y, float room) {
  constexpr float kX = 8.0f;
  const float length = text_length(text, kNoteWide);
  const float wide = length > room ? kNoteWide * room / length : kNoteWide;
  PLOT_TEXT(text, kX, y, wide, kNoteHigh * wide / kNoteWide, 0.0f);
}

// The title block of a picture or print, bottom right.
constexpr float kBlockLeft = 200.0f;
constexpr float kBlockRight = 294.0f;

void draw_legend(const std::string& barred) {
  COLOUR(kPenAxes);
  const float room = (drawing_on_page ? kBlockLeft - 3.0f : 289.0f) - 8.0f;
  legend_line(
      "Bold: all orders summed in phase, half the range over the engine cycle.  Thin: each "
      "order.",
      19.5f, room);
  if (plot_has_limits()) {
    legend_line(
        "{{t}}[[1]]: limit for continuous running.  {{t}}[[2]]: for passing through a barred "
        "range ({{l}} up to 0.8).",
        15.5f, room);
  } else if (plot_is_coupling() && plot_item.kind == ForcedKind::kTorque) {
    legend_line(
        "T[[KW]]: permissible vibratory torque for continuous running.  T[[Kmax]]: for passing "
        "through a barred range ({{l}} up to 0.8).",
        15.5f, room);
  } else if (plot_is_coupling()) {
    legend_line("P[[KV]]: permissible power loss of the coupling (the heat it may dissipate).",
                15.5f, room);
  } else if (plot_item.kind == ForcedKind::kStress) {
    legend_line("No limits for this shaft: enter them " +
                    data_place("Data > Limits...", "the limits records of the FORCED section "
                                                   "or the LIMITS section") +
                    ".",
                15.5f, room);
  }
  double from = 0.0, to = 0.0;
  forced_operating_range(&from, &to);
  char text[120];
  std::snprintf(text, sizeof text,
                "Yellow bar under the speed axis: the operating range, %.0f-%.0f rev/min.", from, to);
  if (to > from) legend_line(text, 11.5f, room);
  if (!barred.empty()) {
    COLOUR(kPenTau1);
    legend_line(barred, 7.5f, room);
    COLOUR(kPenAxes);
  } else if (plot_has_limits()) {
    legend_line("No barred speed range: the synthesised stress stays below {{t}}[[1]].", 7.5f,
                room);
  } else if (plot_judged()) {
    legend_line("No barred speed range: the synthesised torque stays below T[[KW]].", 7.5f, room);
  }
  int32_t left[kMaxEngines];
  const int32_t n = std::min(forced_engines_left_out(left, kMaxEngines), kMaxEngines);
  if (n > 0) {
    std::string names;
    for (int32_t i = 0; i < n; ++i) names += (i ? ", " : "") + std::to_string(left[i]);
    legend_line((n == 1 ? "Engine " : "Engines ") + names + " without excitation data left out.",
                3.5f, room);
  }
}

// The title block: what the picture is, of which model, case and run.
void draw_title_block() {
  constexpr float kBottom = 1.5f;
  constexpr float kTop = 24.0f;
  constexpr float kWide = 1.4f;
  constexpr float kHigh = 2.1f;
  COLOUR(kPenAxes);
  line(kBlockLeft, kBottom, kBlockRight, kBottom);
  line(kBlockRight, kBottom, kBlockRight, kTop);
  line(kBlockRight, kTop, kBlockLeft, kTop);
  line(kBlockLeft, kTop, kBlockLeft, kBottom);
  std::string file = FILIN.is_blank() ? std::string("Unnamed") : FILIN.str();
  if (const std::size_t slash = file.find_last_of('/'); slash != std::string::npos)
    file.erase(0, slash + 1);
  const std::string lines[] = {
      "Model: " + file,
      "Title: " + std::string(TITLE.trimmed()),
      "Case: " + forced_case_text(),
      "Drawn: " + drawing_time_text(),
      std::string("Spindra ") + release_version() + ", forced damped response",
  };
  // A line too long for the block goes on over a second line, folded at a
  // blank; what is still too long is set smaller.
  const float room = kBlockRight - kBlockLeft - 3.0f;
  std::string rows[2 * std::size(lines)];
  int n = 0;
  for (const std::string& text : lines) {
    std::string rest = text;
    for (int part = 0; part < 2 && !rest.empty(); ++part) {
      std::size_t cut = rest.size();
      while (part == 0 && cut != std::string::npos && cut > 0 &&
             text_length(std::string_view(rest).substr(0, cut), kWide) > room) {
        cut = rest.rfind(' ', cut - 1);
      }
      if (cut == std::string::npos || cut == 0) cut = rest.size();
      rows[n++] = (part == 0 ? "" : "   ") + rest.substr(0, cut);
      rest = cut < rest.size() ? rest.substr(cut + 1) : "";
    }
  }
  const float pitch = std::min(4.0f, (kTop - kBottom - 1.0f) / static_cast<float>(n));
  float y = kTop - pitch;
  for (int i = 0; i < n; ++i) {
    const float length = text_length(rows[i], kWide);
    const float wide = length > room ? kWide * room / length : kWide;
    PLOT_TEXT(rows[i], kBlockLeft + 1.5f, y, wide, std::min(kHigh * wide / kWide, pitch * 0.7f),
              0.0f);
    y -= pitch;
  }
}

// Why there are no results: what the model lacks, else the refusal of the
// last run while the model is the one it refused.
std::string why_no_results() {
  std::string text = missing_forced_data();
  if (!text.empty()) return text;
  if (forced_outdated == 1 && !run_message.empty())
    return "The data have changed since the last run: press Recalculate.";
  return run_message;
}

// The page without results: what is missing, or why the run was refused.
void draw_missing() {
  COLOUR(kPenAxes);
  std::string text = why_no_results();
  if (text.empty()) text = "Calculate > Forced Damped to see the forced response of this model.";
  text +=
      "\nEnter what is missing through the Data menu of this window or the buttons beside "
      "the plot, then press Recalculate.";
  draw_missing_page("Forced response", text);
}

// The list of shafts and inertias, from the model in memory.
void fill_items() {
  fill_item_rows(listed, FORCED_ITEMS, FORCED_ITEM);
  WINDOW_UPDATE(FORCED_ITEMS);
  WINDOW_UPDATE(FORCED_ITEM);
}

// The list of load cases, kept to the model's.
void fill_cases() {
  const int32_t n = forced_case_count();
  for (int32_t c = 1; c <= kMaxCases; ++c) {
    if (c <= n) {
      FORCED_CASES(c) = forced_case(c).name.trimmed();
    } else {
      FORCED_CASES(c).blank();
    }
  }
  if (FORCED_CASE < 1 || FORCED_CASE > n) FORCED_CASE = 1;
  WINDOW_UPDATE(FORCED_CASES);
  WINDOW_UPDATE(FORCED_CASE);
}

// The verdict on the item shown (a shaft or coupling; an inertia has none)
// and on the design for the case run.
void set_verdicts() {
  FORCED_VERDICT.blank();
  FORCED_DESIGN.blank();
  if (forced_results_valid() != 0) {
    ForcedItem item = forced_item();
    if (item.number == 0) item = default_forced_item();
    if (item.kind != ForcedKind::kAngle) {
      const StiffnessVerdict v = judge_stiffness(item.number);
      const std::string kind = limit_kind_text(item.number);
      FORCED_VERDICT = "Stiffness " + std::to_string(item.number) + ": " +
                       (kind.empty() ? std::string() : kind + ", ") + verdict_text(v);
    }
    FORCED_DESIGN = forced_run_title() + ": " + design_verdict_line(judge_design());
  }
  WINDOW_UPDATE(FORCED_VERDICT);
  WINDOW_UPDATE(FORCED_DESIGN);
}

// The radio buttons show the quantity of the item shown: both off for an
// inertia.
void show_quantity_buttons() {
  const ForcedItem item = forced_item();
  FORCED_SHOW_STRESS = item.kind == ForcedKind::kStress ? 1 : 0;
  FORCED_SHOW_TORQUE = item.kind == ForcedKind::kTorque ? 1 : 0;
  FORCED_SHOW_POWER = item.kind == ForcedKind::kPower ? 1 : 0;
  shown_stress = FORCED_SHOW_STRESS;
  shown_torque = FORCED_SHOW_TORQUE;
  shown_power = FORCED_SHOW_POWER;
  WINDOW_UPDATE(FORCED_SHOW_STRESS);
  WINDOW_UPDATE(FORCED_SHOW_TORQUE);
  WINDOW_UPDATE(FORCED_SHOW_POWER);
}

// Pictures of the plot are offered under the model's name with "-forced",
// in its folder; proposed anew for each model file.
void propose_picture_name() {
  if (FILIN.str() == picture_model) return;
  picture_model = FILIN.str();
  std::string base = FILIN.is_blank() ? std::string("Unnamed") : FILIN.str();
  const std::size_t dot = base.find_last_of('.');
  const std::size_t slash = base.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) base.erase(dot);
  FORCED_PICTURE = base + "-forced.svg";
  WINDOW_UPDATE(FORCED_PICTURE);
}

// The note line under the plot.
void set_note() {
  if (forced_results_valid() == 0) {
    std::string m = why_no_results();
    const std::size_t nl = m.find('\n');
    if (nl != std::string::npos) m.replace(nl, std::string::npos, " ...");
    FORCED_NOTE = m;
  } else if (forced_outdated == 1) {
    FORCED_NOTE = "These results are of the model before the last edit: press Recalculate.";
  } else if (!report_note.empty()) {
    FORCED_NOTE = report_note;
  } else {
    FORCED_NOTE = run_message;
  }
  WINDOW_UPDATE(FORCED_NOTE);
}

int redraw_window() {
  set_note();
  set_verdicts();
  if (on_window_region(kSlot)) {
    DRAW_FORCED();
    back_to_main_region();
  }
  return 1;
}

// Runs the forced response with the misfire of the window.
void run_now(bool keep_item) {
  ++FORCED_RUNS;
  const ForcedItem before = forced_item();
  fill_cases();
  ForcedRequest request;
  request.misfire_engine = MISFIRE_ENGINE;
  request.misfire_cylinder = MISFIRE_ENGINE == 0 ? 0 : MISFIRE_CYLINDER;
  request.load_case = FORCED_CASE;
  run_message.clear();
  report_note.clear();
  const bool ran = run_forced_response(request, &run_message);
  note_forced_run();
  fill_items();
  propose_picture_name();  // the model may have been saved under another name
  // The item shown stays only for another run of the same model.
  if (run_model != models_started) keep_item = false;
  run_model = models_started;
  if (!ran) return;
  std::string message;
  FORCED_REPORT_VALID = write_forced_report(&message) ? 1 : 0;
  WINDOW_UPDATE(FORCED_REPORT_VALID);
  if (FORCED_REPORT_VALID == 1) {
    // The report stands beside the model file: its name says where.
    std::string name = forced_report_name();
    if (const std::size_t slash = name.find_last_of('/'); slash != std::string::npos)
      name.erase(0, slash + 1);
    report_note = "Report: " + name + " (File > Review Report)";
    if (!run_message.empty()) report_note = run_message + "  " + report_note;
  } else {
    report_note = message;
  }
  if (!(keep_item && choose_forced_item(before))) choose_forced_item(default_forced_item());
}

int FORCED_MOUSE() {
  float rx = 0.0f, ry = 0.0f;
  if (!cursor_on_region(kSlot, &rx, &ry)) return 2;
  back_to_main_region();
  if (!forced_hover_text(rx, ry, FORCED_STATUS)) FORCED_STATUS = "";
  WINDOW_UPDATE(FORCED_STATUS);
  return 2;
}

// The list or a radio button: another item or quantity; no new run.
int FORCED_PICK() {
  FORCED_STATUS = "";
  // A radio button pressed: the quantity shafts show from now on.
  const bool pressed = FORCED_SHOW_STRESS != shown_stress ||
                       FORCED_SHOW_TORQUE != shown_torque || FORCED_SHOW_POWER != shown_power;
  if (pressed && FORCED_SHOW_STRESS == 1) shaft_quantity = ForcedKind::kStress;
  if (pressed && FORCED_SHOW_TORQUE == 1) shaft_quantity = ForcedKind::kTorque;
  if (pressed && FORCED_SHOW_POWER == 1) shaft_quantity = ForcedKind::kPower;
  const ForcedItem item = forced_item();
  if (item.kind == ForcedKind::kTorque && shaft_quantity == ForcedKind::kStress) {
    FORCED_STATUS = "This shaft has no diameter: its torque is shown.";
  } else if (item.kind == ForcedKind::kAngle && pressed) {
    FORCED_STATUS = "An inertia shows its angle.";
  }
  WINDOW_UPDATE(FORCED_STATUS);
  show_quantity_buttons();
  return redraw_window();
}

// Another load case chosen in the list: its run.
int FORCED_CASE_PICK() {
  run_now(true);
  return redraw_window();
}

int FORCED_RECALCULATE() {
  PROG10();
  IDRAW();
  return FORCED_RESPONSE();
}

int EXPORT_FORCED() {
  return export_command(FORCED_PICTURE, DRAW_FORCED);
}

int PRINT_FORCED() {
  return print_command(DRAW_FORCED);
}

int REVIEW_FORCED_REPORT() {
  return review_forced_report();
}

// The data dialogs of the window; each redraws the window after an edit.
int EXCITATION_FROM_WINDOW() {
  return EXCITATION_DIALOG();
}
int LIMITS_FROM_WINDOW() {
  return LIMITS_DIALOG();
}
int SWEEP_FROM_WINDOW() {
  return SWEEP_DIALOG();
}
int CASES_FROM_WINDOW() {
  return LOAD_CASES_DIALOG();
}

void open_window() {
  FORCED_STATUS = "";
  propose_picture_name();
  window_callback3 = FORCED_MOUSE;

  int32_t width = 0, height = 0;
  plot_region_size(&width, &height);

  WINDOW_PRINTF("%ca[Forced Response]&");
  WINDOW_PRINTF("%`ft@@&", {literal("Pictures"), literal("*.svg *.pdf *.png")});
  WINDOW_PRINTF(
      "%mn[&File[&Export Picture...,&Print...,|,~&Review Report,|,E&xit]]&",
      {literal("FILE_OPENW"), bind(FORCED_PICTURE), call(EXPORT_FORCED), call(PRINT_FORCED),
       bind(FORCED_REPORT_VALID), call(REVIEW_FORCED_REPORT), literal("EXIT")});
  WINDOW_PRINTF("%mn[&Data[&Excitation...,&Limits...,&Sweep...,Load &Cases...]]&",
                {call(EXCITATION_FROM_WINDOW), call(LIMITS_FROM_WINDOW), call(SWEEP_FROM_WINDOW),
                 call(CASES_FROM_WINDOW)});
  WINDOW_PRINTF("%mn[Ca&lculate[&Recalculate]]&", {call(FORCED_RECALCULATE)});
  place_plot_region(kSlot, width, height);
  // The lines after the region stand to its right.
  fill_cases();
  WINDOW_PRINTF(" Load case%nl&");
  WINDOW_PRINTF(" %`bg[white]%30.4^ls%nl&",
                {bind(FORCED_CASES), bind(FORCED_CASE), call(FORCED_CASE_PICK)});
  WINDOW_PRINTF(" Shaft or inertia%nl&");
  WINDOW_PRINTF(" %`bg[white]%30.14^ls%nl&",
                {bind(FORCED_ITEMS), bind(FORCED_ITEM), call(FORCED_PICK)});
  WINDOW_PRINTF(" %`^rb[Stress]  &", {bind(FORCED_SHOW_STRESS), call(FORCED_PICK)});
  WINDOW_PRINTF("%`^rb[Torque]  &", {bind(FORCED_SHOW_TORQUE), call(FORCED_PICK)});
  WINDOW_PRINTF("%`^rb[Power]%nl&", {bind(FORCED_SHOW_POWER), call(FORCED_PICK)});
  WINDOW_PRINTF("%3ga&",
                {bind(FORCED_SHOW_STRESS), bind(FORCED_SHOW_TORQUE), bind(FORCED_SHOW_POWER)});
  WINDOW_PRINTF("%nl Misfire (engine 0: none)%nl&");
  WINDOW_PRINTF(" Engine %`bg[white]%il%4rd%`il  Cylinder %`bg[white]%il%4rd%`il%nl&",
                {value(0), value(kMaxEngines), bind(MISFIRE_ENGINE), value(0), value(kMaxCylinders),
                 bind(MISFIRE_CYLINDER)});
  WINDOW_PRINTF(" %^16tt[&Recalculate]%nl&", {call(FORCED_RECALCULATE)});
  WINDOW_PRINTF("%nl Data%nl&");
  WINDOW_PRINTF(" %^16tt[&Excitation...]%nl&", {call(EXCITATION_FROM_WINDOW)});
  WINDOW_PRINTF(" %^16tt[&Limits...]%nl&", {call(LIMITS_FROM_WINDOW)});
  WINDOW_PRINTF(" %^16tt[S&weep...]%nl&", {call(SWEEP_FROM_WINDOW)});
  WINDOW_PRINTF(" %^16tt[Load &Cases...]%nl&", {call(CASES_FROM_WINDOW)});
  WINDOW_PRINTF("%ff %`rs&", {bind(FORCED_VERDICT)});
  WINDOW_PRINTF("%ff %`rs&", {bind(FORCED_DESIGN)});
  WINDOW_PRINTF("%ff %`rs&", {bind(FORCED_STATUS)});
  WINDOW_PRINTF("%ff %`rs&", {bind(FORCED_NOTE)});
  WINDOW_PRINTF("%sc&", {call(redraw_window)});
  WINDOW_PRINTF("%ww[no_border]");
  back_to_main_region();
}

}  // namespace

std::string forced_case_text() {
  // The load case's name ("Sweep" for the case of the sweep itself).
  std::string text(forced_last_case().name.trimmed());
  if (text.empty()) text = "Sweep";
  double from = 0.0, to = 0.0;
  forced_operating_range(&from, &to);
  char range[96];
  if (to > from) {
    std::snprintf(range, sizeof range, ", operating range %.0f-%.0f rev/min", from, to);
    text += range;
  }
  const ForcedRequest r = forced_last_request();
  if (r.misfire_engine != 0) {
    std::snprintf(range, sizeof range, "; misfire of engine %d, cylinder %d", r.misfire_engine,
                  r.misfire_cylinder);
    text += range;
  } else {
    text += "; no misfire";
  }
  return text;
}

float forced_x(double speed) {
  return static_cast<float>(kForcedLeft + (speed - speed_lo) / (speed_hi - speed_lo) *
                                              (kForcedRight - kForcedLeft));
}

float forced_y(double value) {
  return static_cast<float>(kForcedBottom + value / amp_top * (kForcedTop - kForcedBottom));
}

ForcedItem forced_item() {
  ForcedItem item;
  bool shaft = false;
  item.number = listed.item_at(FORCED_ITEM, &shaft);
  if (item.number == 0) return item;
  item.kind = !shaft                                 ? ForcedKind::kAngle
              : shaft_quantity == ForcedKind::kPower ? ForcedKind::kPower
              : shaft_quantity == ForcedKind::kStress && shaft_has_diameter(item.number)
                  ? ForcedKind::kStress
                  : ForcedKind::kTorque;
  return item;
}

bool choose_forced_item(ForcedItem item) {
  if (!listed.matches_model()) fill_items();
  const bool shaft = item.kind != ForcedKind::kAngle;
  const int32_t row = listed.row_for(shaft, item.number);
  if (row == 0) return false;
  if (item.kind == ForcedKind::kStress && !shaft_has_diameter(item.number)) return false;
  FORCED_ITEM = row;
  if (shaft) shaft_quantity = item.kind;
  WINDOW_UPDATE(FORCED_ITEM);
  show_quantity_buttons();
  return true;
}

ForcedItem default_forced_item() {
  int32_t shaft = forced_results_valid() ? forced_worst_shaft() : 0;
  if (shaft < 1 || shaft > NSTIF || is_rigid_mesh(STIFF(shaft))) {
    shaft = 0;
    for (int32_t k = 1; k <= NSTIF && shaft == 0; ++k) shaft = is_rigid_mesh(STIFF(k)) ? 0 : k;
  }
  if (shaft >= 1) return {judged_quantity(shaft), shaft};
  return {ForcedKind::kAngle, 1};
}

std::string missing_forced_data() {
  std::string out;
  if (NMASS == 0) return "The model has no inertias: build the shaft system first.\n";
  const ForcedSweep& w = forced_sweep;
  if (w == ForcedSweep{}) {
    out += "No speed sweep: enter the speed range and the rated speed (Data > Sweep...).\n";
  } else if (!(w.n_rated > 0.0)) {
    out += "No rated speed: enter it (Data > Sweep...).\n";
  }
  if (NENG == 0) {
    out +=
        "No engine: define the engines (Create > Engine), then their excitation (Data > "
        "Excitation...).\n";
  } else {
    bool any = false;
    for (int32_t k = 1; k <= NENG && k <= kMaxEngines; ++k)
      any = any || !(ENGS(k).excitation == Excitation{});
    if (!any) {
      out +=
          "No engine has excitation data (bore, stroke, rod, masses, gas harmonics): enter "
          "them (Data > Excitation...).\n";
    }
  }
  bool damped = w.eta > 0.0;
  for (int32_t i = 1; i <= NMASS && !damped; ++i) damped = MASSES(i).dampex > 0.0;
  for (int32_t i = 1; i <= NSTIF && !damped; ++i) damped = STIFF(i).dampin > 0.0;
  if (!damped) {
    out +=
        "No damping: the response at a resonance would be unbounded.  Enter a loss factor "
        "(Data > Sweep...) or the dampings of the inertias and shafts (Modify > Node, "
        "Modify > Stiffness).\n";
  }
  return out;
}

bool forced_hover_text(float x, float y, FixedText<100>& text) {
  const int32_t ns = forced_speed_count();
  if (forced_results_valid() == 0 || ns < 1 || plot_item.number == 0) return false;
  if (x < kForcedLeft - 1.0f || x > kForcedRight + 1.0f || y < kForcedBottom - 1.0f ||
      y > kForcedTop + 1.0f) {
    return false;
  }
  // The sweep speed nearest the mouse across, by bisection.
  const double speed =
      speed_lo + (x - kForcedLeft) / (kForcedRight - kForcedLeft) * (speed_hi - speed_lo);
  int32_t lo = 1, hi = ns;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    (forced_speed(mid) <= speed ? lo : hi) = mid;
  }
  float best = kHoverReach;
  int32_t best_s = 0, best_o = -1;
  const int32_t first = std::max(1, lo - 6), last = std::min(ns, hi + 6);
  for (int32_t o = 0; o <= forced_order_count(); ++o) {
    for (int32_t s = first; s <= last; ++s) {
      const float x1 = forced_x(forced_speed(s)), y1 = forced_y(amplitude(s, o));
      const int32_t t = std::min(s + 1, last);
      const float x2 = forced_x(forced_speed(t)), y2 = forced_y(amplitude(t, o));
      const float dx = x2 - x1, dy = y2 - y1;
      const float len2 = dx * dx + dy * dy;
      const float u =
          len2 > 0.0f ? std::clamp(((x - x1) * dx + (y - y1) * dy) / len2, 0.0f, 1.0f) : 0.0f;
      const float d = std::hypot(x - (x1 + u * dx), y - (y1 + u * dy));
      // The synthesis wins a tie: it is drawn on top.
      if (d < best || (o == 0 && d <= best)) {
        best = d;
        best_s = u < 0.5f ? s : t;
        best_o = o;
      }
    }
  }
  if (best_o < 0) return false;
  char buffer[160];
  const double v = amplitude(best_s, best_o);
  const std::string order =
      best_o == 0 ? std::string("synthesis") : "order " + forced_order_text(best_o);
  std::snprintf(buffer, sizeof buffer, "%.1f rev/min, %s: %#.4g %s", forced_speed(best_s),
                order.c_str(), v, unit_name);
  std::string out = buffer;
  // The continuous limit of the item there, and how much of it is used.
  const LimitLine* lines = nullptr;
  if (limit_lines(&lines) > 0) {
    const double limit = limit_value(0, best_s);
    if (limit > 0.0) {
      std::snprintf(buffer, sizeof buffer, " (%s %#.4g %s, %.0f%%)", lines[0].name, limit,
                    unit_name, 100.0 * v / limit);
      out += buffer;
    }
  }
  text = out;
  return true;
}

int DRAW_FORCED() {
  window_library().clear_screen();
  if (forced_results_valid() == 0 || forced_speed_count() < 1) {
    draw_missing();
    return 1;
  }
  plot_item = forced_item();
  if (plot_item.number == 0) plot_item = default_forced_item();
  frame_plot();
  draw_operating_range();
  const std::string barred = draw_barred_ranges();
  draw_axes();
  const LimitLine* lines = nullptr;
  const int32_t nl = std::min(limit_lines(&lines), kMaxLimitLines);
  for (int32_t i = 0; i < nl; ++i) draw_limit(i, lines[i].pen);
  draw_orders();
  draw_key();
  draw_titles();
  draw_legend(barred);
  if (drawing_on_page) draw_title_block();
  return 1;
}

void forced_window_new_model() {
  MISFIRE_ENGINE = 0;
  MISFIRE_CYLINDER = 0;
  FORCED_CASE = 1;
  WINDOW_UPDATE(MISFIRE_ENGINE);
  WINDOW_UPDATE(MISFIRE_CYLINDER);
  fill_cases();
}

std::string forced_plot_case_text() {
  return forced_run_title();
}

void refresh_forced_window() {
  if (forced_results_valid() == 0 && FORCED_REPORT_VALID == 1) {
    FORCED_REPORT_VALID = 0;  // the report is of another model
    WINDOW_UPDATE(FORCED_REPORT_VALID);
  }
  if (!graph_window_open(kSlot)) return;
  propose_picture_name();
  if (forced_results_valid() == 0) fill_items();  // another model: its results are gone
  FORCED_STATUS = "";
  WINDOW_UPDATE(FORCED_STATUS);
  fill_cases();
  redraw_window();
}

void forced_results_mark_changed() {
  refresh_forced_window();
}

int FORCED_RESPONSE() {
  const bool open = graph_window_open(kSlot);
  run_now(open);
  if (open) {
    redraw_window();
  } else {
    open_window();
  }
  raise_graph_window(kSlot);  // in front of the main window that ran it
  return 1;
}

bool write_forced_picture(const std::string& path, const std::string& item_spec,
                          std::string* message) {
  if (forced_results_valid() == 0) {
    *message = "there are no forced-response results to draw.";
    return false;
  }
  fill_items();
  ForcedItem item = default_forced_item();
  if (!item_spec.empty() &&
      !parse_item_choice(item_spec, judged_quantity, &item.kind, &item.number, message))
    return false;
  choose_forced_item(item);
  return export_picture(path, DRAW_FORCED, message);
}

}  // namespace spindra
