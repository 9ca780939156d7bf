#include "analysis/forced_response.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <limits>
#include <new>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "analysis/check_messages.h"
#include "analysis/engine_orders.h"
#include "analysis/frequency_analysis.h"
#include "analysis/leaf_order.h"
#include "analysis/verdict.h"
#include "analysis/shaft_system.h"
#include "app/model/store.h"

namespace spindra {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The solve and sampling loops are also built for processors with AVX2 and
// FMA; the loader picks the build that suits the processor.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define SPINDRA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define SPINDRA_VECTOR_CLONES
#endif

constexpr int32_t kMaxSweepSpeeds = 100000;
// Orders above this excite nothing a shaft line responds to; the cycle is
// sampled four times per period of the highest order.
constexpr double kMaxOrder = 100.0;
// The results of a run are kept whole (every amplitude of every item, speed
// and order); a run that would need more values than this is refused.
constexpr double kMaxKeptValues = 6.0e7;

// ---- The working data of a run ------------------------------------------------

// The kept results of a run are tens of megabytes, written once each: in
// pages of 4 kB the first writes cost more time than the whole sweep's
// solves.  Tables that large are asked for on huge pages where the system
// offers them.
template <class T>
struct LargeTableAllocator {
  using value_type = T;
  static constexpr std::size_t kHuge = std::size_t{2} << 20;
  LargeTableAllocator() = default;
  template <class U>
  LargeTableAllocator(const LargeTableAllocator<U>&) {}
  static bool large(std::size_t n) { return n * sizeof(T) >= kHuge; }
  T* allocate(std::size_t n) {
#if defined(__linux__)
    if (large(n)) {
      const std::size_t bytes = (n * sizeof(T) + kHuge - 1) / kHuge * kHuge;
      void* p = std::aligned_alloc(kHuge, bytes);
      if (p == nullptr) throw std::bad_alloc();
      madvise(p, bytes, MADV_HUGEPAGE);  // only a wish: without it, small pages
      return static_cast<T*>(p);
    }
#endif
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) {
#if defined(__linux__)
    if (large(n)) {
      std::free(p);
      return;
    }
#endif
    std::allocator<T>().deallocate(p, n);
  }
  template <class U>
  bool operator==(const LargeTableAllocator<U>&) const {
    return true;
  }
};

// One constant part of the torques on an inertia at one order: the complex
// torque is gas_const + gas_load (N / N_rated)^load_exp + inertia Omega^2.
struct ForceTerm {
  int32_t node = 0;    // 0-based degree of freedom of the referred system
  int32_t inertia = 0; // the cylinder's inertia
  int32_t engine = 0;  // the engine whose cylinder it is
  int32_t order = 0;   // 0-based order
  double load_exp = 0.0;
  double load_factor = 1.0;
  double gc_re = 0.0, gc_im = 0.0;
  double gl_re = 0.0, gl_im = 0.0;
  double in_re = 0.0, in_im = 0.0;
};

struct Run {
  int32_t valid = 0;
  int32_t nmass = 0;
  int32_t nstif = 0;
  int32_t items = 0;  // angles 0..nmass-1, then torques nmass..nmass+nstif-1
  ForcedRequest request;  // the misfire actually run (the case's or the request's)
  ForcedSweep sweep;
  LoadCase load_case;
  int32_t case_number = 1;
  double oper_from = 0.0, oper_to = 0.0;
  std::vector<double> speeds;
  std::vector<double> orders;
  std::vector<int32_t> harmonic;  // order in units of the cycle: order * cycle / 360
  double cycle = 360.0;           // degrees of crank angle of one cycle
  // ((s * (orders + 1) + o) * items + item), s 0-based
  std::vector<double, LargeTableAllocator<double>> amp;
  std::vector<int32_t> left_out;
  std::vector<double> wp;  // section modulus per shaft (0-based), 0 without diameter

  // The referred system the run solves: its degrees of freedom, elements and
  // elimination order.
  ShaftSystem sys;
  std::vector<ForceTerm> terms;
  double eta = 0.0;
  ForcedTiming timing;
};

Run run;

}  // namespace

bool is_cycle_order(double order) {
  // Relative to the order, so that orders written with a few decimals pass
  // at any size; never below a half, the lowest order of a four-stroke cycle.
  const double twice = order * 2.0;
  return std::isfinite(order) && twice >= 1.0 - 1e-9 &&
         std::fabs(twice - std::round(twice)) <= 1e-9 * twice;
}

