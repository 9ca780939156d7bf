#include "app/transient_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/campbell.h"
#include "analysis/shaft_system.h"
#include "analysis/transient.h"
#include "app/draw.h"
#include "app/history.h"
#include "app/main_window.h"
#include "app/picture.h"
#include "app/plot_frame.h"
#include "app/plot_window.h"
#include "app/transient_dialog.h"
#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "graphics/text/symbols.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr int32_t kSlot = 4;  // the display layer's region slot of the window
constexpr float kNoteWide = 1.5f;
constexpr float kNoteHigh = 2.25f;
constexpr int32_t kMaxBarred = 256;

constexpr int32_t kPenAxes = 0;
constexpr int32_t kPenCurve = 1;
constexpr int32_t kPenTau1 = 4;
constexpr int32_t kPenTau2 = 5;
constexpr int32_t kPenBarred = 12;
constexpr int32_t kPenPeak = 4;

constexpr PlotFrame kPlot = {kTransientLeft, kTransientRight, kTransientBottom, kTransientTop};
constexpr TickStyle kTicks = {kTickLength, kNumberWide, kNumberHigh};

bool stale = false;
std::string run_message;
std::string report_note;

// The plot in hand.
TransientItem plot_item;
bool speed_axis = false;
double x_lo = 0.0, x_hi = 1.0;
double y_lo = -1.0, y_hi = 1.0;
double unit_factor = 1.0;
const char* unit_name = "MPa";

// The shafts and inertias of the item list.
PlotItemList listed;

