// The model store: the shaft system being edited, the editing state of the
// main window, the unit choices, the dialog buffers and the results of the
// last analysis.  These are plain shared variables and fixed tables; every
// part of the program reads and writes them directly on the one user-interface
// thread.  Internal units: inertia kg.m^2, stiffness N.m/rad, shaft diameter
// and bore in metres, positions in millimetres on the 297 x 210 mm paper.
#pragma once

#include <cstdint>

#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {

inline constexpr int kMaxNodes = 100;
inline constexpr int kMaxStiffnesses = 100;
inline constexpr int kMaxEngines = 10;
inline constexpr int kMaxCylinders = 100;  // firing-order positions per engine
inline constexpr int kDialogCylinders = 12;
inline constexpr int kMaxHarmonics = 48;  // excitation orders per engine

using Name16 = FixedText<16>;
using Text12 = FixedText<12>;
using Text5 = FixedText<5>;
using Title80 = FixedText<80>;
using FileName130 = FixedText<130>;

// One inertia ("mass", "node").
struct NODE {
  Table<double, 1, 2> xy_node;      // position on the canvas, mm
  double amass = 0.0;               // polar moment of inertia, kg.m^2
  double dampex = 0.0;              // external damping, as typed
  double speed_ratio = 0.0;         // speed / the crankshaft's speed; 0 means 1
  Table<int32_t, 1, 2> icyleng_no;  // (engine, cylinder), (0, 0) when none
  Name16 name;
  bool operator==(const NODE&) const = default;
};

// One shaft section or coupling; nodes(2) = 0 joins nodes(1) to ground.
struct STIFFNESS {
  Table<int32_t, 1, 2> nodes;
  double stiff = 0.0;        // N.m/rad
  double dampin = 0.0;       // internal damping, as typed
  double diam = 0.0;         // outer diameter, m
  double bore = 0.0;         // bore diameter, m; 0 for a solid shaft
  int32_t non_linear = 0;    // characteristic number, 0 = linear
  int32_t engine_link = 0;   // reserved, kept 0
  Name16 name;
  // Fatigue limits of the forced response: tensile strength (MPa) and the
  // stress concentration factor ck of the shaft's design; uts 0 = no limits.
  double uts = 0.0;
  double ck = 0.0;
  // The maker's limits (LIMITS section), instead of the shaft rule:
  // kLimitStress: v1 permissible stress for continuous running, v2 for
  // passing through a barred range (MPa, 0 = none acceptable);
  // kLimitCoupling: v1 T_KW (N.m), v2 P_KV (W), v3 T_Kmax (N.m, 0 = none).
  int32_t limit_kind = 0;
  double limit_v1 = 0.0;
  double limit_v2 = 0.0;
  double limit_v3 = 0.0;
  // A gear mesh (inertias at different speed ratios) marked rigid: its
  // inertias turn together, stiff and dampin are not used.  1 = rigid.
  int32_t rigid = 0;
  // Relative damping psi of a coupling (2 pi times its loss factor), used by
  // the forced response; 0 = none.
  double psi = 0.0;
  bool operator==(const STIFFNESS&) const = default;
};

// One gas harmonic of a cylinder's tangential pressure: amplitude
// a + b * p(N) bar at engine order `order`, phase in degrees.
struct Harmonic {
  double order = 0.0;
  double a = 0.0;
  double b = 0.0;
  double phase = 0.0;
  bool operator==(const Harmonic&) const = default;
};

// The excitation of one engine, the same for each of its cylinders.  All
// zeros: the engine has no excitation data.
struct Excitation {
  double bore = 0.0;        // m
  double stroke = 0.0;      // m
  double conrod = 0.0;      // connecting-rod length, m
  double recip_mass = 0.0;  // reciprocating mass per cylinder, kg
  double p_rated = 0.0;     // mean indicated pressure at the rated speed, bar
  double load_exp = 0.0;    // p(N) = p_rated * (N / N_rated)^load_exp
  int32_t nharm = 0;
  Table<Harmonic, 1, kMaxHarmonics> harm;
  bool operator==(const Excitation&) const = default;
};

// The speed sweep of the forced response (crankshaft rev/min) and the loss
// factor added to every shaft.  All zeros: the model has no sweep.
struct ForcedSweep {
  double n_from = 0.0;
  double n_to = 0.0;
  double n_step = 0.0;
  double n_rated = 0.0;
  double eta = 0.0;
  bool operator==(const ForcedSweep&) const = default;
};

// The kinds of the maker's limits of a stiffness (STIFFNESS::limit_kind).
inline constexpr int32_t kLimitNone = 0;
inline constexpr int32_t kLimitStress = 1;
inline constexpr int32_t kLimitCoupling = 2;

