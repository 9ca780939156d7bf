#include "analysis/transient.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/check_messages.h"
#include "analysis/frequency_analysis.h"
#include "analysis/leaf_order.h"
#include "analysis/shaft_system.h"

namespace spindra {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The loops of every step are also built for processors with AVX2 and FMA;
// the loader picks the build that suits the processor.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define SPINDRA_TRANSIENT_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define SPINDRA_TRANSIENT_CLONES
#endif

double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

// ---- The integrator ---------------------------------------------------------------

void transient_elimination_order(const TransientSystem& system, std::vector<int32_t>* peeled,
                                 std::vector<int32_t>* parent, std::vector<int32_t>* core) {
  const int32_t n = system.n;
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<std::vector<int32_t>> nbr(un);
  for (const TransientLink& l : system.links) {
    if (l.b < 0 || l.a == l.b) continue;
    auto& na = nbr[static_cast<std::size_t>(l.a)];
    if (std::find(na.begin(), na.end(), l.b) == na.end()) {
      na.push_back(l.b);
      nbr[static_cast<std::size_t>(l.b)].push_back(l.a);
    }
  }
  int order[kMaxNodes], up[kMaxNodes];
  const int count = peel_leaves(
      n,
      [&nbr](int v, auto&& visit) {
        for (int32_t w : nbr[static_cast<std::size_t>(v)]) visit(w);
      },
      order, up);
  // Parents before children, as the back substitution wants them.
  peeled->assign(order, order + count);
  std::reverse(peeled->begin(), peeled->end());
  parent->assign(up, up + n);
  std::vector<char> taken(un, 0);
  for (int q = 0; q < count; ++q) taken[static_cast<std::size_t>(order[q])] = 1;
  core->clear();
  for (int32_t v = 0; v < n; ++v)
    if (taken[static_cast<std::size_t>(v)] == 0) core->push_back(v);
}

void transient_system_of(const ShaftSystem& sys, double eta, double omega_d, TransientSystem* out) {
  out->n = sys.ndof;
  out->inertia.resize(static_cast<std::size_t>(sys.ndof));
  out->damping.resize(static_cast<std::size_t>(sys.ndof));
  for (int32_t v = 1; v <= sys.ndof; ++v) {
    out->inertia[static_cast<std::size_t>(v - 1)] = sys.inertia(v);
    out->damping[static_cast<std::size_t>(v - 1)] = sys.damping(v);
  }
  out->links.resize(static_cast<std::size_t>(sys.nelem));
  for (int32_t e = 1; e <= sys.nelem; ++e) {
    const ShaftElement& el = sys.elem(e);
    TransientLink& l = out->links[static_cast<std::size_t>(e - 1)];
    l.a = el.a - 1;
    l.b = el.b - 1;
    l.k = el.k;
    l.c = el.c + eta * el.k / omega_d;
    if (el.h != 0.0) l.c += el.h / omega_d;
  }
}

bool NewmarkStepper::prepare(const TransientSystem& system, double dt) {
  n_ = system.n;
  dt_ = dt;
  if (!(dt > 0.0) || n_ <= 0 || n_ > kMaxNodes) return false;
  const std::size_t un = static_cast<std::size_t>(n_);
  inertia_ = system.inertia;
  damping_ = system.damping;
  links_.clear();
  for (TransientLink l : system.links) {
    if (l.b == l.a) continue;  // a link of an inertia to itself does nothing
    if (l.b < 0) l.b = n_;     // ground: the slot that stays 0
    links_.push_back(l);
  }
  transient_elimination_order(system, &order_, &parent_, &core_);
  const double g = 2.0 / dt, h = 4.0 / (dt * dt);
  // Diagonal of the effective stiffness, and per peeled degree of freedom the
  // coupling to its parent.
  std::vector<double> diag(un, 0.0), edge(un, 0.0);
  for (std::size_t i = 0; i < un; ++i) {
    if (!(inertia_[i] > 0.0)) return false;
    diag[i] = h * inertia_[i] + g * damping_[i];
  }
  std::vector<int32_t> core_index(un, -1);
  for (std::size_t i = 0; i < core_.size(); ++i)
    core_index[static_cast<std::size_t>(core_[i])] = static_cast<int32_t>(i);
  const std::size_t c = core_.size();
  std::vector<double> dense(c * c, 0.0);
  for (const TransientLink& l : links_) {
    const double e = l.k + g * l.c;
    diag[static_cast<std::size_t>(l.a)] += e;
    if (l.b == n_) continue;
    diag[static_cast<std::size_t>(l.b)] += e;
    const int32_t ca = core_index[static_cast<std::size_t>(l.a)];
    const int32_t cb = core_index[static_cast<std::size_t>(l.b)];
    if (ca >= 0 && cb >= 0) {
      dense[static_cast<std::size_t>(ca) * c + static_cast<std::size_t>(cb)] -= e;
      dense[static_cast<std::size_t>(cb) * c + static_cast<std::size_t>(ca)] -= e;
      continue;
    }
    const int32_t child = parent_[static_cast<std::size_t>(l.a)] == l.b ? l.a : l.b;
    edge[static_cast<std::size_t>(child)] += e;
  }
  // Leaves first: each peeled one folds into its parent.
  inv_d_.assign(un, 0.0);
  t_.assign(un, 0.0);
  for (std::size_t q = order_.size(); q-- > 0;) {
    const std::size_t v = static_cast<std::size_t>(order_[q]);
    if (!(diag[v] > 0.0)) return false;
    inv_d_[v] = 1.0 / diag[v];
    const int32_t p = parent_[v];
    if (p < 0) continue;
    t_[v] = edge[v] * inv_d_[v];
    diag[static_cast<std::size_t>(p)] -= edge[v] * t_[v];
  }
  // The core: Cholesky factor L (lower, row by row) of what is left.
  core_l_.assign(c * c, 0.0);
  for (std::size_t i = 0; i < c; ++i) dense[i * c + i] = diag[static_cast<std::size_t>(core_[i])];
  for (std::size_t i = 0; i < c; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double s = dense[i * c + j];
      for (std::size_t k = 0; k < j; ++k) s -= core_l_[i * c + k] * core_l_[j * c + k];
      if (i == j) {
        if (!(s > 0.0)) return false;
        core_l_[i * c + i] = std::sqrt(s);
      } else {
        core_l_[i * c + j] = s / core_l_[j * c + j];
      }
    }
  }
  u_.assign(un + 1, 0.0);
  v_.assign(un + 1, 0.0);
  a_.assign(un + 1, 0.0);
  rhs_.assign(un + 1, 0.0);
  w_.assign(un + 1, 0.0);
  return true;
}