// Four significant figures, trailing zeros kept (29.90), no bare point (6838).
std::string figures(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%#.4g", v);
  std::string s = text;
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

// A shaft shows its stress when it has a diameter, else its torque.
ForcedKind shown_quantity(int32_t shaft) {
  return shaft_has_diameter(shaft) ? ForcedKind::kStress : ForcedKind::kTorque;
}

bool is_runup() {
  return transient_results_valid() != 0 && transient_info().data.kind == kTransientRunup;
}

double value_at(int32_t i) {
  return transient_value(plot_item.kind, plot_item.number, i) * unit_factor;
}

double x_at(int32_t i) {
  return speed_axis ? transient_sample_speed(i) : transient_sample_time(i);
}

bool plot_has_limits() {
  return plot_item.kind == ForcedKind::kStress && forced_shaft_has_limits(plot_item.number) == 1;
}

void frame_plot() {
  const int32_t n = transient_sample_count();
  speed_axis = is_runup() && TRANSIENT_AXIS_SPEED == 1;
  x_lo = x_at(0);
  x_hi = x_at(n);
  if (x_hi < x_lo) std::swap(x_lo, x_hi);
  if (!(x_hi > x_lo)) x_hi = x_lo + 1.0;
  double top = transient_peak(plot_item.kind, plot_item.number).value;
  const PlotUnit unit = plot_unit(plot_item.kind, top);
  unit_factor = unit.factor;
  unit_name = unit.name;
  top *= unit_factor;
  if (plot_has_limits()) {
    double tau1 = 0.0, tau2 = 0.0;
    transient_shaft_limits(plot_item.number, &tau1, &tau2);
    const double limit = tau2 > 0.0 ? tau2 : tau1;
    if (limit > top && limit < 4.0 * top) top = limit;
  }
  if (!(top > 0.0) || !std::isfinite(top)) top = 1.0;
  const double step = round_step(2.0 * top * 1.05, 8);
  y_hi = round_up(top * 1.05, step);
  y_lo = -y_hi;
}

// The time (or speed) ranges a run-up spends in the barred ranges, hatched.
void draw_barred() {
  if (!is_runup()) return;
  TransientBarred ranges[kMaxBarred];
  const int32_t n = std::min(transient_barred_ranges(ranges, kMaxBarred), kMaxBarred);
  const TransientCase& c = transient_info().data;
  for (int32_t i = 0; i < n; ++i) {
    if (plot_item.kind != ForcedKind::kAngle && ranges[i].shaft != plot_item.number) continue;
    double a = ranges[i].from, b = ranges[i].to;
    if (!speed_axis) {
      const double span = c.n_end - c.n_start;
      if (span == 0.0) continue;
      a = (ranges[i].from - c.n_start) / span * c.duration;
      b = (ranges[i].to - c.n_start) / span * c.duration;
      if (a > b) std::swap(a, b);
    }
    a = std::max(a, x_lo);
    b = std::min(b, x_hi);
    if (!(b > a)) continue;
    hatch_range(kPlot, transient_x(a), transient_x(b), 2.5f, kPenBarred);
    COLOUR(kPenTau1);
    PLOT_TEXT_C("barred", (transient_x(a) + transient_x(b)) / 2.0f, kTransientTop - 4.0f, kNoteWide,
                kNoteHigh, 0.0f);
  }
}

void draw_limits() {
  if (!plot_has_limits()) return;
  // The limits at each sample's speed (constant but for a run-up), both signs.
  for (int second = 0; second <= 1; ++second) {
    COLOUR(second != 0 ? kPenTau2 : kPenTau1);
    for (double sign : {1.0, -1.0}) {
      clip_to_plot(kPlot, true);
      bool drawing = false;
      const int32_t n = transient_sample_count();
      const int32_t stride = std::max(1, n / 400);
      for (int32_t i = 0; i <= n; i += stride) {
        double t1 = 0.0, t2 = 0.0;
        forced_shaft_limits(plot_item.number, transient_sample_speed(i), &t1, &t2);
        const double t = second != 0 ? t2 : t1;
        if (!(t > 0.0)) {
          drawing = false;
          continue;
        }
        VECTO2(transient_x(x_at(i)), transient_y(sign * t), drawing ? 1 : 0);
        drawing = true;
      }
      clip_to_plot(kPlot, false);
    }
  }
}

void draw_curve_and_peak() {
  const int32_t n = transient_sample_count();
  COLOUR(kPenCurve);
  clip_to_plot(kPlot, true);
  int32_t at = 0;
  double best = -1.0;
  for (int32_t i = 0; i <= n; ++i) {
    const double v = value_at(i);
    VECTO2(transient_x(x_at(i)), transient_y(v), i == 0 ? 0 : 1);
    if (std::fabs(v) > best) {
      best = std::fabs(v);
      at = i;
    }
  }
  clip_to_plot(kPlot, false);
  // The peak over every step, at the sample that holds it.
  const TransientPeak p = transient_peak(plot_item.kind, plot_item.number);
  const double v = value_at(at);
  const float x = transient_x(x_at(at)), y = transient_y(v);
  COLOUR(kPenPeak);
  line(x - 1.5f, y, x + 1.5f, y);
  line(x, y - 1.5f, x, y + 1.5f);
  char text[120];
  if (is_runup()) {
    std::snprintf(text, sizeof text, "peak %s %s at %s s, %.0f rev/min",
                  figures(p.value * unit_factor).c_str(), unit_name, figures(p.time).c_str(),
                  p.speed);
  } else {
    std::snprintf(text, sizeof text, "peak %s %s at %s s", figures(p.value * unit_factor).c_str(),
                  unit_name, figures(p.time).c_str());
  }
  const float ty = v >= 0.0 ? std::min(y + 2.0f, kTransientTop - 3.0f)
                            : std::max(y - 4.5f, kTransientBottom + 1.0f);
  const float tx = std::clamp(x, kTransientLeft + 30.0f, kTransientRight - 30.0f);
  PLOT_TEXT_C(text, tx, ty, kNumberWide, kNumberHigh, 0.0f);
}

void draw_axes_and_titles() {
  COLOUR(kPenAxes);
  draw_frame_and_ticks(kPlot, kTicks, x_lo, x_hi, 10, transient_x, y_lo, y_hi, transient_y);
  line(kTransientLeft, transient_y(0.0), kTransientRight, transient_y(0.0));
  const char* quantity = plot_item.kind == ForcedKind::kStress   ? "Stress"
                         : plot_item.kind == ForcedKind::kTorque ? "Torque"
                                                                 : "Vibratory angle";
  draw_axis_titles(kPlot, speed_axis ? "Engine speed (rev/min)" : "Time (s)",
                   kTransientBottom - 13.0f, std::string(quantity) + " (" + unit_name + ")",
                   kTitleWide, kTitleHigh);
  char title[plot::kLineWidth + 1];
  const std::string_view model = TITLE.trimmed();
  std::snprintf(title, sizeof title, "Transient response%s%.*s", model.empty() ? "" : " - ",
                static_cast<int>(model.size()), model.data());
  const float wide = std::min(kTitleWide, 285.0f / (1.5f * static_cast<float>(std::strlen(title))));
  PLOT_TEXT_C(title, 148.5f, 198.0f, wide, kTitleHigh * wide / kTitleWide, 0.0f);
  const TransientInfo info = transient_info();
  std::string item = "Case " + std::to_string(info.case_number) + " " +
                     std::string(info.data.name.trimmed()) + " (" +
                     transient_kind_word(info.data.kind) +
                     "): " + plot_item_name(plot_item.kind, plot_item.number);
  item += plot_item.kind == ForcedKind::kStress   ? ", stress"
          : plot_item.kind == ForcedKind::kTorque ? ", torque"
                                                  : ", angle";
  PLOT_TEXT_C(item, 148.5f, 191.5f, kNumberWide, kNumberHigh, 0.0f);
  if (stale) {
    COLOUR(kPenTau1);
    PLOT_TEXT("Results of the model before the last edit: calculate again", kTransientLeft, 185.0f,
              kNoteWide, kNoteHigh, 0.0f);
  }
}

void draw_legend() {
  COLOUR(kPenAxes);
  constexpr float kX = 8.0f;
  const TransientInfo info = transient_info();
  char text[200];
  std::snprintf(text, sizeof text,
                "Step %.4g s (%ld steps, %s), period error %.2g %% at %.4g Hz; damping made "
                "viscous at %.4g Hz.",
                info.dt, info.steps, info.step_given != 0 ? "the case's own" : "the default",
                100.0 * info.period_error, info.resolved_hz, info.damping_hz);
  PLOT_TEXT(text, kX, 19.5f, kNoteWide, kNoteHigh, 0.0f);
  PLOT_TEXT("Each point is the extreme of its interval: no peak between samples is lost.", kX,
            15.5f, kNoteWide, kNoteHigh, 0.0f);
  if (plot_has_limits()) {
    PLOT_TEXT(
        "{{t}}[[1]]: limit for continuous running.  {{t}}[[2]]: limit for passing quickly "
        "through a barred range ({{l}} up to 0.8).",
        kX, 11.5f, kNoteWide, kNoteHigh, 0.0f);
  }
  if (info.free_system != 0 && plot_item.kind == ForcedKind::kAngle) {
    PLOT_TEXT("No stiffness to ground: angles relative to the rigid rotation of the whole.", kX,
              7.5f, kNoteWide, kNoteHigh, 0.0f);
  }
  if (is_runup()) {
    TransientBarred ranges[kMaxBarred];
    const int32_t n = transient_barred_ranges(ranges, kMaxBarred);
    std::string legend;
    for (int32_t i = 0; i < n && i < kMaxBarred; ++i) {
      std::snprintf(text, sizeof text, "%sshaft %d %.0f-%.0f rev/min %.3g s",
                    legend.empty() ? "" : ", ", ranges[i].shaft, ranges[i].from, ranges[i].to,
                    ranges[i].seconds);
      legend += text;
    }
    if (n > 0) {
      COLOUR(kPenTau1);
      PLOT_TEXT("Time in barred ranges: " + legend, kX, 3.5f, kNoteWide, kNoteHigh, 0.0f);
    } else if (n == 0) {
      PLOT_TEXT("The run-up passes no barred speed range.", kX, 3.5f, kNoteWide, kNoteHigh, 0.0f);
    }
  }
}

// What the model lacks for a transient, in plain sentences.
std::string missing_transient_data() {
  if (NMASS == 0) return "The model has no inertias: build the shaft system first.\n";
  if (NTRANS == 0)
    return "The model has no transient case: enter one (Data > Transient Cases...).\n";
  return {};
}

void draw_missing() {
  COLOUR(kPenAxes);
  std::string text = missing_transient_data();
  if (text.empty()) text = run_message;
  if (text.empty()) text = "Calculate > Transient... to see the transient response of this model.";
  text += "\nEnter what is missing, then press Recalculate.";
  draw_missing_page("Transient response", text);
}

void fill_lists() {
  char text[64];
  for (int32_t k = 1; k <= kMaxTransientCases; ++k) {
    if (k > NTRANS) {
      TRANSIENT_CASE_LIST(k).blank();
      continue;
    }
    const TransientCase& c = TRANSIENT_CASES(k);
    std::snprintf(text, sizeof text, "%2d  %-16.16s %s", k, c.name.str().c_str(),
                  transient_kind_word(c.kind));
    TRANSIENT_CASE_LIST(k) = text;
  }
  if (TRANSIENT_CASE_PICK > NTRANS) TRANSIENT_CASE_PICK = NTRANS > 0 ? 1 : 0;
  if (TRANSIENT_CASE_PICK == 0 && NTRANS > 0) TRANSIENT_CASE_PICK = 1;
  fill_item_rows(listed, TRANSIENT_ITEMS, TRANSIENT_ITEM);
  WINDOW_UPDATE(TRANSIENT_CASE_LIST);
  WINDOW_UPDATE(TRANSIENT_CASE_PICK);
  WINDOW_UPDATE(TRANSIENT_ITEMS);
  WINDOW_UPDATE(TRANSIENT_ITEM);
}

void set_note() {
  if (transient_results_valid() == 0) {
    std::string m = missing_transient_data();
    if (m.empty()) m = run_message;
    while (!m.empty() && m.back() == '\n') m.pop_back();
    const std::size_t nl = m.find('\n');
    if (nl != std::string::npos) m.replace(nl, std::string::npos, " ...");
    TRANSIENT_NOTE = m;
  } else if (stale) {
    TRANSIENT_NOTE = "These results are of the model before the last edit: press Recalculate.";
  } else {
    TRANSIENT_NOTE = report_note;
  }
  WINDOW_UPDATE(TRANSIENT_NOTE);
}

int redraw_window() {
  set_note();
  if (on_window_region(kSlot)) {
    DRAW_TRANSIENT();
    back_to_main_region();
  }
  return 1;
}

void run_now(bool keep_item) {
  fill_lists();
  const TransientItem before = transient_item();
  run_message.clear();
  report_note.clear();
  stale = false;
  const int32_t k = TRANSIENT_CASE_PICK >= 1 ? TRANSIENT_CASE_PICK : 1;
  const bool ran = run_transient(k, &run_message);
  fill_lists();
  if (!ran) return;
  std::string message;
  TRANSIENT_REPORT_VALID = write_transient_report(&message) ? 1 : 0;
  WINDOW_UPDATE(TRANSIENT_REPORT_VALID);
  report_note = TRANSIENT_REPORT_VALID == 1 ? "Report: " + transient_report_name() : message;
  if (!transient_notes().empty()) report_note = transient_notes() + ".  " + report_note;
  if (!(keep_item && choose_transient_item(before)))
    choose_transient_item(default_transient_item());
}

int TRANSIENT_MOUSE() {
  float rx = 0.0f, ry = 0.0f;
  if (!cursor_on_region(kSlot, &rx, &ry)) return 2;
  back_to_main_region();
  if (!transient_hover_text(rx, ry, TRANSIENT_STATUS)) TRANSIENT_STATUS = "";
  WINDOW_UPDATE(TRANSIENT_STATUS);
  return 2;
}

int TRANSIENT_PICK() {
  TRANSIENT_STATUS = "";
  const TransientItem item = transient_item();
  if (item.kind == ForcedKind::kTorque && TRANSIENT_SHOW_STRESS == 1)
    TRANSIENT_STATUS = "This shaft has no diameter: its torque is shown.";
  WINDOW_UPDATE(TRANSIENT_STATUS);
  return redraw_window();
}

int TRANSIENT_RECALCULATE() {
  PROG10();
  IDRAW();
  return TRANSIENT_RESPONSE();
}

int TRANSIENT_CASE_CHOSEN() {
  run_now(true);
  return redraw_window();
}

int EXPORT_TRANSIENT() {
  return export_command(TRANSIENT_PICTURE, DRAW_TRANSIENT);
}

int PRINT_TRANSIENT() {
  return print_command(DRAW_TRANSIENT);
}

int REVIEW_TRANSIENT_REPORT() {
  return review_transient_report();
}

int CASES_FROM_WINDOW() {
  TRANSIENT_CASES_DIALOG();
  fill_lists();
  return redraw_window();
}

void open_window() {
  TRANSIENT_STATUS = "";
  std::string base = FILIN.is_blank() ? std::string("Unnamed") : FILIN.str();
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > base.find_last_of('/') + 1) base.erase(dot);
  TRANSIENT_PICTURE = base + "-transient.svg";
  window_callback4 = TRANSIENT_MOUSE;

  int32_t width = 0, height = 0;
  plot_region_size(&width, &height);

  WINDOW_PRINTF("%ca[Transient Response]&");
  WINDOW_PRINTF("%`ft@@&", {literal("Pictures"), literal("*.svg *.pdf *.png")});
  WINDOW_PRINTF("%mn[&File[&Export Picture...,&Print...,|,~&Review Report,|,E&xit]]&",
                {literal("FILE_OPENW"), bind(TRANSIENT_PICTURE), call(EXPORT_TRANSIENT),
                 call(PRINT_TRANSIENT), bind(TRANSIENT_REPORT_VALID), call(REVIEW_TRANSIENT_REPORT),
                 literal("EXIT")});
  WINDOW_PRINTF("%mn[&Data[Transient &Cases...]]&", {call(CASES_FROM_WINDOW)});
  WINDOW_PRINTF("%mn[Ca&lculate[&Recalculate]]&", {call(TRANSIENT_RECALCULATE)});
  place_plot_region(kSlot, width, height);
  WINDOW_PRINTF(" Case%nl&");
  WINDOW_PRINTF(" %`bg[white]%30.6^ls%nl&", {bind(TRANSIENT_CASE_LIST), bind(TRANSIENT_CASE_PICK),
                                             call(TRANSIENT_CASE_CHOSEN)});
  WINDOW_PRINTF(" Shaft or inertia%nl&");
  WINDOW_PRINTF(" %`bg[white]%30.10^ls%nl&",
                {bind(TRANSIENT_ITEMS), bind(TRANSIENT_ITEM), call(TRANSIENT_PICK)});
  WINDOW_PRINTF(" %`^rb[Stress]  &", {bind(TRANSIENT_SHOW_STRESS), call(TRANSIENT_PICK)});
  WINDOW_PRINTF("%`^rb[Torque]%nl&", {bind(TRANSIENT_SHOW_TORQUE), call(TRANSIENT_PICK)});
  WINDOW_PRINTF("%2ga&", {bind(TRANSIENT_SHOW_STRESS), bind(TRANSIENT_SHOW_TORQUE)});
  WINDOW_PRINTF(" Run-up against: %`^rb[Time]  &",
                {bind(TRANSIENT_AXIS_TIME), call(TRANSIENT_PICK)});
  WINDOW_PRINTF("%`^rb[Speed]%nl&", {bind(TRANSIENT_AXIS_SPEED), call(TRANSIENT_PICK)});
  WINDOW_PRINTF("%2ga&", {bind(TRANSIENT_AXIS_TIME), bind(TRANSIENT_AXIS_SPEED)});
  WINDOW_PRINTF(" %^16tt[&Recalculate]%nl&", {call(TRANSIENT_RECALCULATE)});
  WINDOW_PRINTF(" %^16tt[Transient &Cases...]%nl&", {call(CASES_FROM_WINDOW)});
  WINDOW_PRINTF("%ff %`rs&", {bind(TRANSIENT_STATUS)});
  WINDOW_PRINTF("%ff %`rs&", {bind(TRANSIENT_NOTE)});
  WINDOW_PRINTF("%sc&", {call(redraw_window)});
  WINDOW_PRINTF("%ww[no_border]");
  back_to_main_region();
}

}  // namespace

