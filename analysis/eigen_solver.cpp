#include "analysis/eigen_solver.h"

#include <algorithm>
#include <cmath>

#include "analysis/shaft_system.h"

namespace spindra {

namespace {
// Elements of a whole store matrix, copied by COPYIT.
constexpr int kSquareElements = kMaxNodes * kMaxNodes;
static_assert(sizeof(Square100) == kSquareElements * sizeof(double));
}  // namespace

// ---- Matrix routines -------------------------------------------------------

void ZERMAT(Square100& a) {
  a.fill(0.0);
}

void PUTSTF(Square100& BIGK, int IBIG, const Matrix<double, 2, 2>& SMALLK, int ISMALL,
            const Table<int, 1, 2>& IDOFAR) {
  for (int j = 1; j <= ISMALL; ++j) {
    for (int i = 1; i <= ISMALL; ++i) BIGK(IDOFAR(i), IDOFAR(j)) += SMALLK(i, j);
  }
}

void PROD10(const Square100& A, const Square100& B, Square100& C, int n) {
  double column[kMaxNodes];
  for (int j = 1; j <= n; ++j) {
    for (int k = 1; k <= n; ++k) column[k - 1] = B(k, j);
    for (int i = 1; i <= n; ++i) {
      double s = 0.0;
      for (int k = 1; k <= n; ++k) s += A(i, k) * column[k - 1];
      C(i, j) = s;
    }
  }
}

void COPYIT(const double* OLD, double* NEW, int N, double F) {
  for (int k = 0; k < N; ++k) NEW[k] = OLD[k] * F;
}

void NOUNDR(Square100& A, int ISIZE, double VAL) {
  for (int j = 1; j <= ISIZE; ++j) {
    for (int i = 1; i <= ISIZE; ++i) {
      if (i != j && std::fabs(A(i, j)) < VAL) A(i, j) = 0.0;
    }
  }
}

void DCLU(const Square100& A, Square100& L, Square100& U, int M, int& ISTAT) {
  ISTAT = 0;
  for (int i = 1; i <= M; ++i) {
    for (int j = 1; j < i; ++j) {
      double s = 0.0;
      for (int k = 1; k < j; ++k) s += L(i, k) * U(k, j);
      L(i, j) = A(i, j) - s;
    }
    double s = 0.0;
    for (int k = 1; k < i; ++k) s += L(i, k) * U(k, i);
    L(i, i) = A(i, i) - s;
    U(i, i) = 1.0;
    for (int j = i + 1; j <= M; ++j) {
      if (std::fabs(L(i, i)) < kPivotLimit) {
        ISTAT = i;
        return;
      }
      double t = 0.0;
      for (int k = 1; k < i; ++k) t += L(i, k) * U(k, j);
      U(i, j) = (A(i, j) - t) / L(i, i);
    }
  }
}

void GETEIG(const Square100& A, int ISIZE, Vector100& EIGS, double ALIM, int& IFLAG) {
  double total = 0.0;
  int terms = 0;
  for (int j = 1; j <= ISIZE; ++j) {
    if (EIGS(j) != 0.0) {
      total += std::fabs(1.0 - A(j, j) / EIGS(j));
      ++terms;
    }
    EIGS(j) = A(j, j);
  }
  IFLAG = (terms > 0 && total / terms < ALIM) ? 1 : 0;
}

void SORT(double* RX, int N, int M, int L, int ISORT, int ITY, int& ISTAT) {
  ISTAT = 0;
  if (M <= 0) ISTAT += 1;
  if (ISORT <= 0) ISTAT += 2;
  if (ISORT > M) ISTAT += 4;
  if (ISTAT != 0) return;
  if (ITY != 1 && ITY != -1 && ITY != 2 && ITY != -2) {
    ISTAT = 8;
    ITY = 1;
  }
  if (L > N) {
    ISTAT += 16;
    L = N;
  }
  auto at = [&](int row, int col) -> double& {
    return RX[static_cast<std::ptrdiff_t>(col - 1) * N + (row - 1)];
  };
  auto out_of_order = [&](double a, double b) {
    switch (ITY) {
      case -1:
        return a < b;
      case 2:
      case -2:
        return std::fabs(a) > std::fabs(b);
      default:
        return a > b;
    }
  };
  for (int i = 1; i < L; ++i) {
    for (int j = i + 1; j <= L; ++j) {
      if (out_of_order(at(i, ISORT), at(j, ISORT))) {
        for (int c = 1; c <= M; ++c) std::swap(at(i, c), at(j, c));
      }
    }
  }
}

void GAUSEL(Square100& B, int NEQN, Vector100& X, int& ISING) {
  ISING = 0;
  if (NEQN < 0 || NEQN > 99) {
    ISING = -1;
    return;
  }
  if (NEQN == 0) return;
  const int rhs = NEQN + 1;
  // Equation e is column e of B: coefficient of variable v in B(v, e).
  double amean = 0.0;
  for (int e = 1; e <= NEQN; ++e) {
    for (int v = 1; v <= NEQN; ++v) amean += std::fabs(B(v, e));
  }
  amean /= static_cast<double>(NEQN) * NEQN;
  if (!(amean > 0.0)) {
    ISING = 1;
    return;
  }
  for (int p = 1; p < NEQN; ++p) {
    int best = p;
    for (int e = p + 1; e <= NEQN; ++e) {
      if (std::fabs(B(p, e)) > std::fabs(B(p, best))) best = e;
    }
    if (best != p) {
      for (int v = 1; v <= rhs; ++v) std::swap(B(v, p), B(v, best));
    }
    const double pivot = B(p, p);
    if (!(std::fabs(pivot) / amean >= kGauselSingular)) {
      ISING = 1;
      return;
    }
    for (int e = p + 1; e <= NEQN; ++e) {
      const double factor = B(p, e) / pivot;
      if (factor == 0.0) continue;
      for (int v = p; v <= rhs; ++v) B(v, e) -= factor * B(v, p);
    }
  }
  if (!(std::fabs(B(NEQN, NEQN)) / amean >= kGauselSingular)) {
    ISING = 1;
    return;
  }
  double solution[kMaxNodes];
  for (int v = NEQN; v >= 1; --v) {
    double s = B(rhs, v);
    for (int w = v + 1; w <= NEQN; ++w) s -= B(w, v) * solution[w - 1];
    solution[v - 1] = s / B(v, v);
  }
  for (int v = 1; v <= NEQN; ++v) X(v) = solution[v - 1];
}

// ---- Assembly --------------------------------------------------------------

namespace {

// K and the inertias as assembled, for the exact route.
Square100 stiffness;
Vector100 inertias;

// K into AK, M^-1 into AMM1, A = K.M^-1, AK = A, from the referred shaft
// system: n = its degrees of freedom.
void assemble(const ShaftSystem& sys, int n) {
  ZERMAT(AK);
  ZERMAT(AMM1);
  Matrix<double, 2, 2> smallk;
  Table<int, 1, 2> idofar;
  for (int i = 1; i <= sys.nelem; ++i) {
    const ShaftElement& el = sys.elem(i);
    if (el.a == el.b) continue;  // both ends on one degree of freedom: no twist
    const double k = el.k;
    idofar(1) = el.a;
    idofar(2) = el.b;
    smallk(1, 1) = k;
    if (idofar(2) != 0) {
      smallk(1, 2) = -k;
      smallk(2, 1) = -k;
      smallk(2, 2) = k;
      PUTSTF(AK, n, smallk, 2, idofar);
    } else {
      PUTSTF(AK, n, smallk, 1, idofar);
    }
  }
  Matrix<double, 2, 2> aminv;
  for (int i = 1; i <= n; ++i) {
    aminv(1, 1) = 1.0 / sys.inertia(i);
    idofar(1) = i;
    PUTSTF(AMM1, n, aminv, 1, idofar);
  }
  stiffness = AK;
  for (int i = 1; i <= n; ++i) inertias(i) = sys.inertia(i);
  // A = K.M^-1.  M^-1 is diagonal, so every sum of PROD10 holds one product
  // besides exact zeros, and 0 + K(i,j) / J(j) has its bits (a zero of
  // either sign comes out +0 as there): the same A in n^2 steps, not n^3.
  A.fill(0.0);
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) A(i, j) = 0.0 + AK(i, j) * AMM1(j, j);
  }
  COPYIT(A.data(), AK.data(), kSquareElements, 1.0);
}

