#include "analysis/frequency_analysis.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis/campbell.h"
#include "analysis/check_messages.h"
#include "analysis/eigen_solver.h"
#include "analysis/engine_orders.h"
#include "analysis/list_file.h"
#include "analysis/shaft_system.h"
#include "app/model/model_file.h"

namespace spindra {

double vpm(double lambda) {
  return std::sqrt(lambda) * 30.0 / kPiSingle;
}

// ---- Checks before a run -------------------------------------------------------

namespace {

std::string inertia_label(int j) {
  std::string label = "Inertia " + std::to_string(j);
  if (j >= 1 && j <= kMaxNodes && !MASSES(j).name.is_blank())
    label += " (" + MASSES(j).name.str() + ")";
  return label;
}

std::string stiffness_label(int s) {
  std::string label = "Stiffness " + std::to_string(s);
  if (!STIFF(s).name.is_blank()) label += " (" + STIFF(s).name.str() + ")";
  const int a = STIFF(s).nodes(1), b = STIFF(s).nodes(2);
  if (b == 0) {
    label += " from inertia " + std::to_string(a) + " to ground";
  } else {
    label += " between inertias " + std::to_string(a) + " and " + std::to_string(b);
  }
  return label;
}

bool check_counts(std::string* message) {
  if (NMASS < 0 || NMASS > kMaxNodes)
    return refuse(message, "The model has " + std::to_string(NMASS) +
                               " inertias; an analysis handles 0 to 100.");
  if (NSTIF < 0 || NSTIF > kMaxStiffnesses)
    return refuse(message, "The model has " + std::to_string(NSTIF) +
                               " stiffnesses; an analysis handles 0 to 100.");
  if (NENG < 0 || NENG > kMaxEngines)
    return refuse(message, "The model has " + std::to_string(NENG) +
                               " engines; an analysis handles 0 to 10.");
  return true;
}

bool check_inertias(std::string* message) {
  for (int j = 1; j <= NMASS; ++j) {
    const double m = MASSES(j).amass;
    if (!std::isfinite(m) || m <= 0.0)
      return refuse(message, inertia_label(j) + " has an inertia of " + number(m) +
                                 " kg.m^2. Every inertia must be greater than zero.");
    const double r = MASSES(j).speed_ratio;
    if (r != 0.0 && !(r >= kMinSpeedRatio && r <= kMaxSpeedRatio))
      return refuse(message, inertia_label(j) + " has a speed ratio of " + number(r) +
                                 "; a speed ratio must lie between 0.001 and 1000.");
  }
  return true;
}

// Larger than any shaft (m); the list file's millimetres would overflow.
constexpr double kMaxShaftDiameter = 100.0;

bool check_stiffnesses(std::string* message) {
  bool reached[kMaxNodes + 1] = {};
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& shaft = STIFF(s);
    const int a = shaft.nodes(1), b = shaft.nodes(2);
    const std::string label = stiffness_label(s);
    if (a < 1 || a > NMASS)
      return refuse(message, label + " starts at inertia " + std::to_string(a) +
                                 ", which the model does not have.");
    if (b < 0 || b > NMASS)
      return refuse(message, label + " ends at inertia " + std::to_string(b) +
                                 ", which the model does not have.");
    if (a == b) return refuse(message, label + " joins the inertia to itself.");
    if (shaft.rigid != 0 && b == 0)
      return refuse(message, label + " is marked as a rigid gear mesh, but a rigid mesh must "
                                     "join two inertias.");
    if (shaft.rigid != 0) {
      // A rigid mesh's stiffness and damping are not used.
      reached[a] = true;
      reached[b] = true;
      continue;
    }
    if (!std::isfinite(shaft.stiff) || shaft.stiff <= 0.0)
      return refuse(message, label + " has a stiffness of " + number(shaft.stiff) +
                                 " N.m/rad. Every stiffness must be greater than zero.");
    if (!std::isfinite(shaft.diam) || !std::isfinite(shaft.bore))
      return refuse(message, label + " has a shaft diameter or bore that is not a number.");
    if (shaft.diam > kMaxShaftDiameter)
      return refuse(message, label + " has a shaft diameter of " + number(shaft.diam) +
                                 " m; a shaft is at most 100 m across.");
    if (shaft.diam > 0.0 && shaft.bore < 0.0)
      return refuse(message,
                    label + " has a negative bore of " + number(shaft.bore * 1000.0) + " mm.");
    if (shaft.diam > 0.0 && shaft.bore >= shaft.diam)
      return refuse(message, label + " has a bore of " + number(shaft.bore * 1000.0) +
                                 " mm, not less than its diameter of " +
                                 number(shaft.diam * 1000.0) +
                                 " mm, so its stress cannot be computed.");
    reached[a] = true;
    if (b != 0) reached[b] = true;
  }
  for (int j = 1; j <= NMASS; ++j) {
    if (!reached[j])
      return refuse(message, inertia_label(j) +
                                 " is not joined to any shaft. Join it to the model with a "
                                 "stiffness before calculating frequencies.");
  }
  return true;
}

bool check_engines(std::string* message, bool& any_engine) {
  any_engine = false;
  for (int k = 1; k <= NENG; ++k) {
    const ENGINE& engine = ENGS(k);
    const std::string label = engine_label(k);
    if (engine.ncyl < 0)
      return refuse(message, label + " has " + std::to_string(engine.ncyl) + " cylinders.");
    if (engine.ncyl > kMaxAnalysisCylinders)
      return refuse(message, label + " has " + std::to_string(engine.ncyl) +
                                 " cylinders; an analysis handles at most " +
                                 std::to_string(kMaxAnalysisCylinders) + " per engine.");
    if (engine.ncyl == 0) continue;
    any_engine = true;
    if (engine.nstroke != 2 && engine.nstroke != 4)
      return refuse(message, label + " has a stroke of " + std::to_string(engine.nstroke) +
                                 "; it must be 2 or 4.");
    if (engine.ivee_engine != 0 && engine.ivee_engine != 1)
      return refuse(message, label + " is marked " + std::to_string(engine.ivee_engine) +
                                 " where 0 (in-line) or 1 (vee) is expected.");
    if (engine.ivee_engine == 1 && !std::isfinite(engine.vee_angle))
      return refuse(message, label + " has a vee angle that is not a number.");
    bool seen[kMaxAnalysisCylinders + 1] = {};
    for (int i = 1; i <= engine.ncyl; ++i) {
      const int c = engine.ifirord(i);
      if (c < 1 || c > engine.ncyl)
        return refuse(message, label + ": position " + std::to_string(i) +
                                   " of the firing order names cylinder " + std::to_string(c) +
                                   ", but the engine has cylinders 1 to " +
                                   std::to_string(engine.ncyl) + ".");
      if (seen[c])
        return refuse(message,
                      label + ": the firing order names cylinder " + std::to_string(c) + " twice.");
      seen[c] = true;
    }
  }
  for (int j = 1; j <= NMASS; ++j) {
    const int k = MASSES(j).icyleng_no(1), c = MASSES(j).icyleng_no(2);
    if (k < 1 || k > NENG || ENGS(k).ncyl <= 0 || c == 0) continue;
    if (c < 0 || c > ENGS(k).ncyl)
      return refuse(message, inertia_label(j) + " is cylinder " + std::to_string(c) + " of " +
                                 engine_label(k) + ", which has cylinders 1 to " +
                                 std::to_string(ENGS(k).ncyl) + ".");
    if (speed_ratio_of(MASSES(j)) != 1.0)
      return refuse(message, inertia_label(j) + ", cylinder " + std::to_string(c) + " of " +
                                 engine_label(k) + ", turns at a speed ratio of " +
                                 number(MASSES(j).speed_ratio) +
                                 "; the cylinders of an engine turn at the crankshaft's speed "
                                 "(ratio 1).");
  }
  for (int k = 1; k <= NENG; ++k) {
    if (ENGS(k).ncyl > 0 && !std::isfinite(ENGS(k).offset_angle))
      return refuse(message, engine_label(k) + " has an offset angle that is not a number.");
  }
  return true;
}

// Sizes the solver cannot handle.  The LR steps work on K times the inverse
// of M without scaling or pivoting, and their pivots start from the diagonal
// entries: the stiffness on each inertia over the inertia, in 1/s^2.  A
// pivot below 1e-10 stops the factorisation, and where the entries spread
// over many powers of ten the small ones drown in the rounding of the large
// ones: at a spread of 1e12 the frequencies still carry about five figures,
// near 1e16 the factorisation breaks down.  So the entries must lie between
// kMinEntry and kMaxEntry and within kMaxSpread of each other.
constexpr double kMinEntry = 1e-8;
constexpr double kMaxEntry = 1e100;
constexpr double kMaxSpread = 1e12;

bool check_spread(std::string* message) {
  if (NMASS == 0) return true;
  // The entries of the referred system: per degree of freedom (named by its
  // first inertia) the referred stiffness on it over its referred inertia.
  static ShaftSystem sys;
  build_shaft_system(sys);
  double on_node[kMaxNodes + 1] = {};
  for (int e = 1; e <= sys.nelem; ++e) {
    const ShaftElement& el = sys.elem(e);
    if (el.a == el.b) continue;
    on_node[el.a] += el.k;
    if (el.b != 0) on_node[el.b] += el.k;
  }
  const auto entry = [&on_node](int v) { return on_node[v] / sys.inertia(v); };
  int low = 1, high = 1;
  for (int v = 2; v <= sys.ndof; ++v) {
    if (entry(v) < entry(low)) low = v;
    if (entry(v) > entry(high)) high = v;
  }
  const auto values = [&on_node, &entry](int v) {
    const int j = sys.first(v);
    const bool referred = sys.geared != 0;
    return inertia_label(j) + " has " + number(sys.inertia(v)) + " kg.m^2 on shafts of " +
           number(on_node[v]) + " N.m/rad in all" +
           (referred ? " (referred to the crankshaft's speed)" : "") + " (" + number(entry(v)) +
           " per s^2)";
  };
  const std::string advice =
      " Check these values (a slip in an exponent?); parts of very different sizes are best "
      "modelled apart.";
  if (!(entry(low) >= kMinEntry))
    return refuse(message, "The values are too small for the solver: " + values(low) +
                               "; the stiffness over the inertia must be at least 1e-08 per "
                               "s^2." + advice);
  if (!(entry(high) <= kMaxEntry))
    return refuse(message, "The values are too large for the solver: " + values(high) +
                               "; the stiffness over the inertia must be at most 1e+100 per "
                               "s^2." + advice);
  if (entry(high) / entry(low) > kMaxSpread)
    return refuse(message, "The values are too far apart for the solver: " + values(high) +
                               ", and " + values(low) + ": " + number(entry(high) / entry(low)) +
                               " times less. The solver handles up to 1e+12 times." + advice);
  return true;
}

bool check_orders(std::string* message) {
  const std::string range = "The engine order range " + number(ORDMIN) + " to " + number(ORDMAX) +
                            " in steps of " + number(ORDSTEP);
  if (!std::isfinite(ORDMIN) || !std::isfinite(ORDMAX) || !std::isfinite(ORDSTEP))
    return refuse(message, range + " is not a range of numbers.");
  if (ORDSTEP <= 0.0)
    return refuse(message, range + " never ends: the step must be greater than zero.");
  if (ORDMIN <= 0.0)
    return refuse(message, range + " includes order " + number(ORDMIN) +
                               ", for which no engine speed exists: the orders must be greater "
                               "than zero.");
  if (ORDMAX > ORDMIN && (ORDMAX - ORDMIN) / ORDSTEP >= kMaxOrders)
    return refuse(message,
                  range + " holds more than " + std::to_string(kMaxOrders) + " orders per table.");
  // The orders are counted up by adding the step; a step lost in the rounding
  // of order numbers this large would never reach ORDMAX (and would fill the
  // disk with order lines).  Any step above a millionth of a millionth of the
  // order is kept by the addition.
  if (ORDMAX > ORDMIN && ORDSTEP < ORDMAX * 1e-12)
    return refuse(message, range +
                               " never ends: the step is too small to change order numbers "
                               "this large.");
  return true;
}

}  // namespace

