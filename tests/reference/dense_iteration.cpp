#include "tests/reference/dense_iteration.h"

namespace spindra {

namespace {

// One dense LR pass over the leading n x n block.
int dense_pass(int n) {
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) {
      AL(i, j) = 0.0;
      AU(i, j) = 0.0;
    }
  }
  NOUNDR(A, n, kFlushLimit);
  int istat = 0;
  DCLU(A, AL, AU, n, istat);
  if (istat != 0) return istat;
  PROD10(AU, AL, A, n);
  return 0;
}

}  // namespace

SolverResult calculate_modes_dense() {
  return run_lr_iteration(dense_pass);
}

}  // namespace spindra
