#include "app/forced_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/check_messages.h"
#include "analysis/forced_response.h"
#include "analysis/pressure_curve.h"
#include "app/forced_window.h"
#include "app/history.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr double kMm = 1000.0;          // m to mm
constexpr int32_t kMaxSweepSpeeds = 100000;

bool finite_non_negative(double v) {
  return std::isfinite(v) && v >= 0.0;
}

std::string number_text(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// ---- Refusals ----------------------------------------------------------------
//
// OK of these dialogs is refused as in the inertia dialog: a message that
// names the field by its label and says what it holds, the dialog kept open
// and that field selected for typing over.

const char* refusal_caption = "";

int refuse_field(const void* field, const std::string& text) {
  window_library().show_message(refusal_caption, text);
  window_library().select_field(field);
  return 0;
}

// ---- Excitation -------------------------------------------------------------

struct ExcitationBuffers {
  Table<Excitation, 1, kMaxEngines> work;
  int32_t engine = 1;  // the engine field
  int32_t shown = 1;   // the engine whose values the fields hold
  FixedText<64> engine_text;
  double bore_mm = 0.0;
  double stroke_mm = 0.0;
  double rod_mm = 0.0;
  double mass = 0.0;
  double p_rated = 0.0;
  double load_exp = 0.0;
  Table<FixedText<52>, 1, kMaxHarmonics> rows;
  int32_t row = 0;
  double order = 0.0;
  double a = 0.0;
  double b = 0.0;
  double phase = 0.0;
  FileName130 curve;
  FixedText<100> status;
};

ExcitationBuffers& ex() {
  static ExcitationBuffers buffers;
  return buffers;
}

void show_status(const std::string& text) {
  ex().status = text;
  WINDOW_UPDATE(ex().status);
}

void show_rows() {
  ExcitationBuffers& b = ex();
  const Excitation& e = b.work(b.shown);
  char text[80];
  for (int32_t i = 1; i <= kMaxHarmonics; ++i) {
    if (i <= e.nharm) {
      const Harmonic& h = e.harm(i);
      std::snprintf(text, sizeof text, "%7g %12.5g %12.5g %9.2f", h.order, h.a, h.b, h.phase);
      b.rows(i) = text;
    } else {
      b.rows(i).blank();
    }
  }
  if (b.row > e.nharm) b.row = e.nharm;
  WINDOW_UPDATE(b.rows);
  WINDOW_UPDATE(b.row);
}

// The row fields from the selected row (zeros when none).
void show_row_fields() {
  ExcitationBuffers& b = ex();
  const Excitation& e = b.work(b.shown);
  const Harmonic h = b.row >= 1 && b.row <= e.nharm ? e.harm(b.row) : Harmonic{};
  b.order = h.order;
  b.a = h.a;
  b.b = h.b;
  b.phase = h.phase;
  for (const double* v : {&b.order, &b.a, &b.b, &b.phase}) WINDOW_UPDATE(*v);
}

void load_engine(int32_t k) {
  ExcitationBuffers& b = ex();
  b.shown = k;
  const Excitation& e = b.work(k);
  b.bore_mm = e.bore * kMm;
  b.stroke_mm = e.stroke * kMm;
  b.rod_mm = e.conrod * kMm;
  b.mass = e.recip_mass;
  b.p_rated = e.p_rated;
  b.load_exp = e.load_exp;
  const ENGINE& g = ENGS(k);
  const std::string_view name = g.name.trimmed();
  char text[96];
  // A vee engine's ncyl counts the cylinders of one bank.
  char cylinders[48];
  if (g.ivee_engine == 1) {
    std::snprintf(cylinders, sizeof cylinders, "%d cylinders, two banks of %d", 2 * g.ncyl,
                  g.ncyl);
  } else {
    std::snprintf(cylinders, sizeof cylinders, "%d cylinders", g.ncyl);
  }
  std::snprintf(text, sizeof text, "%.*s%s%s, %s", static_cast<int>(name.size()), name.data(),
                name.empty() ? "" : ": ", cylinders, g.nstroke == 4 ? "four-stroke" : "two-stroke");
  b.engine_text = text;
  b.row = e.nharm > 0 ? 1 : 0;
  for (const double* v : {&b.bore_mm, &b.stroke_mm, &b.rod_mm, &b.mass, &b.p_rated, &b.load_exp})
    WINDOW_UPDATE(*v);
  WINDOW_UPDATE(b.engine_text);
  show_rows();
  show_row_fields();
}

// The scalar fields into the engine they show.
void keep_fields() {
  ExcitationBuffers& b = ex();
  Excitation& e = b.work(b.shown);
  e.bore = b.bore_mm / kMm;
  e.stroke = b.stroke_mm / kMm;
  e.conrod = b.rod_mm / kMm;
  e.recip_mass = b.mass;
  e.p_rated = b.p_rated;
  e.load_exp = b.load_exp;
}

int ENGINE_PICKED() {
  ExcitationBuffers& b = ex();
  keep_fields();
  b.engine = std::clamp(b.engine, 1, std::max(1, std::min(NENG, kMaxEngines)));
  WINDOW_UPDATE(b.engine);
  load_engine(b.engine);
  show_status("");
  return 1;
}

int ROW_PICKED() {
  show_row_fields();
  return 1;
}

int ROW_EDITED() {
  ExcitationBuffers& b = ex();
  Excitation& e = b.work(b.shown);
  if (b.row < 1 || b.row > e.nharm) {
    show_status("Pick a row of the table, or add one, before typing its values.");
    return 1;
  }
  e.harm(b.row) = Harmonic{b.order, b.a, b.b, b.phase};
  show_rows();
  show_status("");
  return 1;
}

int ADD_ROW() {
  ExcitationBuffers& b = ex();
  Excitation& e = b.work(b.shown);
  if (e.nharm >= kMaxHarmonics) {
    show_status("The table is full: " + std::to_string(kMaxHarmonics) + " orders.");
    return 1;
  }
  const double step = ENGS(b.shown).nstroke == 4 ? 0.5 : 1.0;
  double top = 0.0;
  for (int32_t i = 1; i <= e.nharm; ++i) top = std::max(top, e.harm(i).order);
  e.nharm += 1;
  e.harm(e.nharm) = Harmonic{top + step, 0.0, 0.0, 0.0};
  b.row = e.nharm;
  show_rows();
  show_row_fields();
  show_status("Row added: type its order, a, b and phase.");
  return 1;
}

int REMOVE_ROW() {
  ExcitationBuffers& b = ex();
  Excitation& e = b.work(b.shown);
  if (b.row < 1 || b.row > e.nharm) {
    show_status("Pick the row to remove first.");
    return 1;
  }
  for (int32_t i = b.row; i < e.nharm; ++i) e.harm(i) = e.harm(i + 1);
  e.harm(e.nharm) = Harmonic{};
  e.nharm -= 1;
  b.row = std::min(b.row, e.nharm);
  show_rows();
  show_row_fields();
  show_status("");
  return 1;
}

int IMPORT_CURVE() {
  ExcitationBuffers& b = ex();
  keep_fields();
  if (!window_library().choose_file(false, b.curve.data(), b.curve.width())) return 1;
  std::string message;
  if (!import_pressure_curve(b.curve.str(), ENGS(b.shown).nstroke, b.work(b.shown), &message)) {
    window_library().show_message("Import pressure curve", message);
    return 1;
  }
  b.row = b.work(b.shown).nharm > 0 ? 1 : 0;
  show_rows();
  show_row_fields();
  show_status("The table holds the " + std::to_string(b.work(b.shown).nharm) +
              " harmonics of the curve.");
  return 1;
}

// 1 when the excitation of every engine can be run, else 0 after refusing
// the first field that cannot (the dialog shows that engine and row).
int excitation_check() {
  ExcitationBuffers& b = ex();
  keep_fields();
  const int32_t engines = std::min(NENG, kMaxEngines);
  for (int32_t k = 1; k <= engines; ++k) {
    const Excitation& e = b.work(k);
    const std::string of = engines > 1 ? " (engine " + std::to_string(k) + ")" : "";
    // Shows engine k (and row i) in the dialog, then refuses `field`.
    const auto refuse = [&](const void* field, const std::string& text, int32_t i = 0) {
      if (k != b.shown) {
        b.engine = k;
        WINDOW_UPDATE(b.engine);
        load_engine(k);
      }
      if (i > 0) {
        b.row = i;
        WINDOW_UPDATE(b.row);
        show_row_fields();
      }
      return refuse_field(field, text);
    };
    const struct {
      double value;
      const double* field;
      const char* label;
      const char* unit;
    } scalars[] = {{e.bore * kMm, &b.bore_mm, "Bore", " mm"},
                   {e.stroke * kMm, &b.stroke_mm, "Stroke", " mm"},
                   {e.conrod * kMm, &b.rod_mm, "Connecting rod", " mm"},
                   {e.recip_mass, &b.mass, "Reciprocating mass", " kg"},
                   {e.p_rated, &b.p_rated, "Rated pressure", " bar"},
                   {e.load_exp, &b.load_exp, "Load exponent", ""}};
    for (const auto& f : scalars) {
      if (!finite_non_negative(f.value))
        return refuse(f.field, std::string(f.label) + of + ": " + number_text(f.value) + f.unit +
                                   " is less than 0; give 0 or more.");
    }
    for (int32_t i = 1; i <= e.nharm; ++i) {
      const Harmonic& h = e.harm(i);
      const std::string row = " (row " + std::to_string(i) + of + ")";
      // 1e-10 once passed "greater than 0" and wrote outside the response's tables.
      if (!is_cycle_order(h.order))
        return refuse(&b.order,
                      "Row order" + row + ": " + number_text(h.order) +
                          " is no engine order; an order is a whole or half number of 0.5 or "
                          "more.",
                      i);
      for (int32_t j = 1; j < i; ++j) {
        if (e.harm(j).order == h.order)
          return refuse(&b.order,
                        "Row order" + row + ": " + number_text(h.order) + " is in row " +
                            std::to_string(j) + " already; each order has one row.",
                        i);
      }
    }
    const bool used = e.nharm > 0 || e.recip_mass > 0.0;
    const std::string need = " the gas and inertia torques need the bore, the stroke and a "
                             "connecting rod longer than half the stroke.";
    if (used && !(e.bore > 0.0))
      return refuse(&b.bore_mm, "Bore" + of + ": " + number_text(e.bore * kMm) + " mm;" + need);
    if (used && !(e.stroke > 0.0))
      return refuse(&b.stroke_mm,
                    "Stroke" + of + ": " + number_text(e.stroke * kMm) + " mm;" + need);
    if (used && !(e.conrod > e.stroke / 2.0))
      return refuse(&b.rod_mm, "Connecting rod" + of + ": " + number_text(e.conrod * kMm) +
                                   " mm for a stroke of " + number_text(e.stroke * kMm) +
                                   " mm;" + need);
    bool uses_load = false;
    for (int32_t i = 1; i <= e.nharm; ++i) uses_load = uses_load || e.harm(i).b != 0.0;
    if (uses_load && !(e.p_rated > 0.0))
      return refuse(&b.p_rated, "Rated pressure" + of + ": " + number_text(e.p_rated) +
                                    " bar; the b column of the gas harmonics scales with the "
                                    "rated pressure: enter it.");
  }
  return 1;
}

// ---- Limits -----------------------------------------------------------------

struct LimitsBuffers {
  Table<double, 1, kMaxStiffnesses> uts;
  Table<double, 1, kMaxStiffnesses> ck;
  // The kind of limits per stiffness (kLimitNone: the shaft rule) and the
  // maker's values; the radio buttons and fields of the one shown.
  Table<int32_t, 1, kMaxStiffnesses> kind;
  Table<double, 1, kMaxStiffnesses> v1, v2, v3;
  int32_t rule_on = 1, stress_on = 0, coupling_on = 0;
  double s1_field = 0.0, s2_field = 0.0;                  // the maker's stress
  double v1_field = 0.0, v2_field = 0.0, v3_field = 0.0;  // the coupling's limits
  int32_t shaft = 1;
  int32_t shown = 1;
  FixedText<64> shaft_text;
  double uts_field = 0.0;
  double ck_field = 1.0;
  Table<FixedText<40>, 1, kCkChoices> names;
  int32_t choice = 1;
  FixedText<100> preview;
};

LimitsBuffers& lim() {
  static LimitsBuffers buffers;
  return buffers;
}

void show_preview() {
  LimitsBuffers& b = lim();
  const STIFFNESS& s = STIFF(b.shown);
  char text[128];
  if (!(s.diam > 0.0)) {
    b.preview = "The shaft has no diameter: stresses and limits need one (Modify > Stiffness).";
  } else if (!(b.uts_field > 0.0) || !(b.ck_field > 0.0)) {
    b.preview = "No limits: enter the tensile strength and choose the design.";
  } else {
    double t1r = 0.0, t2 = 0.0, t1 = 0.0, t08 = 0.0;
    permissible_stresses(b.uts_field, b.ck_field, s.diam * kMm, 1.0, &t1r, &t2);
    permissible_stresses(b.uts_field, b.ck_field, s.diam * kMm, 0.8, &t1, &t08);
    std::snprintf(text, sizeof text,
                  "tau1 %.2f MPa at the rated speed; at 0.8 of it tau1 %.2f, tau2 %.2f MPa", t1r,
                  t1, t08);
    b.preview = text;
  }
  WINDOW_UPDATE(b.preview);
}

void load_shaft(int32_t i) {
  LimitsBuffers& b = lim();
  b.shown = i;
  b.uts_field = b.uts(i);
  b.ck_field = b.ck(i) > 0.0 ? b.ck(i) : 1.0;
  b.rule_on = b.kind(i) == kLimitNone ? 1 : 0;
  b.stress_on = b.kind(i) == kLimitStress ? 1 : 0;
  b.coupling_on = b.kind(i) == kLimitCoupling ? 1 : 0;
  const bool stress = b.kind(i) == kLimitStress, coupling = b.kind(i) == kLimitCoupling;
  b.s1_field = stress ? b.v1(i) : 0.0;
  b.s2_field = stress ? b.v2(i) : 0.0;
  b.v1_field = coupling ? b.v1(i) : 0.0;
  b.v2_field = coupling ? b.v2(i) : 0.0;
  b.v3_field = coupling ? b.v3(i) : 0.0;
  for (const int32_t* on : {&b.rule_on, &b.stress_on, &b.coupling_on}) WINDOW_UPDATE(*on);
  for (const double* v : {&b.s1_field, &b.s2_field, &b.v1_field, &b.v2_field, &b.v3_field})
    WINDOW_UPDATE(*v);
  const STIFFNESS& s = STIFF(i);
  const std::string_view name = s.name.trimmed();
  char text[96];
  if (s.diam > 0.0) {
    std::snprintf(text, sizeof text, "%.*s%sdiameter %g mm", static_cast<int>(name.size()),
                  name.data(), name.empty() ? "" : ", ", s.diam * kMm);
  } else {
    std::snprintf(text, sizeof text, "%.*s%sno diameter", static_cast<int>(name.size()),
                  name.data(), name.empty() ? "" : ", ");
  }
  b.shaft_text = text;
  // The design that gives the factor; the first that does when several do.
  b.choice = 0;
  for (int c = kCkChoices; c >= 1; --c) {
    if (std::fabs(kCkDesigns[c - 1].ck - b.ck_field) < 1e-9) b.choice = c;
  }
  for (const double* v : {&b.uts_field, &b.ck_field}) WINDOW_UPDATE(*v);
  WINDOW_UPDATE(b.shaft_text);
  WINDOW_UPDATE(b.choice);
  show_preview();
}

void keep_limits() {
  LimitsBuffers& b = lim();
  b.uts(b.shown) = b.uts_field;
  b.ck(b.shown) = b.ck_field;
  b.kind(b.shown) = b.stress_on == 1     ? kLimitStress
                    : b.coupling_on == 1 ? kLimitCoupling
                                         : kLimitNone;
  const bool stress = b.kind(b.shown) == kLimitStress;
  b.v1(b.shown) = stress ? b.s1_field : b.v1_field;
  b.v2(b.shown) = stress ? b.s2_field : b.v2_field;
  b.v3(b.shown) = stress ? 0.0 : b.v3_field;
}


int SHAFT_PICKED() {
  LimitsBuffers& b = lim();
  keep_limits();
  b.shaft = std::clamp(b.shaft, 1, std::max(1, std::min(NSTIF, kMaxStiffnesses)));
  WINDOW_UPDATE(b.shaft);
  load_shaft(b.shaft);
  return 1;
}

int DESIGN_PICKED() {
  LimitsBuffers& b = lim();
  if (b.choice >= 1 && b.choice <= kCkChoices) {
    b.ck_field = kCkDesigns[b.choice - 1].ck;
    WINDOW_UPDATE(b.ck_field);
  }
  show_preview();
  return 1;
}

int LIMIT_EDITED() {
  show_preview();
  return 1;
}

// 1 when the limits of every shaft can be used, else 0 after refusing the
// field (the dialog shows that shaft).
int limits_check() {
  LimitsBuffers& b = lim();
  keep_limits();
  for (int32_t i = 1; i <= std::min(NSTIF, kMaxStiffnesses); ++i) {
    const std::string of = i != b.shown ? " (stiffness " + std::to_string(i) + ")" : "";
    const double* field = nullptr;
    std::string text;
    const auto positive = [](double v) { return v > 0.0 && std::isfinite(v); };
    if (b.kind(i) == kLimitStress && !positive(b.v1(i))) {
      field = &b.s1_field;
      text = "Continuous" + of + ": " + number_text(b.v1(i)) +
             " MPa is no permissible stress; give the maker's stress for continuous running, "
             "above 0.";
    } else if (b.kind(i) == kLimitStress && !finite_non_negative(b.v2(i))) {
      field = &b.s2_field;
      text = "Barred range" + of + ": " + number_text(b.v2(i)) +
             " MPa is less than 0; give the permissible stress in a barred range, or 0 when "
             "none is acceptable.";
    } else if (b.kind(i) == kLimitCoupling && !positive(b.v1(i))) {
      field = &b.v1_field;
      text = "T_KW" + of + ": " + number_text(b.v1(i)) +
             " N.m is no permissible vibratory torque; give one above 0.";
    } else if (b.kind(i) == kLimitCoupling && !finite_non_negative(b.v2(i))) {
      field = &b.v2_field;
      text = "P_KV" + of + ": " + number_text(b.v2(i)) +
             " W is less than 0; give the permissible power loss, or 0 when it is not judged.";
    } else if (b.kind(i) == kLimitCoupling && !finite_non_negative(b.v3(i))) {
      field = &b.v3_field;
      text = "T_Kmax" + of + ": " + number_text(b.v3(i)) +
             " N.m is less than 0; give the maximum torque, or 0 when no barred range is "
             "acceptable.";
    } else if (b.kind(i) != kLimitNone) {
      continue;
    } else if (!finite_non_negative(b.uts(i))) {
      field = &b.uts_field;
      text = "Tensile strength" + of + ": " + number_text(b.uts(i)) +
             " MPa is less than 0; give the strength in MPa, or 0 for a shaft without limits.";
    } else if (b.uts(i) > 0.0 && !(b.ck(i) > 0.0 && b.ck(i) <= 1.0)) {
      field = &b.ck_field;
      text = "Factor ck" + of + ": " + number_text(b.ck(i)) +
             (b.ck(i) > 1.0 ? " is greater than 1" : " is not greater than 0") +
             "; the factors of the rules lie above 0 and at most 1.";
    } else {
      continue;
    }
    if (i != b.shown) {
      b.shaft = i;
      WINDOW_UPDATE(b.shaft);
      load_shaft(i);
    }
    return refuse_field(field, text);
  }
  return 1;
}

// ---- Sweep ------------------------------------------------------------------

ForcedSweep* checked_sweep = nullptr;  // the values of the open Sweep dialog

// 1 when the open Sweep dialog's values make a sweep, else 0 (refused).
int sweep_check() {
  const ForcedSweep& w = *checked_sweep;
  if (w.n_from < 0.0)
    return refuse_field(&w.n_from, "Speed from: " + number_text(w.n_from) +
                                       " rev/min is below 0; the sweep starts at 0 rev/min "
                                       "or above.");
  if (!(w.n_to > w.n_from))
    return refuse_field(&w.n_to, "Speed to: " + number_text(w.n_to) +
                                     " rev/min is not above the speed from, " +
                                     number_text(w.n_from) + " rev/min.");
  if (!(w.n_step > 0.0))
    return refuse_field(&w.n_step, "Step: " + number_text(w.n_step) +
                                       " rev/min is no step; a step is greater than 0.");
  const double speeds = (w.n_to - w.n_from) / w.n_step + 1.0;
  if (speeds > kMaxSweepSpeeds)
    return refuse_field(&w.n_step, "Step: " + number_text(w.n_step) + " rev/min makes " +
                                       number_text(std::floor(speeds)) + " speeds from " +
                                       number_text(w.n_from) + " to " + number_text(w.n_to) +
                                       " rev/min, more than " +
                                       std::to_string(kMaxSweepSpeeds) +
                                       "; take a larger step.");
  if (!(w.n_rated > 0.0))
    return refuse_field(&w.n_rated, "Rated speed (MCR): " + number_text(w.n_rated) +
                                        " rev/min is no rated speed; it is greater than 0.");
  if (w.eta < 0.0)
    return refuse_field(&w.eta, "Loss factor: " + number_text(w.eta) +
                                    " is less than 0; give 0 or more.");
  return 1;
}

}  // namespace

