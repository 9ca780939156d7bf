// The plain dense LR iteration: the reference that lr_iteration must
// match bit for bit, and the base line of the solver benchmark.  Used only by
// the tests and the benchmarks.
#pragma once

#include "analysis/eigen_solver.h"

namespace spindra {

// The iteration of CALCULATE_MODES on the full n x n block with the plain
// dense routines (DCLU, PROD10, NOUNDR).
SolverResult calculate_modes_dense();

}  // namespace spindra