namespace {

// A length given in m as the messages write it: in mm, or in m where the
// mm would not be a finite number.
std::string length_text(double metres) {
  return std::isfinite(metres * 1000.0) ? number(metres * 1000.0) + " mm" : number(metres) + " m";
}

bool has_excitation(const ENGINE& e) {
  return !(e.excitation == Excitation{});
}

// ---- Checks -------------------------------------------------------------------

// The sweep's rated speed and loss factor, and the speeds of the case run:
// for the one case of a model without load cases, the sweep itself.
bool check_sweep(const LoadCase& c, std::string* message) {
  const ForcedSweep& w = forced_sweep;
  if (w == ForcedSweep{})
    return refuse(message,
                  "The model has no speed sweep for the forced response: give the speed "
                  "range, the rated speed and the loss factor " +
                      data_place("Sweep", "the sweep record of the FORCED section") + ".");
  const bool named = NCASES > 0;
  const std::string who = named ? "Load case '" + c.name.str() + "': the sweep from "
                                : "The forced-response sweep from ";
  const std::string range = who + number(c.n_from) + " to " + number(c.n_to) +
                            " rev/min in steps of " + number(c.n_step);
  if (!std::isfinite(c.n_from) || !std::isfinite(c.n_to) || !std::isfinite(c.n_step) ||
      !std::isfinite(w.n_rated) || !std::isfinite(w.eta))
    return refuse(message, range + " (rated speed " + number(w.n_rated) + ", loss factor " +
                               number(w.eta) + ") holds a value that is not a number.");
  if (c.n_to < c.n_from)
    return refuse(message, range + " is reversed: the last speed is below the first.");
  if (c.n_step <= 0.0)
    return refuse(message, range + " never ends: the step must be greater than zero.");
  const double count = std::floor((c.n_to - c.n_from) / c.n_step + 1e-9) + 1.0;
  if (count > kMaxSweepSpeeds)
    return refuse(message, range + " has " + number(count) + " speeds; at most " +
                               std::to_string(kMaxSweepSpeeds) + " are calculated.");
  if (c.n_to <= 0.0) return refuse(message, range + " is empty: it has no speed above zero.");
  if (w.n_rated <= 0.0)
    return refuse(message, "The rated speed of the forced response is " + number(w.n_rated) +
                               " rev/min; it must be greater than zero.");
  if (w.n_rated < c.n_to / 100.0 || w.n_rated > 100.0 * c.n_to)
    return refuse(message, "The rated speed of the forced response is " + number(w.n_rated) +
                               " rev/min, not within a factor of 100 of the sweep up to " +
                               number(c.n_to) + " rev/min (a slip in the exponent?).");
  if (w.eta < 0.0)
    return refuse(message, "The loss factor of the forced response is " + number(w.eta) +
                               "; it must not be negative.");
  if (!named) return true;
  const std::string of = "Load case '" + c.name.str() + "'";
  if (!(c.load_factor >= 0.0) || !std::isfinite(c.load_factor) || !std::isfinite(c.load_exp))
    return refuse(message, of + " has a load factor of " + number(c.load_factor) +
                               " and a load exponent of " + number(c.load_exp) +
                               "; the factor must not be negative and both must be numbers.");
  if (!std::isfinite(c.oper_from) || !std::isfinite(c.oper_to) || c.oper_to < c.oper_from ||
      c.oper_from < 0.0)
    return refuse(message, of + " has the operating range " + number(c.oper_from) + " to " +
                               number(c.oper_to) +
                               " rev/min; it must run upwards from zero or above.");
  return true;
}

bool check_excitation(int k, std::string* message) {
  const ENGINE& e = ENGS(k);
  const Excitation& x = e.excitation;
  const std::string label = engine_label(k);
  const double values[] = {x.bore, x.stroke, x.conrod, x.recip_mass, x.p_rated, x.load_exp};
  for (double v : values)
    if (!std::isfinite(v)) return refuse(message, label + ": an excitation value is not a number.");
  if (x.bore <= 0.0)
    return refuse(message, label + " has a bore of " + length_text(x.bore) +
                               "; it must be greater than zero.");
  if (x.stroke <= 0.0)
    return refuse(message, label + " has a stroke of " + length_text(x.stroke) +
                               "; it must be greater than zero.");
  if (x.recip_mass < 0.0)
    return refuse(message,
                  label + " has a negative reciprocating mass of " + number(x.recip_mass) + " kg.");
  if (x.recip_mass > 0.0 && x.conrod <= x.stroke / 2.0)
    return refuse(message, label + " has a connecting rod of " + length_text(x.conrod) +
                               ", not longer than the crank radius of " +
                               length_text(x.stroke / 2.0) + ".");
  if (x.p_rated < 0.0)
    return refuse(message,
                  label + " has a negative rated mean pressure of " + number(x.p_rated) + " bar.");
  if (x.nharm < 0 || x.nharm > kMaxHarmonics)
    return refuse(message, label + " has " + std::to_string(x.nharm) + " gas harmonics; 0 to " +
                               std::to_string(kMaxHarmonics) + " are possible.");
  for (int h = 1; h <= x.nharm; ++h) {
    const Harmonic& g = x.harm(h);
    const std::string row = label + ", harmonic " + std::to_string(h);
    if (!std::isfinite(g.order) || !std::isfinite(g.a) || !std::isfinite(g.b) ||
        !std::isfinite(g.phase))
      return refuse(message, row + ": a value is not a number.");
    if (g.order > kMaxOrder)
      return refuse(message, row + " has order " + number(g.order) + "; orders up to " +
                                 number(kMaxOrder) + " are calculated.");
    if (!is_cycle_order(g.order))
      return refuse(message, row + " has order " + number(g.order) +
                                 "; an engine cycle has only whole and half orders, the "
                                 "lowest 0.5.");
    for (int h2 = 1; h2 < h; ++h2) {
      if (std::fabs(x.harm(h2).order - g.order) < 1e-9)
        return refuse(message, label + " lists order " + number(g.order) + " twice (harmonics " +
                                   std::to_string(h2) + " and " + std::to_string(h) + ").");
    }
  }
  return true;
}

bool check_damping(std::string* message) {
  bool any = false;
  if (!check_damping_values(message, &any)) return false;
  if (!any)
    return refuse(message,
                  "The model has no damping at all (no external damping on an inertia, no "
                  "internal damping on a shaft and loss factor 0): the response at a resonance "
                  "would be unbounded. Give damping or a loss factor.");
  return true;
}

// The one case of a model without load cases: the FORCED sweep, load
// factor 1, the operating range from its start to 1.05 x the rated speed.
LoadCase sweep_case() {
  const ForcedSweep& w = forced_sweep;
  LoadCase c;
  c.name = "Sweep";
  c.n_from = w.n_from;
  c.n_to = w.n_to;
  c.n_step = w.n_step;
  c.load_factor = 1.0;
  c.oper_from = w.n_from;
  c.oper_to = 1.05 * w.n_rated;
  return c;
}

// ---- Excitation ---------------------------------------------------------------

// The engines' torques as constant terms per inertia and order.  Orders are
// collected from the engines included, ascending.
// `case_law`: the load case's load law (factor and exponent) for every
// engine; else each engine's own exponent at factor 1, as the sweep has it.
bool build_forces(const ForcedRequest& request, const LoadCase& load, bool case_law,
                  std::string* message) {
  run.orders.clear();
  run.left_out.clear();
  std::vector<int> included;
  for (int k = 1; k <= NENG; ++k) {
    const ENGINE& e = ENGS(k);
    if (e.ncyl <= 0) continue;
    if (!has_excitation(e) || e.excitation.nharm == 0) {
      run.left_out.push_back(k);
      continue;
    }
    if (!check_excitation(k, message)) return false;
    included.push_back(k);
    for (int h = 1; h <= e.excitation.nharm; ++h) run.orders.push_back(e.excitation.harm(h).order);
  }
  if (request.misfire_engine != 0) {
    const int k = request.misfire_engine;
    if (k < 1 || k > NENG || ENGS(k).ncyl <= 0)
      return refuse(message, "The misfire names engine " + std::to_string(k) +
                                 ", which the model does not have.");
    const int cylinders = ENGS(k).ncyl * (ENGS(k).ivee_engine == 1 ? 2 : 1);
    if (request.misfire_cylinder < 1 || request.misfire_cylinder > cylinders)
      return refuse(message,
                    "The misfire names cylinder " + std::to_string(request.misfire_cylinder) +
                        " of " + engine_label(k) + ", which has cylinders 1 to " +
                        std::to_string(cylinders) +
                        (cylinders > ENGS(k).ncyl ? " (the second bank numbered on)" : "") + ".");
    if (std::find(included.begin(), included.end(), k) == included.end())
      return refuse(message,
                    "The misfire names " + engine_label(k) + ", which has no excitation data.");
  }
  if (included.empty()) {
    std::string text =
        "No engine of the model has excitation data (bore, stroke, pressure and "
        "gas harmonics), so nothing excites the shafts.";
    if (NENG == 0) text = "The model has no engine, so nothing excites the shafts.";
    return refuse(message, text + " Enter the excitation of an engine " +
                               data_place("Excitation",
                                          "the excitation records of the FORCED section") +
                               ".");
  }
  std::sort(run.orders.begin(), run.orders.end());
  run.orders.erase(std::unique(run.orders.begin(), run.orders.end(),
                               [](double a, double b) { return std::fabs(a - b) < 1e-9; }),
                   run.orders.end());
  bool half = false;
  for (int k : included) half = half || ENGS(k).nstroke == 4;
  for (double o : run.orders) half = half || std::fabs(o - std::round(o)) > 1e-9;
  run.cycle = half ? 720.0 : 360.0;
  run.harmonic.clear();
  for (double o : run.orders)
    run.harmonic.push_back(static_cast<int32_t>(std::lround(o * run.cycle / 360.0)));

  run.terms.clear();
  for (int k : included) {
    prepare_engine(k);
    const ENGINE& e = ENGS(k);
    const Excitation& x = e.excitation;
    const double radius = x.stroke / 2.0;
    const double per_bar = 1.0e5 * kPi / 4.0 * x.bore * x.bore * radius;  // N.m per bar
    int whole_max = 0;
    for (int h = 1; h <= x.nharm; ++h) {
      const double o = x.harm(h).order;
      if (std::fabs(o - std::round(o)) < 1e-9)
        whole_max = std::max(whole_max, static_cast<int>(std::lround(o)));
    }
    std::vector<double> inertia_c(static_cast<std::size_t>(whole_max) + 1, 0.0);
    if (x.recip_mass > 0.0 && whole_max > 0)
      inertia_torque_coefficients(radius / x.conrod, inertia_c.data() + 1, whole_max);
    const double inertia_scale = x.recip_mass * radius * radius;
    for (int j = 1; j <= NMASS; ++j) {
      if (MASSES(j).icyleng_no(1) != k) continue;
      const int c = MASSES(j).icyleng_no(2);
      if (c < 1 || c > e.ncyl) continue;
      const int banks = e.ivee_engine == 1 ? 2 : 1;
      for (int h = 1; h <= x.nharm; ++h) {
        const Harmonic& g = x.harm(h);
        const int o = static_cast<int>(
            std::lower_bound(run.orders.begin(), run.orders.end(), g.order - 1e-9) -
            run.orders.begin());
        // Phasor sums over the cylinders of this inertia: e^(-i n phi).
        double gas_re = 0.0, gas_im = 0.0, all_re = 0.0, all_im = 0.0;
        for (int bank = 1; bank <= banks; ++bank) {
          // The offset angle turns the whole engine against engine 1.
          const double phi =
              (bank == 1 ? e.angle(c) : second_bank_angle(e, e.angle(c))) + e.offset_angle;
          const double turn = -g.order * phi * kPi / 180.0;
          const double cr = std::cos(turn), ci = std::sin(turn);
          all_re += cr;
          all_im += ci;
          const int number = bank == 1 ? c : e.ncyl + c;
          if (request.misfire_engine == k && request.misfire_cylinder == number) continue;
          gas_re += cr;
          gas_im += ci;
        }
        // A sine of amplitude T and phase p is Re(-i T e^(i p) e^(i n theta)).
        const double pr = std::cos(g.phase * kPi / 180.0), pi = std::sin(g.phase * kPi / 180.0);
        const double ur = pi, ui = -pr;  // -i e^(i p)
        ForceTerm t;
        t.node = run.sys.dof(j) - 1;
        t.inertia = j;
        t.engine = k;
        t.order = o;
        t.load_exp = case_law ? load.load_exp : x.load_exp;
        t.load_factor = case_law ? load.load_factor : 1.0;
        const double gc = g.a * per_bar, gl = g.b * x.p_rated * per_bar;
        t.gc_re = gc * (ur * gas_re - ui * gas_im);
        t.gc_im = gc * (ur * gas_im + ui * gas_re);
        t.gl_re = gl * (ur * gas_re - ui * gas_im);
        t.gl_im = gl * (ur * gas_im + ui * gas_re);
        const long whole = std::lround(g.order);
        if (std::fabs(g.order - static_cast<double>(whole)) < 1e-9 && whole <= whole_max) {
          const double ci_n = inertia_scale * inertia_c[static_cast<std::size_t>(whole)];
          t.in_re = ci_n * all_im;  // -i * all
          t.in_im = -ci_n * all_re;
        }
        run.terms.push_back(t);
      }
    }
  }
  return true;
}

// ---- The solve and the synthesis ------------------------------------------------

// An interval of the cycle searched for an extreme: its start and length,
// the values and slopes at its ends, the bound on f over it and where the
// cubic through its ends peaks (0..1).
struct Piece {
  double lo = 0.0, h = 0.0;
  double g0 = 0.0, g1 = 0.0, s0 = 0.0, s1 = 0.0;
  double bound = 0.0, t = 0.0;
};

// Scratch of one speed: per node and order (order fastest).
struct Scratch {
  std::vector<double> d_re, d_im, f_re, f_im, t_re, t_im, x_re, x_im;
  std::vector<double> y_re, y_im;          // per node and order: admittance to the parent
  std::vector<double> cos_tab, sin_tab;    // per order and sample
  std::vector<double> mcos_tab, msin_tab;  // the same times the harmonic
  std::vector<int32_t> by_parity;          // the orders of even harmonics, then of odd ones
  int32_t even = 0;                        // how many are even
  std::vector<Piece> pieces;                   // intervals left to search
  std::vector<int32_t> near_list;              // intervals near an extreme
  std::vector<uint64_t> near_above, near_below;  // per interval: may hold an extreme
  std::vector<double> samples;                 // per angle item and sample
  std::vector<double> c_re, c_im;              // coefficients of one item
  std::vector<double> size_of;                 // their magnitudes
  std::vector<double> a_re, a_im, b_re, b_im;  // the core's matrix and right-hand side
  int32_t m = 0;                               // samples per cycle
  int32_t top = 0;                             // highest harmonic
  int32_t blocks = 0;                          // harmonics 1..top in fours
  std::vector<double> dense_re, dense_im;      // the item's coefficients by harmonic
  std::vector<double> unit_t, unit_cos, unit_sin;  // the samples' angles, cos and sin (cos_sin)
  std::vector<double> dof_amp;                 // per order (0 = synthesised) and degree of freedom
  void size(int n, int o) {
    const std::size_t no = static_cast<std::size_t>(n) * static_cast<std::size_t>(o);
    for (auto* v : {&d_re, &d_im, &f_re, &f_im, &t_re, &t_im, &x_re, &x_im, &y_re, &y_im})
      v->assign(no, 0.0);
    c_re.assign(static_cast<std::size_t>(o), 0.0);
    c_im.assign(static_cast<std::size_t>(o), 0.0);
    size_of.assign(static_cast<std::size_t>(o), 0.0);
    const std::size_t c = static_cast<std::size_t>(run.sys.ncore);
    a_re.assign(c * c, 0.0);
    a_im.assign(c * c, 0.0);
    b_re.assign(c, 0.0);
    b_im.assign(c, 0.0);
  }
};

// The core (inertias on rings of shafts), after every peeled inertia was
// folded into it: a dense complex solve per order by Gaussian elimination
// with the largest pivot of each column.
void solve_core(double big_omega, Scratch& s) {
  const ShaftSystem& sys = run.sys;
  const int c = sys.ncore;
  if (c == 0) return;
  const int no = static_cast<int>(run.orders.size());
  const std::size_t uc = static_cast<std::size_t>(c);
  double* are = s.a_re.data();
  double* aim = s.a_im.data();
  double* bre = s.b_re.data();
  double* bim = s.b_im.data();
  for (int o = 0; o < no; ++o) {
    const double w = run.orders[static_cast<std::size_t>(o)] * big_omega;
    std::fill(are, are + uc * uc, 0.0);
    std::fill(aim, aim + uc * uc, 0.0);
    for (int i = 0; i < c; ++i) {
      const std::size_t vo = static_cast<std::size_t>(sys.core(i + 1) - 1) * no + o;
      are[i * uc + i] = s.d_re[vo];
      aim[i * uc + i] = s.d_im[vo];
      bre[i] = s.f_re[vo];
      bim[i] = s.f_im[vo];
    }
    for (int q = 1; q <= sys.ncore_edges; ++q) {
      const CoreEdge& e = sys.core_edges(q);
      const std::size_t ea = static_cast<std::size_t>(e.a - 1), eb = static_cast<std::size_t>(e.b - 1);
      const double yr = e.k;
      double yi = run.eta * e.k + w * e.c;
      if (sys.has_psi != 0) yi += e.h;
      are[ea * uc + eb] -= yr;
      aim[ea * uc + eb] -= yi;
      are[eb * uc + ea] -= yr;
      aim[eb * uc + ea] -= yi;
    }
    for (int k = 0; k < c; ++k) {
      int pivot = k;
      double size = 0.0;
      for (int i = k; i < c; ++i) {
        const double m = are[i * uc + k] * are[i * uc + k] + aim[i * uc + k] * aim[i * uc + k];
        if (m > size) {
          size = m;
          pivot = i;
        }
      }
      if (pivot != k) {
        for (int j = 0; j < c; ++j) {
          std::swap(are[k * uc + j], are[pivot * uc + j]);
          std::swap(aim[k * uc + j], aim[pivot * uc + j]);
        }
        std::swap(bre[k], bre[pivot]);
        std::swap(bim[k], bim[pivot]);
      }
      const double inv = 1.0 / std::max(size, 1e-300);
      const double pr = are[k * uc + k] * inv, pi = -aim[k * uc + k] * inv;  // 1 / pivot
      for (int i = k + 1; i < c; ++i) {
        const double lr = are[i * uc + k] * pr - aim[i * uc + k] * pi;
        const double li = are[i * uc + k] * pi + aim[i * uc + k] * pr;
        if (lr == 0.0 && li == 0.0) continue;
        for (int j = k + 1; j < c; ++j) {
          are[i * uc + j] -= lr * are[k * uc + j] - li * aim[k * uc + j];
          aim[i * uc + j] -= lr * aim[k * uc + j] + li * are[k * uc + j];
        }
        bre[i] -= lr * bre[k] - li * bim[k];
        bim[i] -= lr * bim[k] + li * bre[k];
      }
    }
    for (int k = c - 1; k >= 0; --k) {
      double r = bre[k], i = bim[k];
      for (int j = k + 1; j < c; ++j) {
        r -= are[k * uc + j] * bre[j] - aim[k * uc + j] * bim[j];
        i -= are[k * uc + j] * bim[j] + aim[k * uc + j] * bre[j];
      }
      const double dr = are[k * uc + k], di = aim[k * uc + k];
      const double inv = 1.0 / std::max(dr * dr + di * di, 1e-300);
      bre[k] = (r * dr + i * di) * inv;
      bim[k] = (i * dr - r * di) * inv;
      const std::size_t vo = static_cast<std::size_t>(sys.core(k + 1) - 1) * no + o;
      s.x_re[vo] = bre[k];
      s.x_im[vo] = bim[k];
    }
  }
}

// Solves all orders at speed n (rev/min) into s.x_re / s.x_im.
SPINDRA_VECTOR_CLONES
void solve_speed(double n, Scratch& s) {
  const ShaftSystem& sys = run.sys;
  const int nodes = sys.ndof;
  const int no = static_cast<int>(run.orders.size());
  const double big_omega = 2.0 * kPi * n / 60.0;
  const double eta = run.eta;
  // Diagonals, admittances and torques.
  for (int v = 0; v < nodes; ++v) {
    const std::size_t vi = static_cast<std::size_t>(v);
    const double dk = sys.diag_k(v + 1), dc = sys.diag_c(v + 1), j = sys.inertia(v + 1);
    const double ek = sys.edge_k(v + 1), ec = sys.edge_c(v + 1);
    double* __restrict dre = &s.d_re[vi * no];
    double* __restrict dim = &s.d_im[vi * no];
    double* __restrict yre = &s.y_re[vi * no];
    double* __restrict yim = &s.y_im[vi * no];
    double* __restrict fre = &s.f_re[vi * no];
    double* __restrict fim = &s.f_im[vi * no];
    for (int o = 0; o < no; ++o) {
      const double w = run.orders[static_cast<std::size_t>(o)] * big_omega;
      dre[o] = dk - w * w * j;
      dim[o] = eta * dk + w * dc;
      yre[o] = ek;
      yim[o] = eta * ek + w * ec;
      fre[o] = 0.0;
      fim[o] = 0.0;
    }
    // The relative damping psi of the couplings: a damping falling with the
    // frequency, psi / (2 pi) k / omega, so a constant imaginary stiffness.
    if (sys.has_psi != 0) {
      const double dh = sys.diag_h(v + 1), eh = sys.edge_h(v + 1);
      for (int o = 0; o < no; ++o) {
        dim[o] += dh;
        yim[o] += eh;
      }
    }
  }
  const double ratio = n / run.sweep.n_rated;
  const double omega2 = big_omega * big_omega;
  for (const ForceTerm& t : run.terms) {
    const double load = t.load_factor * (t.load_exp == 0.0 ? 1.0 : std::pow(ratio, t.load_exp));
    const std::size_t i = static_cast<std::size_t>(t.node) * no + static_cast<std::size_t>(t.order);
    s.f_re[i] += t.gc_re + t.gl_re * load + t.in_re * omega2;
    s.f_im[i] += t.gc_im + t.gl_im * load + t.in_im * omega2;
  }
  // Leaves first: fold each node into its parent.
  const int peeled = sys.npeeled;
  for (int q = peeled - 1; q >= 0; --q) {
    const int v = sys.peeled(q + 1) - 1;
    const int p = sys.parent(v + 1) - 1;
    const std::size_t vo = static_cast<std::size_t>(v) * no;
    double* __restrict dre = &s.d_re[vo];
    double* __restrict dim = &s.d_im[vo];
    double* __restrict fre = &s.f_re[vo];
    double* __restrict fim = &s.f_im[vo];
    double* __restrict tre = &s.t_re[vo];
    double* __restrict tim = &s.t_im[vo];
    const double* __restrict yre = &s.y_re[vo];
    const double* __restrict yim = &s.y_im[vo];
    if (p < 0) {
      for (int o = 0; o < no; ++o) {
        const double inv = 1.0 / (dre[o] * dre[o] + dim[o] * dim[o]);
        const double ir = dre[o] * inv, ii = -dim[o] * inv;
        tre[o] = 0.0;
        tim[o] = 0.0;
        // g = F / D kept in f.
        const double gr = fre[o] * ir - fim[o] * ii, gi = fre[o] * ii + fim[o] * ir;
        fre[o] = gr;
        fim[o] = gi;
      }
      continue;
    }
    const std::size_t po = static_cast<std::size_t>(p) * no;
    double* __restrict pdre = &s.d_re[po];
    double* __restrict pdim = &s.d_im[po];
    double* __restrict pfre = &s.f_re[po];
    double* __restrict pfim = &s.f_im[po];
    for (int o = 0; o < no; ++o) {
      const double inv = 1.0 / (dre[o] * dre[o] + dim[o] * dim[o]);
      const double ir = dre[o] * inv, ii = -dim[o] * inv;
      // t = y / D; the parent's diagonal loses y t, its torque gains t F.
      const double tr = yre[o] * ir - yim[o] * ii, ti = yre[o] * ii + yim[o] * ir;
      tre[o] = tr;
      tim[o] = ti;
      pdre[o] -= yre[o] * tr - yim[o] * ti;
      pdim[o] -= yre[o] * ti + yim[o] * tr;
      pfre[o] += tr * fre[o] - ti * fim[o];
      pfim[o] += tr * fim[o] + ti * fre[o];
      const double gr = fre[o] * ir - fim[o] * ii, gi = fre[o] * ii + fim[o] * ir;
      fre[o] = gr;
      fim[o] = gi;
    }
  }
  solve_core(big_omega, s);
  // Roots first: x_v = F_v / D_v + t_v x_parent.
  for (int q = 0; q < peeled; ++q) {
    const int v = sys.peeled(q + 1) - 1;
    const int p = sys.parent(v + 1) - 1;
    const std::size_t vo = static_cast<std::size_t>(v) * no;
    double* __restrict xre = &s.x_re[vo];
    double* __restrict xim = &s.x_im[vo];
    const double* __restrict fre = &s.f_re[vo];
    const double* __restrict fim = &s.f_im[vo];
    if (p < 0) {
      for (int o = 0; o < no; ++o) {
        xre[o] = fre[o];
        xim[o] = fim[o];
      }
      continue;
    }
    const std::size_t po = static_cast<std::size_t>(p) * no;
    const double* __restrict pxre = &s.x_re[po];
    const double* __restrict pxim = &s.x_im[po];
    const double* __restrict tre = &s.t_re[vo];
    const double* __restrict tim = &s.t_im[vo];
    for (int o = 0; o < no; ++o) {
      xre[o] = fre[o] + tre[o] * pxre[o] - tim[o] * pxim[o];
      xim[o] = fim[o] + tre[o] * pxim[o] + tim[o] * pxre[o];
    }
  }
}

// Four doubles processed together (one AVX register, or two SSE2 ones).
using Lanes = double __attribute__((vector_size(32)));

// The four lanes in reverse order (a single permute on either compiler).
[[gnu::always_inline]] inline Lanes reversed(Lanes v) {
  return Lanes{v[3], v[2], v[1], v[0]};
}

[[gnu::always_inline]] inline Lanes load(const double* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

[[gnu::always_inline]] inline void store(double* p, Lanes v) {
  std::memcpy(p, &v, sizeof v);
}

// cos u and sin u for u in [0, 2 pi] from the nearest of the ns + 1
// points t_j = j (2 pi / ns) of the tables (ns >= 16) and the series of
// cos and sin of x = u - t_j, |x| <= pi / 16, to their fifteenth power
// (the rest below 1e-22).  x is exact (u and t_j are that close), and the
// tables hold cos t_j and sin t_j each as a double and the small rest
// (cos_t[j], cos_t[j + ns + 1]), so only the last sum is rounded: as close
// as the system's own cos and sin.
inline void cos_sin(const double* t, const double* cos_t, const double* sin_t, int32_t ns, double u,
                    double& c, double& s) {
  const double k = u / (2.0 * kPi) * ns + 0.5;
  const int at = k > 0.0 ? (k < ns ? static_cast<int>(k) : ns) : 0;
  const double x = u - t[at], x2 = x * x;
  // cos x - 1 and sin x.
  const double cx =
      x2 * (-1.0 / 2 +
            x2 * (1.0 / 24 +
                  x2 * (-1.0 / 720 +
                        x2 * (1.0 / 40320 +
                              x2 * (-1.0 / 3628800 +
                                    x2 * (1.0 / 479001600 + x2 * (-1.0 / 87178291200.0)))))));
  const double sx =
      x + x * x2 *
              (-1.0 / 6 +
               x2 * (1.0 / 120 +
                     x2 * (-1.0 / 5040 +
                           x2 * (1.0 / 362880 +
                                 x2 * (-1.0 / 39916800 + x2 * (1.0 / 6227020800.0))))));
  const double cr = cos_t[at + ns + 1], sr = sin_t[at + ns + 1];
  c = cos_t[at] + (cr + (cos_t[at] * cx - sin_t[at] * sx));
  s = sin_t[at] + (sr + (sin_t[at] * cx + cos_t[at] * sx));
}

// f and its first three derivatives at u of f(u) = sum_k Re((xr[k-1] +
// i xi[k-1]) e^(i k u)), k = 1..4 blocks; the powers of e^(i u) go four at
// a time.
SPINDRA_VECTOR_CLONES
void evaluate(const double* xr, const double* xi, int32_t blocks, double c, double s,
              double (&out)[4]) {
  const double c2 = c * c - s * s, s2 = 2.0 * s * c;
  const double c3 = c2 * c - s2 * s, s3 = c2 * s + s2 * c;
  const double c4 = c2 * c2 - s2 * s2, s4 = 2.0 * s2 * c2;
  Lanes zr = {c, c2, c3, c4}, zi = {s, s2, s3, s4};
  Lanes k = {1.0, 2.0, 3.0, 4.0};
  Lanes v = {}, v1 = {}, v2 = {}, v3 = {};
  for (int q = 0; q < blocks; ++q) {
    const Lanes ar = load(xr + 4 * q), ai = load(xi + 4 * q);
    const Lanes a = ar * zr - ai * zi;  // Re(x e^(i k u))
    const Lanes b = ar * zi + ai * zr;  // Im(x e^(i k u))
    const Lanes kk = k * k;
    v += a;
    v1 -= k * b;
    v2 -= kk * a;
    v3 += kk * k * b;
    const Lanes nr = zr * c4 - zi * s4;
    zi = zr * s4 + zi * c4;
    zr = nr;
    k += 4.0;
  }
  out[0] = (v[0] + v[1]) + (v[2] + v[3]);
  out[1] = (v1[0] + v1[1]) + (v1[2] + v1[3]);
  out[2] = (v2[0] + v2[1]) + (v2[2] + v2[3]);
  out[3] = (v3[0] + v3[1]) + (v3[2] + v3[3]);
}

// The largest value of the cubic H(t) = ((a t + b) t + c) t + g0 on
// [0, 1] that takes g0, g1 and the slopes s0, s1 (per unit t) at its ends,
// and where it lies (*at).
inline double cubic_top(double g0, double g1, double s0, double s1, double* at) {
  const double a = 2.0 * (g0 - g1) + s0 + s1;
  const double b = 3.0 * (g1 - g0) - 2.0 * s0 - s1;
  const double c = s0;
  double top = g0, where = 0.0;
  if (g1 > top) {
    top = g1;
    where = 1.0;
  }
  const auto consider = [&](double t) {
    if (!(t > 0.0 && t < 1.0)) return;
    const double v = ((a * t + b) * t + c) * t + g0;
    if (v > top) {
      top = v;
      where = t;
    }
  };
  // H'(t) = 3a t^2 + 2b t + c.
  if (std::fabs(a) <= 1e-14 * (std::fabs(b) + std::fabs(c))) {
    if (b != 0.0) consider(-c / (2.0 * b));
  } else {
    const double disc = b * b - 3.0 * a * c;
    if (disc >= 0.0) {
      const double r = std::sqrt(disc);
      const double q = -(b + std::copysign(r, b));  // roots q / 3a and c / q, without cancellation
      consider(q / (3.0 * a));
      if (q != 0.0) consider(c / q);
    }
  }
  *at = where;
  return top;
}

// The intervals of the cycle (interval j from sample j to j + 1, the last
// closing the cycle) that may hold a value of f above `high` or of -f
// above `deep`, as bits 64 to a word in `above` and `below`.  Over the
// half of an interval next to an end, f differs from the end's value by
// at most its slope there times the half (`half` long) plus the curvature's
// share, which the caller takes off the levels.  Few samples come near
// either level: four at a time are cleared by their slopes' full reach,
// the rest weighed side by side.
SPINDRA_VECTOR_CLONES
void mark_near(const double* f, const double* d, int32_t ns, double half, double high, double deep,
               uint64_t* above, uint64_t* below) {
  using Mask = int64_t __attribute__((vector_size(32)));
  const int words = (ns + 63) / 64;
  for (int w = 0; w < words; ++w) {
    above[w] = 0;
    below[w] = 0;
  }
  const Lanes zero = {}, hv = zero + half, hi = zero + high, lo = zero + deep;
  const Mask one = {1, 2, 4, 8};
  for (int j = 0; j < ns; j += 4) {
    const Lanes v = load(f + j), rise = load(d + j) * hv;
    const Lanes up = rise > 0.0 ? rise : zero, down = rise < 0.0 ? -rise : zero;
    const auto near = (v + up + down > hi) | (up + down - v > lo);
    if ((near[0] | near[1] | near[2] | near[3]) == 0) continue;
    // Bit k of each: sample j + k may rise above the level in the interval
    // after it (f up, -f down) or before it.
    const Mask x = (Mask(v + up > hi) & one) | ((Mask(v + down > hi) & one) << 4) |
                   ((Mask(down - v > lo) & one) << 8) | ((Mask(up - v > lo) & one) << 12);
    const uint64_t bits = static_cast<uint64_t>((x[0] | x[1]) | (x[2] | x[3]));
    const int w = j / 64, at = j % 64;
    const auto set = [&](uint64_t* out, uint64_t after, uint64_t before) {
      out[w] |= after << at;
      // Interval j - 1 (the last for j = 0) is before sample j.
      if (at > 0) {
        out[w] |= before << (at - 1);
      } else {
        out[w] |= before >> 1;
        const int last = j == 0 ? ns - 1 : j - 1;
        out[last / 64] |= (before & 1u) << (last % 64);
      }
    };
    set(above, bits & 15u, (bits >> 4) & 15u);
    set(below, (bits >> 8) & 15u, (bits >> 12) & 15u);
  }
}

// The largest value (sign +1) or the smallest (sign -1) of f over the cycle,
// from its values f and slopes d at ns points, to within `tol` below.
//
// Over an interval of length h the cubic through the values and slopes at
// its ends differs from f by at most h^4 / 384 max|f|, and max|f|
// is at most b4 = sum |x| m^4: the cubic's top plus that is a bound on f
// there.  Every interval whose bound could beat the best value found by
// more than `tol` is searched (Halley steps on f' from the cubic's top) and,
// while its bound still could, halved.  So no extreme is missed, however
// the slopes at the samples lie.  Only the intervals set in `near`
// (mark_near) can rise that far at all.  `best` starts as the best sample;
// the result is a value f takes.
SPINDRA_VECTOR_CLONES
double extreme(const double* f, const double* d, int32_t ns, double sign, double best,
               const uint64_t* near, double b3, double b4, double tol, Scratch& s) {
  const double h0 = 2.0 * kPi / ns;
  const auto slack = [b4](double h) { return (h * h) * (h * h) / 384.0 * b4 * 1.001 + 1.0e-300; };
  // The intervals near the extreme, and the first to search: the one next
  // to the best sample on the side its slope rises to.  The largest value
  // is most often there, and once found the bound around it clears the
  // other intervals near it without their cubics.
  int32_t* near_list = s.near_list.data();
  int count = 0, first = -1;
  for (int w = 0; w * 64 < ns; ++w)
    for (uint64_t bits = near[w]; bits != 0; bits &= bits - 1) {
      const int j = w * 64 + __builtin_ctzll(bits);
      const int jn = j + 1 == ns ? 0 : j + 1;
      if ((sign * f[j] == best && sign * d[j] > 0.0) || (sign * f[jn] == best && sign * d[jn] <= 0.0))
        first = count;
      near_list[count++] = j;
    }
  if (count == 0) return sign * best;
  if (first > 0) std::swap(near_list[0], near_list[first]);

  const auto at = [&s](double u, double(&e)[4]) {
    double c = 0.0, sn = 0.0;
    cos_sin(s.unit_t.data(), s.unit_cos.data(), s.unit_sin.data(), s.m, u, c, sn);
    evaluate(s.dense_re.data(), s.dense_im.data(), s.blocks, c, sn, e);
  };
  // The point of the best value found by the searches, with f' and f''
  // there: around it f(u + x) <= f + |f'| |x| + f'' x^2 / 2 + b3 |x|^3 / 6,
  // which clears whole intervals near a peak without halving them.  Within
  // r of the point, with f'' < 0, that is at most f + |f'| r + max(0, r^2
  // (f'' / 2 + b3 r / 6)): x^2 (f'' / 2 + b3 x / 6) only grows where it is
  // above zero.
  double peak_u = 0.0, peak_v = 0.0, peak_v1 = 0.0, peak_v2 = 0.0;
  bool peak = false;
  const double c3 = b3 * 1.001 / 6.0;
  const auto cleared = [&](double lo, double h) {
    if (!peak || peak_v2 >= 0.0) return false;
    const double r = std::max(std::fabs(lo - peak_u), std::fabs(lo + h - peak_u));
    const double rise = std::fabs(peak_v1) * r + std::max(0.0, r * r * (0.5 * peak_v2 + c3 * r));
    return peak_v + rise <= best + tol;
  };
  // Halley steps on f' from the cubic's top, kept inside the interval,
  // until the rise a step could still bring, f'^2 / 2|f''|, is below the
  // rounding of f.
  const auto search = [&](const Piece& p) {
    double u = p.lo + p.t * p.h;
    const double hi = p.lo + p.h;
    for (int it = 0; it < 16; ++it) {
      double e[4];
      at(u, e);
      const double v = sign * e[0], v1 = sign * e[1], v2 = sign * e[2], v3 = sign * e[3];
      best = std::max(best, v);
      if (v >= best) {
        peak = true;
        peak_u = u;
        peak_v = v;
        peak_v1 = v1;
        peak_v2 = v2;
      }
      if (v2 >= 0.0 || v1 * v1 <= -2.0 * v2 * 0x1p-54 * std::fabs(v)) break;
      const double den = 2.0 * v2 * v2 - v1 * v3;
      const double step = den > v2 * v2 ? -2.0 * v1 * v2 / den : -v1 / v2;
      const double next = std::clamp(u + step, p.lo, hi);
      if (std::fabs(next - u) * s.top < 1e-12) break;
      u = next;
    }
  };
  std::vector<Piece>& work = s.pieces;
  work.clear();
  for (int i = 0; i < count; ++i) {
    const int j = near_list[i];
    if (cleared(j * h0, h0)) continue;
    const int jn = j + 1 == ns ? 0 : j + 1;
    Piece p{j * h0, h0, sign * f[j], sign * f[jn], sign * d[j], sign * d[jn], 0.0, 0.0};
    p.bound = cubic_top(p.g0, p.g1, p.s0 * h0, p.s1 * h0, &p.t) + slack(h0);
    if (p.bound <= best + tol) continue;
    search(p);
    if (p.bound > best + tol && !cleared(p.lo, p.h)) work.push_back(p);
  }
  const double shortest = h0 * 1e-6;
  while (!work.empty()) {
    const Piece p = work.back();
    work.pop_back();
    if (p.bound <= best + tol || p.h < shortest || cleared(p.lo, p.h)) continue;
    const double half = 0.5 * p.h;
    double e[4];
    at(p.lo + half, e);
    const double v = sign * e[0], v1 = sign * e[1];
    best = std::max(best, v);
    const Piece parts[2] = {Piece{p.lo, half, p.g0, v, p.s0, v1, 0.0, 0.0},
                            Piece{p.lo + half, half, v, p.g1, v1, p.s1, 0.0, 0.0}};
    for (Piece q : parts) {
      const double top = cubic_top(q.g0, q.g1, q.s0 * half, q.s1 * half, &q.t);
      q.bound = top + slack(half);
      if (q.bound <= best + tol) continue;
      // Searched only when the cubic itself rises above the best value:
      // otherwise halving alone shows that it holds nothing larger.
      if (top > best) search(q);
      if (q.bound > best + tol) work.push_back(q);
    }
  }
  return sign * best;
}

// Values and slopes on the grid of s.m points (a multiple of 8) of f for
// the coefficients (re, im) and of g for (re2, im2): f into out[0..m), f'
// into out[m..2m), g and g' likewise into out2.  With out2 null only f is
// sampled.
//
// The grid is symmetric about 0 and about pi: with A = sum a cos(m u),
// B = sum b sin(m u), P = sum a m sin(m u) and Q = sum b m cos(m u) at
// u_j, each summed apart over the even (0) and the odd (1) harmonics,
//   f(u) = A - B,                  f'(u) = -(P + Q),
//   f(-u) = A + B,                 f'(-u) = P - Q,
//   f(pi - u) = (A0 + B0) - (A1 + B1),  f'(pi - u) = (P0 - Q0) - (P1 - Q1),
//   f(pi + u) = (A0 - B0) - (A1 - B1),  f'(pi + u) = (P1 + Q1) - (P0 + Q0),
// so only the first quarter of the grid is summed.  Four points of both
// functions stay in registers across the orders, so each table entry is
// loaded once for the two.
SPINDRA_VECTOR_CLONES
void sample(const double* re, const double* im, const double* re2, const double* im2,
            const Scratch& s, double* out, double* out2) {
  const int ns = s.m, half = ns / 2;
  const double* cos_tab = s.cos_tab.data();
  const double* sin_tab = s.sin_tab.data();
  const double* mcos_tab = s.mcos_tab.data();
  const double* msin_tab = s.msin_tab.data();
  struct Sums {
    Lanes a, b, p, q;
  };
  // The sums over the orders listed in `list` (their harmonics of one
  // parity) at points jb..jb+3.
  const auto sum = [&](const int32_t* list, int n, int jb, const double* x, const double* y,
                       const double* x2, const double* y2, Sums& one, Sums& two) {
    Lanes a0 = {}, b0 = {}, p0 = {}, q0 = {}, a1 = {}, b1 = {}, p1 = {}, q1 = {};
    for (int i = 0; i < n; ++i) {
      const int o = list[i];
      const std::size_t at = static_cast<std::size_t>(o) * ns + jb;
      const Lanes c = load(cos_tab + at), sn = load(sin_tab + at);
      const Lanes mc = load(mcos_tab + at), ms = load(msin_tab + at);
      const Lanes a = Lanes{} + x[o], b = Lanes{} + y[o];
      a0 += a * c;
      b0 += b * sn;
      p0 += a * ms;
      q0 += b * mc;
      if (x2 != nullptr) {
        const Lanes a2 = Lanes{} + x2[o], b2 = Lanes{} + y2[o];
        a1 += a2 * c;
        b1 += b2 * sn;
        p1 += a2 * ms;
        q1 += b2 * mc;
      }
    }
    one = Sums{a0, b0, p0, q0};
    two = Sums{a1, b1, p1, q1};
  };
  // The four points jb..jb+3, their mirrors about 0 (for jb = 0 those of
  // 1..3 only: the mirror of 0 is itself) and about pi.
  const auto put = [&](double* to, int jb, const Sums& e, const Sums& o) {
    const Lanes a = e.a + o.a, b = e.b + o.b, p = e.p + o.p, q = e.q + o.q;
    store(to + jb, a - b);
    store(to + ns + jb, -(p + q));
    const Lanes f = a + b, d = p - q;
    if (jb > 0) {
      store(to + ns - jb - 3, reversed(f));
      store(to + 2 * ns - jb - 3, reversed(d));
    } else {
      for (int k = 1; k < 4; ++k) {
        to[ns - k] = f[k];
        to[2 * ns - k] = d[k];
      }
    }
    const Lanes back = (e.a + e.b) - (o.a + o.b), back_d = (e.p - e.q) - (o.p - o.q);
    store(to + half - jb - 3, reversed(back));
    store(to + ns + half - jb - 3, reversed(back_d));
    store(to + half + jb, (e.a - e.b) - (o.a - o.b));
    store(to + ns + half + jb, (o.p + o.q) - (e.p + e.q));
  };
  const int32_t* even = s.by_parity.data();
  const int32_t* odd = even + s.even;
  const int nodd = static_cast<int>(s.by_parity.size()) - s.even;
  for (int jb = 0; jb <= ns / 4; jb += 4) {
    Sums e1, e2, o1, o2;
    sum(even, s.even, jb, re, im, re2, im2, e1, e2);
    sum(odd, nodd, jb, re, im, re2, im2, o1, o2);
    put(out, jb, e1, o1);
    if (out2 != nullptr) put(out2, jb, e2, o2);
  }
}

// The largest and smallest of the values samples[0..ns).
SPINDRA_VECTOR_CLONES
void scan(const double* samples, int ns, double& top, double& bottom) {
  double hi[4] = {samples[0], samples[1], samples[2], samples[3]};
  double lo[4] = {hi[0], hi[1], hi[2], hi[3]};
  for (int j = 4; j < ns; j += 4) {
    for (int k = 0; k < 4; ++k) {
      const double v = samples[j + k];
      hi[k] = v > hi[k] ? v : hi[k];
      lo[k] = v < lo[k] ? v : lo[k];
    }
  }
  top = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
  bottom = std::min(std::min(lo[0], lo[1]), std::min(lo[2], lo[3]));
}

// The half range within kHalfRangeTolerance of itself: the largest and the
// smallest value are each found to within that share of the half range the
// samples already show (never more than the true one).
constexpr double kHalfRangeTolerance = 4.0e-7;

// `size` holds the coefficients' magnitudes.
double half_range_of_samples(const double* re, const double* im, const double* size,
                             const int32_t* m, int32_t count, const double* samples, Scratch& s) {
  const int ns = s.m;
  double b2 = 0.0, b3 = 0.0, b4 = 0.0;
  for (int o = 0; o < count; ++o) {
    const double x = size[o], mo = m[o];
    b2 += x * mo * mo;
    b3 += x * mo * mo * mo;
    b4 += x * mo * mo * mo * mo;
  }
  for (int o = 0; o < count; ++o) {
    s.dense_re[static_cast<std::size_t>(m[o] - 1)] = re[o];
    s.dense_im[static_cast<std::size_t>(m[o] - 1)] = im[o];
  }
  double top = 0.0, bottom = 0.0;
  scan(samples, ns, top, bottom);
  const double tol = kHalfRangeTolerance * 0.5 * (top - bottom);
  // Amplitudes so large that the bounds overflow come only from absurd data,
  // which the checks of the results refuse; refining would only take long.
  if (!std::isfinite(b4) || !std::isfinite(tol)) return 0.5 * (top - bottom);
  const double* d = samples + ns;
  // The intervals that may hold a value beyond the best sample by more than
  // the tolerance, for the largest and the smallest value.
  const double h0 = 2.0 * kPi / ns;
  const double lift = b2 * h0 * h0 / 8.0 * 1.001;
  uint64_t* above = s.near_above.data();
  uint64_t* below = s.near_below.data();
  mark_near(samples, d, ns, 0.5 * h0, top + tol - lift, -bottom + tol - lift, above, below);
  const double hi = extreme(samples, d, ns, 1.0, top, above, b3, b4, tol, s);
  const double lo = extreme(samples, d, ns, -1.0, -bottom, below, b3, b4, tol, s);
  return 0.5 * (hi - lo);
}

void make_tables(Scratch& s, const int32_t* m, int32_t count) {
  int32_t top = 1;
  for (int o = 0; o < count; ++o) top = std::max(top, m[o]);
  s.m = std::max(16, (4 * top + 7) / 8 * 8);
  s.top = top;
  s.blocks = (top + 3) / 4;
  s.dense_re.assign(static_cast<std::size_t>(s.blocks) * 4, 0.0);
  s.dense_im.assign(static_cast<std::size_t>(s.blocks) * 4, 0.0);
  s.pieces.clear();
  s.pieces.reserve(static_cast<std::size_t>(s.m) + 256);
  s.near_list.assign(static_cast<std::size_t>(s.m), 0);
  s.by_parity.clear();
  for (int parity = 0; parity < 2; ++parity) {
    for (int o = 0; o < count; ++o)
      if (m[o] % 2 == parity) s.by_parity.push_back(o);
    if (parity == 0) s.even = static_cast<int32_t>(s.by_parity.size());
  }
  const std::size_t points = static_cast<std::size_t>(s.m) + 1;
  s.unit_t.assign(points, 0.0);
  s.unit_cos.assign(2 * points, 0.0);
  s.unit_sin.assign(2 * points, 0.0);
  for (std::size_t j = 0; j < points; ++j) {
    const double t = static_cast<double>(j) * (2.0 * kPi / s.m);
    const long double c = std::cos(static_cast<long double>(t));
    const long double sn = std::sin(static_cast<long double>(t));
    s.unit_t[j] = t;
    s.unit_cos[j] = static_cast<double>(c);
    s.unit_sin[j] = static_cast<double>(sn);
    s.unit_cos[j + points] = static_cast<double>(c - static_cast<long double>(s.unit_cos[j]));
    s.unit_sin[j + points] = static_cast<double>(sn - static_cast<long double>(s.unit_sin[j]));
  }
  s.near_above.assign(static_cast<std::size_t>(s.m + 63) / 64, 0);
  s.near_below.assign(static_cast<std::size_t>(s.m + 63) / 64, 0);
  for (auto* v : {&s.cos_tab, &s.sin_tab, &s.mcos_tab, &s.msin_tab})
    v->assign(static_cast<std::size_t>(count) * s.m, 0.0);
  for (int o = 0; o < count; ++o)
    for (int j = 0; j < s.m; ++j) {
      const double u = 2.0 * kPi * j / s.m;
      const std::size_t at = static_cast<std::size_t>(o) * s.m + j;
      s.cos_tab[at] = std::cos(m[o] * u);
      s.sin_tab[at] = std::sin(m[o] * u);
      s.mcos_tab[at] = m[o] * s.cos_tab[at];
      s.msin_tab[at] = m[o] * s.sin_tab[at];
    }
}

std::size_t index(int32_t s, int32_t o, int32_t item) {
  const std::size_t no = run.orders.size() + 1;
  return (static_cast<std::size_t>(s) * no + static_cast<std::size_t>(o)) *
             static_cast<std::size_t>(run.items) +
         static_cast<std::size_t>(item);
}

// Amplitudes of every order and the synthesis of every item at speed s.
void store_speed(int32_t sp, Scratch& s) {
  const int no = static_cast<int>(run.orders.size());
  const ShaftSystem& sys = run.sys;
  const int nodes = sys.ndof;
  // Referred angles, sampled two degrees of freedom at a time.
  for (int v = 0; v < nodes; v += 2) {
    const std::size_t v0 = static_cast<std::size_t>(v), v1 = v0 + 1;
    const bool pair = v + 1 < nodes;
    sample(&s.x_re[v0 * no], &s.x_im[v0 * no], pair ? &s.x_re[v1 * no] : nullptr,
           pair ? &s.x_im[v1 * no] : nullptr, s, &s.samples[v0 * 2 * s.m],
           pair ? &s.samples[v1 * 2 * s.m] : nullptr);
  }
  // Without gears degree of freedom v is inertia v + 1 and its angle the
  // real one: the amplitudes go straight to the results.
  const bool geared = sys.geared != 0;
  const std::size_t un = static_cast<std::size_t>(nodes);
  double* dof_amp = s.dof_amp.data();
  for (int v = 0; v < nodes; ++v) {
    const double* xre = &s.x_re[static_cast<std::size_t>(v) * no];
    const double* xim = &s.x_im[static_cast<std::size_t>(v) * no];
    const auto at = [&](int o) -> double& {
      return geared ? dof_amp[static_cast<std::size_t>(o) * un + static_cast<std::size_t>(v)]
                    : run.amp[index(sp, o, v)];
    };
    double* size = s.size_of.data();
    for (int o = 0; o < no; ++o) {
      size[o] = std::sqrt(xre[o] * xre[o] + xim[o] * xim[o]);
      at(o + 1) = size[o];
    }
    const double* smp = &s.samples[static_cast<std::size_t>(v) * 2 * s.m];
    at(0) = half_range_of_samples(xre, xim, size, run.harmonic.data(), no, smp, s);
  }
  // Real angles: each inertia's ratio times its degree of freedom's angle.
  for (int j = 1; geared && j <= run.nmass; ++j) {
    const std::size_t v = static_cast<std::size_t>(sys.dof(j) - 1);
    const double r = sys.ratio(j);
    for (int o = 0; o <= no; ++o)
      run.amp[index(sp, o, j - 1)] = r * dof_amp[static_cast<std::size_t>(o) * un + v];
  }
  // Elastic torques: the samples follow from the angles' samples.
  std::vector<double>& tsmp = s.samples;
  const std::size_t tail = static_cast<std::size_t>(nodes) * 2 * s.m;
  const int width = 2 * s.m;
  const int items = run.nmass;
  for (int k = 0; k < run.nstif; ++k) {
    // A rigid mesh has no twist, and an element whose ends are one degree
    // of freedom neither: their torques stay 0.
    const int e = sys.element_of(k + 1);
    if (e == 0 || sys.elem(e).a == sys.elem(e).b) continue;
    const ShaftElement& el = sys.elem(e);
    const int a = el.a - 1, b = el.b - 1;
    const double stiff = el.torque_gain;
    const double* are = &s.x_re[static_cast<std::size_t>(a) * no];
    const double* aim = &s.x_im[static_cast<std::size_t>(a) * no];
    for (int o = 0; o < no; ++o) {
      double r = are[o], i = aim[o];
      if (b >= 0) {
        r -= s.x_re[static_cast<std::size_t>(b) * no + o];
        i -= s.x_im[static_cast<std::size_t>(b) * no + o];
      }
      s.c_re[static_cast<std::size_t>(o)] = stiff * r;
      s.c_im[static_cast<std::size_t>(o)] = stiff * i;
      s.size_of[static_cast<std::size_t>(o)] = stiff * std::sqrt(r * r + i * i);
      run.amp[index(sp, o + 1, items + k)] = s.size_of[static_cast<std::size_t>(o)];
    }
    const double* sa = &tsmp[static_cast<std::size_t>(a) * width];
    double* out = &tsmp[tail];
    if (b >= 0) {
      const double* sb = &tsmp[static_cast<std::size_t>(b) * width];
      for (int j = 0; j < width; ++j) out[j] = stiff * (sa[j] - sb[j]);
    } else {
      for (int j = 0; j < width; ++j) out[j] = stiff * sa[j];
    }
    run.amp[index(sp, 0, items + k)] = half_range_of_samples(
        s.c_re.data(), s.c_im.data(), s.size_of.data(), run.harmonic.data(), no, out, s);
  }
}

// The damping of stiffness k at the frequency omega (rad/s) of an order,
// N.m.s/rad, on its own shaft: its own damping and the shares of the loss
// factor and of a coupling's relative damping, (eta + psi / 2 pi) k / omega,
// as the solve has them.
double stiffness_damping(int32_t k, double omega) {
  const STIFFNESS& shaft = STIFF(k);
  const double loss = run.eta + shaft.psi / (2.0 * kPi);
  return shaft.dampin + (omega > 0.0 ? loss * shaft.stiff / omega : 0.0);
}

// The mean power dissipated in stiffness k at speed s by order o, W:
// 1/2 c omega^2 |twist|^2 with c its damping at that order's frequency.
double power_loss(int32_t k, int32_t s, int32_t o) {
  const double stiff = STIFF(k).stiff;
  if (stiff <= 0.0 || forced_rigid_mesh(k) != 0) return 0.0;  // a rigid mesh has no twist
  const double twist = run.amp[index(s - 1, o, run.nmass + k - 1)] / stiff;
  const double omega = run.orders[static_cast<std::size_t>(o - 1)] * 2.0 * kPi *
                       run.speeds[static_cast<std::size_t>(s - 1)] / 60.0;
  return 0.5 * stiffness_damping(k, omega) * omega * omega * twist * twist;
}

double shaft_diameter_mm(int32_t shaft) {
  return STIFF(shaft).diam * 1000.0;
}

}  // namespace

// ---- The interface --------------------------------------------------------------

void inertia_torque_coefficients(double lambda, double* c, int32_t count) {
  // torque / (m R^2 Omega^2) = -g g' with g = x' / R, x the piston's travel.
  constexpr int kPoints = 512;
  for (int n = 0; n < count; ++n) c[n] = 0.0;
  for (int j = 0; j < kPoints; ++j) {
    const double t = 2.0 * kPi * j / kPoints;
    const double sn = std::sin(t), cs = std::cos(t);
    const double root = std::sqrt(1.0 - lambda * lambda * sn * sn);
    const double q = sn * cs;
    const double g = sn + lambda * q / root;
    const double g1 =
        cs + lambda * (std::cos(2.0 * t) / root + lambda * lambda * q * q / (root * root * root));
    const double torque = -g * g1;
    for (int n = 1; n <= count; ++n) c[n - 1] += torque * std::sin(n * t) * 2.0 / kPoints;
  }
}

double half_range(const double* re, const double* im, const int32_t* m, int32_t count) {
  Scratch s;
  make_tables(s, m, count);
  std::vector<double> samples(static_cast<std::size_t>(2 * s.m));
  sample(re, im, nullptr, nullptr, s, samples.data(), nullptr);
  std::vector<double> size(static_cast<std::size_t>(count));
  for (int o = 0; o < count; ++o)
    size[static_cast<std::size_t>(o)] = std::sqrt(re[o] * re[o] + im[o] * im[o]);
  return half_range_of_samples(re, im, size.data(), m, count, samples.data(), s);
}

void permissible_stresses(double uts, double ck, double d_mm, double lambda, double* tau1,
                          double* tau2) {
  double t1 = 0.0, t2 = 0.0;
  if (uts > 0.0 && ck > 0.0 && d_mm > 0.0 && lambda >= 0.0) {
    const double cd = 0.35 + 0.93 * std::pow(d_mm, -0.2);
    const double base = (uts + 160.0) / 18.0 * ck * cd;
    if (lambda < 0.9) {
      t1 = base * (3.0 - 2.0 * lambda * lambda);
    } else if (lambda <= 1.05) {
      t1 = 1.38 * base;
    }
    if (lambda <= 0.8) t2 = 1.7 * t1 / std::sqrt(ck);
  }
  if (tau1 != nullptr) *tau1 = t1;
  if (tau2 != nullptr) *tau2 = t2;
}

// Torques above this (N.m) come only from values far beyond any engine.
constexpr double kAbsurdTorque = 1.0e30;

// An engine whose gas or inertia torque at speed n (order index o, 0-based;
// -1 for every order) is not a finite number or is above `limit`, named with
// the values that make it so; empty when there is none.
std::string torque_fault(double n, int32_t o, double limit) {
  const double big_omega = 2.0 * kPi * n / 60.0;
  for (const ForceTerm& t : run.terms) {
    if (o >= 0 && t.order != o) continue;
    const int32_t k = t.engine;
    const Excitation& x = ENGS(k).excitation;
    const std::string order = number(run.orders[static_cast<std::size_t>(t.order)]);
    const std::string at = " at " + number(n) + " rev/min";
    const auto size = [](double torque) {
      return std::isfinite(torque) ? " is " + number(torque) + " N.m" : " is not a finite number";
    };
    const bool loaded = t.gl_re != 0.0 || t.gl_im != 0.0;
    const double load =
        loaded ? t.load_factor * std::pow(n / run.sweep.n_rated, t.load_exp) : 0.0;
    const double gas = std::hypot(t.gc_re + load * t.gl_re, t.gc_im + load * t.gl_im);
    if (!(gas <= limit)) {
      if (loaded && !(std::fabs(std::log10(load)) <= 6.0))
        return engine_label(k) + ": the gas torque of order " + order + at + size(gas) +
               ", from the load exponent " + number(t.load_exp) + " with the rated speed of " +
               number(run.sweep.n_rated) + " rev/min.";
      return engine_label(k) + ": the gas torque of order " + order + at + size(gas) + " (bore " +
             length_text(x.bore) + ", stroke " + length_text(x.stroke) + ", rated mean pressure " +
             number(x.p_rated) + " bar, and the order's a and b).";
    }
    if (t.in_re == 0.0 && t.in_im == 0.0) continue;
    const double inertia = std::hypot(t.in_re, t.in_im) * big_omega * big_omega;
    if (!(inertia <= limit))
      return engine_label(k) + ": the inertia torque of order " + order + at + size(inertia) +
             " (reciprocating mass " + number(x.recip_mass) + " kg, stroke " +
             length_text(x.stroke) + ").";
  }
  return {};
}

// Why the response at speed n (order index o) is not finite: an engine's
// torque far too large there, else the speed or the model's other values.
std::string non_finite_cause(double n, int32_t o) {
  const std::string engine = torque_fault(n, o, kAbsurdTorque);
  if (!engine.empty()) return engine;
  return "The speed of " + number(n) +
         " rev/min, or the model's inertias, stiffnesses, damping or loss factor, are too "
         "large.";
}

// Every amplitude, stress and limit of the run is a finite number; else the
// run is refused naming the first that is not and what made it so.
bool check_results(std::string* message) {
  const int32_t no = static_cast<int32_t>(run.orders.size());
  // The report gives the engines' sizes in mm.
  for (int k = 1; k <= NENG; ++k) {
    const Excitation& x = ENGS(k).excitation;
    if (ENGS(k).ncyl <= 0 || !has_excitation(ENGS(k))) continue;
    if (std::isfinite(x.bore * 1000.0) && std::isfinite(x.stroke * 1000.0) &&
        std::isfinite(x.conrod * 1000.0))
      continue;
    return refuse(message, "The forced response is refused: " + engine_label(k) +
                               " has a bore, stroke or connecting rod too large to report "
                               "in mm (bore " +
                               number(x.bore) + " m, stroke " + number(x.stroke) + " m, rod " +
                               number(x.conrod) + " m).");
  }
  const std::string head = "The forced response is refused: ";
  for (std::size_t sp = 0; sp < run.speeds.size(); ++sp) {
    const double n = run.speeds[sp];
    const int32_t s = static_cast<int32_t>(sp);
    for (int32_t o = 0; o <= no; ++o) {
      for (int32_t item = 0; item < run.items; ++item) {
        const double v = run.amp[index(s, o, item)];
        const int32_t shaft = item - run.nmass + 1;  // < 1 for an inertia
        const double wp = shaft >= 1 ? run.wp[static_cast<std::size_t>(shaft - 1)] : 0.0;
        if (std::isfinite(v) && (wp <= 0.0 || std::isfinite(v / wp / 1.0e6))) continue;
        const std::string order =
            o == 0 ? std::string("synthesised")
                   : "order " + number(run.orders[static_cast<std::size_t>(o - 1)]);
        std::string what = "the angle of inertia " + std::to_string(item + 1);
        std::string cause = non_finite_cause(n, o - 1);
        if (shaft >= 1) what = "the torque of shaft " + std::to_string(shaft);
        if (std::isfinite(v)) {
          what = "the stress of shaft " + std::to_string(shaft);
          cause = "Stiffness " + std::to_string(shaft) + " has a diameter of " +
                  length_text(STIFF(shaft).diam) + ".";
        }
        return refuse(message, head + what + " at " + number(n) + " rev/min (" + order +
                                   ") is not a finite number. " + cause);
      }
    }
    for (int32_t shaft = 1; shaft <= run.nstif; ++shaft) {
      double tau1 = 0.0, tau2 = 0.0;
      forced_shaft_limits(shaft, n, &tau1, &tau2);
      const double wp = run.wp[static_cast<std::size_t>(shaft - 1)];
      const double torque = run.amp[index(s, 0, run.nmass + shaft - 1)];
      const double stress = wp > 0.0 ? torque / wp / 1.0e6 : 0.0;
      if (std::isfinite(tau1) && std::isfinite(tau2) &&
          (tau1 <= 0.0 || std::isfinite(stress / tau1)))
        continue;
      return refuse(message, head + "the permissible stresses of shaft " + std::to_string(shaft) +
                                 " at " + number(n) +
                                 " rev/min, or the stress over them, are not finite numbers "
                                 "(tensile strength " +
                                 number(STIFF(shaft).uts) + " MPa, factor ck " +
                                 number(STIFF(shaft).ck) + ", diameter " +
                                 length_text(STIFF(shaft).diam) + ").");
    }
  }
  return true;
}

bool run_forced_response(const ForcedRequest& request, std::string* message) {
  run.valid = 0;
  run.amp.clear();
  run.amp.shrink_to_fit();
  if (!check_model_for_analysis(message)) return false;
  const int32_t number = request.load_case == 0 ? 1 : request.load_case;
  if (number < 1 || number > forced_case_count())
    return refuse(message, "There is no load case " + std::to_string(number) + "; the model has " +
                               std::to_string(forced_case_count()) + ".");
  const LoadCase load = forced_case(number);
  // A misfire asked for replaces the case's own.
  ForcedRequest effective = request;
  effective.load_case = number;
  if (request.misfire_engine == 0) {
    effective.misfire_engine = load.misfire_engine;
    effective.misfire_cylinder = load.misfire_engine == 0 ? 0 : load.misfire_cylinder;
  }
  if (!check_sweep(load, message) || !check_damping(message)) return false;
  build_shaft_system(run.sys);
  // The one case of a model without load cases keeps each engine's own
  // load law; a load case sets the law of every engine.
  if (!build_forces(effective, load, NCASES > 0, message)) return false;

  run.request = effective;
  run.load_case = load;
  run.case_number = number;
  run.sweep = forced_sweep;
  run.eta = forced_sweep.eta;
  run.nmass = NMASS;
  run.nstif = NSTIF;
  run.items = NMASS + NSTIF;
  run.speeds.clear();
  const long count =
      static_cast<long>(std::floor((load.n_to - load.n_from) / load.n_step + 1e-9)) + 1;
  for (long i = 0; i < count; ++i) {
    const double n = load.n_from + static_cast<double>(i) * load.n_step;
    if (n > 0.0) run.speeds.push_back(n);
  }
  if (run.speeds.empty())
    return refuse(message, "The forced-response sweep has no speed above zero.");
  // The operating range the verdict judges, cut to the sweep.
  run.oper_from = std::max(load.oper_from, run.speeds.front());
  run.oper_to = std::min(load.oper_to, run.speeds.back());
  if (run.oper_to < run.oper_from) run.oper_to = run.oper_from;
  // The torques grow or shrink with the speed: at the ends of the sweep
  // they are largest, so an overflow shows there before any solve.
  for (const double n : {run.speeds.front(), run.speeds.back()}) {
    const std::string overflow = torque_fault(n, -1, std::numeric_limits<double>::max());
    if (!overflow.empty()) return refuse(message, "The forced response is refused: " + overflow);
  }
  const int no = static_cast<int>(run.orders.size());
  const double values = static_cast<double>(run.speeds.size()) * (no + 1) * run.items;
  if (values > kMaxKeptValues)
    return refuse(message, "The forced response of " + std::to_string(run.speeds.size()) +
                               " speeds, " + std::to_string(no) + " orders and " +
                               std::to_string(run.items) +
                               " inertias and shafts is too large to keep; take a larger "
                               "speed step.");
  run.wp.assign(static_cast<std::size_t>(NSTIF), 0.0);
  for (int s = 1; s <= NSTIF; ++s) {
    const double d = STIFF(s).diam, b = STIFF(s).bore;
    if (d > 0.0)
      run.wp[static_cast<std::size_t>(s - 1)] = kPi * (d * d * d * d - b * b * b * b) / (16.0 * d);
  }

  // Processor time of this thread: the machine may be busy with other work.
  const auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
  };
  const double start = now();
  double solving = 0.0;
  run.amp.assign(static_cast<std::size_t>(values), 0.0);
  Scratch s;
  s.size(run.sys.ndof, no);
  s.dof_amp.assign(static_cast<std::size_t>(no + 1) * static_cast<std::size_t>(run.sys.ndof), 0.0);
  make_tables(s, run.harmonic.data(), no);
  s.samples.assign(static_cast<std::size_t>(NMASS + 1) * 2 * s.m, 0.0);
  for (std::size_t sp = 0; sp < run.speeds.size(); ++sp) {
    const double before = now();
    solve_speed(run.speeds[sp], s);
    solving += now() - before;
    store_speed(static_cast<int32_t>(sp), s);
  }
  run.timing.solves = solving;
  run.timing.total = now() - start;
  run.valid = 1;
  if (!check_results(message)) {
    run.valid = 0;
    run.amp.clear();
    run.amp.shrink_to_fit();
    return false;
  }
  if (message != nullptr) {
    message->clear();
    for (int k : run.left_out)
      *message += engine_label(k) + " has no excitation data and is left out. ";
    if (!message->empty()) message->pop_back();
  }
  return true;
}

