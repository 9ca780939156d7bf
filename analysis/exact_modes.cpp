// Every eigenpair of K x = lambda J x to full accuracy, after the LR
// iteration.  Both routes work on the symmetric matrix S = D K D with
// D = J^-1/2, whose eigenvalues are those of K x = lambda J x and whose
// eigenvectors y give the mode shapes x = D y.
//
// A shaft system without rings (a tree, or several) is eliminated leaves
// first, each inertia folded into its one remaining neighbour, so the
// factorisation S - sigma I = L D L^T has no fill.  By Sylvester's law of
// inertia the number of negative pivots is the number of eigenvalues below
// sigma: every eigenvalue is found by bisection on that count, and its shape
// by inverse iteration with the same elimination.  The counts of several
// shifts run side by side in one sweep over the tree.  A system with rings
// of shafts is solved densely.
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/eigen_solver.h"
#include "analysis/leaf_order.h"

namespace spindra {

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
// An LR eigenvalue is kept as it stands when the counts put the true one
// within this share of it.
constexpr double kKeepTolerance = 1e-12;
// Eigenvalues closer than this share of the largest are shaped together,
// each shape kept orthogonal to the others of its group.
constexpr double kClusterTolerance = 1e-7;
constexpr int kLanes = 8;  // shifts counted side by side
// Largest residual of a unit shape, as a share of the largest eigenvalue.
constexpr double kShapeResidual = 1e-11;

// The system in elimination order: position p holds inertia node[p]
// (0-based), its diagonal s_pp and its coupling to the position up[p] it is
// folded into (n for a root).
struct Tree {
  int n = 0;
  int node[kMaxNodes];
  int position[kMaxNodes];  // inverse of node
  int up[kMaxNodes];
  double diag[kMaxNodes];
  double off[kMaxNodes];
  double off_sq[kMaxNodes];
  double pivmin = 0.0;           // smallest pivot magnitude a count lets stand
  double low = 0.0, high = 0.0;  // all eigenvalues lie between
  double scale = 0.0;            // the largest eigenvalue magnitude bound
};

Tree tree;
double root_scale[kMaxNodes + 1];  // 1 / sqrt(J) per inertia, 1-based

// Orders the graph of K leaves first.  True when every inertia is peeled
// (no rings); `tree` then holds the elimination order.
bool order_leaves_first(int n, const Square100& K) {
  int parent[kMaxNodes];
  const auto neighbours = [&K, n](int v, auto&& visit) {
    for (int w = 0; w < n; ++w) {
      if (w != v && K(v + 1, w + 1) != 0.0) visit(w);
    }
  };
  if (peel_leaves(n, neighbours, tree.node, parent) != n) return false;
  tree.n = n;
  for (int p = 0; p < n; ++p) tree.position[tree.node[p]] = p;
  double smax = 0.0, low = 0.0, high = 0.0;
  for (int p = 0; p < n; ++p) {
    const int v = tree.node[p];
    const int w = parent[v];
    tree.diag[p] = K(v + 1, v + 1) * root_scale[v + 1] * root_scale[v + 1];
    tree.up[p] = w < 0 ? n : tree.position[w];
    tree.off[p] = w < 0 ? 0.0 : K(v + 1, w + 1) * root_scale[v + 1] * root_scale[w + 1];
    tree.off_sq[p] = tree.off[p] * tree.off[p];
    smax = std::max({smax, std::fabs(tree.diag[p]), std::fabs(tree.off[p])});
  }
  // Gershgorin bounds.
  double radius[kMaxNodes] = {};
  for (int p = 0; p < n; ++p) {
    if (tree.up[p] == n) continue;
    radius[p] += std::fabs(tree.off[p]);
    radius[tree.up[p]] += std::fabs(tree.off[p]);
  }
  for (int p = 0; p < n; ++p) {
    const double lo = tree.diag[p] - radius[p], hi = tree.diag[p] + radius[p];
    if (p == 0 || lo < low) low = lo;
    if (p == 0 || hi > high) high = hi;
  }
  tree.scale = std::max(std::fabs(low), std::fabs(high));
  tree.pivmin = std::numeric_limits<double>::min() * std::max(1.0, smax * smax);
  const double margin = 2.0 * kEps * tree.scale * n + tree.pivmin;
  tree.low = low - margin;
  tree.high = high + margin;
  return true;
}

// Number of eigenvalues below each of the kLanes shifts.
void count_below(const double* sigma, int* below) {
  const int n = tree.n;
  double acc[(kMaxNodes + 1) * kLanes];
  std::fill(acc, acc + (n + 1) * kLanes, 0.0);
  int neg[kLanes] = {};
  const double pivmin = tree.pivmin;
  for (int p = 0; p < n; ++p) {
    const double* a = acc + p * kLanes;
    double* to = acc + tree.up[p] * kLanes;
    const double diag = tree.diag[p], off_sq = tree.off_sq[p];
    for (int l = 0; l < kLanes; ++l) {
      double d = diag - sigma[l] - a[l];
      if (std::fabs(d) < pivmin) d = -pivmin;
      neg[l] += d < 0.0 ? 1 : 0;
      to[l] += off_sq / d;
    }
  }
  for (int l = 0; l < kLanes; ++l) below[l] = neg[l];
}

// Counts below every shift of the list.
void count_all(const double* sigma, int m, int* below) {
  for (int first = 0; first < m; first += kLanes) {
    double s[kLanes];
    int c[kLanes];
    for (int l = 0; l < kLanes; ++l) s[l] = sigma[std::min(first + l, m - 1)];
    count_below(s, c);
    for (int l = 0; l < kLanes && first + l < m; ++l) below[first + l] = c[l];
  }
}

// Bisection for the eigenvalues k (0-based, ascending order) of the list,
// each in its bracket [lo, hi] (below(lo) <= k < below(hi)), kLanes at a time.
void bisect(const int* which, int m, double* lo, double* hi) {
  const double atol = 2.0 * kEps * tree.scale;
  int lane_of[kLanes];
  int next = 0;
  for (int l = 0; l < kLanes; ++l) lane_of[l] = next < m ? next++ : -1;
  const auto done = [&](int j) {
    return hi[j] - lo[j] <=
           std::max(2.0 * kEps * std::max(std::fabs(lo[j]), std::fabs(hi[j])), atol);
  };
  for (;;) {
    bool any = false;
    double s[kLanes];
    for (int l = 0; l < kLanes; ++l) {
      while (lane_of[l] >= 0 && done(lane_of[l])) lane_of[l] = next < m ? next++ : -1;
      const int j = lane_of[l];
      s[l] = j >= 0 ? 0.5 * (lo[j] + hi[j]) : 0.0;
      any = any || j >= 0;
    }
    if (!any) return;
    int c[kLanes];
    count_below(s, c);
    for (int l = 0; l < kLanes; ++l) {
      const int j = lane_of[l];
      if (j < 0) continue;
      if (s[l] <= lo[j] || s[l] >= hi[j]) {
        lo[j] = hi[j] = s[l];  // no double left between: converged
      } else if (c[l] > which[j]) {
        hi[j] = s[l];
      } else {
        lo[j] = s[l];
      }
    }
  }
}

// Solves (S - sigma I) y = b by the leaves-first elimination; b is
// overwritten.  Pivots smaller than `floor` are raised to it (sign kept), as
// inverse iteration at an eigenvalue needs.
void tree_solve(double sigma, double floor, double* b, double* y) {
  const int n = tree.n;
  double acc[kMaxNodes + 1];
  double d[kMaxNodes];
  std::fill(acc, acc + n + 1, 0.0);
  for (int p = 0; p < n; ++p) {
    double piv = tree.diag[p] - sigma - acc[p];
    if (std::fabs(piv) < floor) piv = piv < 0.0 ? -floor : floor;
    d[p] = piv;
    const int u = tree.up[p];
    if (u == n) continue;
    const double factor = tree.off[p] / piv;
    acc[u] += tree.off[p] * factor;
    b[u] -= factor * b[p];
  }
  for (int p = n - 1; p >= 0; --p) {
    const int u = tree.up[p];
    y[p] = u == n ? b[p] / d[p] : (b[p] - tree.off[p] * y[u]) / d[p];
  }
}

// Scales y to length 1; false when it has no length or is not finite.
bool normalise(double* y, int n) {
  double s = 0.0;
  for (int p = 0; p < n; ++p) s += y[p] * y[p];
  if (!(s > 0.0) || !std::isfinite(s)) return false;
  const double f = 1.0 / std::sqrt(s);
  for (int p = 0; p < n; ++p) y[p] *= f;
  return true;
}

// Takes out of y its parts along the columns first..k-1 of `shapes_y`.
void orthogonalise(double* y, int n, const double (*group)[kMaxNodes], int count) {
  for (int pass = 0; pass < 2; ++pass) {
    for (int g = 0; g < count; ++g) {
      double dot = 0.0;
      for (int p = 0; p < n; ++p) dot += group[g][p] * y[p];
      for (int p = 0; p < n; ++p) y[p] -= dot * group[g][p];
    }
  }
}

// A fixed start vector for the m-th shape of a group.
void start_vector(double* x, int n, int m) {
  unsigned state = 2463534242u + 977u * static_cast<unsigned>(m);
  for (int p = 0; p < n; ++p) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    x[p] = 0.5 + static_cast<double>(state % 1000u) / 1000.0;
  }
}