void NewmarkStepper::start(const double* force) {
  std::fill(u_.begin(), u_.end(), 0.0);
  std::fill(v_.begin(), v_.end(), 0.0);
  for (int32_t i = 0; i < n_; ++i)
    a_[static_cast<std::size_t>(i)] = force[i] / inertia_[static_cast<std::size_t>(i)];
  a_[static_cast<std::size_t>(n_)] = 0.0;
}

void NewmarkStepper::step(const double* force) {
  const int32_t n = n_;
  const double g = 2.0 / dt_, h = 4.0 / (dt_ * dt_), h1 = 4.0 / dt_;
  double* __restrict u = u_.data();
  double* __restrict v = v_.data();
  double* __restrict a = a_.data();
  double* __restrict r = rhs_.data();
  double* __restrict w = w_.data();
  const double* __restrict jn = inertia_.data();
  const double* __restrict cn = damping_.data();
  // The right-hand side: F + J (h u + h1 v + a) + C (g u + v).
  for (int32_t i = 0; i < n; ++i) {
    w[i] = g * u[i] + v[i];
    r[i] = force[i] + jn[i] * (h * u[i] + h1 * v[i] + a[i]) + cn[i] * w[i];
  }
  w[n] = 0.0;
  for (const TransientLink& l : links_) {
    if (l.c == 0.0) continue;
    const double f = l.c * (w[l.a] - w[l.b]);
    r[l.a] += f;
    r[l.b] -= f;
  }
  // Leaves first, the core, roots first.
  const int32_t* order = order_.data();
  const int32_t* parent = parent_.data();
  const double* t = t_.data();
  const double* inv_d = inv_d_.data();
  const std::size_t np = order_.size();
  for (std::size_t q = np; q-- > 0;) {
    const int32_t x = order[q];
    const int32_t p = parent[x];
    if (p >= 0) r[p] += t[x] * r[x];
  }
  const std::size_t c = core_.size();
  if (c > 0) {
    const double* l = core_l_.data();
    double* y = w;  // the core's unknowns, in place of w (no longer needed)
    for (std::size_t i = 0; i < c; ++i) {
      double s = r[core_[i]];
      for (std::size_t k = 0; k < i; ++k) s -= l[i * c + k] * y[k];
      y[i] = s / l[i * c + i];
    }
    for (std::size_t i = c; i-- > 0;) {
      double s = y[i];
      for (std::size_t k = i + 1; k < c; ++k) s -= l[k * c + i] * y[k];
      y[i] = s / l[i * c + i];
    }
    for (std::size_t i = 0; i < c; ++i) r[core_[i]] = y[i];
  }
  for (std::size_t q = 0; q < np; ++q) {
    const int32_t x = order[q];
    const int32_t p = parent[x];
    r[x] = r[x] * inv_d[x] + (p >= 0 ? t[x] * r[p] : 0.0);
  }
  for (int32_t i = 0; i < n; ++i) {
    const double du = r[i] - u[i];
    const double vn = g * du - v[i];
    a[i] = h * du - h1 * v[i] - a[i];
    v[i] = vn;
    u[i] = r[i];
  }
}

// ---- The excitation templates -------------------------------------------------------

double short_circuit_torque(const TransientCase& c, double t) {
  if (t < 0.0) return 0.0;
  const double envelope = (1.0 / c.xd2 - 1.0 / c.xd1) * std::exp(-t / c.td2) +
                          (1.0 / c.xd1 - 1.0 / c.xd) * std::exp(-t / c.td1) + 1.0 / c.xd;
  double s = std::sin(2.0 * kPi * c.f_line * t);
  if (c.kind == kTransientShortCircuit2) s -= 0.5 * std::sin(4.0 * kPi * c.f_line * t);
  return c.t_n * envelope * std::exp(-t / c.ta) * s;
}

double ice_torque_at_angle(const TransientCase& c, double phi) {
  const double total = 720.0 * c.h_ice;  // 2 h_ice revolutions
  if (phi < 0.0 || phi > total || c.blades < 1 || !(c.alpha > 0.0)) return 0.0;
  const double spacing = 360.0 / c.blades;
  double q = 0.0;
  for (int32_t j = 0; j < c.blades; ++j) {
    const double since = phi - j * spacing;
    if (since < 0.0) break;
    const double psi = std::fmod(since, 360.0);
    if (psi < c.alpha) q += std::sin(kPi * psi / c.alpha);
  }
  constexpr double kRamp = 270.0;
  const double ramp = std::clamp(std::min(phi, total - phi) / kRamp, 0.0, 1.0);
  return -c.cq * c.qmax * q * ramp;
}

