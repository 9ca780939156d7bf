// The transient response: the shaft system's vibration in time under a
// run-up through the speed range, a generator short circuit, a propeller's
// ice milling sequence, a torque step or a measured torque table.
//
// The cases live in the model store (TRANSIENT_CASES, TRANSIENT_POINTS).  A
// run integrates J.x'' + C.x' + K.x = T(t) from rest with Newmark's average
// acceleration rule on the same system as the forced response (the shaft
// system referred to the crankshaft's speed, analysis/shaft_system.h), and
// reports real angles, torques and stresses on each inertia's and shaft's
// own shaft; the effective stiffness is factored once, leaves first, so each
// step costs O(n) and allocates nothing.  A run keeps the largest value of
// every item over every step with its time, and a history of at most
// kTransientSamples samples that keeps each interval's extreme.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/forced_response.h"
#include "app/model/store.h"

namespace spindra {

inline constexpr int32_t kTransientSamples = 20000;
inline constexpr long kMaxTransientSteps = 10000000;

// ---- The integrator -------------------------------------------------------------

// A shaft (or elastic mesh) of the system the integrator works on, between
// degrees of freedom a and b (0-based; b = -1: a to ground).
struct TransientLink {
  int32_t a = 0;
  int32_t b = -1;
  double k = 0.0;  // N.m/rad
  double c = 0.0;  // N.m.s/rad
};

// The system: per degree of freedom its inertia (> 0) and its damping to
// ground, and the links.  Parallel links add up.
struct TransientSystem {
  int32_t n = 0;
  std::vector<double> inertia;
  std::vector<double> damping;
  std::vector<TransientLink> links;
};

struct ShaftSystem;

// The integrator's system taken from the referred shaft system `sys`
// (analysis/shaft_system.h): its degrees of freedom with their referred
// inertias and external damping, and one link per elastic element in
// element order, whose damping adds the loss factor eta and the relative
// damping psi made viscous at omega_d: (eta + psi / 2 pi) k / omega_d.
void transient_system_of(const ShaftSystem& sys, double eta, double omega_d, TransientSystem* out);

// Newmark's average-acceleration rule (gamma 1/2, beta 1/4) on a
// TransientSystem with a fixed step: K + (2/dt) C + (4/dt^2) J is factored
// once; inertias that hang on the system as branches of a tree are
// eliminated leaves first, those on closed rings of shafts (the core) by a
// dense factorisation.  step() costs O(n) (plus the core's c^2) and
// allocates nothing.
class NewmarkStepper {
 public:
  // False when the effective stiffness cannot be factored (an inertia not
  // greater than zero, a step not greater than zero) or the system has more
  // than kMaxNodes degrees of freedom.
  bool prepare(const TransientSystem& system, double dt);
  // At rest (angles and speeds 0) under the torques force[0..n) at t = 0.
  void start(const double* force);
  // Advances one step to the torques force[0..n) at the step's end.
  void step(const double* force);
  const double* angle() const { return u_.data(); }
  const double* velocity() const { return v_.data(); }
  const double* acceleration() const { return a_.data(); }
  int32_t size() const { return n_; }

