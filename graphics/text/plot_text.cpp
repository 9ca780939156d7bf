// Stroke-font text: the text entry points, the renderer and its transform.
#include <algorithm>
#include <cmath>

#include "graphics/display/pens.h"
#include "graphics/text/stroke_font.h"
#include "graphics/text/symbols.h"

namespace spindra {

namespace plot {
FixedText<kLineWidth> LINE;
int32_t ITXTYPE = 0;
int32_t ICHSET = 1;
float XSIZE = 0.0f, YSIZE = 0.0f;
float DXSIZE = 0.0f, DYSIZE = 0.0f;
float XSLANT = 0.0f, YSLANT = 0.0f;
float XSTART = 0.0f, YSTART = 0.0f, ZSTART = 0.0f;
float XINC = 0.0f, YINC = 0.0f, ZINC = 0.0f;
float XROT = 0.0f, YROT = 0.0f, ZROT = 0.0f;
float XSPL = 0.0f, YSPL = 0.0f, ZSPL = 0.0f;
}  // namespace plot

using namespace plot;

float SIND(float A) {
  return static_cast<float>(std::sin(static_cast<double>(A) / 90.0 * 1.5707963705062866));
}

float COSD(float A) {
  return static_cast<float>(std::cos(static_cast<double>(A) / 90.0 * 1.5707963705062866));
}

void NOSPACE(std::span<char> TEXT) {
  std::size_t to = 0;
  for (char c : TEXT) {
    if (c != ' ') TEXT[to++] = c;
  }
  std::fill(TEXT.begin() + static_cast<std::ptrdiff_t>(to), TEXT.end(), ' ');
}

void SET_1_TR_MAT(float TX, float TY, float TZ, float XSH, float YSH, float ZSH, float& XSC,
                  float& YSC, float& ZSC, TransformMatrix& TRMATS1) {
  if (XSC == 0.0f) XSC = 1.0f;
  if (YSC == 0.0f) YSC = 1.0f;
  if (ZSC == 0.0f) ZSC = -1.0f;
  const double sx = SIND(TX), cx = COSD(TX);
  const double sy = SIND(TY), cy = COSD(TY);
  const double sz = SIND(TZ), cz = COSD(TZ);
  const double xs = XSC, ys = YSC, zs = ZSC;
  TransformMatrix& m = TRMATS1;
  m(1, 1) = static_cast<float>(xs * cz * cy);
  m(1, 2) = static_cast<float>(ys * (cz * sy * sx - cx * sz));
  m(1, 3) = static_cast<float>(-zs * (sz * sx + cz * cx * sy));
  m(1, 4) = XSH;
  m(2, 1) = static_cast<float>(xs * cy * sz);
  m(2, 2) = static_cast<float>(ys * (cz * cx + sz * sy * sx));
  m(2, 3) = static_cast<float>(zs * (cz * sx - cx * sz * sy));
  m(2, 4) = YSH;
  m(3, 1) = static_cast<float>(-xs * sy);
  m(3, 2) = static_cast<float>(ys * cy * sx);
  m(3, 3) = static_cast<float>(-zs * cy * cx);
  m(3, 4) = ZSH;
  m(4, 1) = 0.0f;
  m(4, 2) = 0.0f;
  m(4, 3) = 0.0f;
  m(4, 4) = 1.0f;
}

int32_t glyph_of(char c, int32_t set) {
  const int code = static_cast<unsigned char>(c) % 128;
  // Control codes, and the delete code that has no glyph, draw as the blank.
  int32_t g = (code < 32 || code == 127) ? 1 : code - 31;
  if (set == 2) g += kGlyphsPerSet;
  return g;
}

namespace {

// Sets the text state for a text from (X, Y) at THETAZ degrees.
void set_up_text(std::string_view TEXT, float X, float Y, float XCSIZE, float YCSIZE,
                 float THETAZ) {
  LINE = TEXT;
  ITXTYPE = 1;
  ICHSET = 1;
  XSIZE = XCSIZE;
  YSIZE = YCSIZE;
  DXSIZE = DYSIZE = 0.0f;
  XSLANT = YSLANT = 0.0f;
  ZSTART = 0.0f;
  YINC = ZINC = 0.0f;
  XROT = YROT = 0.0f;
  XSPL = YSPL = ZSPL = 0.0f;
  XSTART = X;
  YSTART = Y;
  XINC = 1.5f * XCSIZE;
  ZROT = THETAZ;
}

// The two characters at 1-based position i form the control pair `pair`.
bool pair_at(int i, std::string_view pair) {
  if (i < 1 || i + 1 > kLineWidth) return false;
  return LINE.at1(i) == pair[0] && LINE.at1(i + 1) == pair[1];
}

// 4 x 4 matrix times the column vector (v1, v2, v3, v4), through PROD.
void apply(const TransformMatrix& m, float v1, float v2, float v3, float v4, float (&out)[4]) {
  const float v[4] = {v1, v2, v3, v4};
  PROD(m.data(), v, out, 4, 4, 1, 4, 4, 1);
}

}  // namespace

void PLOT_TEXT(std::string_view TEXT, float X, float Y, float XCSIZE, float YCSIZE, float THETAZ) {
  set_up_text(TEXT, X, Y, XCSIZE, YCSIZE, THETAZ);
  WRITE_STR_V();
}

void PLOT_TEXT_C(std::string_view TEXT, float X, float Y, float XCSIZE, float YCSIZE,
                 float THETAZ) {
  set_up_text(TEXT, X, Y, XCSIZE, YCSIZE, THETAZ);
  // Count the characters of the control pairs, which take no room.
  const int n = LENGET(LINE.view());
  int pairs = 0;
  for (int i = 1; i <= n - 1; ++i) {
    if (pair_at(i, "[[") || pair_at(i, "]]")) {
      pairs += 2;
      ++i;
    }
    if (pair_at(i, "{{") || pair_at(i, "}}")) {
      pairs += 2;
      ++i;
    }
  }
  const int m = n - pairs;
  if (m < 1) return;
  const float half = (static_cast<float>(m - 1) * XINC + XSIZE) / 2.0f;
  XSTART = X - COSD(THETAZ) * half;
  YSTART = Y - SIND(THETAZ) * half;
  WRITE_STR_V();
}

void POS_CHAR(int32_t IGLYPH, int32_t KOFF, float PX, float PY, float PZ) {
  TransformMatrix t;
  float one = 1.0f;
  SET_1_TR_MAT(XROT, YROT, ZROT, PX, PY, PZ, XSIZE, YSIZE, one, t);
  const int first = LCHRS(IGLYPH);
  for (int w = 0; w < kMaxGlyphWords && first + w <= kFontWords; ++w) {
    for (int half = 0; half < 2; ++half) {
      const GlyphPoint p = unpack_point(LCHSET(first + w), half);
      const float x = static_cast<float>(p.x) / 96.0f;
      const float y = KOFF == 0 ? static_cast<float>(p.y - kGlyphBase) / 64.0f
                                : static_cast<float>(KOFF + p.y - kGlyphBase) / 64.0f / 1.5f;
      float r[4];
      apply(t, x + y * XSLANT, y + x * YSLANT, 0.0f, 1.0f, r);
      if (p.pen_down) {
        LINTO2(r[0], r[1]);
      } else {
        MOVTO2(r[0], r[1]);
      }
      if (p.last) return;
    }
  }
}

void WRITE_STR_V() {
  const int n = LENGET(LINE.view());
  if (n == 0) return;

  // With a rotation, the advance and the second step turn with the text.
  const float inc[3] = {XINC, YINC, ZINC};
  const float spl[3] = {XSPL, YSPL, ZSPL};
  const bool rotated = XROT != 0.0f || YROT != 0.0f || ZROT != 0.0f;
  if (rotated) {
    TransformMatrix t;
    float one_x = 1.0f, one_y = 1.0f, one_z = 1.0f;
    SET_1_TR_MAT(XROT, YROT, ZROT, 0.0f, 0.0f, 0.0f, one_x, one_y, one_z, t);
    float r[4];
    apply(t, XINC, YINC, ZINC, 1.0f, r);
    XINC = r[0], YINC = r[1], ZINC = r[2];
    apply(t, XSPL, YSPL, ZSPL, 1.0f, r);
    XSPL = r[0], YSPL = r[1], ZSPL = r[2];
  }

  float px = XSTART, py = YSTART, pz = ZSTART;
  int32_t set = ICHSET;
  int32_t k = 0;
  bool skip = false;
  for (int j = 1; j <= n; ++j) {
    if (skip) {  // the second character of a control pair
      skip = false;
      continue;
    }
    if (pair_at(j, "{{")) {
      set = 2;
      skip = true;
    } else if (pair_at(j, "}}")) {
      set = 1;
      skip = true;
    } else if (pair_at(j, "[[")) {
      k -= kScriptStep;
      skip = true;
    } else if (pair_at(j, "]]")) {
      k += kScriptStep;
      skip = true;
    } else {
      POS_CHAR(glyph_of(LINE.at1(j), set), k, px, py, pz);
      XSIZE += DXSIZE;
      YSIZE += DYSIZE;
      px += XINC;
      py += YINC;
      pz += ZINC;
    }
  }

  if (rotated) {
    XINC = inc[0], YINC = inc[1], ZINC = inc[2];
    XSPL = spl[0], YSPL = spl[1], ZSPL = spl[2];
  }
}

}  // namespace spindra