float transient_x(double x) {
  return static_cast<float>(kTransientLeft +
                            (x - x_lo) / (x_hi - x_lo) * (kTransientRight - kTransientLeft));
}

float transient_y(double value) {
  return static_cast<float>(kTransientBottom +
                            (value - y_lo) / (y_hi - y_lo) * (kTransientTop - kTransientBottom));
}

TransientItem transient_item() {
  TransientItem item;
  bool shaft = false;
  item.number = listed.item_at(TRANSIENT_ITEM, &shaft);
  if (item.number == 0) return item;
  item.kind = !shaft                                                          ? ForcedKind::kAngle
              : TRANSIENT_SHOW_STRESS == 1 && shaft_has_diameter(item.number) ? ForcedKind::kStress
                                                                              : ForcedKind::kTorque;
  return item;
}

bool choose_transient_item(TransientItem item) {
  if (!listed.matches_model()) fill_lists();
  const bool shaft = item.kind != ForcedKind::kAngle;
  const int32_t row = listed.row_for(shaft, item.number);
  if (row == 0) return false;
  if (item.kind == ForcedKind::kStress && !shaft_has_diameter(item.number)) return false;
  TRANSIENT_ITEM = row;
  if (shaft) {
    TRANSIENT_SHOW_STRESS = item.kind == ForcedKind::kStress ? 1 : 0;
    TRANSIENT_SHOW_TORQUE = 1 - TRANSIENT_SHOW_STRESS;
    WINDOW_UPDATE(TRANSIENT_SHOW_STRESS);
    WINDOW_UPDATE(TRANSIENT_SHOW_TORQUE);
  }
  WINDOW_UPDATE(TRANSIENT_ITEM);
  return true;
}

