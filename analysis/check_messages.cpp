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

}  // namespace spindra