int32_t forced_results_valid() {
  // A model emptied or changed in size since the run no longer fits it.
  return run.valid != 0 && run.nmass == NMASS && run.nstif == NSTIF ? 1 : 0;
}

int32_t forced_speed_count() {
  return forced_results_valid() != 0 ? static_cast<int32_t>(run.speeds.size()) : 0;
}

double forced_speed(int32_t s) {
  if (forced_results_valid() == 0 || s < 1 || s > forced_speed_count()) return 0.0;
  return run.speeds[static_cast<std::size_t>(s - 1)];
}

int32_t forced_order_count() {
  return forced_results_valid() != 0 ? static_cast<int32_t>(run.orders.size()) : 0;
}

double forced_order(int32_t o) {
  if (forced_results_valid() == 0 || o < 1 || o > forced_order_count()) return 0.0;
  return run.orders[static_cast<std::size_t>(o - 1)];
}

double forced_amplitude(ForcedKind kind, int32_t number, int32_t s, int32_t o) {
  if (forced_results_valid() == 0 || s < 1 || s > forced_speed_count() || o < 0 ||
      o > forced_order_count())
    return 0.0;
  if (kind == ForcedKind::kAngle) {
    if (number < 1 || number > run.nmass) return 0.0;
    return run.amp[index(s - 1, o, number - 1)];
  }
  if (number < 1 || number > run.nstif) return 0.0;
  if (kind == ForcedKind::kPower) {
    if (o != 0) return power_loss(number, s, o);
    double sum = 0.0;
    for (int32_t oo = 1; oo <= forced_order_count(); ++oo) sum += power_loss(number, s, oo);
    return sum;
  }
  const double torque = run.amp[index(s - 1, o, run.nmass + number - 1)];
  if (kind == ForcedKind::kTorque) return torque;
  const double wp = run.wp[static_cast<std::size_t>(number - 1)];
  return wp > 0.0 ? torque / wp / 1.0e6 : 0.0;
}