TransientItem default_transient_item() {
  const int32_t shaft = transient_worst_shaft();
  if (shaft >= 1 && shaft <= NSTIF && !is_rigid_mesh(STIFF(shaft))) {
    const bool stress = forced_shaft_has_limits(shaft) != 0 && shaft_has_diameter(shaft);
    return {stress ? ForcedKind::kStress : ForcedKind::kTorque, shaft};
  }
  for (int32_t k = 1; k <= NSTIF; ++k) {
    if (!is_rigid_mesh(STIFF(k))) return {ForcedKind::kTorque, k};
  }
  return {ForcedKind::kAngle, 1};
}

bool transient_hover_text(float x, float y, FixedText<100>& text) {
  const int32_t n = transient_sample_count();
  if (transient_results_valid() == 0 || n < 1 || plot_item.number == 0) return false;
  if (x < kTransientLeft - 1.0f || x > kTransientRight + 1.0f || y < kTransientBottom - 1.0f ||
      y > kTransientTop + 1.0f)
    return false;
  // The sample nearest across: times (and a run-up's speeds) are monotonic.
  const double want =
      x_lo + (x - kTransientLeft) / (kTransientRight - kTransientLeft) * (x_hi - x_lo);
  const bool rising = x_at(n) >= x_at(0);
  int32_t lo = 0, hi = n;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    ((x_at(mid) <= want) == rising ? lo : hi) = mid;
  }
  const int32_t i = std::fabs(x_at(lo) - want) <= std::fabs(x_at(hi) - want) ? lo : hi;
  char buffer[160];
  if (is_runup()) {
    std::snprintf(buffer, sizeof buffer, "%s s, %.1f rev/min: %s %s",
                  figures(transient_sample_time(i)).c_str(), transient_sample_speed(i),
                  figures(value_at(i)).c_str(), unit_name);
  } else {
    std::snprintf(buffer, sizeof buffer, "%s s: %s %s", figures(transient_sample_time(i)).c_str(),
                  figures(value_at(i)).c_str(), unit_name);
  }
  text = buffer;
  return true;
}