bool check_model_for_analysis(std::string* message) {
  if (!check_counts(message) || !check_inertias(message) || !check_stiffnesses(message))
    return false;
  bool any_engine = false;
  if (!check_engines(message, any_engine)) return false;
  if (any_engine && !check_orders(message)) return false;
  return check_spread(message);
}

std::string engines_left_out() {
  std::string text;
  const auto line = [&text](const std::string& what) {
    if (!text.empty()) text += "\n";
    text += what;
  };
  const bool defining = IENG > 0 && IENG == NENG + 1 && IENG <= kMaxEngines;
  for (int k = NENG + 1; k <= kMaxEngines; ++k) {
    int placed = 0;
    for (int j = 1; j <= NMASS && j <= kMaxNodes; ++j) placed += MASSES(j).icyleng_no(1) == k;
    if (placed == 0) continue;
    const std::string engine = "Engine " + std::to_string(k) + ": ";
    if (defining && k == IENG) {
      line(engine + std::to_string(placed) + " of " + std::to_string(CRE_ENGS.ncyl) +
           " cylinders placed; left out of the analysis until its last cylinder is placed "
           "(Create > Engine).");
    } else {
      line(engine + std::to_string(placed) + (placed == 1 ? " cylinder" : " cylinders") +
           " placed on inertias, but the engine is not defined; left out of the analysis.");
    }
  }
  return text;
}