int32_t forced_rigid_mesh(int32_t shaft) {
  if (forced_results_valid() == 0 || shaft < 1 || shaft > run.nstif) return 0;
  return run.sys.element_of(shaft) == 0 ? 1 : 0;
}

int32_t forced_engines_left_out(int32_t* out, int32_t capacity) {
  const int32_t n = forced_results_valid() != 0 ? static_cast<int32_t>(run.left_out.size()) : 0;
  for (int32_t i = 0; i < n && i < capacity; ++i)
    out[i] = run.left_out[static_cast<std::size_t>(i)];
  return n;
}

ForcedPeak forced_peak(ForcedKind kind, int32_t number, int32_t o, double n_lo, double n_hi) {
  ForcedPeak peak;
  for (int32_t s = 1; s <= forced_speed_count(); ++s) {
    const double n = forced_speed(s);
    if (n < n_lo - 1e-9 || n > n_hi + 1e-9) continue;
    const double v = forced_amplitude(kind, number, s, o);
    if (peak.s == 0 || v > peak.value) {
      peak.value = v;
      peak.speed = n;
      peak.s = s;
    }
  }
  return peak;
}

std::string forced_order_text(int32_t o) {
  if (o == 0) return "synth";
  return number(forced_order(o));
}

double forced_section_modulus(int32_t shaft) {
  if (shaft < 1 || shaft > NSTIF) return 0.0;
  const double d = STIFF(shaft).diam, b = STIFF(shaft).bore;
  return d > 0.0 ? kPi * (d * d * d * d - b * b * b * b) / (16.0 * d) : 0.0;
}

