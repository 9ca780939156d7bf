// The verdict of the forced response on every stiffness and on the design,
// for the load case of the last run.
//
// A stiffness is judged by the limits it carries: the shaft rule (tensile
// strength and factor ck of the FORCED section), the maker's permissible
// stress (LIMITS `stress`) or a flexible coupling's permissible torque and
// power loss (LIMITS `coupling`).  Only the operating range of the case is
// judged, and nothing above 1.05 times the rated speed.
//
// Inside the judged range the synthesised value (stress, or torque for a
// coupling) must stay below the continuous limit (tau1, T_KW) except in
// barred ranges.  A barred range is where the value exceeds that limit,
// widened to at least 16 n_c / (18 - lambda_c) .. (18 - lambda_c) n_c / 16
// around each critical speed n_c inside it (lambda_c = n_c / N_rated, a
// peak of the value); it is acceptable only when it lies wholly below
// lambda 0.8 and the value inside it stays below the limit for passing
// through (tau2, T_Kmax; 0 = none acceptable).  A coupling's power loss
// must stay below P_KV over the judged range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spindra {

enum class VerdictGrade : int32_t {
  kNotAssessed = 0,       // no limits
  kAcceptable = 1,        // below the continuous limit everywhere
  kAcceptableBarred = 2,  // barred ranges, each acceptable
  kNotAcceptable = 3,
};

// A barred range (rev/min); `above_08` 1 when it reaches above 0.8 times the
// rated speed, `acceptable` 1 when passing through it is permitted.
struct JudgedRange {
  double from = 0.0;
  double to = 0.0;
  int32_t above_08 = 0;
  int32_t acceptable = 0;
};

struct StiffnessVerdict {
  VerdictGrade grade = VerdictGrade::kNotAssessed;
  std::vector<JudgedRange> ranges;
  // Not acceptable: every reason, with the speeds, the value and the limit.
  std::vector<std::string> reasons;
  // Not assessed: why ("no limits", ...).
  std::string note;
};

// The verdict on stiffness k for the last run (not assessed without one).
StiffnessVerdict judge_stiffness(int32_t k);

// The verdict in words: "acceptable", "acceptable with barred ranges 738 to
// 797 rev/min", "not acceptable: REASON; REASON", "not assessed (no limits)".
std::string verdict_text(const StiffnessVerdict& v);

// The kind of limits stiffness k is judged by: "shaft rule", "maker's
// stress", "coupling" or "" without limits.
std::string limit_kind_text(int32_t k);

// The design over every stiffness: acceptable when no stiffness is not
// acceptable; the reasons name the stiffness; `not_assessed` lists the
// stiffnesses without limits.
struct DesignVerdict {
  bool acceptable = false;
  std::vector<std::string> reasons;
  std::vector<int32_t> not_assessed;
};
DesignVerdict judge_design();

// "The design is acceptable" or "The design is not acceptable: " and the
// first reason (and how many more), for a status line.
std::string design_verdict_line(const DesignVerdict& v);

// The speed (rev/min) above which nothing is judged: 1.05 times the rated
// speed of the last run.
double judged_speed_limit();

}  // namespace spindra