bool diagonal_finite(int n) {
  for (int j = 1; j <= n; ++j) {
    if (!std::isfinite(EIGS(j))) return false;
  }
  return true;
}

SolverResult finish(SolverResult result, int n) {
  int istat = 0;
  SORT(EIGS.data(), n, 1, n, 1, 1, istat);
  return result;
}

}  // namespace

long lr_pass_limit(int n) {
  // The first product fills the profile up to its suffix minima (see the
  // profile iteration below), and later passes stay within it; a pass costs
  // about the squares of that profile's row and column lengths.
  double cost = 0.0;
  int lo = n + 1, top = n + 1;
  for (int i = n; i >= 1; --i) {
    int first_row = i, first_column = i;
    for (int j = 1; j < i; ++j) {
      if (A(i, j) != 0.0) {
        first_column = j;
        break;
      }
    }
    for (int j = 1; j < i; ++j) {
      if (A(j, i) != 0.0) {
        first_row = j;
        break;
      }
    }
    lo = std::min(lo, first_column);
    top = std::min(top, first_row);
    const double row = i - lo + 1, column = i - top + 1;
    cost += row * row + column * column;
  }
  const double budget = 30.0 * n * n + 100000.0;
  return std::max(static_cast<long>(budget / std::max(cost, 1.0)), kMinimumPasses);
}