// Largest component of S y - lambda y.
double residual(double lambda, const double* y) {
  const int n = tree.n;
  double r[kMaxNodes + 1];
  for (int p = 0; p < n; ++p) r[p] = (tree.diag[p] - lambda) * y[p];
  r[n] = 0.0;
  for (int p = 0; p < n; ++p) {
    const int u = tree.up[p];
    if (u == n) continue;
    r[p] += tree.off[p] * y[u];
    r[u] += tree.off[p] * y[p];
  }
  double worst = 0.0;
  for (int p = 0; p < n; ++p) worst = std::max(worst, std::fabs(r[p]));
  return worst;
}

// Shapes of every eigenvalue by inverse iteration; within a group of
// (nearly) equal eigenvalues each shape is kept orthogonal to the earlier
// ones.  False when a shape cannot be found.
bool tree_shapes(const Vector100& eigs, Square100& shapes) {
  const int n = tree.n;
  static double group[kMaxNodes][kMaxNodes];
  const double floor = kEps * kEps * std::max(tree.scale, std::numeric_limits<double>::min());
  int first = 0;
  for (int k = 0; k < n; ++k) {
    if (k > 0 && eigs(k + 1) - eigs(k) > kClusterTolerance * tree.scale) first = k;
    const int m = k - first;
    double x[kMaxNodes], y[kMaxNodes];
    start_vector(x, n, m);
    orthogonalise(x, n, group, m);
    if (!normalise(x, n)) return false;
    for (int it = 0; it < 3; ++it) {
      tree_solve(eigs(k + 1), floor, x, y);
      orthogonalise(y, n, group, m);
      if (!normalise(y, n)) return false;
      std::copy(y, y + n, x);
    }
    // The elimination does not pivot: a shape that does not satisfy the
    // equations sends the model to the dense route.
    if (residual(eigs(k + 1), x) > kShapeResidual * tree.scale) return false;
    std::copy(x, x + n, group[m]);
    for (int p = 0; p < n; ++p) {
      const int v = tree.node[p];
      shapes(v + 1, k + 1) = x[p] * root_scale[v + 1];
    }
  }
  return true;
}

