// Calculate > Frequencies: the natural frequencies of the model in the store,
// the main window's frequency list and the list file with the frequency
// table, mode tables (amplitudes, twists, torques, stresses) and engine order
// tables for the first five modes.
#pragma once

#include <string>

#include "analysis/eigen_solver.h"
#include "analysis/list_file.h"
#include "app/model/calndr.h"
#include "app/model/store.h"

namespace spindra {

// Single-precision figures of the report.
inline constexpr double kFreqLow = 0.10000000149011612;  // 0.1 vpm
inline constexpr double kOmegaLow = kFreqLow * 30.0 / kPiSingle;
inline constexpr double kListLimit = 0.0010000000474974513;   // smallest listed eigenvalue
inline constexpr double kStressFactor = 0.19634953141212463;  // pi / 16
inline constexpr int kMaxModeTables = 5;                      // NTAB
inline constexpr int kMaxOrders = 1000;                       // orders per engine table

// The speed ratios an inertia may turn at (0 in the store means 1).
inline constexpr double kMinSpeedRatio = 1.0e-3;
inline constexpr double kMaxSpeedRatio = 1.0e3;

// Frequency in vpm of the eigenvalue lambda (rad^2/s^2).
double vpm(double lambda);

// Checks that an analysis of the model in the store can mean something.
// False, with a message naming the inertia, stiffness or engine at fault,
// when it cannot.
bool check_model_for_analysis(std::string* message);

// Engines the analysis leaves out because their cylinders are not all
// placed: the definition in progress in Create > Engine, and engine numbers
// that inertias carry beyond the model's complete engines.  One line per
// engine ("Engine 2: 1 of 6 cylinders placed; left out ..."); empty when
// every engine is complete.
std::string engines_left_out();

// The whole frequency analysis.  True when the list file was written; false
// with a message when the model was refused, the solver failed, or the list
// file could not be created or written.  A refused model, a solver failure or
// a list file that cannot be created leave the previous results (EIGS,
// FREQS, IFREQS, ICURRENT_FREQ, EVEC, TRQ, TWIST, the matrices), FILOUT and
// IVALID exactly as they were.
bool run_frequency_analysis(std::string* message);

// The same run, saying what it did to the results: refused (nothing changed),
// written, or listed with a list file that could not be written completely
// (the results and IVALID are new; `message` says what went wrong).
enum class AnalysisOutcome { kRefused, kWritten, kIncomplete };
AnalysisOutcome frequency_analysis(std::string* message);

// The shape of mode `mode` (EIGS(mode)) of the last run as the real angles
// of the inertias (mode_shape on the referred system, each degree of
// freedom's angle times each inertia's speed ratio), scaled as EIGVEC
// scales: on inertia `iref` (unless it rests in the mode) or, for 0, on the
// largest amplitude.  `used` receives the inertia scaled on.
void real_mode_shape(int mode, Vector100& evec, int iref, int* used);

// The model sizes the results of the last run describe.  The mode-shape
// overlay uses only these inertias and stiffnesses, so parts added after a
// run are never mixed into the kept matrices.
inline int32_t analysed_nmass = 0;
inline int32_t analysed_nstif = 0;

// The date and time of the last run's page headings.
inline DateText CDATE;
inline TimeText CTIME;

}  // namespace spindra
