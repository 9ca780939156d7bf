// The eigen solver: assembly of the stiffness matrix K and the inverse inertia
// matrix M^-1 of the referred shaft system (analysis/shaft_system.h) built
// from the model store, all eigenvalues of K.M^-1 by the unshifted
// LR iteration (Crout factorisation A = L.U, then A <- U.L), refined to full
// accuracy (or found, where the iteration stalls or breaks down) with their
// mode shapes by the exact symmetric route (analysis/exact_modes.cpp), and
// the mode shape of one eigenvalue by Gaussian elimination.
//
// The matrices live in the store (AK, A, AMM1, AL, AU); only the leading
// n x n block (n = the system's degrees of freedom: NMASS unless rigid gear
// meshes join inertias) is used.  Nothing here allocates.
#pragma once

#include "app/model/store.h"

namespace spindra {

using Vector100 = Table<double, 1, kMaxNodes>;

// Constants of the iteration, held at the single-precision values the
// solver has always used.
inline constexpr double kPivotLimit = 1.000000013351432e-10;  // 1e-10 in single precision
// A mode amplitude no larger than this share of the mode's largest one is
// taken for an inertia at rest (rounding noise of the shape).
inline constexpr double kRestRatio = 1.0e-6;
inline constexpr double kFlushLimit = 1e-20;
inline constexpr double kConvergenceLimit = 1e-8;
inline constexpr double kShapeTolerance = 1e-8;  // relative residual of an accepted mode shape
inline constexpr double kGauselSingular = 9.99999993922529e-09;  // 1e-8 in single precision

// ---- Matrix routines on the leading n x n block ---------------------------

// Clears the whole matrix.
void ZERMAT(Square100& a);
// Adds the ISMALL x ISMALL element matrix SMALLK into BIGK at the rows and
// columns IDOFAR(1..ISMALL).  IBIG is the order of BIGK.
void PUTSTF(Square100& BIGK, int IBIG, const Matrix<double, 2, 2>& SMALLK, int ISMALL,
            const Table<int, 1, 2>& IDOFAR);
// C = A.B over the leading n x n block.  Each column of B is copied before the
// matching column of C is written, so C may be the same matrix as B.
void PROD10(const Square100& A, const Square100& B, Square100& C, int n);
// NEW(k) = OLD(k) * F for the first N elements (column by column storage).
void COPYIT(const double* OLD, double* NEW, int N, double F);
// Every off-diagonal element of the leading block whose magnitude is below
// VAL becomes 0.
void NOUNDR(Square100& A, int ISIZE, double VAL);
// Crout factorisation A = L.U, row by row (L lower, U unit upper).  ISTAT = 0
// on success, otherwise the row whose pivot fell below kPivotLimit.  The last
// row has no division and so no pivot test.
void DCLU(const Square100& A, Square100& L, Square100& U, int M, int& ISTAT);
// Reads the diagonal of A into EIGS and tests convergence: the mean of
// |1 - A(j,j)/EIGS(j)| over the j whose previous EIGS(j) is not 0 must be
// below ALIM, with at least one such j.  IFLAG = 1 when converged.
void GETEIG(const Square100& A, int ISIZE, Vector100& EIGS, double ALIM, int& IFLAG);
// General row sort of the table RX (N rows, M columns, column by column
// storage) on column ISORT over its first L rows.  ITY 1 ascending, -1
// descending, 2 or -2 ascending by magnitude.  ISTAT reports bad arguments:
// 1 for M <= 0, +2 for ISORT <= 0, +4 for ISORT > M (no sort in these three
// cases); 8 for another ITY (taken as 1); +16 when L > N (cut to N).
void SORT(double* RX, int N, int M, int L, int ISORT, int ITY, int& ISTAT);
// Solves the NEQN equations held column-wise in B: equation e has the
// coefficient B(v, e) for variable v = 1..NEQN and its right side in
// B(NEQN + 1, e).  Partial pivoting over the equations.  On success X(1..NEQN)
// receives the solution and ISING = 0; a pivot smaller than kGauselSingular
// times the mean coefficient magnitude sets ISING = 1 and leaves X untouched;
// NEQN outside 0..99 sets ISING = -1.  B is overwritten.
void GAUSEL(Square100& B, int NEQN, Vector100& X, int& ISING);

// ---- The solver -----------------------------------------------------------

// How an eigenvalue run ended.
enum class SolverStatus {
  kConverged,            // EIGS holds the eigenvalues, ascending
  kFactorisationFailed,  // a pivot below kPivotLimit (row in failed_row)
  kNotConverged,         // the pass limit was reached
  kBrokeDown,            // the iterate stopped being finite
};

struct SolverResult {
  SolverStatus status = SolverStatus::kConverged;
  int passes = 0;      // LR passes done
  int failed_row = 0;  // the row of the failing pivot
  // CALCULATE_MODES: how the LR iteration itself ended, how many of its
  // eigenvalues were exact enough to stand as they were, and whether the
  // rest came from the dense route (a system with rings of shafts).
  SolverStatus lr_status = SolverStatus::kConverged;
  int kept = 0;
  bool dense = false;
};

// Assembles K and M^-1 into AK and AMM1, A = K.M^-1 (also left in AK), runs
// the LR iteration on A (lr_iteration), and then finds every eigenpair to
// full accuracy (solve_modes_exactly): EIGS ascending, each eigenvalue as
// often as it occurs, and the shapes kept in mode_shapes.  LR eigenvalues
// already exact to 1e-12 stand bit for bit; where the iteration stalls or
// breaks down the others come from the exact route alone.  The status is
// kConverged unless a value is not finite (kBrokeDown).
SolverResult CALCULATE_MODES();

// The LR iteration alone, as CALCULATE_MODES runs it first.  Factorisation
// and product are restricted to the profile of the iterate: entries that the
// iteration keeps exactly zero are never computed, so EIGS comes out bit for
// bit as from the plain dense iteration (the reference kept with the tests),
// far faster on sparse models.  EIGS carries the previous run's values into
// the first convergence test.  The passes are limited by lr_pass_limit.
SolverResult lr_iteration();

// One LR pass on the leading n x n block of A: factorise A = L.U into AL and
// AU, then A <- U.L.  Returns 0, or the row whose pivot failed.
using LrPass = int (*)(int n);
// Assembles K and M^-1 as CALCULATE_MODES does and repeats `pass` until the
// diagonal of A has converged, the pass limit is reached, or it breaks down.
SolverResult run_lr_iteration(LrPass pass);

// Pass limit of the LR iteration on the assembled A: a budget of work (about
// 30 n^2 + 100000 multiply-adds) divided by the cost of one pass on the
// profile of A, at least kMinimumPasses.  An iteration that needs more has
// stalled on close eigenvalues, and the exact route is faster.
inline constexpr long kMinimumPasses = 2;
long lr_pass_limit(int n);

// The symmetric route behind CALCULATE_MODES, on any symmetric stiffness
// matrix K (leading n x n block) and inertias J(1..n) > 0.  Without rings of
// shafts (the graph of K is a forest) every eigenvalue is found by bisection
// on the inertia of K - sigma J in a leaves-first elimination, and its shape
// by inverse iteration; otherwise by a dense symmetric solver.  `seeds`
// (ascending, or null) are eigenvalues to keep where they are within 1e-12
// of the true ones.  eigs receives the eigenvalues ascending, shapes the
// J-orthonormal mode shapes in its columns (mode k in column k).
struct ExactModes {
  bool finite = false;  // every value found and finite
  bool tree = false;    // found on the tree
  int kept = 0;         // seeds kept
};
ExactModes solve_modes_exactly(int n, const Square100& K, const Vector100& J,
                               const Vector100* seeds, Vector100& eigs, Square100& shapes);

// The mode shapes of the last CALCULATE_MODES run, column k for EIGS(k), and
// the order they belong to.  They stay valid, like AK and EIGS, until the
// next run.
inline Square100 mode_shapes;
inline int mode_shape_count = 0;

// Mode shape of mode `mode` of the last run into AMOD, scaled as EIGVEC
// scales (IREF, rest rule, IUSED).  Repeated eigenvalues have their own,
// orthogonal shapes.
void mode_shape(int mode, Vector100& AMOD, int IREF, int* IUSED = nullptr);

// Mode shape x of the eigenvalue EIG: K.x = EIG.M.x.  A is K.M^-1 (AK), B a
// work matrix (A), AMOD receives x.  IREF > 0 scales x so that x(IREF) = 1;
// IREF = 0 scales it so that its largest component is exactly +1 or -1.  When
// inertia IREF is at rest in the mode (its amplitude no more than kRestRatio
// of the largest), x is scaled as for IREF 0.  IUSED, when given, receives
// the inertia whose amplitude became 1 (0 when x was left unscaled).
// The shape is found with the last amplitude fixed at 1; when the mode leaves
// the last inertia (nearly) at rest, so that this fails or gives a vector
// that does not satisfy the equations, it is found by elimination with
// complete pivoting instead.
void EIGVEC(const Square100& A, Square100& B, int ISIZE, double EIG, Vector100& AMOD, int IREF,
            int* IUSED = nullptr);

}  // namespace spindra