// The tree route.  Seeds (ascending) that the counts confirm are kept.
bool tree_modes(const Vector100* seeds, Vector100& eigs, Square100& shapes, int& kept) {
  const int n = tree.n;
  double lo[kMaxNodes], hi[kMaxNodes];
  for (int k = 0; k < n; ++k) {
    lo[k] = tree.low;
    hi[k] = tree.high;
  }
  bool confirmed[kMaxNodes] = {};
  if (seeds != nullptr) {
    double sigma[2 * kMaxNodes];
    int below[2 * kMaxNodes];
    for (int k = 0; k < n; ++k) {
      const double s = (*seeds)(k + 1);
      const double delta = kKeepTolerance * std::fabs(s) + 8.0 * kEps * tree.scale;
      sigma[2 * k] = s - delta;
      sigma[2 * k + 1] = s + delta;
    }
    count_all(sigma, 2 * n, below);
    for (int k = 0; k < n; ++k) confirmed[k] = below[2 * k] <= k && below[2 * k + 1] > k;
    // Every count narrows the brackets of the eigenvalues it separates.
    for (int j = 0; j < 2 * n; ++j) {
      for (int k = 0; k < n; ++k) {
        if (below[j] <= k) {
          lo[k] = std::max(lo[k], sigma[j]);
        } else {
          hi[k] = std::min(hi[k], sigma[j]);
        }
      }
    }
  }
  int which[kMaxNodes], m = 0;
  double blo[kMaxNodes], bhi[kMaxNodes];
  kept = 0;
  for (int k = 0; k < n; ++k) {
    if (confirmed[k]) {
      eigs(k + 1) = (*seeds)(k + 1);
      ++kept;
      continue;
    }
    which[m] = k;
    blo[m] = lo[k];
    bhi[m] = hi[k];
    ++m;
  }
  bisect(which, m, blo, bhi);
  for (int j = 0; j < m; ++j) eigs(which[j] + 1) = 0.5 * (blo[j] + bhi[j]);
  // Kept and bisected values of one repeated eigenvalue may differ in their
  // last bits: keep the list ascending.
  std::sort(&eigs(1), &eigs(1) + n);
  return tree_shapes(eigs, shapes);
}

using DenseMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kMaxNodes, kMaxNodes>;

// The dense route, for systems with rings of shafts.
bool dense_modes(int n, const Square100& K, const Vector100* seeds, Vector100& eigs,
                 Square100& shapes, int& kept) {
  static DenseMatrix s;
  static Eigen::SelfAdjointEigenSolver<DenseMatrix> solver(kMaxNodes);
  s.resize(n, n);
  for (int j = 1; j <= n; ++j) {
    for (int i = 1; i <= n; ++i) s(i - 1, j - 1) = K(i, j) * root_scale[i] * root_scale[j];
  }
  solver.compute(s, Eigen::ComputeEigenvectors);
  if (solver.info() != Eigen::Success) return false;
  const auto& values = solver.eigenvalues();
  const auto& vectors = solver.eigenvectors();
  const double scale = std::max(std::fabs(values(0)), std::fabs(values(n - 1)));
  kept = 0;
  for (int k = 1; k <= n; ++k) {
    const double v = values(k - 1);
    eigs(k) = v;
    if (seeds != nullptr) {
      const double s = (*seeds)(k);
      if (std::fabs(s - v) <= kKeepTolerance * std::fabs(v) + 8.0 * kEps * scale) {
        eigs(k) = s;
        ++kept;
      }
    }
    for (int i = 1; i <= n; ++i) shapes(i, k) = vectors(i - 1, k - 1) * root_scale[i];
  }
  std::sort(&eigs(1), &eigs(1) + n);
  return true;
}

bool all_finite(int n, const Vector100& eigs, const Square100& shapes) {
  for (int k = 1; k <= n; ++k) {
    if (!std::isfinite(eigs(k))) return false;
    for (int i = 1; i <= n; ++i) {
      if (!std::isfinite(shapes(i, k))) return false;
    }
  }
  return true;
}

}  // namespace

ExactModes solve_modes_exactly(int n, const Square100& K, const Vector100& J,
                               const Vector100* seeds, Vector100& eigs, Square100& shapes) {
  ExactModes result;
  if (n <= 0) return result;
  for (int i = 1; i <= n; ++i) root_scale[i] = 1.0 / std::sqrt(J(i));
  if (seeds != nullptr) {
    for (int k = 1; k <= n; ++k) {
      if (!std::isfinite((*seeds)(k))) seeds = nullptr;
      if (seeds == nullptr) break;
    }
  }
  result.tree = order_leaves_first(n, K);
  bool found =
      result.tree && tree_modes(seeds, eigs, shapes, result.kept) && all_finite(n, eigs, shapes);
  if (!found) {
    result.tree = false;
    found = dense_modes(n, K, seeds, eigs, shapes, result.kept) && all_finite(n, eigs, shapes);
  }
  result.finite = found;
  return result;
}

}  // namespace spindra
