// The forced damped response: the steady response of the damped shaft
// system to the engines' gas and inertia torques, order by order across the
// speed sweep, synthesised in phase over the engine cycle, and the
// permissible vibratory stresses of the classification rules.
//
// The model data (sweep, excitation per engine, limits per shaft) live in
// the model store.  A run keeps its results until the next run or until the
// model is emptied; reading them (another item, another order) needs no new
// solve.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/model/store.h"

namespace spindra {

// What a run is asked for beyond the model: a misfiring cylinder gives no
// gas torque (its inertia torque stays).  Engine 0 = no misfire.  The
// cylinders of a vee engine's second bank are numbered on after the first
// (ncyl + 1 to 2 ncyl, cylinder ncyl + c beside cylinder c).
// A run is of one load case (1..forced_case_count(); 0 = the first); a
// misfire asked for replaces the case's own.
struct ForcedRequest {
  int32_t misfire_engine = 0;
  int32_t misfire_cylinder = 0;
  int32_t load_case = 0;
};

// The quantity an amplitude is read for.
enum class ForcedKind : int32_t {
  kAngle = 1,   // rad, per inertia
  kTorque = 2,  // N.m, elastic torque per shaft
  kStress = 3,  // MPa, per shaft with a diameter
  kPower = 4,   // W, mean power dissipated per stiffness (synthesised: the sum of the orders)
};

// 1 when `order` can be a gas harmonic of an engine cycle: a whole or half
// number (within a tolerance relative to the order) of at least 0.5.
bool is_cycle_order(double order);

// Runs the sweep.  False with a message (saying what and where) when the
// model or the request is refused; the results of an earlier run are then
// gone.  `message` may also carry notes on a successful run (engines left
// out for lack of excitation data).
bool run_forced_response(const ForcedRequest& request, std::string* message);

// 1 while the results of the last run are there.
int32_t forced_results_valid();

// The speeds of the sweep (rev/min), s = 1..forced_speed_count().
int32_t forced_speed_count();
double forced_speed(int32_t s);

// The distinct orders excited, ascending, o = 1..forced_order_count().
int32_t forced_order_count();
double forced_order(int32_t o);

// Amplitude of item `number` (inertia or shaft) of `kind` at speed s for
// order o; o = 0 gives the synthesised amplitude ((max - min) / 2 over the
// cycle, all orders summed in phase).  0 for a shaft without a diameter
// when kind is kStress.
double forced_amplitude(ForcedKind kind, int32_t number, int32_t s, int32_t o);

// 1 when stiffness `shaft` was a rigid gear mesh in the last run: it has no
// twist, and its amplitudes are 0.
int32_t forced_rigid_mesh(int32_t shaft);

// The engines the last run left out for lack of excitation data, as a
// list of numbers in `out` (1-based count returned).
int32_t forced_engines_left_out(int32_t* out, int32_t capacity);

// Permissible torsional vibration stresses, MPa, for tensile strength uts
// (MPa), factor ck, shaft outer diameter d_mm (mm) and speed ratio lambda
// = N / N_rated: tau1 for continuous running (0 above lambda 1.05) and
// tau2 for passing through a barred range (0 above lambda 0.8).
void permissible_stresses(double uts, double ck, double d_mm, double lambda, double* tau1,
                          double* tau2);

}  // namespace spindra

// ---- Helpers for the report, the window and the batch command -------------

