#include "app/transient_dialog.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/transient.h"
#include "app/history.h"
#include "app/model/store.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

constexpr const char* kCaption = "Transient Cases";

// The ice rules' cases offered by name, then the user's own values.
constexpr const char* kIceChoices[] = {"Single ice block, case 1", "Single ice block, case 2",
                                       "Single ice block, case 3", "Custom cq and alpha"};
constexpr int32_t kIceCustom = 4;

constexpr const char* kKindNames[] = {"Run-up",
                                      "Short circuit, three-phase",
                                      "Short circuit, two-phase",
                                      "Ice milling",
                                      "Torque step",
                                      "Torque table"};

struct CaseBuffers {
  Table<TransientCase, 1, kMaxTransientCases> work;
  std::vector<std::vector<TablePoint>> points;  // per case, its table
  int32_t count = 0;
  Table<FixedText<48>, 1, kMaxTransientCases> rows;
  int32_t row = 0;
  int32_t shown = 0;
  Table<FixedText<32>, 1, 6> kinds;
  int32_t kind = 1;
  Table<FixedText<32>, 1, 4> ice_names;
  int32_t ice_choice = kIceCustom;
  TransientCase fields;  // the values of the case shown
  FixedText<60> table_text;
  FileName130 table_file;
  FixedText<120> status;
};

CaseBuffers& cb() {
  static CaseBuffers buffers;
  return buffers;
}

void show_status(const std::string& text) {
  cb().status = text;
  WINDOW_UPDATE(cb().status);
}

void show_rows() {
  CaseBuffers& b = cb();
  char text[80];
  for (int32_t k = 1; k <= kMaxTransientCases; ++k) {
    if (k > b.count) {
      b.rows(k).blank();
      continue;
    }
    const TransientCase& c = b.work(k);
    std::snprintf(text, sizeof text, "%2d  %-16.16s  %s", k, c.name.str().c_str(),
                  transient_kind_word(c.kind));
    b.rows(k) = text;
  }
  WINDOW_UPDATE(b.rows);
  WINDOW_UPDATE(b.row);
}

void show_table_text() {
  CaseBuffers& b = cb();
  const std::size_t n = b.shown >= 1 ? b.points[static_cast<std::size_t>(b.shown - 1)].size() : 0;
  char text[80];
  if (n == 0) {
    std::snprintf(text, sizeof text, "no points");
  } else {
    const auto& p = b.points[static_cast<std::size_t>(b.shown - 1)];
    std::snprintf(text, sizeof text, "%zu points from %g to %g s", n, p.front().time,
                  p.back().time);
  }
  b.table_text = text;
  WINDOW_UPDATE(b.table_text);
}

// Every field of the dialog shows the values of case k (blank fields for none).
void load_case(int32_t k) {
  CaseBuffers& b = cb();
  b.shown = k;
  b.fields = k >= 1 ? b.work(k) : TransientCase{};
  b.kind = std::clamp(b.fields.kind, 1, 6);
  b.ice_choice = kIceCustom;
  for (int32_t rule = 1; rule <= 3; ++rule) {
    double cq = 0.0, alpha = 0.0;
    if (ice_rule_case(rule, b.fields.blades, &cq, &alpha) && cq == b.fields.cq &&
        alpha == b.fields.alpha)
      b.ice_choice = rule;
  }
  TransientCase& f = b.fields;
  WINDOW_UPDATE(f.name);
  for (const double* v :
       {&f.duration, &f.step, &f.damping_hz, &f.n_start, &f.n_end, &f.t_n,    &f.f_line,
        &f.xd2,      &f.xd1,  &f.xd,         &f.td2,     &f.td1,   &f.ta,     &f.qmax,
        &f.n_prop,   &f.cq,   &f.alpha,      &f.h_ice,   &f.t0,    &f.torque0})
    WINDOW_UPDATE(*v);
  WINDOW_UPDATE(f.inertia);
  WINDOW_UPDATE(f.blades);
  WINDOW_UPDATE(b.kind);
  WINDOW_UPDATE(b.ice_choice);
  show_table_text();
}

// The fields into the case they show.
void keep_fields() {
  CaseBuffers& b = cb();
  if (b.shown < 1 || b.shown > b.count) return;
  TransientCase& c = b.work(b.shown);
  const int32_t first = c.first_point;
  c = b.fields;
  c.kind = std::clamp(b.kind, 1, 6);
  c.first_point = first;
  c.npoint = static_cast<int32_t>(b.points[static_cast<std::size_t>(b.shown - 1)].size());
}

int CASE_PICKED() {
  CaseBuffers& b = cb();
  keep_fields();
  show_rows();
  load_case(b.row >= 1 && b.row <= b.count ? b.row : 0);
  show_status("");
  return 1;
}

int KIND_PICKED() {
  keep_fields();
  show_rows();
  show_status("");
  return 1;
}