// ---- The run ---------------------------------------------------------------------

namespace {

// The results of the previous run, kept until the new run can stand in for
// them.
struct SavedResults {
  Square100 ak, a, amm1, al, au, shapes;
  Vector100 eigs;
  int shape_count = 0;
  ShaftSystem system;
};
SavedResults saved;

void save_results() {
  saved.ak = AK;
  saved.a = A;
  saved.amm1 = AMM1;
  saved.al = AL;
  saved.au = AU;
  saved.eigs = EIGS;
  saved.shapes = mode_shapes;
  saved.shape_count = mode_shape_count;
  saved.system = shaft_system;
}

void restore_results() {
  AK = saved.ak;
  A = saved.a;
  AMM1 = saved.amm1;
  AL = saved.al;
  AU = saved.au;
  EIGS = saved.eigs;
  mode_shapes = saved.shapes;
  mode_shape_count = saved.shape_count;
  shaft_system = saved.system;
}

// Why the factorisation broke down, in the user's terms.  The checks before
// a run leave one cause: the model falls into parts that no chain of shafts
// joins, and a part free to turn (no stiffness to ground) is not numbered
// last.  Names two inertias that are not joined and a free part.
std::string separate_parts() {
  int part[kMaxNodes + 1];
  for (int j = 1; j <= NMASS; ++j) part[j] = j;
  const auto root = [&part](int j) {
    while (part[j] != j) j = part[j] = part[part[j]];
    return j;
  };
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).nodes(2) != 0) part[root(STIFF(s).nodes(1))] = root(STIFF(s).nodes(2));
  }
  bool grounded[kMaxNodes + 1] = {};
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).nodes(2) == 0) grounded[root(STIFF(s).nodes(1))] = true;
  }
  int other = 0, free_node = 0;
  for (int j = 1; j <= NMASS; ++j) {
    if (other == 0 && root(j) != root(1)) other = j;
    if (free_node == 0 && !grounded[root(j)]) free_node = j;
  }
  if (other == 0) return {};
  std::string text = " No chain of shafts joins inertia 1 and inertia " + std::to_string(other) +
                     ", so the model falls into separate parts";
  if (free_node != 0)
    text += ", and the part with inertia " + std::to_string(free_node) +
            " is free to turn (no stiffness holds it to ground)";
  return text + ". Join the parts with a shaft, or hold each free part to ground.";
}