namespace spindra {

// Largest amplitude of an item for order o (0 = synthesised) over the
// speeds from n_lo to n_hi (rev/min, inclusive): the value and the speed
// (sweep index s, 0 when no speed of the sweep lies in the range).
struct ForcedPeak {
  double value = 0.0;
  double speed = 0.0;
  int32_t s = 0;
};
ForcedPeak forced_peak(ForcedKind kind, int32_t number, int32_t o, double n_lo, double n_hi);

// The order o as written in the harmonic tables: "0.5", "6", "synth" for 0.
std::string forced_order_text(int32_t o);

// Polar section modulus pi (D^4 - d^4) / (16 D) of shaft `shaft`, m^3; 0
// when the shaft has no diameter.
double forced_section_modulus(int32_t shaft);

// 1 when shaft `shaft` has stress limits and a diameter: the shaft rule
// (tensile strength) or the maker's permissible stress (LIMITS `stress`).
int32_t forced_shaft_has_limits(int32_t shaft);

// tau1 and tau2 (MPa) of shaft `shaft` at engine speed n (rev/min) with the
// rated speed of the sweep: by the rule's formula, or the maker's values up
// to 1.05 times the rated speed; both 0 for a shaft without limits.
void forced_shaft_limits(int32_t shaft, double n, double* tau1, double* tau2);

// The limits of a flexible coupling (LIMITS `coupling`): T_KW and T_Kmax
// (N.m) and P_KV (W); all 0 for a stiffness without them.
void forced_coupling_limits(int32_t k, double* t_kw, double* p_kv, double* t_kmax);

// The operating range of the last run's load case (rev/min), cut to the
// sweep; for the case of the sweep itself from its start up to 1.05 times
// the rated speed (the end of continuous running under the rules).
void forced_operating_range(double* from, double* to);

// The operating range of the model's first load case (rev/min), from the
// model data without a run: the case's own, or for the case of the sweep
// itself from its start (at least 0) up to 1.05 times the rated speed.
// False (0, 0) when the model has no rated speed.
bool model_operating_range(double* from, double* to);

// Barred speed ranges of stiffness `shaft` in the operating range, as the
// verdict finds them (analysis/verdict.h): where the synthesised stress
// (a coupling's torque) exceeds tau1 (T_KW), ends interpolated between the
// speeds of the sweep, widened around each critical speed by the rule.
// `above_08` is 1 when the range reaches above lambda 0.8, where no barred
// range is permitted.  Returns how many ranges there are (at most
// `capacity` filled).
struct BarredRange {
  double from = 0.0;
  double to = 0.0;
  int32_t above_08 = 0;
};
int32_t forced_barred_ranges(int32_t shaft, BarredRange* out, int32_t capacity);

// The shaft whose synthesised stress is largest relative to tau1 (shafts
// with limits), else the one with the largest synthesised stress, else the
// one with the largest synthesised torque; 0 without results.
int32_t forced_worst_shaft();

// The speed of the sweep at which order o (0 = synthesised) peaks for an
// item: forced_peak over the whole sweep.
inline double forced_peak_speed(ForcedKind kind, int32_t number, int32_t o) {
  return forced_peak(kind, number, o, -1.0e300, 1.0e300).speed;
}

// Where the last run spent its time (processor seconds of the calling
// thread): the solves of every speed and order, and the whole run (solves,
// amplitudes and synthesis).
struct ForcedTiming {
  double solves = 0.0;
  double total = 0.0;
};
ForcedTiming forced_last_timing();

// The misfire and the load case of the last run (engine 0 = no misfire).
ForcedRequest forced_last_request();

// The rated speed of the last run (of the model's sweep without one).
double forced_rated_speed();

// The load cases: the model's CASES, or without them the one case "Sweep"
// of the sweep (load factor 1, each engine's own load law, operating range
// from the start of the sweep to 1.05 times the rated speed, no misfire).
int32_t forced_case_count();
LoadCase forced_case(int32_t number);
// The number of the case named `name`; 0 when there is none.
int32_t forced_case_number(std::string_view name);
// The case of the last run (blank without results).
LoadCase forced_last_case();
// What the last run is, for titles: "Load case NAME" and the misfire
// (", misfire of engine K cylinder C") when there is one.
std::string forced_run_title();

// Sets the results of the last run aside while other runs are made (the
// report's parts) and puts them back; between the two the results are
// those of the other runs.
void forced_set_run_aside();
void forced_take_run_back();

// The program and its version as the report names them (set by the
// program at its start).
std::string& forced_program_text();

// The report file beside the list file: the model file's name (or
// Unnamed) with the extension "frc".
std::string forced_report_name();

// Writes the report to forced_report_name(): one part per load case of the
// model, one more for the last run when its misfire is not its case's own,
// and the verdict over all of them; the results of the last run stay.
// False with a message when there are no results or it cannot be written.
bool write_forced_report(std::string* message);

// Writes the CSV "speed_rpm,kind,number,order,amplitude" of the last run to
// `path`; false with a message when it cannot be written.
bool write_forced_csv(const std::string& path, std::string* message);

// Runs each request in turn and writes the rows of all of them to the CSV
// at `path`, with the first column "case" (the case's name) when the model
// has load cases; then the report of every case and of these runs.  The
// results of the last request stay.  False with a message when a run fails
// or a file cannot be written; true with the notes of the first run (engines
// left out) in `message`.
bool write_forced_runs(const std::string& path, const std::vector<ForcedRequest>& requests,
                       std::string* message);

// Half range (max - min) / 2 over u in [0, 2 pi) of
// f(u) = sum_o Re(x_o exp(i m_o u)), x_o = (re[o], im[o]), o = 0..count-1,
// m_o > 0 whole numbers; never above the true half range and at most
// 4e-7 of it below (every interval of the cycle whose bound could hold a
// larger extreme is searched).
double half_range(const double* re, const double* im, const int32_t* m, int32_t count);

// Sine coefficients c_n (n = 1..count) of the reciprocating inertia torque
// of the slider crank per unit m R^2 Omega^2, for crank radius / rod
// length lambda: torque = m R^2 Omega^2 sum c_n sin(n theta).
void inertia_torque_coefficients(double lambda, double* c, int32_t count);

// The engines' torques of the forced excitation as terms per inertia and
// order, for a calculation in time: the torque on inertia `inertia` is
// Re((g_c + g_l (N / N_rated)^load_exp + m Omega^2) e^(i order theta)) for the
// crank angle theta (rad) at speed N, Omega = 2 pi N / 60, with g_c, g_l and m
// the complex parts below.  Firing angles as in the forced response, no
// misfire.  False with a message when the sweep or the excitation is refused
// or nothing excites; the results of a forced-response run stay as they were.
struct ExcitationTerm {
  int32_t inertia = 0;  // 1-based
  double order = 0.0;
  double load_exp = 0.0;
  double gc_re = 0.0, gc_im = 0.0;
  double gl_re = 0.0, gl_im = 0.0;
  double in_re = 0.0, in_im = 0.0;
};
bool forced_excitation_terms(std::vector<ExcitationTerm>* terms, std::string* message);

}  // namespace spindra