int32_t forced_shaft_has_limits(int32_t shaft) {
  if (shaft < 1 || shaft > NSTIF || STIFF(shaft).diam <= 0.0) return 0;
  return STIFF(shaft).uts > 0.0 || STIFF(shaft).limit_kind == kLimitStress ? 1 : 0;
}

void forced_shaft_limits(int32_t shaft, double n, double* tau1, double* tau2) {
  const double rated = forced_results_valid() != 0 ? run.sweep.n_rated : forced_sweep.n_rated;
  if (forced_shaft_has_limits(shaft) == 0 || rated <= 0.0) {
    if (tau1 != nullptr) *tau1 = 0.0;
    if (tau2 != nullptr) *tau2 = 0.0;
    return;
  }
  const STIFFNESS& k = STIFF(shaft);
  if (k.limit_kind == kLimitStress) {
    // The maker's permissible stresses hold at every speed up to the end of
    // continuous running.
    const bool running = n <= 1.05 * rated * (1.0 + 1e-12);
    if (tau1 != nullptr) *tau1 = running ? k.limit_v1 : 0.0;
    if (tau2 != nullptr) *tau2 = running ? k.limit_v2 : 0.0;
    return;
  }
  const double ck = k.ck > 0.0 ? k.ck : 1.0;
  permissible_stresses(k.uts, ck, shaft_diameter_mm(shaft), n / rated, tau1, tau2);
}