std::string solver_failure(const SolverResult& r) {
  const std::string kept = previous_results_kept();
  switch (r.status) {
    case SolverStatus::kFactorisationFailed:
      return "The natural frequencies could not be found: the LR factorisation broke down in "
             "row " +
             std::to_string(r.failed_row) + " (pivot below 1e-10)." + separate_parts() + kept;
    case SolverStatus::kNotConverged:
      return "The natural frequencies could not be found: the LR iteration did not converge "
             "within " +
             std::to_string(r.passes) + " passes." + kept;
    case SolverStatus::kBrokeDown:
      return "The natural frequencies could not be found: the LR iteration produced values "
             "that are not finite (inertias and stiffnesses of very different sizes?)." +
             kept;
    case SolverStatus::kConverged:
      break;
  }
  return {};
}

void write_page_heading(ListFile& out, int ipage, int i1, int ltab, double f) {
  out.text("1");
  out.end_line();
  for (int l = 2; l <= 7; ++l) out.empty_line();
  out.blanks(30)
      .text("Harbrook Vibration Engineering")
      .text(" - Branched Frequency Table - Ver 1.0");
  out.blanks(5).text("Page: ").i(ipage, 3);
  out.end_line();
  out.blanks(i1).text(TITLE.trimmed());
  out.end_line();
  out.blanks(40).text("Date: ").text(CDATE.view()).text("                    Time: ");
  out.text(CTIME.view());
  out.end_line();
  out.blanks(40).text("   Table number ").i(ltab, 3).text("    Frequency = ").f(f, 10, 2);
  out.text(" vpm");
  out.end_line();
  out.empty_line();
  out.text("Inertia    Inertia   Inertia   Amplitude  Stiffness  Stiffness  ");
  out.text("Rel Twist   Torque  Shaft Dia. Shaft Bore  Stress    End ");
  out.end_line();
  out.text("Number     Descrip    kg.m^2    Radian     Descrip   MN.m/rad");
  out.text("    Radian      MN.m       mm         mm        MPa    Number");
  out.end_line();
  out.empty_line();
}