// A load case of the forced response: its own sweep (rev/min), the mean
// pressure p(N) = load_factor * p_rated * (N / N_rated)^load_exp of every
// engine, the operating range the verdict judges (rev/min) and a misfiring
// cylinder (engine 0 = none).
struct LoadCase {
  Name16 name;
  double n_from = 0.0;
  double n_to = 0.0;
  double n_step = 0.0;
  double load_factor = 0.0;
  double load_exp = 0.0;
  double oper_from = 0.0;
  double oper_to = 0.0;
  int32_t misfire_engine = 0;
  int32_t misfire_cylinder = 0;
  bool operator==(const LoadCase&) const = default;
};
inline constexpr int kMaxCases = 24;

// One reciprocating engine.
struct ENGINE {
  int32_t ncyl = 0;
  int32_t ncyl1 = 0;
  int32_t ivee_engine = 0;  // 1 = vee (two banks), 0 = in-line
  int32_t nstroke = 0;      // 2 or 4
  Table<int32_t, 1, kMaxCylinders> ifirord;  // cylinder that fires k-th
  Table<double, 1, kMaxCylinders> angle;     // firing angle by cylinder, degrees
  double offset_angle = 0.0;                 // crank angle behind engine 1, degrees
  double vee_angle = 0.0;                    // degrees between the banks
  double percent_torque = 0.0;               // reserved
  Name16 name;
  Excitation excitation;  // forced response: gas and inertia torques
  bool operator==(const ENGINE&) const = default;
};

// ---- Transient cases -------------------------------------------------------
inline constexpr int kMaxTransientCases = 20;
// Points of the torque tables of all cases together.
inline constexpr int kMaxTablePoints = 100000;

// The kinds of transient case, numbered as the model file's words are listed.
enum TransientKind : int32_t {
  kTransientNone = 0,
  kTransientRunup = 1,
  kTransientShortCircuit3 = 2,
  kTransientShortCircuit2 = 3,
  kTransientIce = 4,
  kTransientStep = 5,
  kTransientTable = 6,
};

// One transient case: the common values, then those of its kind (the others
// stay 0).  `inertia` 0 = none (a run-up acts through the engines; a case
// whose inertia was deleted has none until one is chosen).
struct TransientCase {
  int32_t kind = kTransientNone;
  Name16 name;
  double duration = 0.0;    // s
  double step = 0.0;        // s, 0 = the default step
  double damping_hz = 0.0;  // Hz, 0 = the first elastic natural frequency
  int32_t inertia = 0;
  double n_start = 0.0, n_end = 0.0;  // runup, rev/min
  // shortcircuit3 / shortcircuit2
  double t_n = 0.0, f_line = 0.0, xd2 = 0.0, xd1 = 0.0, xd = 0.0;
  double td2 = 0.0, td1 = 0.0, ta = 0.0;
  // ice
  int32_t blades = 0;
  double qmax = 0.0, n_prop = 0.0, cq = 0.0, alpha = 0.0, h_ice = 0.0;
  // step
  double t0 = 0.0, torque0 = 0.0;
  // table: points first_point .. first_point + npoint - 1 of TRANSIENT_POINTS
  int32_t npoint = 0;
  int32_t first_point = 0;
  bool operator==(const TransientCase&) const = default;
};

// The kind's word in the model file ("runup", ...); empty for none.
inline const char* transient_kind_word(int32_t kind) {
  constexpr const char* kWords[] = {"",    "runup", "shortcircuit3", "shortcircuit2",
                                    "ice", "step",  "table"};
  return kind >= 1 && kind <= 6 ? kWords[kind] : "";
}

struct TablePoint {
  double time = 0.0;    // s
  double torque = 0.0;  // N.m
  bool operator==(const TablePoint&) const = default;
};

using Square100 = Matrix<double, kMaxNodes, kMaxNodes>;

// The speed ratio an inertia turns at: its stored speed_ratio, 0 meaning 1.
inline double speed_ratio_of(const NODE& node) {
  return node.speed_ratio == 0.0 ? 1.0 : node.speed_ratio;
}

// ---- The model ------------------------------------------------------------
inline Table<NODE, 1, kMaxNodes> MASSES;
inline Table<STIFFNESS, 1, kMaxStiffnesses> STIFF;
inline Table<ENGINE, 1, kMaxEngines> ENGS;
inline int32_t NMASS = 0;
inline int32_t NSTIF = 0;
inline int32_t NENG = 0;
inline NODE BLANK_MASS;
inline STIFFNESS BLANK_STIFF;
inline Title80 TITLE;
inline double CONV_I = 1.0;
inline double CONV_S = 1.0;
inline double ORDMIN = 1.0;
inline double ORDMAX = 6.0;
inline double ORDSTEP = 1.0;
inline ForcedSweep forced_sweep;
// The transient cases 1..NTRANS; their table points lie packed in case order
// in TRANSIENT_POINTS(1..NTRANS_POINTS).
inline Table<TransientCase, 1, kMaxTransientCases> TRANSIENT_CASES;
inline int32_t NTRANS = 0;
inline Table<TablePoint, 1, kMaxTablePoints> TRANSIENT_POINTS;
inline int32_t NTRANS_POINTS = 0;
// The load cases (CASES section); NCASES 0: the one case of the sweep.
inline Table<LoadCase, 1, kMaxCases> LOAD_CASES;
inline int32_t NCASES = 0;