// The dialog returns the number of the button that closed it; the
// Excitation dialog's own buttons (Add row, Remove row, Import pressure
// curve...) come before its OK, which is therefore the fourth.
constexpr int kExcitationOk = 4;

int EXCITATION_DIALOG() {
  if (NENG < 1) {
    window_library().show_message(
        "Excitation", "The model has no engine. Define one with Create > Engine first.");
    return 1;
  }
  ExcitationBuffers& b = ex();
  const int32_t engines = std::min(NENG, kMaxEngines);
  for (int32_t k = 1; k <= kMaxEngines; ++k)
    b.work(k) = k <= engines ? ENGS(k).excitation : Excitation{};
  b.engine = std::clamp(b.engine, 1, engines);
  b.status.blank();
  load_engine(b.engine);
  WINDOW_PRINTF("%ca[Excitation]%bg[grey]&");
  WINDOW_PRINTF("%`ft@@&", {literal("Pressure curves"), literal("*.csv *.txt")});
  WINDOW_PRINTF(
      "%ffEngine %ta%`bg[white]%il%^4rd%`il  %`40rs&",
      {value(1), value(engines), bind(b.engine), call(ENGINE_PICKED), bind(b.engine_text)});
  WINDOW_PRINTF("%ffBore %ta%`bg[white]%12rf mm&", {bind(b.bore_mm)});
  WINDOW_PRINTF("%ffStroke %ta%`bg[white]%12rf mm&", {bind(b.stroke_mm)});
  WINDOW_PRINTF("%ffConnecting rod %ta%`bg[white]%12rf mm (centre to centre)&", {bind(b.rod_mm)});
  WINDOW_PRINTF("%ffReciprocating mass %ta%`bg[white]%12rf kg per cylinder&", {bind(b.mass)});
  WINDOW_PRINTF("%ffRated pressure %ta%`bg[white]%12rf bar (mean indicated, at the rated speed)&",
                {bind(b.p_rated)});
  WINDOW_PRINTF(
      "%ffLoad exponent %ta%`bg[white]%12rf (0 generator at constant load, 2 propeller)&",
      {bind(b.load_exp)});
  // A positioned line ends the column of the fields above, so the table
  // below does not widen it.
  WINDOW_PRINTF("%ff%`apGas harmonics: Tn = a + b p(N) bar, torque Tn sin(n theta + phase)&",
                {value(0), real_value(0.0)});
  WINDOW_PRINTF("%ff%fn[Courier New]   Order            a            b     Phase&");
  WINDOW_PRINTF("%ff%`bg[white]%52.10^ls%fn[Arial]&",
                {bind(b.rows), bind(b.row), call(ROW_PICKED)});
  // The fields of the row picked, one a line, each under its own name; the
  // names in the table's fixed-pitch font keep the fields in a column.
  WINDOW_PRINTF(
      "%ff%fn[Courier New]Row order %fn[Arial]%`bg[white]%^12rf (of the row picked in the "
      "table)&",
      {bind(b.order), call(ROW_EDITED)});
  WINDOW_PRINTF("%ff%fn[Courier New]Row a     %fn[Arial]%`bg[white]%^12rf bar&",
                {bind(b.a), call(ROW_EDITED)});
  WINDOW_PRINTF("%ff%fn[Courier New]Row b     %fn[Arial]%`bg[white]%^12rf per bar&",
                {bind(b.b), call(ROW_EDITED)});
  WINDOW_PRINTF("%ff%fn[Courier New]Row phase %fn[Arial]%`bg[white]%^12rf deg&",
                {bind(b.phase), call(ROW_EDITED)});
  WINDOW_PRINTF("%ff%^12tt[&Add row] %^12tt[&Remove row]  %^26tt[&Import pressure curve...]&",
                {call(ADD_ROW), call(REMOVE_ROW), call(IMPORT_CURVE)});
  WINDOW_PRINTF("%ff%`rs&", {bind(b.status)});
  refusal_caption = "Excitation";
  window_library().set_ok_check(excitation_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != kExcitationOk) return 1;
  keep_fields();
  for (int32_t k = 1; k <= engines; ++k) ENGS(k).excitation = b.work(k);
  note_model_edit();
  refresh_forced_window();  // from whichever menu: the window shows the new data
  return 1;
}