void write_shaft_line(ListFile& out, int s) {
  const STIFFNESS& shaft = STIFF(s);
  const bool ground = shaft.nodes(2) == 0;
  out.blanks(41).text(shaft.name.view()).f(shaft.stiff / 1000000.0, 11, 2);
  if (shaft.rigid != 0 && !ground) {
    // A rigid gear mesh has no twist, torque or stress.
    out.blanks(10 + 11 + 9 + 11 + 11).i(shaft.nodes(2), 6);
    out.pad_to(132);
    out.end_line();
    return;
  }
  if (ground) {
    out.blanks(10);
  } else {
    out.f(TWIST(s), 10, 5);
  }
  out.f(TRQ(s) / 1000000.0, 11, 2);
  if (shaft.diam > 0.0) {
    const double d = shaft.diam, b = shaft.bore;
    const double d4 = (d * d) * (d * d), b4 = (b * b) * (b * b);
    const double stress = TRQ(s) / ((d4 - b4) * kStressFactor / d);
    out.f(d * 1000.0, 9, 2);
    if (b > 0.0) {
      out.f(b * 1000.0, 11, 2);
    } else {
      out.blanks(11);
    }
    out.f(stress / 1000000.0, 11, 3);
  } else {
    out.blanks(31);
  }
  if (ground) {
    out.text("  Ground");
  } else {
    out.i(shaft.nodes(2), 6);
  }
  out.pad_to(132);
  out.end_line();
}