// ---- Editing state --------------------------------------------------------
inline int32_t INODE_CREATE = 0;
inline int32_t ISTIF_CREATE = 0;
inline int32_t ISTIF_CREATE_GROUND = 0;
inline int32_t IENGI_CREATE = 0;
inline int32_t INODE_MODIFY = 0;
inline int32_t ISTIF_MODIFY = 0;
inline int32_t ISTIF_MODIFY_GROUND = 0;
inline int32_t IENGI_MODIFY = 0;
inline int32_t INODE_DELETE = 0;  // Modify > Delete: a click deletes an inertia or shaft
inline int32_t INODE_MOVE = 0;    // Modify > Move: dragging an inertia moves it
inline int32_t NSELECT = 0;
inline Table<int32_t, 1, kMaxNodes> NODE_LIST;
inline double SNAP_SIZE = 5.0;
inline int32_t ISNAP_MODE = 1;
inline int32_t IORTHO_MODE = 1;
inline int32_t ILAST_VALID = 0;
inline double RX_LAST = 0.0;
inline double RY_LAST = 0.0;
inline FixedText<80> REASON;

// ---- Units ----------------------------------------------------------------
inline int32_t IUNIT_INERT = 1;  // 1 = kg.m^2, 2 = T.m^2
inline int32_t IUNIT_STIFF = 1;  // 1 = N.m/rad, 2 = MN.m/rad
inline int32_t IUNIT_DAMP = 1;   // reserved: damping is always shown as typed
inline Table<Text12, 1, 2> UNITS;

// ---- Dialog buffers (display units) ---------------------------------------
inline double AMASS_IN = 0.0;
inline double DAMPEX_IN = 0.0;
inline double ASTIF_IN = 0.0;
inline double DAMPIN_IN = 0.0;
inline double DIA_IN = 0.0;
inline double AMASS_MOD = 0.0;
inline double DAMPEX_MOD = 0.0;
inline double ASTIF_MOD = 0.0;
inline double DAMPIN_MOD = 0.0;
inline double DIA_MOD = 0.0;

// ---- Engine definition ----------------------------------------------------
inline int32_t IENG = 0;
inline int32_t ICYL = 0;
inline ENGINE CRE_ENGS;
inline int32_t ISTRK2 = 0;
inline int32_t ISTRK4 = 0;
inline Table<int32_t, 1, kMaxCylinders> JGREY;
inline Table<Text5, 1, kMaxCylinders> CYLNO;
inline Table<Text5, 1, kMaxCylinders> FIRANG1;
inline Table<Text5, 1, kMaxCylinders> FIRANG2;
inline Table<Name16, 0, 100> NAMES_NL;

// ---- Results of the last analysis -----------------------------------------
inline int32_t IVALID = 0;
inline Table<double, 1, kMaxNodes> EIGS;
inline Table<Text12, 1, kMaxNodes> FREQS;
inline Table<int32_t, 1, kMaxNodes> IFREQS;
inline int32_t ICURRENT_FREQ = 0;
inline Table<double, 1, kMaxNodes> EVEC;
inline Table<double, 1, kMaxStiffnesses> TRQ;
inline Table<double, 1, kMaxStiffnesses> TWIST;
inline Square100 AK;
inline Square100 A;
inline Square100 AMM1;
inline Square100 AL;
inline Square100 AU;
inline double SCALE_MODE = 1.0;

// ---- File names and main window -------------------------------------------
inline FileName130 FILIN;   // the model file of the last Open or Save
inline FileName130 FILOUT;  // the list file of the last analysis
inline FixedText<60> BANNER;
inline double FONT_SCALING = 1.0;

// Empties the model (tables, counts, title, order range, dialog buffers,
// result validity); leaves the mode flags, selection, snap state and unit
// choices alone.  Returns 2.
int NEW_SYSTEM();

// Sets UNITS from IUNIT_INERT and IUNIT_STIFF (SET_UNITS, in app/dialogs.h,
// also refreshes both texts in any open window).
void set_unit_texts();

// The whole start-up state of the store, as the main program leaves it before
// it builds the main window (also used to start every test from scratch).
void initialise_store();

}  // namespace spindra