int LIMITS_DIALOG() {
  if (NSTIF < 1) {
    window_library().show_message("Limits",
                                  "The model has no shaft. Create the stiffnesses first.");
    return 1;
  }
  LimitsBuffers& b = lim();
  const int32_t shafts = std::min(NSTIF, kMaxStiffnesses);
  for (int32_t i = 1; i <= kMaxStiffnesses; ++i) {
    b.uts(i) = i <= shafts ? STIFF(i).uts : 0.0;
    b.ck(i) = i <= shafts ? STIFF(i).ck : 0.0;
    b.kind(i) = i <= shafts ? STIFF(i).limit_kind : kLimitNone;
    b.v1(i) = i <= shafts ? STIFF(i).limit_v1 : 0.0;
    b.v2(i) = i <= shafts ? STIFF(i).limit_v2 : 0.0;
    b.v3(i) = i <= shafts ? STIFF(i).limit_v3 : 0.0;
  }
  for (int c = 1; c <= kCkChoices; ++c) {
    char text[64];
    std::snprintf(text, sizeof text, "%-36s %g", kCkDesigns[c - 1].name, kCkDesigns[c - 1].ck);
    b.names(c) = text;
  }
  b.shaft = std::clamp(b.shaft, 1, shafts);
  load_shaft(b.shaft);
  WINDOW_PRINTF("%ca[Limits]%bg[grey]&");
  WINDOW_PRINTF("%ffShaft %ta%`bg[white]%il%^4rd%`il  %`40rs&",
                {value(1), value(shafts), bind(b.shaft), call(SHAFT_PICKED), bind(b.shaft_text)});
  WINDOW_PRINTF("%3ga&", {bind(b.rule_on), bind(b.stress_on), bind(b.coupling_on)});
  WINDOW_PRINTF("%ffJudged by %ta%`rb[the shaft rule]  %`rb[the maker's stress]  "
                "%`rb[coupling limits]&",
                {bind(b.rule_on), bind(b.stress_on), bind(b.coupling_on)});
  WINDOW_PRINTF("%ffTensile strength %ta%`bg[white]%^12rf MPa (0: no limits)&",
                {bind(b.uts_field), call(LIMIT_EDITED)});
  WINDOW_PRINTF("%ffFactor ck %ta%`bg[white]%^12rf (by the design of the section below)&",
                {bind(b.ck_field), call(LIMIT_EDITED)});
  WINDOW_PRINTF("%ff%`apDesign of the section&", {value(0), real_value(0.0)});
  WINDOW_PRINTF("%ff%fn[Courier New]%`bg[white]%44.9^ls%fn[Arial]&",
                {bind(b.names), bind(b.choice), call(DESIGN_PICKED)});
  WINDOW_PRINTF("%ff%`rs&", {bind(b.preview)});
  WINDOW_PRINTF("%ff%`apMaker's stress (crank sections, generator shafts)&",
                {value(0), real_value(0.0)});
  WINDOW_PRINTF("%ffContinuous %ta%`bg[white]%12rf MPa, barred range %`bg[white]%12rf MPa "
                "(0: none acceptable)&",
                {bind(b.s1_field), bind(b.s2_field)});
  WINDOW_PRINTF("%ff%`apCoupling (flexible coupling, damper)&", {value(0), real_value(0.0)});
  WINDOW_PRINTF("%ffT_KW %ta%`bg[white]%12rf N.m   P_KV %`bg[white]%12rf W   T_Kmax "
                "%`bg[white]%12rf N.m (0: none)&",
                {bind(b.v1_field), bind(b.v2_field), bind(b.v3_field)});
  refusal_caption = "Limits";
  window_library().set_ok_check(limits_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != 1) return 1;
  keep_limits();
  for (int32_t i = 1; i <= shafts; ++i) {
    STIFFNESS& k = STIFF(i);
    k.limit_kind = b.kind(i);
    // A stiffness is judged by one kind of limit: the maker's replace the
    // shaft rule's.
    if (k.limit_kind != kLimitNone) {
      k.limit_v1 = b.v1(i);
      k.limit_v2 = b.v2(i);
      k.limit_v3 = k.limit_kind == kLimitCoupling ? b.v3(i) : 0.0;
      k.uts = k.ck = 0.0;
      continue;
    }
    k.limit_v1 = k.limit_v2 = k.limit_v3 = 0.0;
    k.uts = b.uts(i);
    // Without a strength the factor stays as it was: no limits, no change.
    if (b.uts(i) > 0.0) k.ck = b.ck(i);
  }
  note_model_edit();
  refresh_forced_window();  // from whichever menu: the window shows the new data
  return 1;
}