void write_mode_table(ListFile& out, int ipage, int i1, int ltab, double f) {
  write_page_heading(out, ipage, i1, ltab, f);
  for (int j = 1; j <= NMASS; ++j) {
    out.i(j, 4).blanks(2).text(MASSES(j).name.view()).f(MASSES(j).amass, 11, 2);
    out.f(EVEC(j), 10, 5);
    out.end_line();
    for (int s = 1; s <= NSTIF; ++s) {
      if (STIFF(s).nodes(1) != j) continue;
      const int a = STIFF(s).nodes(1), b = STIFF(s).nodes(2);
      if (b != 0 && STIFF(s).rigid != 0) {
        TWIST(s) = 0.0;
        TRQ(s) = 0.0;
      } else {
        // The twist on the shaft of the first inertia: the second inertia's
        // angle is carried over through the ratio of their speeds (1 on a
        // shaft).
        const ShaftSystem& sys = shaft_system;
        TWIST(s) = b != 0 ? EVEC(a) - EVEC(b) * (sys.ratio(a) / sys.ratio(b)) : EVEC(a);
        TRQ(s) = STIFF(s).stiff * TWIST(s);
      }
      write_shaft_line(out, s);
    }
  }
}

// The list file's name: the model file's, or Unnamed, with the extension "lis".
FileName130 list_file_name() {
  FileName130 list_name = FILIN;
  if (list_name.is_blank()) list_name = "Unnamed";
  DEFAULT_EXTENSION(list_name, "lis", 0);
  return list_name;
}

// Finds the eigenvalues and eigenvectors; on a failure the previous results
// are put back.
bool solve_modes(std::string* message) {
  save_results();
  const SolverResult solved = CALCULATE_MODES();
  if (solved.status != SolverStatus::kConverged) {
    restore_results();
    return refuse(message, solver_failure(solved));
  }
  return true;
}

// Creates the list file; when it cannot be created the previous results are
// put back.
bool open_list_file(ListFile& out, std::string_view name, std::string* message) {
  char path[FileName130::kWidth + 1];
  std::memcpy(path, name.data(), name.size());
  path[name.size()] = '\0';
  if (!out.open(path)) {
    const int error = errno;
    restore_results();
    return refuse(message, "The list file " + std::string(name) + " could not be created: " +
                               std::strerror(error) + "." + previous_results_kept());
  }
  return true;
}

// The title line and the engine blocks.
void write_title_and_engines(ListFile& out) {
  out.blanks(1).text(TITLE.view());
  out.end_line();
  for (int k = 1; k <= NENG; ++k) {
    prepare_engine(k);
    write_engine_block(out, k);
  }
}

// The frequency table of the report and the main window's frequency list
// (FREQS, IFREQS, ICURRENT_FREQ): every eigenvalue above the listing limit.
void list_frequencies(ListFile& out) {
  out.empty_line();
  out.text("  Mode    Frequency");
  out.end_line();
  out.text(" number    vib/min");
  out.end_line();
  for (auto& entry : FREQS) entry.blank();
  int listed = 0;
  for (int i = 1; i <= shaft_system.ndof; ++i) {
    if (!(EIGS(i) > kListLimit)) continue;
    const double f = vpm(EIGS(i));
    out.i(i, 5).blanks(2).f(f, 12, 3);
    out.end_line();
    ++listed;
    format_f(FREQS(listed).data(), 12, 2, f);
    IFREQS(listed) = i;
  }
  for (int m = listed + 1; m <= kMaxNodes; ++m) IFREQS(m) = 0;
  ICURRENT_FREQ = listed > 0 ? 1 : 0;
}