int ADD_CASE() {
  CaseBuffers& b = cb();
  keep_fields();
  if (b.count >= kMaxTransientCases) {
    show_status("The list is full: " + std::to_string(kMaxTransientCases) + " cases.");
    return 1;
  }
  TransientCase c;
  c.kind = kTransientStep;
  c.name = "Case " + std::to_string(b.count + 1);
  c.duration = 1.0;
  c.inertia = NMASS >= 1 ? 1 : 0;
  b.work(++b.count) = c;
  b.points.emplace_back();
  b.row = b.count;
  show_rows();
  load_case(b.row);
  show_status("Case added: choose its kind, type its name and values.");
  return 1;
}

int REMOVE_CASE() {
  CaseBuffers& b = cb();
  if (b.row < 1 || b.row > b.count) {
    show_status("Pick the case to remove first.");
    return 1;
  }
  for (int32_t k = b.row; k < b.count; ++k) b.work(k) = b.work(k + 1);
  b.work(b.count) = TransientCase{};
  b.points.erase(b.points.begin() + (b.row - 1));
  --b.count;
  b.row = std::min(b.row, b.count);
  b.shown = 0;
  show_rows();
  load_case(b.row);
  show_status("");
  return 1;
}

int RENAME_CASE() {
  keep_fields();
  show_rows();
  show_status("The case has its new name.");
  return 1;
}

int ICE_PICKED() {
  CaseBuffers& b = cb();
  if (b.ice_choice >= 1 && b.ice_choice <= 3) {
    double cq = 0.0, alpha = 0.0;
    if (!ice_rule_case(b.ice_choice, b.fields.blades, &cq, &alpha)) {
      show_status(
          "The rules' cases are given for propellers of 3 to 6 blades; type cq and "
          "alpha for " +
          std::to_string(b.fields.blades) + " blades.");
      b.ice_choice = kIceCustom;
      WINDOW_UPDATE(b.ice_choice);
      return 1;
    }
    b.fields.cq = cq;
    b.fields.alpha = alpha;
    WINDOW_UPDATE(b.fields.cq);
    WINDOW_UPDATE(b.fields.alpha);
  }
  show_status("");
  return 1;
}

int IMPORT_TABLE() {
  CaseBuffers& b = cb();
  if (b.shown < 1) {
    show_status("Pick or add a case first.");
    return 1;
  }
  if (!window_library().choose_file(false, b.table_file.data(), b.table_file.width())) return 1;
  std::vector<TablePoint> points;
  std::string message;
  if (!read_torque_table(b.table_file.str(), &points, &message)) {
    window_library().show_message("Import torque table", message);
    return 1;
  }
  b.points[static_cast<std::size_t>(b.shown - 1)] = std::move(points);
  b.kind = kTransientTable;
  WINDOW_UPDATE(b.kind);
  keep_fields();
  show_rows();
  show_table_text();
  show_status("The case is a torque table of " +
              std::to_string(b.points[static_cast<std::size_t>(b.shown - 1)].size()) + " points.");
  return 1;
}

// The first case the model cannot take, with its message; 0 when none.
int32_t first_refused(std::string* message) {
  CaseBuffers& b = cb();
  std::size_t total = 0;
  for (int32_t k = 1; k <= b.count; ++k) {
    const TransientCase& c = b.work(k);
    const auto& p = b.points[static_cast<std::size_t>(k - 1)];
    std::string label = "Case " + std::to_string(k);
    if (!c.name.is_blank()) label += " (" + c.name.str() + ")";
    if (c.kind == kTransientTable) total += p.size();
    if (!check_transient_values(c, p.empty() ? nullptr : p.data(), label, message)) return k;
  }
  if (total > static_cast<std::size_t>(kMaxTablePoints)) {
    *message = "The torque tables hold " + std::to_string(total) + " points together; at most " +
               std::to_string(kMaxTablePoints) + " are kept.";
    return b.count;
  }
  return 0;
}

// The dialog's own buttons (Add, Remove, Rename, Import) come before OK.
constexpr int kOk = 5;

}  // namespace

