#include "analysis/campbell.h"

#include <algorithm>
#include <cmath>

#include "analysis/engine_orders.h"

namespace spindra {

void clear_crossings() {
  NCROSS = 0;
  NCROSS_ENGINES = 0;
  VECSUM_MAX = 0.0;
}

void record_crossings(int32_t mode, int32_t ltab, double f) {
  const int engines = engines_in_use();
  NCROSS_ENGINES = engines;
  double ordno = ORDMIN;
  do {
    if (NCROSS >= kMaxCrossings) return;
    CROSSING& c = CROSSINGS(++NCROSS);
    c.mode = mode;
    c.ltab = ltab;
    c.order = ordno;
    c.freq = f;
    c.speed = f / ordno;
    c.vecsum = 0.0;
    for (int e = 1; e <= engines; ++e) {
      const OrderLine line = order_line(IENG_LIST(e), ordno, f);
      c.speed = line.speed;
      c.vecsum = std::max(c.vecsum, line.vecsum);
    }
    VECSUM_MAX = std::max(VECSUM_MAX, c.vecsum);
    ordno = ordno + ORDSTEP;
  } while (ordno <= ORDMAX);
}

double relative_vecsum(int32_t i) {
  if (i < 1 || i > NCROSS || !(VECSUM_MAX > 0.0)) return 0.0;
  return std::clamp(CROSSINGS(i).vecsum / VECSUM_MAX, 0.0, 1.0);
}

double round_step(double span, int max_ticks) {
  if (!(span > 0.0) || !std::isfinite(span) || max_ticks < 1) return 1.0;
  const double raw = span / max_ticks;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    // A hair of tolerance keeps 1000 / 5 at 200 rather than 500.
    if (m * decade >= raw * (1.0 - 1e-9)) return m * decade;
  }
  return 10.0 * decade;
}

double round_up(double v, double step) {
  return std::ceil(v / step - 1e-9) * step;
}

CampbellRange default_campbell_range() {
  CampbellRange r;
  double speed = 0.0, top = 0.0;
  for (int32_t i = 1; i <= NCROSS; ++i) {
    speed = std::max(speed, CROSSINGS(i).speed);
    top = std::max(top, CROSSINGS(i).freq);
  }
  if (NCROSS == 0) {
    for (int m = 1; m <= kMaxNodes && IFREQS(m) != 0; ++m) {
      const int k = IFREQS(m);
      if (k >= 1 && k <= kMaxNodes) top = std::max(top, vpm(EIGS(k)));
    }
    speed = ORDMIN > 0.0 ? top / ORDMIN : top;
  }
  if (!(speed > 0.0)) speed = 1.0;
  if (!(top > 0.0)) top = 1.0;
  speed *= 1.05;
  top *= 1.1;
  r.speed_to = round_up(speed, round_step(speed, 8));
  r.freq_top = round_up(top, round_step(top, 8));
  // A model with a rated speed is looked at up to 1.2 times it.
  const double rated = forced_sweep.n_rated;
  if (std::isfinite(rated) && rated > 0.0) r.speed_to = 1.2 * rated;
  return r;
}

bool campbell_available(std::string* message) {
  if (IVALID != 1) {
    if (message) *message = "There are no results to draw: run Calculate > Frequencies first.";
    return false;
  }
  if (ICURRENT_FREQ == 0 || IFREQS(1) == 0) {
    if (message)
      *message =
          "The last analysis found no natural frequency above 0.3 vib/min, so there is no "
          "mode for the engine orders to meet.";
    return false;
  }
  return true;
}

}  // namespace spindra