// A geared model: the inertias that do not turn at the crankshaft's speed
// and the rigid gear meshes, after the frequency table.
void write_gear_table(ListFile& out) {
  if (shaft_system.geared == 0) return;
  out.empty_line();
  out.text("  Speed ratios (inertia speed / crankshaft speed)");
  out.end_line();
  out.text(" Inertia  Descrip              Ratio");
  out.end_line();
  for (int j = 1; j <= NMASS; ++j) {
    if (shaft_system.ratio(j) == 1.0) continue;
    out.i(j, 7).blanks(3).text(MASSES(j).name.view()).f(shaft_system.ratio(j), 12, 5);
    out.end_line();
  }
  int rigid = 0;
  for (int s = 1; s <= NSTIF; ++s) rigid += STIFF(s).rigid != 0 && STIFF(s).nodes(2) != 0;
  if (rigid == 0) return;
  out.empty_line();
  out.text("  Rigid gear meshes");
  out.end_line();
  out.text(" Stiffness  Inertia  Inertia  Degree of freedom");
  out.end_line();
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).rigid == 0 || STIFF(s).nodes(2) == 0) continue;
    out.i(s, 10).i(STIFF(s).nodes(1), 9).i(STIFF(s).nodes(2), 9);
    out.i(shaft_system.dof(STIFF(s).nodes(1)), 19);
    out.end_line();
  }
}

// Mode and order tables of the first modes above the lowest frequency.
void write_mode_tables(ListFile& out) {
  const int i2 = LENGET(TITLE.view());
  const int i1 = std::max((132 - i2) / 2, 1);
  int ipage = 1;
  int ltab = 0;
  clear_crossings();
  for (int i = 1; i <= shaft_system.ndof && ltab < kMaxModeTables; ++i) {
    if (!(EIGS(i) > kOmegaLow)) continue;
    ++ltab;
    // The shape is scaled on inertia 1, or on its largest amplitude when
    // inertia 1 stands still in this mode; the order tables name which.
    int reference = 1;
    real_mode_shape(i, EVEC, 1, &reference);
    const double f = vpm(EIGS(i));
    write_mode_table(out, ipage, i1, ltab, f);
    ++ipage;
    write_order_tables(out, f, reference != 0 ? reference : 1);
    record_crossings(i, ltab, f);
  }
}

// Every number the mode and order tables will print is finite: the same
// values write_mode_tables computes, checked before the list file is
// created.  False naming the first that is not (the mode and the inertia,
// stiffness or engine order); the previous results are then put back.
bool check_list_values(std::string* message) {
  const auto saved_evec = EVEC;
  const auto saved_trq = TRQ;
  const auto saved_twist = TWIST;
  std::string fault;
  int ltab = 0;
  for (int i = 1; i <= NMASS && ltab < kMaxModeTables && fault.empty(); ++i) {
    if (!(EIGS(i) > kOmegaLow)) continue;
    ++ltab;
    int reference = 1;
    EIGVEC(AK, A, NMASS, EIGS(i), EVEC, 1, &reference);
    const double f = vpm(EIGS(i));
    const std::string mode = "mode " + std::to_string(i) + " (" + number(f) + " vpm)";
    if (!std::isfinite(f)) fault = "the frequency of mode " + std::to_string(i);
    for (int j = 1; j <= NMASS && fault.empty(); ++j) {
      if (!std::isfinite(EVEC(j))) fault = "the amplitude of " + inertia_label(j) + " in " + mode;
    }
    for (int s = 1; s <= NSTIF && fault.empty(); ++s) {
      const int a = STIFF(s).nodes(1), b = STIFF(s).nodes(2);
      const double twist = b != 0 ? EVEC(a) - EVEC(b) : EVEC(a);
      const double torque = STIFF(s).stiff * twist;
      const double d = STIFF(s).diam, bore = STIFF(s).bore;
      const double d4 = (d * d) * (d * d), b4 = (bore * bore) * (bore * bore);
      if (!std::isfinite(twist) || !std::isfinite(torque))
        fault = "the torque of " + stiffness_label(s) + " in " + mode;
      else if (d > 0.0 && !std::isfinite(torque / ((d4 - b4) * kStressFactor / d)))
        fault = "the stress of " + stiffness_label(s) + " in " + mode + ", with a diameter of " +
                number(d * 1000.0) + " mm and a bore of " + number(bore * 1000.0) + " mm";
    }
    const int engines = engines_in_use();
    for (int e = 1; e <= engines && fault.empty(); ++e) {
      const int k = IENG_LIST(e);
      prepare_engine(k);
      double ordno = ORDMIN;
      do {
        const OrderLine line = order_line(k, ordno, f);
        if (!std::isfinite(line.speed) || !std::isfinite(line.vecsum) ||
            !std::isfinite(line.phase)) {
          fault =
              "the order table of " + engine_label(k) + " (order " + number(ordno) + ") in " + mode;
          break;
        }
        ordno = ordno + ORDSTEP;
      } while (ordno <= ORDMAX);
    }
  }
  EVEC = saved_evec;
  TRQ = saved_trq;
  TWIST = saved_twist;
  if (fault.empty()) return true;
  restore_results();
  return refuse(message, "The list file is not written: " + fault +
                             " is not a finite number. The previous results are kept.");
}

}  // namespace