// ---- Load cases ---------------------------------------------------------------

// The cases being edited (slots 1..kMaxCases; a slot with a blank name is
// no case) and the fields of the one shown.
struct CasesBuffers {
  Table<LoadCase, 1, kMaxCases> slots;
  int32_t pick = 1;
  int32_t shown = 1;
  LoadCase field;
};

CasesBuffers& cases_buffers() {
  static CasesBuffers buffers;
  return buffers;
}

void load_case_fields(int32_t i) {
  CasesBuffers& b = cases_buffers();
  b.shown = i;
  b.field = b.slots(i);
  WINDOW_UPDATE(b.field.name);
  for (const double* v : {&b.field.n_from, &b.field.n_to, &b.field.n_step, &b.field.load_factor,
                          &b.field.load_exp, &b.field.oper_from, &b.field.oper_to})
    WINDOW_UPDATE(*v);
  WINDOW_UPDATE(b.field.misfire_engine);
  WINDOW_UPDATE(b.field.misfire_cylinder);
}

int CASE_PICKED() {
  CasesBuffers& b = cases_buffers();
  b.slots(b.shown) = b.field;
  b.pick = std::clamp(b.pick, 1, kMaxCases);
  WINDOW_UPDATE(b.pick);
  load_case_fields(b.pick);
  return 1;
}