 private:
  int32_t n_ = 0;
  double dt_ = 0.0;
  std::vector<double> inertia_, damping_;
  std::vector<TransientLink> links_;
  std::vector<int32_t> order_;   // peeled degrees of freedom, parents before children
  std::vector<int32_t> parent_;  // per degree of freedom, -1 for a root or a core one
  std::vector<double> inv_d_, t_;
  std::vector<int32_t> core_;      // degrees of freedom on rings
  std::vector<double> core_l_;     // Cholesky factor of the core, row by row
  std::vector<double> u_, v_, a_;  // size n + 1: the last stays 0 (ground)
  std::vector<double> rhs_, w_;
};

// The degrees of freedom of `system` in the order of elimination of the
// shared leaves-first peeling (peel_leaves), listed parents first; those
// that cannot be peeled (on closed rings) go to `core`.  At most kMaxNodes.
void transient_elimination_order(const TransientSystem& system, std::vector<int32_t>* peeled,
                                 std::vector<int32_t>* parent, std::vector<int32_t>* core);

// ---- The excitation templates ------------------------------------------------------

// Air-gap torque of a generator short circuit (kinds shortcircuit3 and
// shortcircuit2) at time t >= 0, N.m.
double short_circuit_torque(const TransientCase& c, double t);

// Ice milling torque on the propeller at propeller angle phi (degrees since
// the sequence began), N.m: negative, it opposes the rotation.
double ice_torque_at_angle(const TransientCase& c, double phi);

// Torque of a table case at time t: linear between the points, 0 outside.
double table_torque(const TransientCase& c, double t);

// The torque a case other than a run-up applies to its inertia at time t
// (on the inertia's own shaft), N.m.
double transient_case_torque(const TransientCase& c, double t);

// The ice rules' cases for a propeller of `blades` blades (3 to 6): case 1
// to 3 give cq and alpha (degrees).  False for another case or blade count.
bool ice_rule_case(int32_t rule_case, int32_t blades, double* cq, double* alpha);

// ---- A run on the model -------------------------------------------------------------

// Checks case k of the model; false with a message naming the case and the
// value at fault.
bool check_transient_case(int32_t k, std::string* message);

// The same checks on case values `c` (points: its table's points, for a
// table case) named `label` in the message, for a dialog's copies.
bool check_transient_values(const TransientCase& c, const TablePoint* points,
                            const std::string& label, std::string* message);

// Reads a torque table from a CSV file: per line a time (s) and a torque
// (N.m), separated by commas, semicolons or blanks; blank lines, lines
// starting with # and a first line of words are skipped.  False with a
// message naming the line when a line is refused or the times do not
// increase strictly.
bool read_torque_table(const std::string& path, std::vector<TablePoint>* points,
                       std::string* message);

// Runs case k (1..NTRANS).  False with a message when the model or the case is
// refused; the results of an earlier run are then gone.
bool run_transient(int32_t k, std::string* message);

// The case named `name` (blanks at the ends ignored), 0 when none.
int32_t find_transient_case(const std::string& name);

// Drops the results of the last run (another model was read or started).
void forget_transient_results();

// 1 while the results of the last run are there and fit the model.
int32_t transient_results_valid();

// What the last run used.
struct TransientInfo {
  int32_t case_number = 0;
  TransientCase data;
  double dt = 0.0;            // step used, s
  long steps = 0;             // steps taken
  int32_t step_given = 0;     // 1: the case's own step, 0: the default rule
  double resolved_hz = 0.0;   // highest natural frequency resolved by the step
  double period_error = 0.0;  // (omega dt)^2 / 12 at that frequency
  double damping_hz = 0.0;    // frequency at which damping was made viscous
  int32_t free_system = 0;    // 1: angles relative to the rigid rotation
  double eta = 0.0;           // loss factor made viscous
  int32_t has_psi = 0;        // 1: a coupling's relative damping psi made viscous too
  double excited_hz = 0.0;    // highest frequency the case excites, 0 for none
};
TransientInfo transient_info();

// The history: samples 0..transient_sample_count(), 0 being t = 0.
int32_t transient_sample_count();
double transient_sample_time(int32_t i);
// The reference speed of sample i (rev/min): the instantaneous one in a
// run-up, the propeller's speed referred to the reference for ice, the
// rated speed of the forced sweep (0 without one) otherwise.
double transient_sample_speed(int32_t i);
// Value of an item at sample i: angle (rad), torque (N.m) or stress (MPa,
// 0 for a shaft without a diameter); each sample is the extreme of its
// interval.
double transient_value(ForcedKind kind, int32_t number, int32_t i);

// The largest magnitude of an item over every step, with its time and the
// reference speed then.
struct TransientPeak {
  double value = 0.0;
  double time = 0.0;
  double speed = 0.0;
};
TransientPeak transient_peak(ForcedKind kind, int32_t number);

// tau1 and tau2 (MPa) of shaft s at the speed of its peak stress (a
// run-up) or at the rated speed; 0 without limits.
void transient_shaft_limits(int32_t s, double* tau1, double* tau2);

// The shaft whose peak stress is largest relative to its limit (tau2, or
// tau1 where tau2 is 0), else the one with the largest peak torque; 0
// without results.
int32_t transient_worst_shaft();

// A barred range of the forced response and the time a run-up spent in it.
struct TransientBarred {
  int32_t shaft = 0;
  double from = 0.0, to = 0.0;  // rev/min
  double seconds = 0.0;
};
// Returns how many there are (at most `capacity` filled); -1 when the
// model has no forced results to take them from.
int32_t transient_barred_ranges(TransientBarred* out, int32_t capacity);

// Notes of the last run (the barred ranges left out and why); empty when none.
const std::string& transient_notes();

// The report MODEL.trn beside the list file.
std::string transient_report_name();
bool write_transient_report(std::string* message);

// The CSV time_s,speed_rpm,torque_1..torque_NSTIF,angle_1..angle_NMASS of the
// last run: a row at t = 0 and one per sample.
bool write_transient_csv(const std::string& path, std::string* message);

// Processor seconds of the last run's step loop.
double transient_loop_seconds();

}  // namespace spindra
