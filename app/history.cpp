#include "app/history.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/model/store.h"
#include "platform/window_library.h"

namespace spindra {

namespace {

// The model part of the store.  CRE_ENGS rides along so that a definition
// taken back to a half-placed engine goes on with that engine's settings; it
// is not compared (the engine dialog changes it without changing the model).
struct ModelSnapshot {
  Table<NODE, 1, kMaxNodes> masses;
  Table<STIFFNESS, 1, kMaxStiffnesses> stiff;
  Table<ENGINE, 1, kMaxEngines> engs;
  int32_t nmass = 0;
  int32_t nstif = 0;
  int32_t neng = 0;
  Title80 title;
  double conv_i = 1.0;
  double conv_s = 1.0;
  double ordmin = 1.0;
  double ordmax = 6.0;
  double ordstep = 1.0;
  ForcedSweep sweep;
  Table<TransientCase, 1, kMaxTransientCases> trans_cases;
  int32_t ntrans = 0;
  std::vector<TablePoint> points;  // the points in use only
  Table<LoadCase, 1, kMaxCases> cases;
  int32_t ncases = 0;
  int32_t ieng = 0;
  int32_t icyl = 0;
  ENGINE cre_engs;
};

// An engine as the user defined it: the derived firing angles and ncyl1 are
// left out.
bool same_engine(const ENGINE& a, const ENGINE& b) {
  return a.ncyl == b.ncyl && a.ivee_engine == b.ivee_engine && a.nstroke == b.nstroke &&
         a.ifirord == b.ifirord && a.offset_angle == b.offset_angle && a.vee_angle == b.vee_angle &&
         a.percent_torque == b.percent_torque && a.name == b.name &&
         a.excitation == b.excitation;
}

// The data only the forced and transient responses read (sweep, excitation,
// limits, load and transient cases) take part in the comparison only
// `with_forced_data`: the frequencies and the Campbell diagram do not depend
// on them.
bool same_as_store(const ModelSnapshot& s, bool with_forced_data = true) {
  if (s.nmass != NMASS || s.nstif != NSTIF || s.neng != NENG || s.ieng != IENG || s.icyl != ICYL ||
      !(s.title == TITLE) || s.conv_i != CONV_I || s.conv_s != CONV_S || s.ordmin != ORDMIN ||
      s.ordmax != ORDMAX || s.ordstep != ORDSTEP ||
      (with_forced_data && (!(s.sweep == forced_sweep) || s.ncases != NCASES ||
                            !(s.cases == LOAD_CASES)))) {
    return false;
  }
  if (!(s.masses == MASSES)) return false;
  if (with_forced_data) {
    if (!(s.stiff == STIFF)) return false;
  } else {
    for (int i = 1; i <= kMaxStiffnesses; ++i) {
      STIFFNESS a = s.stiff(i);
      a.uts = STIFF(i).uts;
      a.ck = STIFF(i).ck;
      a.limit_kind = STIFF(i).limit_kind;
      a.limit_v1 = STIFF(i).limit_v1;
      a.limit_v2 = STIFF(i).limit_v2;
      a.limit_v3 = STIFF(i).limit_v3;
      a.psi = STIFF(i).psi;
      if (!(a == STIFF(i))) return false;
    }
  }
  if (with_forced_data &&
      (s.ntrans != NTRANS || !(s.trans_cases == TRANSIENT_CASES) ||
       s.points.size() != static_cast<std::size_t>(NTRANS_POINTS) ||
       !std::equal(s.points.begin(), s.points.end(), TRANSIENT_POINTS.data())))
    return false;
  for (int k = 1; k <= kMaxEngines; ++k) {
    ENGINE e = s.engs(k);
    if (!with_forced_data) e.excitation = ENGS(k).excitation;
    if (!same_engine(e, ENGS(k))) return false;
  }
  return true;
}

void capture(ModelSnapshot& s) {
  s.masses = MASSES;
  s.stiff = STIFF;
  s.engs = ENGS;
  s.nmass = NMASS;
  s.nstif = NSTIF;
  s.neng = NENG;
  s.title = TITLE;
  s.conv_i = CONV_I;
  s.conv_s = CONV_S;
  s.ordmin = ORDMIN;
  s.ordmax = ORDMAX;
  s.ordstep = ORDSTEP;
  s.sweep = forced_sweep;
  s.trans_cases = TRANSIENT_CASES;
  s.ntrans = NTRANS;
  s.points.assign(TRANSIENT_POINTS.data(), TRANSIENT_POINTS.data() + NTRANS_POINTS);
  s.cases = LOAD_CASES;
  s.ncases = NCASES;
  s.ieng = IENG;
  s.icyl = ICYL;
  s.cre_engs = CRE_ENGS;
}

void restore(const ModelSnapshot& s) {
  MASSES = s.masses;
  STIFF = s.stiff;
  ENGS = s.engs;
  NMASS = s.nmass;
  NSTIF = s.nstif;
  NENG = s.neng;
  TITLE = s.title;
  CONV_I = s.conv_i;
  CONV_S = s.conv_s;
  ORDMIN = s.ordmin;
  ORDMAX = s.ordmax;
  ORDSTEP = s.ordstep;
  forced_sweep = s.sweep;
  TRANSIENT_CASES = s.trans_cases;
  NTRANS = s.ntrans;
  NTRANS_POINTS = static_cast<int32_t>(s.points.size());
  std::copy(s.points.begin(), s.points.end(), TRANSIENT_POINTS.data());
  LOAD_CASES = s.cases;
  NCASES = s.ncases;
  IENG = s.ieng;
  ICYL = s.icyl;
  CRE_ENGS = s.cre_engs;
}

// A ring of steps: step i (0 = oldest kept) lives in ring[(first + i) % size].
constexpr int kSteps = kUndoDepth + 1;
std::array<ModelSnapshot, kSteps> ring;
int first = 0;
int count = 0;
int current = -1;  // the step the store holds
int saved = -1;    // the step last read or saved; -1 when it was dropped
// The model the shown results were computed from, and the one the last
// forced response ran on (or was refused for).
ModelSnapshot analysed;
bool have_analysed = false;
ModelSnapshot forced_analysed;
bool have_forced = false;

ModelSnapshot& step(int i) {
  return ring[static_cast<std::size_t>((first + i) % kSteps)];
}

void set_flag(int32_t& flag, bool on) {
  const int32_t v = on ? 1 : 0;
  if (flag == v) return;
  flag = v;
  WINDOW_UPDATE(flag);
}

// The results shown are out of date while the model differs from the one
// they were computed from; with no results shown there is nothing to mark.
void show_results_mark() {
  const bool outdated = IVALID == 1 && have_analysed && !same_as_store(analysed, false);
  const bool forced = have_forced && !same_as_store(forced_analysed);
  if (results_outdated == (outdated ? 1 : 0) && forced_outdated == (forced ? 1 : 0)) return;
  forced_outdated = forced ? 1 : 0;
  if (results_outdated == (outdated ? 1 : 0)) {
    if (results_mark_changed != nullptr) results_mark_changed();
    return;
  }
  results_outdated = outdated ? 1 : 0;
  WINDOW_UPDATE(results_outdated);
  if (outdated) {
    results_note = "Results are of the model before the last edit: Calculate again";
  } else {
    results_note.blank();
  }
  WINDOW_UPDATE(results_note);
  if (results_mark_changed != nullptr) results_mark_changed();
}

void show_marks() {
  const bool changed = model_changed != (current != saved ? 1 : 0);
  set_flag(model_changed, current != saved);
  set_flag(can_undo, current > 0);
  set_flag(can_redo, current < count - 1);
  if (changed) show_caption();
  show_results_mark();
}

}  // namespace

void show_caption() {
  std::string text(BANNER.trimmed());
  std::string name(model_file.trimmed());
  if (const auto slash = name.find_last_of('/'); slash != std::string::npos) {
    name.erase(0, slash + 1);
  }
  if (name.empty() && model_changed != 0) name = "Unnamed";
  if (!name.empty()) text += " - " + name;
  if (model_changed != 0) text += " *";
  window_caption = text;
  WINDOW_UPDATE(window_caption);
}

void start_history() {
  ++models_started;
  first = 0;
  count = 1;
  current = 0;
  saved = 0;
  capture(step(0));
  model_file = FILIN.view();
  have_analysed = false;
  have_forced = false;
  show_marks();
  show_caption();
}

void note_analysis_run() {
  capture(analysed);
  have_analysed = true;
  show_results_mark();
}

void note_forced_run() {
  capture(forced_analysed);
  have_forced = true;
  show_results_mark();
}

bool analysed_numbering_kept() {
  if (!have_analysed) return true;
  if (NMASS < analysed.nmass || NSTIF < analysed.nstif) return false;
  for (int32_t i = 1; i <= analysed.nstif; ++i) {
    if (!(STIFF(i).nodes == analysed.stiff(i).nodes)) return false;
  }
  return true;
}

bool note_model_edit() {
  if (current < 0) start_history();
  if (same_as_store(step(current))) return false;
  count = current + 1;  // what could have been redone is gone
  if (saved > current) saved = -1;
  if (count == kSteps) {
    first = (first + 1) % kSteps;
    --count;
    --current;
    saved = saved > 0 ? saved - 1 : -1;
  }
  capture(step(count));
  ++count;
  ++current;
  show_marks();
  return true;
}

void note_model_saved() {
  note_model_edit();
  saved = current;
  model_file = FILIN.view();
  show_marks();
  show_caption();
}

bool undo_model_edit() {
  note_model_edit();
  if (current <= 0) return false;
  --current;
  restore(step(current));
  show_marks();
  return true;
}

bool redo_model_edit() {
  note_model_edit();
  if (current >= count - 1) return false;
  ++current;
  restore(step(current));
  show_marks();
  return true;
}

}  // namespace spindra
