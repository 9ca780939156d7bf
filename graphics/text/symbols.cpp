// Square markers, the symbol scale and plotted numbers.
#include "graphics/text/symbols.h"

#include <cmath>
#include <cstdio>

#include "graphics/kernel/kernel.h"

namespace spindra {

void SQUARE(float X, float Y) {
  // Nearest integers, halves away from zero.
  const int32_t s3 = static_cast<int32_t>(std::lround(3.0f * display::SSCALE));
  const int32_t s6 = static_cast<int32_t>(std::lround(6.0f * display::SSCALE));
  VECTO2(X, Y, 0);
  // A centre off the paper (a zoomed view shows part of the model) has its
  // device point clamped to the border: a square there would stand where
  // nothing is, so it is left out.  The pen still moves to the centre.
  if (gsl::RQTRAX < gsl::RQLCLX || gsl::RQTRAX > gsl::RQMCLX || gsl::RQTRAY < gsl::RQLCLY ||
      gsl::RQTRAY > gsl::RQMCLY)
    return;
  RELTIV(1);
  VECTOR(s3, s3, 0);
  VECTOR(0, -s6, 1);
  VECTOR(-s6, 0, 1);
  VECTOR(0, s6, 1);
  VECTOR(s6, 0, 1);
  VECTOR(-s3, -s3, 0);
  RELTIV(0);
}

namespace {

constexpr std::size_t kMaxText = static_cast<std::size_t>(plot::kNumberWidth);

// The digits of a value, without padding, into buf; returns the length (which
// may exceed kMaxText when the value is long).
int natural_text(float VAL, int32_t J, char* buf, std::size_t size) {
  if (J < 0) {
    // The factor lifts values a hair below an integer (2.9999998 gives 3).
    const float lifted = VAL * 1.0000009536743164f;
    if (!(std::fabs(lifted) < 2147483648.0f)) return -1;  // no integer: NaN, infinite, too large
    const auto n = static_cast<int32_t>(std::trunc(lifted));
    return std::snprintf(buf, size, "%d", static_cast<int>(n));
  }
  if (std::isnan(VAL)) return std::snprintf(buf, size, "NaN");
  if (std::isinf(VAL)) return std::snprintf(buf, size, VAL < 0 ? "-Inf" : "Inf");
  const int decimals = J > plot::kNumberWidth ? plot::kNumberWidth : J;
  // Fixed-point form keeps its decimal point even without decimals ("3.").
  int len = std::snprintf(buf, size, "%#.*f", decimals, static_cast<double>(VAL));
  // A value that rounds to zero is written without a sign.
  if (len > 0 && buf[0] == '-') {
    bool all_zero = true;
    for (int i = 1; i < len; ++i) {
      if (buf[i] != '0' && buf[i] != '.') all_zero = false;
    }
    if (all_zero) {
      for (int i = 0; i < len; ++i) buf[i] = buf[i + 1];
      --len;
    }
  }
  return len;
}

}  // namespace

FixedText<plot::kNumberWidth> format_number(float VAL, int32_t I, int32_t J) {
  char buf[96];
  int len = natural_text(VAL, J, buf, sizeof buf);
  const int limit = I > 0 ? (I < plot::kNumberWidth ? I : plot::kNumberWidth) : plot::kNumberWidth;
  // Fixed-point values below 1 lose their leading zero when that makes them fit
  // (".5" in two characters).
  if (len > limit && J >= 0) {
    int zero = -1;
    if (len >= 2 && buf[0] == '0' && buf[1] == '.') zero = 0;
    if (len >= 3 && buf[0] == '-' && buf[1] == '0' && buf[2] == '.') zero = 1;
    if (zero >= 0) {
      for (int i = zero; i < len; ++i) buf[i] = buf[i + 1];
      --len;
    }
  }
  FixedText<plot::kNumberWidth> text;
  if (len < 0 || len > limit) {
    for (int i = 1; i <= limit; ++i) text.at1(i) = '*';
    return text;
  }
  // Right-justified in its field (a field wider than the text's room is cut).
  const int width = I > 0 ? limit : len;
  const int lead = width - len;
  for (int i = 0; i < len; ++i) text.at1(lead + i + 1) = buf[i];
  return text;
}

void NUMBER_XY_ANG(float X, float Y, float VAL, int32_t I, int32_t J, float WIDE, float HIGH,
                   bool CENT, bool RIGHT, float ANG) {
  FixedText<plot::kNumberWidth> text = format_number(VAL, I, J);
  NOSPACE(text);
  if (CENT) {
    PLOT_TEXT_C(text.view(), X, Y, WIDE, HIGH, ANG);
  } else if (RIGHT) {
    const auto n = static_cast<float>(LENGET(text.view()));
    const float back = n * WIDE * 1.5f;
    PLOT_TEXT(text.view(), X - back * COSD(ANG), Y - back * SIND(ANG), WIDE, HIGH, ANG);
  } else {
    PLOT_TEXT(text.view(), X, Y, WIDE, HIGH, ANG);
  }
}

}  // namespace spindra
