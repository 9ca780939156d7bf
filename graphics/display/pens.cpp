// Pens, colours and line primitives of the window device.  The kernel's
// device coordinates (origin lower left, y up) become the window library's
// pixels (origin top left, y down).
#include "graphics/display/pens.h"

#include <cstdlib>

#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"

namespace spindra {

namespace display {
int32_t LINE_WIDTH = 1;
int32_t LINE_DEFAULT = 1;
float SSCALE = 1.0f;
}  // namespace display

using namespace display;

namespace {
struct Pixel {
  int16_t x, y;
};

// A device point in the window library's pixels for the current axis
// orientation.
Pixel to_pixel(int32_t x, int32_t y) {
  switch (gsl::IPAPER_DIR) {
    case 1:
      return {static_cast<int16_t>(y), static_cast<int16_t>(x)};
    case 2:
      return {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    case 3:
      return {static_cast<int16_t>(JXPIX - x), static_cast<int16_t>(y)};
    default:
      return {static_cast<int16_t>(x), static_cast<int16_t>(JYPIX - y)};
  }
}
}  // namespace

void PCPEN(int32_t JCOL) {
  ICOL = static_cast<int16_t>(JCOL);
}

void PCMOVABS(int32_t IX, int32_t IY) {
  IXCUR = static_cast<int16_t>(IX);
  IYCUR = static_cast<int16_t>(IY);
}

void PCDRWABS(int32_t IX, int32_t IY) {
  int colour = ICOL;
  if (ISTATE_ERASE == 1) colour = 0;
  if (ISTATE_WRTHRO == 1) colour += ICOMPLEMENT;
  const Pixel from = to_pixel(IXCUR, IYCUR);
  const Pixel to = to_pixel(IX, IY);
  WindowLibrary& lib = window_library();
  lib.draw_line(from.x, from.y, to.x, to.y, colour);
  lib.set_device_pixel(to.x, to.y, colour);
  IXCUR = static_cast<int16_t>(IX);
  IYCUR = static_cast<int16_t>(IY);
}

void PCFILLRECT(int32_t IX, int32_t IY) {
  int colour = ICOL;
  if (ISTATE_WRTHRO == 1) colour = ICOL + ICOMPLEMENT;
  if (ISTATE_ERASE == 1) colour = 0;
  window_library().fill_rectangle(IXCUR, static_cast<int16_t>(JYPIX - IYCUR),
                                  static_cast<int16_t>(IX), static_cast<int16_t>(JYPIX - IY),
                                  colour);
  IXCUR = static_cast<int16_t>(IX);
  IYCUR = static_cast<int16_t>(IY);
}

void PCPFILLRECT(int32_t IX, int32_t IY) {
  window_library().fill_rectangle(IYCUR, IXCUR, static_cast<int16_t>(IY), static_cast<int16_t>(IX),
                                  ICOL);
  IXCUR = static_cast<int16_t>(IX);
  IYCUR = static_cast<int16_t>(IY);
}

void PCERASE(int32_t I) {
  ISTATE_ERASE = I;
}
void PCCOMPL(int32_t I) {
  ISTATE_WRTHRO = I;
}

void MOVTO2(float X, float Y) {
  VECTO2(X, Y, 0);
}
void LINTO2(float X, float Y) {
  VECTO2(X, Y, 1);
}
void COLOUR(int32_t I) {
  SELCOM(I);
}

void SYMBOL_SCALE(float SCALE_NEW) {
  SSCALE = SCALE_NEW;
}

void SET_LINE_WIDTH(int32_t IWID) {
  LINE_WIDTH = IWID > 0 ? IWID : std::abs(LINE_DEFAULT);
  window_library().set_line_width(LINE_WIDTH);
}

void SET_LINE_WIDTH_DEFAULT(int32_t I) {
  // A negative default is locked: only a value of 0 or less replaces it.
  if (LINE_DEFAULT < 0 && I > 0) return;
  LINE_DEFAULT = I;
}

void GET_LINE_WIDTH(int32_t& I) {
  I = LINE_WIDTH;
}
void GET_LINE_WIDTH_DEFAULT(int32_t& I) {
  I = LINE_DEFAULT;
}

void PROD(const float* A, const float* B, float* C, int32_t M, int32_t N, int32_t P, int32_t M1,
          int32_t N1, int32_t P1) {
  // The work column holds at most 300 values; a larger product is refused
  // rather than written past it.
  constexpr int kWork = 300;
  if (N1 > kWork || M1 > M || N1 > N || P1 > P || M1 < 0 || N1 < 0 || P1 < 0) return;
  float work[kWork];
  for (int32_t k = 0; k < P1; ++k) {
    for (int32_t j = 0; j < N1; ++j) work[j] = B[k * N + j];
    for (int32_t i = 0; i < M1; ++i) {
      double sum = 0.0;
      for (int32_t j = 0; j < N1; ++j) sum += static_cast<double>(A[j * M + i]) * work[j];
      C[k * M + i] = static_cast<float>(sum);
    }
  }
}

}  // namespace spindra