SolverResult run_lr_iteration(LrPass pass) {
  build_shaft_system(shaft_system);
  const int n = shaft_system.ndof;
  SolverResult result;
  assemble(shaft_system, n);
  ZERMAT(AL);
  ZERMAT(AU);
  if (n == 0) return result;
  const long limit = lr_pass_limit(n);
  bool converged = false;
  for (long k = 1; k <= limit; ++k) {
    const int failed = pass(n);
    if (failed != 0) {
      result.status = SolverStatus::kFactorisationFailed;
      result.failed_row = failed;
      return result;
    }
    int iflag = 0;
    GETEIG(A, n, EIGS, kConvergenceLimit, iflag);
    result.passes = static_cast<int>(k);
    if (!diagonal_finite(n)) {
      result.status = SolverStatus::kBrokeDown;
      return result;
    }
    if (iflag == 1 && k > 1) {
      converged = true;
      break;
    }
  }
  result.status = converged ? SolverStatus::kConverged : SolverStatus::kNotConverged;
  return finish(result, n);
}

// ---- The profile-restricted iteration ----------------------------------------
//
// Without pivoting the LR step keeps every entry outside the profile of the
// iterate exactly zero.  For the lower part let lo(i) be the first column of
// row i holding a non-zero (i when none), for the upper part top(j) the first
// row of column j.  Then
//   L(i, j) = 0 for j < lo(i) and U(i, j) = 0 for i < top(j),
// and the product U.L has in row i no non-zero left of min(lo(k), k >= i) and
// in column j none above min(top(k), k >= j).  Every sum below runs over the
// same k in the same ascending order as the dense routines and leaves out
// only terms that are exactly zero; a sum that starts at +0 is not changed by
// adding a zero of either sign, so each computed entry has the same bits as
// the dense one.  The flush of each pass turns decayed entries into exact
// zeros, and the profile shrinks with them as the iterate converges.