void forced_coupling_limits(int32_t k, double* t_kw, double* p_kv, double* t_kmax) {
  const bool coupling = k >= 1 && k <= NSTIF && STIFF(k).limit_kind == kLimitCoupling;
  if (t_kw != nullptr) *t_kw = coupling ? STIFF(k).limit_v1 : 0.0;
  if (p_kv != nullptr) *p_kv = coupling ? STIFF(k).limit_v2 : 0.0;
  if (t_kmax != nullptr) *t_kmax = coupling ? STIFF(k).limit_v3 : 0.0;
}

void forced_operating_range(double* from, double* to) {
  double lo = 0.0, hi = 0.0;
  if (forced_results_valid() != 0 && !run.speeds.empty()) {
    lo = run.oper_from;
    hi = run.oper_to;
  }
  if (from != nullptr) *from = lo;
  if (to != nullptr) *to = hi;
}

bool model_operating_range(double* from, double* to) {
  const ForcedSweep& w = forced_sweep;
  const bool rated = std::isfinite(w.n_rated) && w.n_rated > 0.0;
  const LoadCase c = forced_case(1);
  const bool own = NCASES > 0 && std::isfinite(c.oper_from) && std::isfinite(c.oper_to) &&
                   c.oper_from >= 0.0 && c.oper_to >= c.oper_from;
  const double hi = !rated ? 0.0 : own ? c.oper_to : 1.05 * w.n_rated;
  const double lo = !rated                            ? 0.0
                    : own                             ? c.oper_from
                    : std::isfinite(w.n_from) ? std::clamp(w.n_from, 0.0, hi)
                                                      : 0.0;
  if (from != nullptr) *from = lo;
  if (to != nullptr) *to = hi;
  return rated;
}

