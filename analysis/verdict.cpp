#include "analysis/verdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/forced_response.h"
#include "app/model/store.h"

namespace spindra {

namespace {

// What is judged for a kind of limit and how it is named in the reasons.
struct Series {
  ForcedKind kind;
  const char* quantity;
  const char* unit;
  const char* limit1;  // the continuous limit
  const char* limit2;  // the limit for passing through a barred range
  int decimals;
};

constexpr Series kStressSeries{ForcedKind::kStress, "stress", "MPa", "tau1", "tau2", 1};
constexpr Series kTorqueSeries{ForcedKind::kTorque, "torque", "N.m", "T_KW", "T_Kmax", 0};

std::string fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::string speed_text(double n) {
  return fixed(n, 0) + " rev/min";
}

std::string value_text(const Series& series, double v) {
  return fixed(v, series.decimals) + " " + series.unit;
}

bool is_coupling(int32_t k) {
  return STIFF(k).limit_kind == kLimitCoupling;
}

// The continuous limit and the limit for passing through at speed n.
void limits_at(int32_t k, double n, double* l1, double* l2) {
  if (is_coupling(k)) {
    double t_kw = 0.0, p_kv = 0.0, t_kmax = 0.0;
    forced_coupling_limits(k, &t_kw, &p_kv, &t_kmax);
    const bool running = n <= judged_speed_limit() * (1.0 + 1e-12);
    *l1 = running ? t_kw : 0.0;
    *l2 = running ? t_kmax : 0.0;
    return;
  }
  forced_shaft_limits(k, n, l1, l2);
}

// Whether speed s lies in the range the verdict judges.
bool judged(int32_t k, int32_t s, double lo, double hi) {
  const double n = forced_speed(s);
  if (n < lo - 1e-9 || n > hi + 1e-9) return false;
  double l1 = 0.0, l2 = 0.0;
  limits_at(k, n, &l1, &l2);
  return l1 > 0.0;
}

// The speed of a peak of the value at sweep speed s (a parabola through it
// and its neighbours), or 0 when s is no peak.
double peak_speed(const Series& series, int32_t k, int32_t s) {
  if (s <= 1 || s >= forced_speed_count()) return 0.0;
  const double y0 = forced_amplitude(series.kind, k, s - 1, 0);
  const double y1 = forced_amplitude(series.kind, k, s, 0);
  const double y2 = forced_amplitude(series.kind, k, s + 1, 0);
  if (!(y1 > y0 && y1 >= y2)) return 0.0;
  const double n0 = forced_speed(s - 1), n1 = forced_speed(s), n2 = forced_speed(s + 1);
  const double curve = y0 - 2.0 * y1 + y2;
  if (curve >= 0.0 || std::fabs(n2 - n1 - (n1 - n0)) > 1e-6 * (n2 - n0)) return n1;
  const double shift = std::clamp(0.5 * (y0 - y2) / curve, -0.5, 0.5);
  return n1 + shift * (n1 - n0);
}

// The barred ranges of the value against the continuous limit over the
// judged range lo..hi, widened around their critical speeds and merged.
std::vector<JudgedRange> barred_ranges(const Series& series, int32_t k, double lo, double hi) {
  const double rated = forced_rated_speed();
  std::vector<JudgedRange> ranges;
  bool inside = false;
  int32_t prev = 0;
  double prev_excess = 0.0;
  JudgedRange range;
  const auto widen = [&](double nc) {
    const double lambda = nc / rated;
    range.from = std::min(range.from, 16.0 * nc / (18.0 - lambda));
    range.to = std::max(range.to, (18.0 - lambda) * nc / 16.0);
  };
  const auto close = [&](double end) {
    range.to = std::max(range.to, end);
    ranges.push_back(range);
    inside = false;
  };
  for (int32_t s = 1; s <= forced_speed_count(); ++s) {
    const double n = forced_speed(s);
    if (!judged(k, s, lo, hi)) {
      if (inside) close(forced_speed(prev));
      prev = 0;
      continue;
    }
    double l1 = 0.0, l2 = 0.0;
    limits_at(k, n, &l1, &l2);
    const double excess = forced_amplitude(series.kind, k, s, 0) / l1 - 1.0;
    if (excess > 0.0 && !inside) {
      inside = true;
      range = JudgedRange{};
      const double start =
          prev == 0 ? n
                    : forced_speed(prev) +
                          (n - forced_speed(prev)) * (-prev_excess) / (excess - prev_excess);
      range.from = start;
      range.to = start;
    }
    if (excess <= 0.0 && inside)
      close(forced_speed(prev) + (n - forced_speed(prev)) * prev_excess / (prev_excess - excess));
    if (inside) {
      const double nc = peak_speed(series, k, s);
      if (nc > 0.0) widen(nc);
    }
    prev = s;
    prev_excess = excess;
  }
  if (inside) close(forced_speed(prev));
  std::sort(ranges.begin(), ranges.end(),
            [](const JudgedRange& a, const JudgedRange& b) { return a.from < b.from; });
  std::vector<JudgedRange> merged;
  for (const JudgedRange& r : ranges) {
    if (!merged.empty() && r.from <= merged.back().to) {
      merged.back().to = std::max(merged.back().to, r.to);
    } else {
      merged.push_back(r);
    }
  }
  for (JudgedRange& r : merged) r.from = std::max(r.from, 0.0);
  return merged;
}

// Judges each barred range: below lambda 0.8 and the value under the limit
// for passing through.  The reasons go to `reasons`.
void judge_ranges(const Series& series, int32_t k, double lo, double hi,
                  std::vector<JudgedRange>& ranges, std::vector<std::string>& reasons) {
  const double rated = forced_rated_speed();
  const double top_speed = 0.8 * rated;
  for (JudgedRange& r : ranges) {
    const std::string name = "barred range " + fixed(r.from, 0) + " to " + speed_text(r.to);
    std::vector<std::string> why;
    r.above_08 = r.to > top_speed * (1.0 + 1e-12) ? 1 : 0;
    // The worst value against each limit inside the range.
    double worst2 = -1.0, at2 = 0.0, v2 = 0.0, lim2 = 0.0;
    double worst1 = -1.0, at1 = 0.0, v1 = 0.0, lim1 = 0.0;
    for (int32_t s = 1; s <= forced_speed_count(); ++s) {
      const double n = forced_speed(s);
      if (n < r.from - 1e-9 || n > r.to + 1e-9 || !judged(k, s, lo, hi)) continue;
      const double v = forced_amplitude(series.kind, k, s, 0);
      double l1 = 0.0, l2 = 0.0;
      limits_at(k, n, &l1, &l2);
      if (n > top_speed * (1.0 + 1e-12)) {
        const double ratio = v / l1;
        if (ratio > 1.0 && ratio > worst1) {
          worst1 = ratio;
          at1 = n;
          v1 = v;
          lim1 = l1;
        }
        continue;
      }
      const double ratio = l2 > 0.0 ? v / l2 : 1.0e300;
      if (ratio >= 1.0 && ratio > worst2) {
        worst2 = ratio;
        at2 = n;
        v2 = v;
        lim2 = l2;
      }
    }
    if (r.above_08 != 0) {
      std::string text = name + " reaches above 0.8 x rated speed (" + speed_text(top_speed) + ")";
      if (worst1 > 0.0)
        text += ": " + std::string(series.quantity) + " " + value_text(series, v1) + " at " +
                speed_text(at1) + " exceeds " + series.limit1 + " " + value_text(series, lim1);
      why.push_back(text);
    }
    if (worst2 > 0.0) {
      if (lim2 > 0.0) {
        why.push_back(name + ": " + series.quantity + " " + value_text(series, v2) + " at " +
                      speed_text(at2) + " exceeds " + series.limit2 + " " +
                      value_text(series, lim2));
      } else {
        why.push_back(name + ": " + series.quantity + " " + value_text(series, v2) + " at " +
                      speed_text(at2) + " and no barred range is permitted (" + series.limit2 +
                      " 0)");
      }
    }
    r.acceptable = why.empty() ? 1 : 0;
    for (std::string& w : why) reasons.push_back(std::move(w));
  }
}

}  // namespace

double judged_speed_limit() {
  return 1.05 * forced_rated_speed();
}

std::string limit_kind_text(int32_t k) {
  if (k < 1 || k > NSTIF) return std::string();
  if (STIFF(k).limit_kind == kLimitCoupling) return "coupling";
  if (STIFF(k).limit_kind == kLimitStress) return "maker's stress";
  if (STIFF(k).uts > 0.0) return "shaft rule";
  return std::string();
}

StiffnessVerdict judge_stiffness(int32_t k) {
  StiffnessVerdict v;
  if (forced_results_valid() == 0 || k < 1 || k > NSTIF) {
    v.note = "no results";
    return v;
  }
  if (forced_rigid_mesh(k) != 0) {
    v.note = "rigid gear mesh, no twist";
    return v;
  }
  const bool coupling = is_coupling(k);
  if (limit_kind_text(k).empty()) {
    v.note = "no limits";
    return v;
  }
  if (!coupling && forced_shaft_has_limits(k) == 0) {
    v.note = "stress limits but no shaft diameter";
    return v;
  }
  double lo = 0.0, hi = 0.0;
  forced_operating_range(&lo, &hi);
  hi = std::min(hi, judged_speed_limit());
  bool any = false;
  for (int32_t s = 1; s <= forced_speed_count() && !any; ++s) any = judged(k, s, lo, hi);
  if (!any) {
    v.note = "no speed of the sweep in the operating range up to 1.05 x rated speed";
    return v;
  }
  const Series& series = coupling ? kTorqueSeries : kStressSeries;
  v.ranges = barred_ranges(series, k, lo, hi);
  judge_ranges(series, k, lo, hi, v.ranges, v.reasons);
  if (coupling) {
    double t_kw = 0.0, p_kv = 0.0, t_kmax = 0.0;
    forced_coupling_limits(k, &t_kw, &p_kv, &t_kmax);
    double worst = 0.0, at = 0.0, power = 0.0;
    for (int32_t s = 1; s <= forced_speed_count() && p_kv > 0.0; ++s) {
      if (!judged(k, s, lo, hi)) continue;
      const double p = forced_amplitude(ForcedKind::kPower, k, s, 0);
      if (p / p_kv > worst) {
        worst = p / p_kv;
        at = forced_speed(s);
        power = p;
      }
    }
    if (worst > 1.0)
      v.reasons.push_back("power loss " + fixed(power, 0) + " W at " + speed_text(at) +
                          " exceeds P_KV " + fixed(p_kv, 0) + " W");
  }
  if (!v.reasons.empty()) {
    v.grade = VerdictGrade::kNotAcceptable;
  } else if (!v.ranges.empty()) {
    v.grade = VerdictGrade::kAcceptableBarred;
  } else {
    v.grade = VerdictGrade::kAcceptable;
  }
  return v;
}

std::string verdict_text(const StiffnessVerdict& v) {
  switch (v.grade) {
    case VerdictGrade::kAcceptable:
      return "acceptable";
    case VerdictGrade::kAcceptableBarred: {
      std::string text =
          v.ranges.size() == 1 ? "acceptable with barred range " : "acceptable with barred ranges ";
      for (std::size_t i = 0; i < v.ranges.size(); ++i)
        text += (i == 0 ? "" : ", ") + fixed(v.ranges[i].from, 0) + " to " +
                speed_text(v.ranges[i].to);
      return text;
    }
    case VerdictGrade::kNotAcceptable: {
      std::string text = "not acceptable: ";
      for (std::size_t i = 0; i < v.reasons.size(); ++i)
        text += (i == 0 ? "" : "; ") + v.reasons[i];
      return text;
    }
    case VerdictGrade::kNotAssessed:
      break;
  }
  return "not assessed (" + v.note + ")";
}

DesignVerdict judge_design() {
  DesignVerdict d;
  int assessed = 0;
  for (int32_t k = 1; k <= NSTIF; ++k) {
    if (forced_rigid_mesh(k) != 0) continue;  // no twist: nothing to judge
    const StiffnessVerdict v = judge_stiffness(k);
    if (v.grade == VerdictGrade::kNotAssessed) {
      d.not_assessed.push_back(k);
      continue;
    }
    ++assessed;
    const std::string who = "stiffness " + std::to_string(k) +
                            (STIFF(k).name.is_blank() ? "" : " (" + STIFF(k).name.str() + ")");
    for (const std::string& r : v.reasons) d.reasons.push_back(who + ": " + r);
  }
  // With nothing judged there is nothing to accept.
  if (assessed == 0 && forced_results_valid() != 0)
    d.reasons.push_back("no stiffness has limits, so nothing is assessed");
  d.acceptable = d.reasons.empty() && forced_results_valid() != 0;
  return d;
}

std::string design_verdict_line(const DesignVerdict& v) {
  if (v.acceptable) return "The design is acceptable";
  if (v.reasons.empty()) return "The design is not acceptable";
  std::string text = "The design is not acceptable: " + v.reasons.front();
  if (v.reasons.size() > 1)
    text += " (and " + std::to_string(v.reasons.size() - 1) + " more)";
  return text;
}

}  // namespace spindra