// What is wrong with the case in slot i, and the field (of the fields of
// the case shown) that holds it; empty when nothing.
std::string case_error(int32_t i, const void** field) {
  CasesBuffers& b = cases_buffers();
  const LoadCase& c = b.slots(i);
  LoadCase& f = b.field;
  const std::string of = i != b.shown ? " (load case " + std::to_string(i) + ")" : "";
  const auto at = [&](const void* where, const std::string& text) {
    *field = where;
    return text;
  };
  for (int32_t j = 1; j < i; ++j)
    if (b.slots(j).name.trimmed() == c.name.trimmed())
      return at(&f.name, "Name" + of + ": '" + std::string(c.name.trimmed()) +
                             "' is the name of load case " + std::to_string(j) +
                             " already; give each case its own.");
  if (!(c.n_from >= 0.0) || !std::isfinite(c.n_from))
    return at(&f.n_from, "Speed from" + of + ": " + number_text(c.n_from) +
                             " rev/min is less than 0; give 0 or more.");
  if (!(c.n_to > c.n_from) || !std::isfinite(c.n_to))
    return at(&f.n_to, "Speed to" + of + ": " + number_text(c.n_to) +
                           " rev/min is not above the first speed, " + number_text(c.n_from) +
                           " rev/min.");
  if (!(c.n_step > 0.0) || !std::isfinite(c.n_step))
    return at(&f.n_step, "Step" + of + ": " + number_text(c.n_step) +
                             " rev/min is not above 0; give the step between the speeds.");
  if ((c.n_to - c.n_from) / c.n_step + 1.0 > kMaxSweepSpeeds)
    return at(&f.n_step, "Step" + of + ": " + number_text(c.n_step) + " rev/min makes more than " +
                             std::to_string(kMaxSweepSpeeds) + " speeds; take a larger step.");
  if (!finite_non_negative(c.load_factor))
    return at(&f.load_factor, "Load factor" + of + ": " + number_text(c.load_factor) +
                                  " is less than 0; give 0 or more (1: the rated load).");
  if (!std::isfinite(c.load_exp))
    return at(&f.load_exp,
              "Load exponent" + of + ": " + number_text(c.load_exp) + " is not a number.");
  if (!finite_non_negative(c.oper_from))
    return at(&f.oper_from, "Operating range" + of + ": " + number_text(c.oper_from) +
                                " rev/min is less than 0; give 0 or more.");
  if (!(c.oper_to >= c.oper_from) || !std::isfinite(c.oper_to))
    return at(&f.oper_to, "Operating range to" + of + ": " + number_text(c.oper_to) +
                              " rev/min is below its start, " + number_text(c.oper_from) +
                              " rev/min.");
  if (c.misfire_engine < 0 || c.misfire_engine > NENG)
    return at(&f.misfire_engine, "Misfire engine" + of + ": " +
                                     std::to_string(c.misfire_engine) +
                                     " is no engine of the model; give 1 to " +
                                     std::to_string(NENG) + ", or 0 for no misfire.");
  if (c.misfire_engine > 0 && c.misfire_cylinder < 1)
    return at(&f.misfire_cylinder, "Misfire cylinder" + of + ": " +
                                       std::to_string(c.misfire_cylinder) +
                                       " is no cylinder; give the cylinder of engine " +
                                       std::to_string(c.misfire_engine) + ".");
  return {};
}

