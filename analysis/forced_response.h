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

namespace spindra {

// What a run is asked for beyond the model: a misfiring cylinder gives no
// gas torque (its inertia torque stays).  Engine 0 = no misfire.
struct ForcedRequest {
  int32_t misfire_engine = 0;
  int32_t misfire_cylinder = 0;
};

// The quantity an amplitude is read for.
enum class ForcedKind : int32_t {
  kAngle = 1,   // rad, per inertia
  kTorque = 2,  // N.m, elastic torque per shaft
  kStress = 3,  // MPa, per shaft with a diameter
};

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