int DRAW_TRANSIENT() {
  window_library().clear_screen();
  if (transient_results_valid() == 0 || transient_sample_count() < 1) {
    draw_missing();
    return 1;
  }
  plot_item = transient_item();
  if (plot_item.number == 0) plot_item = default_transient_item();
  frame_plot();
  draw_barred();
  draw_axes_and_titles();
  draw_limits();
  draw_curve_and_peak();
  draw_legend();
  return 1;
}

void refresh_transient_window() {
  if (transient_results_valid() == 0 && TRANSIENT_REPORT_VALID == 1) {
    TRANSIENT_REPORT_VALID = 0;
    WINDOW_UPDATE(TRANSIENT_REPORT_VALID);
  }
  if (!graph_window_open(kSlot)) return;
  fill_lists();
  TRANSIENT_STATUS = "";
  WINDOW_UPDATE(TRANSIENT_STATUS);
  redraw_window();
}

void transient_results_mark_changed() {
  if (results_outdated == 1) stale = true;
  refresh_transient_window();
}

int TRANSIENT_RESPONSE() {
  const bool open = graph_window_open(kSlot);
  run_now(open);
  if (open) return redraw_window();
  open_window();
  return 1;
}

bool write_transient_picture(const std::string& path, const std::string& item_spec,
                             std::string* message) {
  if (transient_results_valid() == 0) {
    *message = "there are no transient results to draw.";
    return false;
  }
  fill_lists();
  TransientItem item = default_transient_item();
  if (!item_spec.empty() &&
      !parse_item_choice(item_spec, shown_quantity, &item.kind, &item.number, message))
    return false;
  choose_transient_item(item);
  return export_picture(path, DRAW_TRANSIENT, message);
}

}  // namespace spindra