// 1 when every named case can be kept, else 0 after refusing the field
// (the dialog shows that case).
int cases_check() {
  CasesBuffers& b = cases_buffers();
  b.slots(b.shown) = b.field;
  for (int32_t i = 1; i <= kMaxCases; ++i) {
    if (b.slots(i).name.is_blank()) continue;
    const void* field = nullptr;
    std::string error = case_error(i, &field);
    if (error.empty()) continue;
    if (i != b.shown) {
      b.pick = i;
      WINDOW_UPDATE(b.pick);
      load_case_fields(i);
      field = nullptr;
      error = case_error(i, &field);  // now of the fields shown
    }
    return refuse_field(field, error);
  }
  return 1;
}

int LOAD_CASES_DIALOG() {
  CasesBuffers& b = cases_buffers();
  for (int32_t i = 1; i <= kMaxCases; ++i) b.slots(i) = i <= NCASES ? LOAD_CASES(i) : LoadCase{};
  // Without cases the first slot offers the sweep's values; it becomes a
  // case only when it is given a name.
  if (NCASES == 0) {
    b.slots(1) = forced_case(1);
    b.slots(1).name.blank();
  }
  b.pick = 1;
  load_case_fields(1);
  WINDOW_PRINTF("%ca[Load Cases]%bg[grey]&");
  WINDOW_PRINTF("%ffLoad case %ta%`bg[white]%il%^4rd%`il  (a blank name: no case)&",
                {value(1), value(kMaxCases), bind(b.pick), call(CASE_PICKED)});
  WINDOW_PRINTF("%ffName %ta%`bg[white]%16rs&", {bind(b.field.name)});
  WINDOW_PRINTF("%ffSpeed from %ta%`bg[white]%12rf to %`bg[white]%12rf step %`bg[white]%10rf "
                "rev/min&",
                {bind(b.field.n_from), bind(b.field.n_to), bind(b.field.n_step)});
  WINDOW_PRINTF("%ffLoad factor %ta%`bg[white]%12rf exponent %`bg[white]%8rf "
                "(p = factor x rated p x (N / N rated) ^ exponent)&",
                {bind(b.field.load_factor), bind(b.field.load_exp)});
  WINDOW_PRINTF("%ffOperating range %ta%`bg[white]%12rf to %`bg[white]%12rf rev/min&",
                {bind(b.field.oper_from), bind(b.field.oper_to)});
  WINDOW_PRINTF("%ffMisfire: engine %ta%`bg[white]%4rd cylinder %`bg[white]%4rd (engine 0: none)&",
                {bind(b.field.misfire_engine), bind(b.field.misfire_cylinder)});
  refusal_caption = "Load Cases";
  window_library().set_ok_check(cases_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != 1) return 1;
  b.slots(b.shown) = b.field;
  int32_t n = 0;
  Table<LoadCase, 1, kMaxCases> kept;
  for (int32_t i = 1; i <= kMaxCases; ++i) {
    if (b.slots(i).name.is_blank()) continue;
    LoadCase c = b.slots(i);
    if (c.misfire_engine == 0) c.misfire_cylinder = 0;
    kept(++n) = c;
  }
  for (int32_t i = n + 1; i <= kMaxCases; ++i) kept(i) = LoadCase{};
  LOAD_CASES = kept;
  NCASES = n;
  note_model_edit();
  refresh_forced_window();  // from whichever menu: the window shows the new data
  return 1;
}