double table_torque(const TransientCase& c, double t) {
  if (c.npoint <= 0 || c.first_point < 1 || c.first_point + c.npoint - 1 > NTRANS_POINTS)
    return 0.0;
  const TablePoint* p = &TRANSIENT_POINTS(c.first_point);
  const int32_t n = c.npoint;
  if (t < p[0].time || t > p[n - 1].time) return 0.0;
  if (n == 1) return p[0].torque;
  const TablePoint* hi =
      std::upper_bound(p, p + n, t, [](double x, const TablePoint& q) { return x < q.time; });
  if (hi == p + n) return p[n - 1].torque;
  const TablePoint* lo = hi - 1;
  const double span = hi->time - lo->time;
  return lo->torque + (hi->torque - lo->torque) * (t - lo->time) / span;
}

double transient_case_torque(const TransientCase& c, double t) {
  switch (c.kind) {
    case kTransientShortCircuit3:
    case kTransientShortCircuit2:
      return short_circuit_torque(c, t);
    case kTransientIce:
      return ice_torque_at_angle(c, 6.0 * c.n_prop * t);
    case kTransientStep:
      return t >= c.t0 ? c.torque0 : 0.0;
    case kTransientTable:
      return table_torque(c, t);
    default:
      return 0.0;
  }
}

bool ice_rule_case(int32_t rule_case, int32_t blades, double* cq, double* alpha) {
  if (blades < 3 || blades > 6) return false;
  static const double kCase1[] = {90.0, 90.0, 72.0, 60.0};
  static const double kCase3[] = {45.0, 45.0, 36.0, 30.0};
  const std::size_t b = static_cast<std::size_t>(blades - 3);
  switch (rule_case) {
    case 1:
      *cq = 0.75;
      *alpha = kCase1[b];
      return true;
    case 2:
      *cq = 1.0;
      *alpha = 135.0;
      return true;
    case 3:
      *cq = 0.5;
      *alpha = kCase3[b];
      return true;
    default:
      return false;
  }
}

// ---- A run on the model -------------------------------------------------------------

