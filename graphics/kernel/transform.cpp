// Transformations and the mappings between user, paper and device
// coordinates.  Arithmetic is done in double precision and every result is
// stored as a 32-bit value.
#include <algorithm>
#include <cmath>

#include "graphics/kernel/kernel.h"

namespace spindra {

using namespace gsl;

namespace {
// Element (i, j) of a 16-value transformation stored column by column.
inline double m(const float* a, int i, int j) {
  return a[4 * (j - 1) + (i - 1)];
}

// Nearest device coordinate (halves upward) of a scaled offset, kept within
// [lo, hi]; values far off the device or not a number land on the border.
int32_t to_device(float scaled, int32_t lo, int32_t hi) {
  const double v = static_cast<double>(scaled) + 0.5;
  if (std::isnan(v)) return lo;
  if (v >= static_cast<double>(hi - lo) + 1.0) return hi;
  if (v <= -1.0) return lo;
  return std::max(lo, std::min(lo + static_cast<int32_t>(std::trunc(v)), hi));
}
}  // namespace

void TMQIDN(float* ARRAY) {
  for (int k = 0; k < 16; ++k) ARRAY[k] = 0.0f;
  for (int k = 0; k < 4; ++k) ARRAY[5 * k] = 1.0f;
}

void TMQCPY(const float* FROM, float* TO) {
  if (FROM == TO) return;
  for (int k = 0; k < 16; ++k) TO[k] = FROM[k];
}

void TMQNEW(const float* ARRAY, float X, float Y, float Z, float& XN, float& YN, float& ZN) {
  const double x = X, y = Y, z = Z;
  const auto* a = ARRAY;
  const float xn =
      static_cast<float>(m(a, 1, 1) * x + m(a, 2, 1) * y + m(a, 3, 1) * z + m(a, 4, 1));
  const float yn =
      static_cast<float>(m(a, 1, 2) * x + m(a, 2, 2) * y + m(a, 3, 2) * z + m(a, 4, 2));
  const float zn =
      static_cast<float>(m(a, 1, 3) * x + m(a, 2, 3) * y + m(a, 3, 3) * z + m(a, 4, 3));
  XN = xn;
  YN = yn;
  ZN = zn;
}

void TMQWRL(const float* ARRAY, float XS, float YS, float& XW, float& YW) {
  const auto* a = ARRAY;
  const float d = static_cast<float>(m(a, 2, 2) * m(a, 1, 1) - m(a, 1, 2) * m(a, 2, 1));
  if (std::fabs(d) < 1.0E-8f || std::isnan(d)) return;  // singular: outputs unchanged
  const float hy = static_cast<float>(m(a, 4, 2) - YS);
  const float dx = static_cast<float>(m(a, 4, 1) - XS);
  // Adding zero turns the negative zeros that the products of zero matrix
  // elements leave at the paper's left and bottom edges into plain zeros, so
  // that a point picked on an edge reads (and is saved) as 0, not -0.
  const float xw = static_cast<float>((m(a, 2, 1) * hy - m(a, 2, 2) * dx) / d + 0.0);
  const float yw = static_cast<float>((m(a, 1, 2) * dx - m(a, 1, 1) * hy) / d + 0.0);
  XW = xw;
  YW = yw;
}

void CURGSL(float X, float Y, int32_t& IX, int32_t& IY) {
  const float xm = static_cast<float>((static_cast<double>(X) - RQMINX) /
                                      (static_cast<double>(RQMAXX) - RQMINX) * (IQMAXX - IQMINX));
  const float ym = static_cast<float>((static_cast<double>(Y) - RQMINY) /
                                      (static_cast<double>(RQMAXY) - RQMINY) * (IQMAXY - IQMINY));
  IX = to_device(xm, IQMINX, IQMAXX);
  IY = to_device(ym, IQMINY, IQMAXY);
}

void CRUGSL(int32_t IX, int32_t IY, float& X, float& Y) {
  // A device without extent has no mapping back: its points sit at the paper
  // origin rather than at infinity.
  const int32_t wx = IQMAXX - IQMINX;
  const int32_t wy = IQMAXY - IQMINY;
  X = wx == 0 ? RQMINX
              : static_cast<float>(static_cast<double>(IX - IQMINX) *
                                       (static_cast<double>(RQMAXX) - RQMINX) / wx +
                                   RQMINX);
  Y = wy == 0 ? RQMINY
              : static_cast<float>(static_cast<double>(IY - IQMINY) *
                                       (static_cast<double>(RQMAXY) - RQMINY) / wy +
                                   RQMINY);
}

void TRSAVE(float* ARRAY) {
  TMQCPY(RQMAT2.data(), ARRAY);
}
void TRREST(const float* ARRAY) {
  TMQCPY(ARRAY, RQMAT2.data());
}

void RELTIV(int32_t YESNO) {
  IQABSL = YESNO == 1 ? 0 : 1;
}

}  // namespace spindra