int SWEEP_DIALOG() {
  ForcedSweep w = forced_sweep;
  if (w == ForcedSweep{}) w.eta = kDefaultLossFactor;
  WINDOW_PRINTF("%ca[Forced Response Sweep]%bg[grey]&");
  WINDOW_PRINTF("%ffSpeed from %ta%`bg[white]%12rf rev/min&", {bind(w.n_from)});
  WINDOW_PRINTF("%ffSpeed to %ta%`bg[white]%12rf rev/min&", {bind(w.n_to)});
  WINDOW_PRINTF("%ffStep %ta%`bg[white]%12rf rev/min&", {bind(w.n_step)});
  WINDOW_PRINTF("%ffRated speed (MCR) %ta%`bg[white]%12rf rev/min&", {bind(w.n_rated)});
  WINDOW_PRINTF(
      "%ffLoss factor %ta%`bg[white]%12rf added to every shaft (damping + factor x "
      "stiffness / omega)&",
      {bind(w.eta)});
  refusal_caption = "Forced Response Sweep";
  checked_sweep = &w;
  window_library().set_ok_check(sweep_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != 1) return 1;
  forced_sweep = w;
  note_model_edit();
  refresh_forced_window();  // from whichever menu: the window shows the new data
  return 1;
}

}  // namespace spindra