namespace {

struct Profile {
  int lo[kMaxNodes + 1];      // first non-zero column of row i, lower part (i when none)
  int top[kMaxNodes + 1];     // first non-zero row of column j, upper part (j when none)
  int plo[kMaxNodes + 1];     // first column of row i written by the last product
  int ptop[kMaxNodes + 1];    // first row of column j written by the last product
  int right[kMaxNodes + 1];   // last column of U's row i that can be non-zero
  int bottom[kMaxNodes + 1];  // last row of L's column j that can be non-zero
  int llo[kMaxNodes + 1];     // profile of the last factorisation, to clear it
  int ltop[kMaxNodes + 1];
};

Profile profile;

// Flushes the part of A the last product wrote and finds the profile.
void flush_and_scan(int n) {
  Profile& p = profile;
  for (int i = 1; i <= n; ++i) {
    int first = i;
    for (int j = p.plo[i]; j < i; ++j) {
      double& a = A(i, j);
      if (std::fabs(a) < kFlushLimit) a = 0.0;
      if (a != 0.0 && first == i) first = j;
    }
    p.lo[i] = first;
  }
  for (int j = 1; j <= n; ++j) {
    int first = j;
    for (int i = p.ptop[j]; i < j; ++i) {
      double& a = A(i, j);
      if (std::fabs(a) < kFlushLimit) a = 0.0;
      if (a != 0.0 && first == j) first = i;
    }
    p.top[j] = first;
  }
}

void extents(int n) {
  Profile& p = profile;
  // right(i) = max{k : top(k) <= i}, bottom(j) = max{k : lo(k) <= j}.
  for (int i = 1; i <= n; ++i) p.right[i] = p.bottom[i] = i;
  for (int k = 1; k <= n; ++k) {
    p.right[p.top[k]] = std::max(p.right[p.top[k]], k);
    p.bottom[p.lo[k]] = std::max(p.bottom[p.lo[k]], k);
  }
  for (int i = 2; i <= n; ++i) {
    p.right[i] = std::max(p.right[i], p.right[i - 1]);
    p.bottom[i] = std::max(p.bottom[i], p.bottom[i - 1]);
  }
}

void clear_factors(int n) {
  Profile& p = profile;
  for (int i = 1; i <= n; ++i) {
    for (int j = p.llo[i]; j <= i; ++j) AL(i, j) = 0.0;
  }
  for (int j = 1; j <= n; ++j) {
    for (int i = p.ltop[j]; i <= j; ++i) AU(i, j) = 0.0;
  }
}

// Crout factorisation of A inside the profile; returns the failing row or 0.
int factorise(int n) {
  Profile& p = profile;
  const int* lo = p.lo;
  const int* top = p.top;
  for (int i = 1; i <= n; ++i) {
    const int loi = lo[i];
    for (int j = loi; j < i; ++j) {
      double s = 0.0;
      for (int k = std::max(loi, top[j]); k < j; ++k) s += AL(i, k) * AU(k, j);
      AL(i, j) = A(i, j) - s;
    }
    double s = 0.0;
    for (int k = std::max(loi, top[i]); k < i; ++k) s += AL(i, k) * AU(k, i);
    const double pivot = A(i, i) - s;
    AL(i, i) = pivot;
    AU(i, i) = 1.0;
    if (i < n && std::fabs(pivot) < kPivotLimit) return i;
    for (int j = i + 1; j <= p.right[i]; ++j) {
      if (top[j] > i) continue;
      double t = 0.0;
      for (int k = std::max(loi, top[j]); k < i; ++k) t += AL(i, k) * AU(k, j);
      AU(i, j) = (A(i, j) - t) / pivot;
    }
  }
  for (int i = 1; i <= n; ++i) {
    p.llo[i] = lo[i];
    p.ltop[i] = top[i];
  }
  return 0;
}

// A = U.L inside the profile the factors allow.
void multiply(int n) {
  Profile& p = profile;
  // Suffix minima: where the product can reach.
  p.plo[n] = p.lo[n];
  p.ptop[n] = p.top[n];
  for (int i = n - 1; i >= 1; --i) {
    p.plo[i] = std::min(p.lo[i], p.plo[i + 1]);
    p.ptop[i] = std::min(p.top[i], p.ptop[i + 1]);
  }
  for (int j = 1; j <= n; ++j) {
    const int bottom = p.bottom[j];
    for (int i = p.ptop[j]; i < j; ++i) {
      const int last = std::min(p.right[i], bottom);
      double s = 0.0;
      for (int k = j; k <= last; ++k) s += AU(i, k) * AL(k, j);
      A(i, j) = s;
    }
    for (int i = j; i <= n && p.plo[i] <= j; ++i) {
      const int last = std::min(p.right[i], bottom);
      double s = 0.0;
      for (int k = i; k <= last; ++k) s += AU(i, k) * AL(k, j);
      A(i, j) = s;
    }
  }
}

// One profile-restricted LR pass: 0, or the row of the failing pivot.
int profile_pass(int n) {
  clear_factors(n);
  flush_and_scan(n);
  extents(n);
  const int failed = factorise(n);
  if (failed != 0) return failed;
  multiply(n);
  return 0;
}

}  // namespace