void real_mode_shape(int mode, Vector100& evec, int iref, int* used) {
  const ShaftSystem& sys = shaft_system;
  if (sys.geared == 0) {
    mode_shape(mode, evec, iref, used);
    return;
  }
  // The shape of the degrees of freedom, turned into the real angles of the
  // inertias and scaled on those.
  Vector100 x;
  const int dof_ref = iref > 0 && iref <= sys.nmass ? sys.dof(iref) : 0;
  mode_shape(mode, x, dof_ref);
  const int n = sys.nmass;
  if (mode < 1 || mode > mode_shape_count) {
    if (used != nullptr) *used = 0;
    return;
  }
  for (int j = 1; j <= n; ++j) evec(j) = sys.ratio(j) * x(sys.dof(j));
  int largest = 0;
  for (int j = 1; j <= n; ++j) {
    if (largest == 0 || std::fabs(evec(j)) > std::fabs(evec(largest))) largest = j;
  }
  int ref = 0;
  if (iref > 0 && iref <= n) {
    ref = std::fabs(evec(iref)) > kRestRatio * std::fabs(evec(largest)) ? iref : largest;
  } else if (iref == 0) {
    ref = largest;
  }
  const double s = ref > 0 ? evec(ref) : 0.0;
  if (std::fabs(s) > kPivotLimit) {
    for (int j = 1; j <= n; ++j) evec(j) /= s;
  } else {
    ref = 0;
  }
  if (used != nullptr) *used = ref;
}

AnalysisOutcome frequency_analysis(std::string* message) {
  if (!check_model_for_analysis(message)) return AnalysisOutcome::kRefused;
  CALNDR(CDATE, CTIME);
  const FileName130 list_name = list_file_name();
  if (!solve_modes(message) || !check_list_values(message)) return AnalysisOutcome::kRefused;
  const std::string_view name = list_name.trimmed();
  ListFile out;
  if (!open_list_file(out, name, message)) return AnalysisOutcome::kRefused;
  FILOUT = list_name;

  write_title_and_engines(out);
  list_frequencies(out);
  write_gear_table(out);
  write_mode_tables(out);

  const bool written = out.close();
  IVALID = 1;
  analysed_nmass = NMASS;
  analysed_nstif = NSTIF;
  if (!written) {
    refuse(message, "The list file " + std::string(name) +
                        " could not be written completely (is the disk full?). The "
                        "frequencies are listed, but the file is incomplete.");
    return AnalysisOutcome::kIncomplete;
  }
  return AnalysisOutcome::kWritten;
}

bool run_frequency_analysis(std::string* message) {
  return frequency_analysis(message) == AnalysisOutcome::kWritten;
}

}  // namespace spindra
