#include "app/forced_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
    const std::string of = i != b.shown ? " (shaft " + std::to_string(i) + ")" : "";
    const double* field = nullptr;
    std::string text;
    if (!finite_non_negative(b.uts(i))) {
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
    window_library().show_message("Shaft Limits",
                                  "The model has no shaft. Create the stiffnesses first.");
    return 1;
  }
  LimitsBuffers& b = lim();
  const int32_t shafts = std::min(NSTIF, kMaxStiffnesses);
  for (int32_t i = 1; i <= kMaxStiffnesses; ++i) {
    b.uts(i) = i <= shafts ? STIFF(i).uts : 0.0;
    b.ck(i) = i <= shafts ? STIFF(i).ck : 0.0;
  }
  for (int c = 1; c <= kCkChoices; ++c) {
    char text[64];
    std::snprintf(text, sizeof text, "%-36s %.2f", kCkDesigns[c - 1].name, kCkDesigns[c - 1].ck);
    b.names(c) = text;
  }
  b.shaft = std::clamp(b.shaft, 1, shafts);
  load_shaft(b.shaft);
  WINDOW_PRINTF("%ca[Shaft Limits]%bg[grey]&");
  WINDOW_PRINTF("%ffShaft %ta%`bg[white]%il%^4rd%`il  %`40rs&",
                {value(1), value(shafts), bind(b.shaft), call(SHAFT_PICKED), bind(b.shaft_text)});
  WINDOW_PRINTF("%ffTensile strength %ta%`bg[white]%^12rf MPa (0: no limits)&",
                {bind(b.uts_field), call(LIMIT_EDITED)});
  WINDOW_PRINTF("%ffFactor ck %ta%`bg[white]%^12rf (by the design of the section below)&",
                {bind(b.ck_field), call(LIMIT_EDITED)});
  WINDOW_PRINTF("%ff%`apDesign of the section&", {value(0), real_value(0.0)});
  WINDOW_PRINTF("%ff%fn[Courier New]%`bg[white]%44.9^ls%fn[Arial]&",
                {bind(b.names), bind(b.choice), call(DESIGN_PICKED)});
  WINDOW_PRINTF("%ff%`rs&", {bind(b.preview)});
  refusal_caption = "Shaft Limits";
  window_library().set_ok_check(limits_check);
  if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != 1) return 1;
  keep_limits();
  for (int32_t i = 1; i <= shafts; ++i) {
    STIFF(i).uts = b.uts(i);
    // Without a strength the factor stays as it was: no limits, no change.
    if (b.uts(i) > 0.0) STIFF(i).ck = b.ck(i);
  }
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