int TRANSIENT_CASES_DIALOG() {
  CaseBuffers& b = cb();
  b.count = std::clamp(NTRANS, 0, kMaxTransientCases);
  b.points.assign(static_cast<std::size_t>(b.count), {});
  for (int32_t k = 1; k <= kMaxTransientCases; ++k) {
    b.work(k) = k <= b.count ? TRANSIENT_CASES(k) : TransientCase{};
    if (k > b.count) continue;
    const TransientCase& c = b.work(k);
    if (c.kind == kTransientTable && c.npoint > 0 && c.first_point >= 1 &&
        c.first_point + c.npoint - 1 <= NTRANS_POINTS)
      b.points[static_cast<std::size_t>(k - 1)].assign(&TRANSIENT_POINTS(c.first_point),
                                                       &TRANSIENT_POINTS(c.first_point) + c.npoint);
  }
  for (int32_t i = 1; i <= 6; ++i) b.kinds(i) = kKindNames[i - 1];
  for (int32_t i = 1; i <= 4; ++i) b.ice_names(i) = kIceChoices[i - 1];
  b.row = b.count >= 1 ? std::clamp(b.row, 1, b.count) : 0;
  b.status.blank();
  show_rows();
  load_case(b.row);
  TransientCase& f = b.fields;
  for (;;) {
    WINDOW_PRINTF("%ca[Transient Cases]%bg[grey]&");
    WINDOW_PRINTF("%`ft@@&", {literal("Torque tables"), literal("*.csv *.txt")});
    WINDOW_PRINTF("%co[check_on_focus_loss]&");
    WINDOW_PRINTF("%ff%fn[Courier New]%`bg[white]%48.6^ls%fn[Arial]&",
                  {bind(b.rows), bind(b.row), call(CASE_PICKED)});
    WINDOW_PRINTF("%ff%^10tt[&Add] %^10tt[&Remove] %^10tt[Re&name]&",
                  {call(ADD_CASE), call(REMOVE_CASE), call(RENAME_CASE)});
    WINDOW_PRINTF("%ffName %ta%`bg[white]%16rs  Kind %`bg[white]%28.6^ls&",
                  {bind(f.name), bind(b.kinds), bind(b.kind), call(KIND_PICKED)});
    WINDOW_PRINTF("%ffDuration %ta%`bg[white]%12rf s   Step %`bg[white]%12rf s (0: default)&",
                  {bind(f.duration), bind(f.step)});
    WINDOW_PRINTF("%ffDamping frequency %ta%`bg[white]%12rf Hz (0: first natural frequency)&",
                  {bind(f.damping_hz)});
    WINDOW_PRINTF("%ffInertia %ta%`bg[white]%il%6rd%`il (acted on; not for a run-up)&",
                  {value(0), value(kMaxNodes), bind(f.inertia)});
    WINDOW_PRINTF("%ff%`apRun-up: speed from %`bg[white]%10rf to %`bg[white]%10rf rev/min&",
                  {value(0), real_value(0.0), bind(f.n_start), bind(f.n_end)});
    WINDOW_PRINTF(
        "%ffShort circuit: T_N %`bg[white]%10rf N.m  f %`bg[white]%8rf Hz  xd'' %`bg[white]"
        "%8rf  xd' %`bg[white]%8rf  xd %`bg[white]%8rf&",
        {bind(f.t_n), bind(f.f_line), bind(f.xd2), bind(f.xd1), bind(f.xd)});
    WINDOW_PRINTF("%ff     Td'' %`bg[white]%8rf s  Td' %`bg[white]%8rf s  Ta %`bg[white]%8rf s&",
                  {bind(f.td2), bind(f.td1), bind(f.ta)});
    WINDOW_PRINTF(
        "%ffIce: blades %`bg[white]%il%4rd%`il  qmax %`bg[white]%10rf N.m  propeller "
        "%`bg[white]%8rf rev/min  ice %`bg[white]%6rf m&",
        {value(2), value(12), bind(f.blades), bind(f.qmax), bind(f.n_prop), bind(f.h_ice)});
    WINDOW_PRINTF(
        "%ff     %`bg[white]%28.4^ls  cq %`bg[white]%8rf  alpha %`bg[white]%8rf deg&",
        {bind(b.ice_names), bind(b.ice_choice), call(ICE_PICKED), bind(f.cq), bind(f.alpha)});
    WINDOW_PRINTF("%ffStep: from %`bg[white]%10rf s  torque %`bg[white]%12rf N.m&",
                  {bind(f.t0), bind(f.torque0)});
    WINDOW_PRINTF("%ffTable: %`40rs %^24tt[&Import torque table...]&",
                  {bind(b.table_text), call(IMPORT_TABLE)});
    WINDOW_PRINTF("%ff%`rs&", {bind(b.status)});
    if (WINDOW_PRINTF("%ff%nl%`tt[&OK]%tt[&Cancel]") != kOk) return 1;
    keep_fields();
    std::string error;
    const int32_t bad = first_refused(&error);
    if (bad == 0) break;
    b.row = bad;
    show_rows();
    load_case(bad);
    window_library().show_message(kCaption, error + "\nNothing has been changed yet.");
  }
  // The cases and their tables, packed in case order.
  NTRANS = b.count;
  int32_t used = 0;
  for (int32_t k = 1; k <= kMaxTransientCases; ++k) {
    TransientCase c = k <= b.count ? b.work(k) : TransientCase{};
    c.npoint = 0;
    c.first_point = 0;
    if (k <= b.count && c.kind == kTransientTable) {
      const auto& p = b.points[static_cast<std::size_t>(k - 1)];
      c.npoint = static_cast<int32_t>(p.size());
      c.first_point = c.npoint > 0 ? used + 1 : 0;
      for (const TablePoint& q : p) TRANSIENT_POINTS(++used) = q;
    }
    if (k <= b.count && c.kind == kTransientRunup) c.inertia = 0;
    TRANSIENT_CASES(k) = c;
  }
  NTRANS_POINTS = used;
  note_model_edit();
  return 1;
}

}  // namespace spindra
