#include "analysis/check_messages.h"

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

std::string data_place(std::string_view dialog, std::string_view file_place) {
  return "(" + std::string(batch_messages ? file_place : dialog) + ")";
}

std::string previous_results_kept() {
  return batch_messages ? std::string() : std::string(" The previous results are kept.");
}

}  // namespace spindra