int32_t forced_barred_ranges(int32_t shaft, BarredRange* out, int32_t capacity) {
  if (forced_shaft_has_limits(shaft) == 0 && STIFF(shaft).limit_kind != kLimitCoupling) return 0;
  const StiffnessVerdict v = judge_stiffness(shaft);
  const int32_t count = static_cast<int32_t>(v.ranges.size());
  for (int32_t i = 0; i < count && i < capacity && out != nullptr; ++i) {
    const JudgedRange& r = v.ranges[static_cast<std::size_t>(i)];
    out[i] = BarredRange{r.from, r.to, r.above_08};
  }
  return count;
}

int32_t forced_worst_shaft() {
  if (forced_results_valid() == 0) return 0;
  int32_t best = 0;
  double best_value = -1.0;
  int kind_rank = -1;  // 2 = ratio to tau1, 1 = stress, 0 = torque
  for (int32_t k = 1; k <= run.nstif; ++k) {
    if (forced_rigid_mesh(k) != 0) continue;  // no twist
    int rank = 0;
    double value = 0.0;
    for (int32_t s = 1; s <= forced_speed_count(); ++s) {
      double tau1 = 0.0;
      forced_shaft_limits(k, forced_speed(s), &tau1, nullptr);
      const double stress = forced_amplitude(ForcedKind::kStress, k, s, 0);
      if (forced_shaft_has_limits(k) != 0) {
        rank = 2;
        value = std::max(value, tau1 > 0.0 ? stress / tau1 : 0.0);
      } else if (run.wp[static_cast<std::size_t>(k - 1)] > 0.0) {
        rank = 1;
        value = std::max(value, stress);
      } else {
        value = std::max(value, forced_amplitude(ForcedKind::kTorque, k, s, 0));
      }
    }
    if (rank > kind_rank || (rank == kind_rank && value > best_value)) {
      best = k;
      best_value = value;
      kind_rank = rank;
    }
  }
  return best;
}

