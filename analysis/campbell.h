// The Campbell (interference) diagram of the last frequency analysis: where
// each engine order meets each tabled mode.  An order n meets a mode of
// frequency f (vpm) at the engine speed f / n (rpm), the critical speed the
// list file prints in its order tables; the crossing is weighted by the
// largest vector sum of that order over the model's engines.  The crossings
// are recorded by the analysis itself, from the same order lines it writes
// to the list file, so the diagram and the report agree by construction.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/frequency_analysis.h"
#include "text/table.h"

namespace spindra {

// One crossing of an order line with a mode line.
struct CROSSING {
  int32_t mode = 0;     // mode number (index into EIGS)
  int32_t ltab = 0;     // table number of the mode in the list file, 1 to 5
  double order = 0.0;   // engine order
  double freq = 0.0;    // frequency of the mode, vpm
  double speed = 0.0;   // engine speed of the crossing, rpm
  double vecsum = 0.0;  // largest vector sum of the order over the engines
};

inline constexpr int kMaxCrossings = kMaxModeTables * (kMaxOrders + 1);

inline Table<CROSSING, 1, kMaxCrossings> CROSSINGS;
inline int32_t NCROSS = 0;           // crossings recorded by the last analysis
inline int32_t NCROSS_ENGINES = 0;   // engines the vector sums were taken over
inline double VECSUM_MAX = 0.0;      // largest vector sum of all crossings

// Forgets the crossings (at the start of the tables of an analysis).
void clear_crossings();
// Records the crossings of tabled mode `mode` (table ltab, frequency f vpm)
// with every order ORDMIN..ORDMAX by ORDSTEP; EVEC holds the mode's shape
// scaled as in the list file.
void record_crossings(int32_t mode, int32_t ltab, double f);

// Vector sum of crossing i relative to the largest one, 0 to 1 (0 when the
// model has no engine).
double relative_vecsum(int32_t i);

// Round-number axis steps: the step 1, 2 or 5 x 10^k that divides span into
// at most max_ticks intervals, and the first multiple of step at or above v.
double round_step(double span, int max_ticks);
double round_up(double v, double step);

// The ranges the diagram frames by default: engine speed from 0 to 1.2
// times the rated speed of the model's forced-response sweep, or without
// one to a round number beyond every crossing of the tabled modes;
// frequency from 0 to a round number above the highest tabled mode (or the
// highest listed one when no mode is tabled).
struct CampbellRange {
  double speed_from = 0.0;
  double speed_to = 0.0;
  double freq_top = 0.0;
};
CampbellRange default_campbell_range();

// True when the results of an analysis can be shown as a diagram; false
// with a message saying why not (no valid analysis, or no frequency).
bool campbell_available(std::string* message);

}  // namespace spindra
