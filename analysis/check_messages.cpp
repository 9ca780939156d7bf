#include "analysis/check_messages.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "app/model/store.h"

namespace spindra {

std::string number(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", v);
  return buffer;
}

std::string engine_label(int k) {
  std::string label = "Engine " + std::to_string(k);
  if (!ENGS(k).name.is_blank()) label += " (" + ENGS(k).name.str() + ")";
  return label;
}

bool refuse(std::string* message, const std::string& text) {
  if (message != nullptr) *message = text;
  return false;
}

bool check_damping_values(std::string* message, bool* any) {
  *any = forced_sweep.eta > 0.0;
  for (int32_t j = 1; j <= NMASS; ++j) {
    const double c = MASSES(j).dampex;
    if (!std::isfinite(c) || c < 0.0)
      return refuse(message, "Inertia " + std::to_string(j) + " has an external damping of " +
                                 number(c) + " N.m.s/rad; it must not be negative.");
    *any = *any || c > 0.0;
  }
  for (int32_t s = 1; s <= NSTIF; ++s) {
    // A rigid gear mesh's damping is not used.
    if (STIFF(s).rigid != 0) continue;
    const double c = STIFF(s).dampin;
    if (!std::isfinite(c) || c < 0.0)
      return refuse(message, "Stiffness " + std::to_string(s) + " has an internal damping of " +
                                 number(c) + " N.m.s/rad; it must not be negative.");
    const double psi = STIFF(s).psi;
    if (!std::isfinite(psi) || psi < 0.0)
      return refuse(message, "Stiffness " + std::to_string(s) + " has a relative damping psi of " +
                                 number(psi) + "; it must not be negative.");
    *any = *any || c > 0.0 || psi > 0.0;
  }
  return true;
}

std::string data_place(std::string_view dialog, std::string_view file_place) {
  return "(" + std::string(batch_messages ? file_place : dialog) + ")";
}

std::string previous_results_kept() {
  return batch_messages ? std::string() : std::string(" The previous results are kept.");
}

}  // namespace spindra