ForcedTiming forced_last_timing() {
  return run.timing;
}

ForcedRequest forced_last_request() {
  return forced_results_valid() != 0 ? run.request : ForcedRequest{};
}

bool forced_excitation_terms(std::vector<ExcitationTerm>* terms, std::string* message) {
  terms->clear();
  const LoadCase sweep = sweep_case();
  if (!check_sweep(sweep, message)) return false;
  // build_forces works on the run's own lists: a kept run is set aside and
  // comes back as it was.
  Run kept;
  std::swap(run, kept);
  build_shaft_system(run.sys);
  const bool ok = build_forces(ForcedRequest{}, sweep, false, message);
  if (ok) {
    for (const ForceTerm& t : run.terms) {
      ExcitationTerm e;
      e.inertia = t.inertia;
      e.order = run.orders[static_cast<std::size_t>(t.order)];
      e.load_exp = t.load_exp;
      e.gc_re = t.gc_re;
      e.gc_im = t.gc_im;
      e.gl_re = t.gl_re;
      e.gl_im = t.gl_im;
      e.in_re = t.in_re;
      e.in_im = t.in_im;
      terms->push_back(e);
    }
  }
  std::swap(run, kept);
  return ok;
}

namespace {
Run aside;
}  // namespace

void forced_set_run_aside() {
  std::swap(run, aside);
  run.valid = 0;
}

void forced_take_run_back() {
  std::swap(run, aside);
  aside = Run{};
}

std::string& forced_program_text() {
  static std::string text = "Spindra";
  return text;
}

double forced_rated_speed() {
  return forced_results_valid() != 0 ? run.sweep.n_rated : forced_sweep.n_rated;
}

int32_t forced_case_count() {
  return NCASES > 0 ? std::min(NCASES, kMaxCases) : 1;
}

LoadCase forced_case(int32_t number) {
  if (NCASES > 0) return number >= 1 && number <= forced_case_count() ? LOAD_CASES(number) : LoadCase{};
  return sweep_case();
}


int32_t forced_case_number(std::string_view name) {
  for (int32_t i = 1; i <= forced_case_count(); ++i)
    if (forced_case(i).name.trimmed() == name) return i;
  return 0;
}

LoadCase forced_last_case() {
  return forced_results_valid() != 0 ? run.load_case : LoadCase{};
}

std::string forced_run_title() {
  if (forced_results_valid() == 0) return std::string();
  std::string text = "Load case " + run.load_case.name.str();
  const ForcedRequest& r = run.request;
  if (r.misfire_engine != 0)
    text += ", misfire of engine " + std::to_string(r.misfire_engine) + " cylinder " +
            std::to_string(r.misfire_cylinder);
  return text;
}

}  // namespace spindra