SolverResult lr_iteration() {
  Profile& p = profile;
  for (int i = 1; i <= kMaxNodes; ++i) {
    p.plo[i] = 1;
    p.ptop[i] = 1;
    p.llo[i] = i;
    p.ltop[i] = i;
  }
  return run_lr_iteration(profile_pass);
}

SolverResult CALCULATE_MODES() {
  SolverResult result = lr_iteration();
  result.lr_status = result.status;
  const int n = shaft_system.ndof;
  mode_shape_count = 0;
  if (n <= 0) return result;
  // The LR values of a finished iteration, converged or not, are the seeds;
  // one that broke off leaves none.
  const bool seeded =
      result.status == SolverStatus::kConverged || result.status == SolverStatus::kNotConverged;
  const Vector100 seeds = EIGS;
  const ExactModes exact =
      solve_modes_exactly(n, stiffness, inertias, seeded ? &seeds : nullptr, EIGS, mode_shapes);
  result.kept = exact.kept;
  result.dense = !exact.tree;
  if (!exact.finite) {
    result.status = SolverStatus::kBrokeDown;
    return result;
  }
  mode_shape_count = n;
  result.status = SolverStatus::kConverged;
  return result;
}

// ---- Mode shapes -------------------------------------------------------------

namespace {

// Null vector of (B - nothing)^T, B already holding A - EIG.I: elimination on
// the equations (columns of B) with complete pivoting, the last variable in
// pivot order set to 1.  Used when fixing the last component is impossible.
void null_vector_complete_pivoting(Square100& B, int n, Vector100& x) {
  int var[kMaxNodes + 1];  // var[p]: the variable (row of B) eliminated at step p
  for (int v = 1; v <= n; ++v) var[v] = v;
  double biggest = 0.0;
  for (int e = 1; e <= n; ++e) {
    for (int v = 1; v <= n; ++v) biggest = std::max(biggest, std::fabs(B(v, e)));
  }
  const double negligible = biggest * 1e-13;
  int rank = 0;
  for (int p = 1; p < n; ++p) {
    int be = p, bv = p;
    double best = -1.0;
    for (int e = p; e <= n; ++e) {
      for (int q = p; q <= n; ++q) {
        const double m = std::fabs(B(var[q], e));
        if (m > best) {
          best = m;
          be = e;
          bv = q;
        }
      }
    }
    if (best <= negligible) break;
    if (be != p) {
      for (int v = 1; v <= n; ++v) std::swap(B(v, p), B(v, be));
    }
    std::swap(var[p], var[bv]);
    const double pivot = B(var[p], p);
    for (int e = p + 1; e <= n; ++e) {
      const double factor = B(var[p], e) / pivot;
      if (factor == 0.0) continue;
      for (int q = p; q <= n; ++q) B(var[q], e) -= factor * B(var[q], p);
    }
    rank = p;
  }
  // Free variables: positions rank+1..n; the last one is 1, the others 0.
  double value[kMaxNodes + 1];
  for (int q = rank + 1; q <= n; ++q) value[q] = 0.0;
  value[n] = 1.0;
  for (int q = rank; q >= 1; --q) {
    double s = 0.0;
    for (int r = q + 1; r <= n; ++r) s += B(var[r], q) * value[r];
    value[q] = -s / B(var[q], q);
  }
  for (int q = 1; q <= n; ++q) x(var[q]) = value[q];
}

// Largest residual of (A - EIG)^T x, relative to max(|A|, |EIG|) |x|.
double shape_residual(const Square100& A, int n, double EIG, const Vector100& x) {
  double amax = std::fabs(EIG), xmax = 0.0, rmax = 0.0;
  for (int i = 1; i <= n; ++i) xmax = std::max(xmax, std::fabs(x(i)));
  for (int i = 1; i <= n; ++i) {
    double r = -EIG * x(i);
    for (int l = 1; l <= n; ++l) {
      r += A(l, i) * x(l);
      amax = std::max(amax, std::fabs(A(l, i)));
    }
    rmax = std::max(rmax, std::fabs(r));
  }
  const double scale = amax * xmax;
  return scale > 0.0 ? rmax / scale : (rmax > 0.0 ? 1.0 : 0.0);
}

// The reference amplitude divides the whole shape, so it must be one the
// mode really moves: a reference inertia at rest (a hub between two equal
// branches) holds only rounding noise, and the shape is then scaled on its
// largest amplitude instead, as with IREF 0.
void scale_shape(Vector100& AMOD, int n, int IREF, int* IUSED) {
  int largest = 0;
  for (int i = 1; i <= n; ++i) {
    if (largest == 0 || std::fabs(AMOD(i)) > std::fabs(AMOD(largest))) largest = i;
  }
  int ref = 0;
  if (IREF > 0 && IREF <= n) {
    ref = std::fabs(AMOD(IREF)) > kRestRatio * std::fabs(AMOD(largest)) ? IREF : largest;
  } else if (IREF == 0) {
    ref = largest;
  }
  const double s = ref > 0 ? AMOD(ref) : 0.0;
  if (std::fabs(s) > kPivotLimit) {
    for (int i = 1; i <= n; ++i) AMOD(i) /= s;
  } else {
    ref = 0;
  }
  if (IUSED) *IUSED = ref;
}

}  // namespace