namespace {

// What the run keeps.
struct TransientRun {
  int32_t valid = 0;
  int32_t nmass = 0, nstif = 0;
  TransientInfo info;
  std::vector<double> times, speeds;
  std::vector<double> samples;  // (sample * items + item): angles, then torques
  std::vector<double> peak;
  std::vector<double> peak_time;
  std::vector<double> wp;
  std::vector<TransientBarred> barred;
  int32_t barred_known = 0;
  std::string notes;
  double loop_seconds = 0.0;
};

TransientRun result;

std::string case_label(int32_t k) {
  const TransientCase& c = TRANSIENT_CASES(k);
  std::string label = "Transient case " + std::to_string(k);
  if (!c.name.is_blank()) label += " (" + c.name.str() + ")";
  return label;
}

bool positive(double v) {
  return std::isfinite(v) && v > 0.0;
}

// The speed of a run-up at time t, rev/min.
double runup_speed(const TransientCase& c, double t) {
  const double s = std::clamp(t / c.duration, 0.0, 1.0);
  return c.n_start + (c.n_end - c.n_start) * s;
}

// Eigenvalues (ascending) of the symmetric n x n matrix a (row by row,
// destroyed) by cyclic Jacobi rotations.
std::vector<double> symmetric_eigenvalues(std::vector<double>& a, int32_t n) {
  const std::size_t un = static_cast<std::size_t>(n);
  const auto at = [&](std::size_t i, std::size_t j) -> double& { return a[i * un + j]; };
  for (int sweep = 0; sweep < 60; ++sweep) {
    double off = 0.0, all = 0.0;
    for (std::size_t i = 0; i < un; ++i)
      for (std::size_t j = 0; j < un; ++j) {
        all += at(i, j) * at(i, j);
        if (i != j) off += at(i, j) * at(i, j);
      }
    if (off <= 1e-30 * all) break;
    for (std::size_t p = 0; p + 1 < un; ++p) {
      for (std::size_t q = p + 1; q < un; ++q) {
        const double apq = at(p, q);
        if (std::fabs(apq) < 1e-300) continue;
        const double theta = (at(q, q) - at(p, p)) / (2.0 * apq);
        const double t =
            (theta >= 0.0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double cs = 1.0 / std::sqrt(t * t + 1.0), sn = t * cs;
        for (std::size_t k = 0; k < un; ++k) {
          const double akp = at(k, p), akq = at(k, q);
          at(k, p) = cs * akp - sn * akq;
          at(k, q) = sn * akp + cs * akq;
        }
        for (std::size_t k = 0; k < un; ++k) {
          const double apk = at(p, k), aqk = at(q, k);
          at(p, k) = cs * apk - sn * aqk;
          at(q, k) = sn * apk + cs * aqk;
        }
      }
    }
  }
  std::vector<double> values(un);
  for (std::size_t i = 0; i < un; ++i) values[i] = at(i, i);
  std::sort(values.begin(), values.end());
  return values;
}

// The elastic natural frequencies (rad/s, ascending) of the undamped
// referred system: the rigid-body modes of a system without ground left out.
std::vector<double> elastic_frequencies(const ShaftSystem& sys) {
  const int32_t n = sys.ndof;
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<double> k(un * un, 0.0);
  for (int32_t e = 1; e <= sys.nelem; ++e) {
    const ShaftElement& el = sys.elem(e);
    if (el.a == el.b) continue;  // its ends turn together: no twist
    const std::size_t a = static_cast<std::size_t>(el.a - 1);
    k[a * un + a] += el.k;
    if (el.b == 0) continue;
    const std::size_t b = static_cast<std::size_t>(el.b - 1);
    k[b * un + b] += el.k;
    k[a * un + b] -= el.k;
    k[b * un + a] -= el.k;
  }
  for (std::size_t i = 0; i < un; ++i)
    for (std::size_t j = 0; j < un; ++j)
      k[i * un + j] /= std::sqrt(sys.inertia(static_cast<int32_t>(i) + 1) *
                                 sys.inertia(static_cast<int32_t>(j) + 1));
  const std::vector<double> lambda = symmetric_eigenvalues(k, n);
  const double top = lambda.empty() ? 0.0 : std::fabs(lambda.back());
  std::vector<double> omega;
  for (double l : lambda)
    if (l > 1e-9 * top && l > 0.0) omega.push_back(std::sqrt(l));
  return omega;
}

// The referred system of the last run (large: kept out of the stack).
ShaftSystem run_system;

// Keeps, per item, the value of largest magnitude seen since the last reset
// (size -1) and the step it came at; written without branches so that it
// runs four items at a time where the processor can.
SPINDRA_TRANSIENT_CLONES
void keep_extremes(const double* __restrict value, int32_t items, double step,
                   double* __restrict size, double* __restrict extreme, double* __restrict at) {
  for (int32_t j = 0; j < items; ++j) {
    const double v = value[j];
    const double a = std::fabs(v);
    const bool larger = a > size[j];
    size[j] = larger ? a : size[j];
    extreme[j] = larger ? v : extreme[j];
    at[j] = larger ? step : at[j];
  }
}

bool check_damping_present(std::string* message) {
  bool any = false;
  if (!check_damping_values(message, &any)) return false;
  if (!std::isfinite(forced_sweep.eta) || forced_sweep.eta < 0.0)
    return refuse(message, "The loss factor of the forced response is " + number(forced_sweep.eta) +
                               "; it must not be negative.");
  if (!any)
    return refuse(message,
                  "The model has no damping at all (no external damping on an inertia, no "
                  "internal damping on a shaft and loss factor 0): a transient would ring for "
                  "ever. Give damping or a loss factor.");
  return true;
}

}  // namespace

bool check_transient_case(int32_t k, std::string* message) {
  if (k < 1 || k > NTRANS)
    return refuse(message, "There is no transient case " + std::to_string(k) + " (the model has " +
                               std::to_string(NTRANS) + ").");
  const TransientCase& c = TRANSIENT_CASES(k);
  if (c.kind == kTransientTable && c.npoint > 0 &&
      (c.first_point < 1 || c.first_point + c.npoint - 1 > NTRANS_POINTS))
    return refuse(message, case_label(k) + ": its torque table is missing.");
  const TablePoint* points =
      c.kind == kTransientTable && c.npoint > 0 ? &TRANSIENT_POINTS(c.first_point) : nullptr;
  return check_transient_values(c, points, case_label(k), message);
}

bool check_transient_values(const TransientCase& c, const TablePoint* points,
                            const std::string& label, std::string* message) {
  const auto bad = [&](const std::string& what, double v, const std::string& rule) {
    return refuse(message, label + " has " + what + " " + number(v) + "; " + rule + ".");
  };
  if (c.kind < kTransientRunup || c.kind > kTransientTable)
    return refuse(message, label +
                               " has no kind (runup, shortcircuit3, shortcircuit2, ice, "
                               "step or table).");
  if (!positive(c.duration))
    return bad("a duration of", c.duration, "it must be greater than zero");
  if (!std::isfinite(c.step) || c.step < 0.0)
    return bad("a time step of", c.step, "it must be 0 (the default) or greater");
  if (!std::isfinite(c.damping_hz) || c.damping_hz < 0.0)
    return bad("a damping frequency of", c.damping_hz,
               "it must be 0 (the first natural frequency) or greater");
  if (c.kind != kTransientRunup && (c.inertia < 1 || c.inertia > NMASS)) {
    if (c.inertia == 0)
      return refuse(message, label + " acts on no inertia: choose the inertia it acts on.");
    return refuse(message, label + " acts on inertia " + std::to_string(c.inertia) +
                               ", which the model does not have.");
  }
  switch (c.kind) {
    case kTransientRunup:
      if (!positive(c.n_start))
        return bad("a start speed of", c.n_start, "speeds must be greater than zero");
      if (!positive(c.n_end))
        return bad("an end speed of", c.n_end, "speeds must be greater than zero");
      break;
    case kTransientShortCircuit3:
    case kTransientShortCircuit2:
      if (!positive(c.t_n)) return bad("a rated torque of", c.t_n, "it must be greater than zero");
      if (!positive(c.f_line))
        return bad("a line frequency of", c.f_line, "it must be greater than zero");
      if (!positive(c.xd2) || !positive(c.xd1) || !positive(c.xd))
        return refuse(message, label + " has reactances xd'' " + number(c.xd2) + ", xd' " +
                                   number(c.xd1) + ", xd " + number(c.xd) +
                                   "; each must be greater than zero.");
      if (c.xd2 > c.xd1 || c.xd1 > c.xd)
        return refuse(message, label + " has reactances xd'' " + number(c.xd2) + ", xd' " +
                                   number(c.xd1) + ", xd " + number(c.xd) +
                                   "; they must satisfy xd'' <= xd' <= xd.");
      if (!positive(c.td2) || !positive(c.td1) || !positive(c.ta))
        return refuse(message, label + " has time constants Td'' " + number(c.td2) + ", Td' " +
                                   number(c.td1) + ", Ta " + number(c.ta) +
                                   " s; each must be greater than zero.");
      break;
    case kTransientIce:
      if (c.blades < 2 || c.blades > 12)
        return refuse(message, label + " has " + std::to_string(c.blades) +
                                   " blades; a propeller has 2 to 12.");
      if (!std::isfinite(c.qmax) || c.qmax < 0.0)
        return bad("an ice torque qmax of", c.qmax, "it must not be negative");
      if (!positive(c.n_prop))
        return bad("a propeller speed of", c.n_prop, "speeds must be greater than zero");
      if (!std::isfinite(c.cq) || c.cq < 0.0)
        return bad("a factor cq of", c.cq, "it must not be negative");
      if (!positive(c.alpha) || c.alpha > 360.0)
        return bad("an impact angle alpha of", c.alpha,
                   "it must be above 0 and at most 360 degrees");
      if (!positive(c.h_ice))
        return bad("an ice thickness of", c.h_ice, "it must be greater than zero");
      break;
    case kTransientStep:
      if (!std::isfinite(c.t0) || c.t0 < 0.0)
        return bad("a step time of", c.t0, "it must not be negative");
      if (!std::isfinite(c.torque0))
        return refuse(message, label + ": the step torque is not a number.");
      break;
    case kTransientTable: {
      if (c.npoint <= 0 || points == nullptr)
        return refuse(message, label + " has no points in its torque table.");
      for (int32_t i = 0; i < c.npoint; ++i) {
        const TablePoint& p = points[i];
        if (!std::isfinite(p.time) || !std::isfinite(p.torque))
          return refuse(message, label + ", table point " + std::to_string(i + 1) +
                                     ": a value is not a number.");
        if (i > 0 && !(p.time > points[i - 1].time))
          return refuse(message, label + ", table point " + std::to_string(i + 1) +
                                     ": the times must increase strictly.");
      }
      break;
    }
    default:
      break;
  }
  return true;
}

bool read_torque_table(const std::string& path, std::vector<TablePoint>* points,
                       std::string* message) {
  points->clear();
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return refuse(message,
                  path + ": the file cannot be opened for reading (" + std::strerror(errno) + ").");
  std::string line;
  int32_t line_number = 0;
  bool ok = true;
  std::string why;
  for (;;) {
    line.clear();
    int ch = 0;
    while ((ch = std::fgetc(file)) != EOF && ch != '\n') line += static_cast<char>(ch);
    if (ch == EOF && line.empty()) break;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    for (char& c : line)
      if (c == ',' || c == ';' || c == '\t') c = ' ';
    double t = 0.0, q = 0.0;
    int used = 0;
    const bool two = std::sscanf(line.c_str(), " %lf %lf %n", &t, &q, &used) == 2;
    if (!two || static_cast<std::size_t>(used) != line.size()) {
      // A first line of words is the header.
      if (points->empty() && std::isalpha(static_cast<unsigned char>(line[first])) != 0) continue;
      why = "line " + std::to_string(line_number) + " is not a time (s) and a torque (N.m)";
      ok = false;
      break;
    }
    if (!std::isfinite(t) || !std::isfinite(q)) {
      why = "line " + std::to_string(line_number) + " holds a value that is not a finite number";
      ok = false;
      break;
    }
    if (!points->empty() && !(t > points->back().time)) {
      why = "line " + std::to_string(line_number) + ": the time " + number(t) +
            " s does not follow the time before it (times must increase strictly)";
      ok = false;
      break;
    }
    if (static_cast<int32_t>(points->size()) >= kMaxTablePoints) {
      why = "it has more than " + std::to_string(kMaxTablePoints) + " points";
      ok = false;
      break;
    }
    points->push_back(TablePoint{t, q});
  }
  std::fclose(file);
  if (ok && points->empty()) {
    why = "it holds no points";
    ok = false;
  }
  if (!ok) {
    points->clear();
    return refuse(message, path + ": " + why + ".");
  }
  return true;
}

int32_t find_transient_case(const std::string& name) {
  std::string want = name;
  while (!want.empty() && want.back() == ' ') want.pop_back();
  while (!want.empty() && want.front() == ' ') want.erase(0, 1);
  for (int32_t k = 1; k <= NTRANS; ++k) {
    std::string have = TRANSIENT_CASES(k).name.str();
    while (!have.empty() && have.front() == ' ') have.erase(0, 1);
    if (have == want) return k;
  }
  return 0;
}

bool run_transient(int32_t k, std::string* message) {
  result.valid = 0;
  result.samples.clear();
  result.samples.shrink_to_fit();
  result.notes.clear();
  if (NTRANS <= 0)
    return refuse(message,
                  "The model has no transient case: enter one (Data > Transient Cases...).");
  if (!check_model_for_analysis(message)) return false;
  if (!check_transient_case(k, message) || !check_damping_present(message)) return false;
  const TransientCase& c = TRANSIENT_CASES(k);
  const std::string label = case_label(k);

  // The referred system, as the frequency analysis and the forced response
  // solve it.
  ShaftSystem& sys = run_system;
  build_shaft_system(sys);
  const std::vector<double> omega = elastic_frequencies(sys);
  if (omega.empty())
    return refuse(message,
                  "The model has no elastic natural frequency (nothing can vibrate "
                  "against anything else), so " +
                      label + " has no response.");

  // The engines' excitation of a run-up.
  std::vector<ExcitationTerm> terms;
  double excited = 0.0;  // highest excited frequency, Hz
  switch (c.kind) {
    case kTransientRunup: {
      std::string why;
      if (!forced_excitation_terms(&terms, &why))
        return refuse(message, label +
                                   " is a run-up, which needs the engines' excitation of "
                                   "the forced response: " +
                                   why);
      double top_order = 0.0;
      for (const ExcitationTerm& t : terms) top_order = std::max(top_order, t.order);
      excited = top_order * std::max(c.n_start, c.n_end) / 60.0;
      break;
    }
    case kTransientShortCircuit3:
    case kTransientShortCircuit2:
      excited = 2.0 * c.f_line;
      break;
    case kTransientIce:
      excited = c.blades * c.n_prop / 60.0 * 360.0 / c.alpha;
      break;
    default:
      break;
  }

  // The step: 1/20 of the period of the highest natural frequency below three
  // times the highest excited one (the 10th, or the highest, for a step or a
  // table), at most 1/40 of the shortest excitation period.
  double resolved = 0.0;  // rad/s
  if (excited > 0.0) {
    const double limit = 3.0 * 2.0 * kPi * excited;
    for (double w : omega)
      if (w < limit) resolved = w;
    if (resolved == 0.0) resolved = omega.front();
  } else {
    resolved = omega[std::min<std::size_t>(omega.size(), 10) - 1];
  }
  double dt = 2.0 * kPi / resolved / 20.0;
  if (excited > 0.0) dt = std::min(dt, 1.0 / (40.0 * excited));
  if (c.step > 0.0) dt = c.step;
  const double wanted = std::ceil(c.duration / dt - 1e-9);
  if (wanted > static_cast<double>(kMaxTransientSteps))
    return refuse(
        message,
        label + " would need " +
            (wanted < 1e12 ? std::to_string(static_cast<long long>(wanted)) : number(wanted)) +
            " time steps of " + number(dt) + " s over " + number(c.duration) + " s; at most " +
            std::to_string(kMaxTransientSteps) + " are taken. Shorten the duration" +
            (c.step > 0.0 ? " or give a larger time step." : "."));
  const long steps = std::max(1L, static_cast<long>(wanted));
  dt = c.duration / static_cast<double>(steps);

  // Damping made viscous at omega_d.
  const double omega_d = c.damping_hz > 0.0 ? 2.0 * kPi * c.damping_hz : omega.front();
  const double eta = forced_sweep.eta;
  TransientSystem system;
  transient_system_of(sys, eta, omega_d, &system);
  int32_t grounded = 0;
  for (int32_t e = 1; e <= sys.nelem; ++e)
    if (sys.elem(e).b == 0 && sys.elem(e).k > 0.0) grounded = 1;

  NewmarkStepper stepper;
  if (!stepper.prepare(system, dt))
    return refuse(message, "The shaft system of " + label +
                               " cannot be solved: an inertia or a "
                               "stiffness is not greater than zero.");

  TransientRun& r = result;
  r.nmass = NMASS;
  r.nstif = NSTIF;
  r.info = TransientInfo{};
  r.info.case_number = k;
  r.info.data = c;
  r.info.dt = dt;
  r.info.steps = steps;
  r.info.step_given = c.step > 0.0 ? 1 : 0;
  r.info.resolved_hz = resolved / (2.0 * kPi);
  r.info.period_error = resolved * dt * resolved * dt / 12.0;
  r.info.damping_hz = omega_d / (2.0 * kPi);
  r.info.free_system = grounded != 0 ? 0 : 1;
  r.info.eta = eta;
  r.info.has_psi = sys.has_psi;
  r.info.excited_hz = excited;

  // The items: angles 0..nmass-1, torques after them; value = coef (u[a] -
  // u[b]) - shift mean, with u[n] = 0 for ground.  The real angle of an
  // inertia is its ratio times the referred one; the real torque of a shaft
  // is its referred torque over the ratio of its first inertia; a rigid mesh
  // (ends n and n) has none.
  const int32_t n = system.n;
  const int32_t items = NMASS + NSTIF;
  std::vector<double> coef(static_cast<std::size_t>(items)), shift(static_cast<std::size_t>(items));
  std::vector<int32_t> ia(static_cast<std::size_t>(items)), ib(static_cast<std::size_t>(items));
  for (int32_t j = 0; j < NMASS; ++j) {
    const std::size_t i = static_cast<std::size_t>(j);
    coef[i] = sys.ratio(j + 1);
    shift[i] = r.info.free_system != 0 ? sys.ratio(j + 1) : 0.0;
    ia[i] = sys.dof(j + 1) - 1;
    ib[i] = n;
  }
  for (int32_t s = 0; s < NSTIF; ++s) {
    const std::size_t i = static_cast<std::size_t>(NMASS + s);
    const int32_t e = sys.element_of(s + 1);
    coef[i] = e > 0 ? sys.elem(e).torque_gain : 0.0;
    shift[i] = 0.0;
    ia[i] = e > 0 ? sys.elem(e).a - 1 : n;
    ib[i] = e > 0 && sys.elem(e).b > 0 ? sys.elem(e).b - 1 : n;
  }
  double total_inertia = 0.0;
  for (double j : system.inertia) total_inertia += j;

  // The excitation's place: referred torque = ratio x real torque.
  const int32_t target = c.kind == kTransientRunup ? -1 : sys.dof(c.inertia) - 1;
  const double target_ratio = c.kind == kTransientRunup ? 1.0 : sys.ratio(c.inertia);
  std::vector<double> load_exps;
  std::vector<int32_t> term_exp(terms.size()), term_dof(terms.size()), term_m(terms.size());
  std::vector<double> term_ratio(terms.size());
  int32_t top_m = 1;
  for (std::size_t t = 0; t < terms.size(); ++t) {
    const ExcitationTerm& e = terms[t];
    auto it = std::find(load_exps.begin(), load_exps.end(), e.load_exp);
    if (it == load_exps.end()) it = load_exps.insert(load_exps.end(), e.load_exp);
    term_exp[t] = static_cast<int32_t>(it - load_exps.begin());
    term_dof[t] = sys.dof(e.inertia) - 1;
    term_ratio[t] = sys.ratio(e.inertia);
    term_m[t] = static_cast<int32_t>(std::lround(2.0 * e.order));  // in half orders
    top_m = std::max(top_m, term_m[t]);
  }
  std::vector<double> load(load_exps.size()), zr(static_cast<std::size_t>(top_m) + 1),
      zi(static_cast<std::size_t>(top_m) + 1);
  const double n_rated = forced_sweep.n_rated;
  std::vector<double> force(static_cast<std::size_t>(n) + 1, 0.0);
  const auto excitation = [&](double t) {
    if (c.kind != kTransientRunup) {
      force[static_cast<std::size_t>(target)] = target_ratio * transient_case_torque(c, t);
      return;
    }
    std::fill(force.begin(), force.end(), 0.0);
    const double tt = std::min(t, c.duration);
    const double speed = runup_speed(c, t);
    const double theta = 2.0 * kPi / 60.0 *
                         (c.n_start * tt + (c.n_end - c.n_start) * tt * tt / (2.0 * c.duration) +
                          c.n_end * (t - tt));
    const double big_omega = 2.0 * kPi * speed / 60.0;
    const double omega2 = big_omega * big_omega;
    for (std::size_t e = 0; e < load_exps.size(); ++e)
      load[e] = load_exps[e] == 0.0 ? 1.0 : std::pow(speed / n_rated, load_exps[e]);
    const double hr = std::cos(0.5 * theta), hi = std::sin(0.5 * theta);
    zr[0] = 1.0;
    zi[0] = 0.0;
    for (int32_t q = 1; q <= top_m; ++q) {
      zr[static_cast<std::size_t>(q)] =
          zr[static_cast<std::size_t>(q - 1)] * hr - zi[static_cast<std::size_t>(q - 1)] * hi;
      zi[static_cast<std::size_t>(q)] =
          zr[static_cast<std::size_t>(q - 1)] * hi + zi[static_cast<std::size_t>(q - 1)] * hr;
    }
    for (std::size_t q = 0; q < terms.size(); ++q) {
      const ExcitationTerm& e = terms[q];
      const double l = load[static_cast<std::size_t>(term_exp[q])];
      const double fr = e.gc_re + e.gl_re * l + e.in_re * omega2;
      const double fi = e.gc_im + e.gl_im * l + e.in_im * omega2;
      const std::size_t mq = static_cast<std::size_t>(term_m[q]);
      force[static_cast<std::size_t>(term_dof[q])] += term_ratio[q] * (fr * zr[mq] - fi * zi[mq]);
    }
  };
  const auto reference_speed = [&](double t) {
    switch (c.kind) {
      case kTransientRunup:
        return runup_speed(c, t);
      case kTransientIce:
        return c.n_prop / sys.ratio(c.inertia);
      default:
        return n_rated > 0.0 ? n_rated : 0.0;
    }
  };

  // The history: sample i (1..count) holds each item's extreme over the
  // steps up to floor(i steps / count).
  const int32_t count = static_cast<int32_t>(std::min<long>(steps, kTransientSamples));
  r.samples.assign(static_cast<std::size_t>(count + 1) * static_cast<std::size_t>(items), 0.0);
  r.times.assign(static_cast<std::size_t>(count) + 1, 0.0);
  r.speeds.assign(static_cast<std::size_t>(count) + 1, 0.0);
  r.peak.assign(static_cast<std::size_t>(items), 0.0);
  std::vector<double> extreme(static_cast<std::size_t>(items), 0.0),
      extreme_size(static_cast<std::size_t>(items), -1.0);
  r.speeds[0] = reference_speed(0.0);

  std::vector<double> value(static_cast<std::size_t>(items), 0.0);
  std::vector<double> extreme_at(static_cast<std::size_t>(items), 0.0);
  r.peak_time.assign(static_cast<std::size_t>(items), 0.0);
  const double start_time = cpu_seconds();
  excitation(0.0);
  stepper.start(force.data());
  int32_t sample = 1;
  long sample_end = steps / count;
  const double* inertia = system.inertia.data();
  const double* cf = coef.data();
  const double* sh = shift.data();
  const int32_t* pa = ia.data();
  const int32_t* pb = ib.data();
  for (long s = 1; s <= steps; ++s) {
    const double t = static_cast<double>(s) * dt;
    excitation(t);
    stepper.step(force.data());
    const double* u = stepper.angle();
    double mean = 0.0;
    if (r.info.free_system != 0) {
      for (int32_t i = 0; i < n; ++i) mean += inertia[i] * u[i];
      mean /= total_inertia;
    }
    double* val = value.data();
    for (int32_t j = 0; j < items; ++j) val[j] = cf[j] * (u[pa[j]] - u[pb[j]]) - sh[j] * mean;
    keep_extremes(val, items, static_cast<double>(s), extreme_size.data(), extreme.data(),
                  extreme_at.data());
    if (s == sample_end) {
      // The interval's extremes go to the history and into the peaks.
      double* row = &r.samples[static_cast<std::size_t>(sample) * static_cast<std::size_t>(items)];
      for (int32_t j = 0; j < items; ++j) {
        const std::size_t i = static_cast<std::size_t>(j);
        row[i] = extreme[i];
        if (extreme_size[i] > r.peak[i]) {
          r.peak[i] = extreme_size[i];
          r.peak_time[i] = extreme_at[i] * dt;
        }
        extreme_size[i] = -1.0;
      }
      r.times[static_cast<std::size_t>(sample)] = t;
      r.speeds[static_cast<std::size_t>(sample)] = reference_speed(t);
      ++sample;
      sample_end = steps * sample / count;
    }
  }
  r.loop_seconds = cpu_seconds() - start_time;
  r.wp.assign(static_cast<std::size_t>(NSTIF), 0.0);
  for (int32_t s = 1; s <= NSTIF; ++s)
    r.wp[static_cast<std::size_t>(s - 1)] = forced_section_modulus(s);

  // The barred ranges a run-up passes.
  r.barred.clear();
  r.barred_known = 0;
  if (c.kind == kTransientRunup) {
    std::string why;
    if (forced_results_valid() == 0 && !run_forced_response(ForcedRequest{}, &why)) {
      r.notes =
          "The barred speed ranges are not given: the forced response was refused (" + why + ")";
    } else {
      r.barred_known = 1;
      const double lo = std::min(c.n_start, c.n_end), hi = std::max(c.n_start, c.n_end);
      for (int32_t s = 1; s <= NSTIF; ++s) {
        BarredRange ranges[64];
        const int32_t nr = std::min(forced_barred_ranges(s, ranges, 64), 64);
        for (int32_t i = 0; i < nr; ++i) {
          TransientBarred b;
          b.shaft = s;
          b.from = ranges[i].from;
          b.to = ranges[i].to;
          const double overlap = std::max(0.0, std::min(hi, b.to) - std::max(lo, b.from));
          b.seconds = hi > lo ? c.duration * overlap / (hi - lo)
                              : (b.from <= lo && lo <= b.to ? c.duration : 0.0);
          r.barred.push_back(b);
        }
      }
    }
  }
  r.valid = 1;
  if (message != nullptr) message->clear();
  return true;
}

void forget_transient_results() {
  result.valid = 0;
  result.samples.clear();
  result.samples.shrink_to_fit();
}

int32_t transient_results_valid() {
  return result.valid != 0 && result.nmass == NMASS && result.nstif == NSTIF ? 1 : 0;
}

TransientInfo transient_info() {
  return transient_results_valid() != 0 ? result.info : TransientInfo{};
}

int32_t transient_sample_count() {
  return transient_results_valid() != 0 ? static_cast<int32_t>(result.times.size()) - 1 : 0;
}

double transient_sample_time(int32_t i) {
  if (i < 0 || i > transient_sample_count()) return 0.0;
  return result.times[static_cast<std::size_t>(i)];
}

double transient_sample_speed(int32_t i) {
  if (i < 0 || i > transient_sample_count()) return 0.0;
  return result.speeds[static_cast<std::size_t>(i)];
}

double transient_value(ForcedKind kind, int32_t number, int32_t i) {
  if (i < 0 || i > transient_sample_count()) return 0.0;
  const std::size_t row =
      static_cast<std::size_t>(i) * static_cast<std::size_t>(result.nmass + result.nstif);
  if (kind == ForcedKind::kAngle) {
    if (number < 1 || number > result.nmass) return 0.0;
    return result.samples[row + static_cast<std::size_t>(number - 1)];
  }
  if (number < 1 || number > result.nstif) return 0.0;
  const double torque = result.samples[row + static_cast<std::size_t>(result.nmass + number - 1)];
  if (kind == ForcedKind::kTorque) return torque;
  const double wp = result.wp[static_cast<std::size_t>(number - 1)];
  return wp > 0.0 ? torque / wp / 1.0e6 : 0.0;
}

TransientPeak transient_peak(ForcedKind kind, int32_t number) {
  TransientPeak p;
  if (transient_results_valid() == 0) return p;
  std::size_t item = 0;
  if (kind == ForcedKind::kAngle) {
    if (number < 1 || number > result.nmass) return p;
    item = static_cast<std::size_t>(number - 1);
  } else {
    if (number < 1 || number > result.nstif) return p;
    item = static_cast<std::size_t>(result.nmass + number - 1);
  }
  p.value = result.peak[item];
  p.time = result.peak_time[item];
  const TransientCase& c = result.info.data;
  if (c.kind == kTransientRunup) {
    p.speed = runup_speed(c, p.time);
  } else {
    p.speed = result.speeds.empty() ? 0.0 : result.speeds.back();
  }
  if (kind == ForcedKind::kStress) {
    const double wp = result.wp[static_cast<std::size_t>(number - 1)];
    p.value = wp > 0.0 ? p.value / wp / 1.0e6 : 0.0;
  }
  return p;
}

void transient_shaft_limits(int32_t s, double* tau1, double* tau2) {
  double speed = forced_sweep.n_rated;
  if (transient_results_valid() != 0 && result.info.data.kind == kTransientRunup)
    speed = transient_peak(ForcedKind::kStress, s).speed;
  forced_shaft_limits(s, speed, tau1, tau2);
}

int32_t transient_worst_shaft() {
  if (transient_results_valid() == 0) return 0;
  int32_t best = 0;
  int rank_best = -1;
  double value_best = -1.0;
  for (int32_t s = 1; s <= result.nstif; ++s) {
    double tau1 = 0.0, tau2 = 0.0;
    transient_shaft_limits(s, &tau1, &tau2);
    const double limit = tau2 > 0.0 ? tau2 : tau1;
    int rank = 0;
    double value = transient_peak(ForcedKind::kTorque, s).value;
    if (forced_shaft_has_limits(s) != 0 && limit > 0.0) {
      rank = 1;
      value = transient_peak(ForcedKind::kStress, s).value / limit;
    }
    if (rank > rank_best || (rank == rank_best && value > value_best)) {
      best = s;
      rank_best = rank;
      value_best = value;
    }
  }
  return best;
}

int32_t transient_barred_ranges(TransientBarred* out, int32_t capacity) {
  if (transient_results_valid() == 0 || result.barred_known == 0) return -1;
  const int32_t n = static_cast<int32_t>(result.barred.size());
  for (int32_t i = 0; i < n && i < capacity; ++i)
    out[i] = result.barred[static_cast<std::size_t>(i)];
  return n;
}

const std::string& transient_notes() {
  return result.notes;
}

double transient_loop_seconds() {
  return result.loop_seconds;
}

}  // namespace spindra
