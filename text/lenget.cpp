#include "text/fixed_text.h"

namespace spindra {

int LENGET(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
  return static_cast<int>(n);
}

}  // namespace spindra