void EIGVEC(const Square100& A, Square100& B, int ISIZE, double EIG, Vector100& AMOD, int IREF,
            int* IUSED) {
  const int n = ISIZE;
  if (n <= 0) return;
  COPYIT(A.data(), B.data(), kSquareElements, 1.0);
  for (int i = 1; i <= n; ++i) AMOD(i) = 0.0;
  for (int i = 1; i <= n; ++i) B(i, i) -= EIG;
  AMOD(n) = 1.0;
  for (int i = 1; i < n; ++i) B(n, i) = -B(n, i);
  int ising = 0;
  GAUSEL(B, n - 1, AMOD, ising);
  // Fixing the last amplitude at 1 cannot work when the mode leaves the last
  // inertia (nearly) at rest: the elimination is then singular, or it returns
  // a vector that does not satisfy the equations.  Such a shape is found again
  // by elimination with complete pivoting, which fixes a component the mode
  // does move; the better of the two is kept.
  const double residual = ising != 0 ? 1.0 : shape_residual(A, n, EIG, AMOD);
  if (residual > kShapeTolerance) {
    Vector100 first = AMOD;
    COPYIT(A.data(), B.data(), kSquareElements, 1.0);
    for (int i = 1; i <= n; ++i) B(i, i) -= EIG;
    null_vector_complete_pivoting(B, n, AMOD);
    if (ising == 0 && shape_residual(A, n, EIG, AMOD) >= residual) AMOD = first;
  }
  scale_shape(AMOD, n, IREF, IUSED);
}

void mode_shape(int mode, Vector100& AMOD, int IREF, int* IUSED) {
  const int n = mode_shape_count;
  if (mode < 1 || mode > n) {
    if (IUSED) *IUSED = 0;
    return;
  }
  for (int i = 1; i <= n; ++i) AMOD(i) = mode_shapes(i, mode);
  scale_shape(AMOD, n, IREF, IUSED);
}

}  // namespace spindra
