// Plotted symbols, numbers and stroke-font text.  Squares have a fixed size
// in device pixels, so they keep their size whatever the drawing's scale;
// text is drawn with the program's own stroke font (stroke_font.h) as kernel
// lines in user coordinates, so it can be placed, rotated and scaled freely.
//
// Conventions of the routines: inputs by value, outputs by reference.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "graphics/display/pens.h"
#include "text/fixed_text.h"
#include "text/table.h"

namespace spindra {

// ---------------------------------------------------------------------------
// The text state block: filled by the text entry points, read by the
// renderer WRITE_STR_V.
namespace plot {

inline constexpr int kLineWidth = 132;

extern FixedText<kLineWidth> LINE;  // the text
extern int32_t ITXTYPE;
extern int32_t ICHSET;                // 1 selects the first character set, 2 the second
extern float XSIZE, YSIZE;            // character width and height
extern float DXSIZE, DYSIZE;          // growth of width and height after each character
extern float XSLANT, YSLANT;          // shear factors
extern float XSTART, YSTART, ZSTART;  // start point
extern float XINC, YINC, ZINC;        // advance per character
extern float XROT, YROT, ZROT;        // rotation angles about x, y and z, degrees
extern float XSPL, YSPL, ZSPL;        // a second step vector, rotated with the advance

// Lowering of the base line by one "[[" pair, and raising by one "]]", in
// glyph grid units (half a capital's height).
inline constexpr int kScriptStep = 48;
// Numbers are formatted into a text of at most this many characters.
inline constexpr int kNumberWidth = 20;

}  // namespace plot

using TransformMatrix = Matrix<float, 4, 4>;

// ---------------------------------------------------------------------------
// Entry points.

// SYMBOL_SCALE(SCALE_NEW) (with the pens): the symbols' size factor.

// Square marker centred on user point (X, Y), 6 x display::SSCALE device pixels across.
void SQUARE(float X, float Y);

// Writes VAL at (X, Y): I is the field width, J the number of decimals
// (negative for an integer); WIDE and HIGH the character width and height;
// CENT or RIGHT select centring or right alignment; ANG the angle of the base
// line in degrees.  A value that does not fit its field is written as I
// asterisks.
void NUMBER_XY_ANG(float X, float Y, float VAL, int32_t I, int32_t J, float WIDE, float HIGH,
                   bool CENT, bool RIGHT, float ANG);

// Text starting at (X, Y), character width XCSIZE, height YCSIZE, base line
// at THETAZ degrees; the pitch is 1.5 character widths.  Control pairs in the
// text: "{{" selects the second (Greek) character set, "}}" the first; "[["
// lowers the base line by half a character height and "]]" raises it, the
// characters off the base line being two thirds as tall.
void PLOT_TEXT(std::string_view TEXT, float X, float Y, float XCSIZE, float YCSIZE, float THETAZ);
// The same, centred on (X, Y) along the base line.
void PLOT_TEXT_C(std::string_view TEXT, float X, float Y, float XCSIZE, float YCSIZE, float THETAZ);

// Removes every blank from TEXT, moving the other characters left and filling
// the end with blanks.
void NOSPACE(std::span<char> TEXT);
template <std::size_t N>
void NOSPACE(FixedText<N>& TEXT) {
  NOSPACE(std::span<char>(TEXT.data(), N));
}

// Sine and cosine of A degrees.
float SIND(float A);
float COSD(float A);

// The 4 x 4 transformation (applied to column vectors (x, y, z, 1)) that
// scales by XSC, YSC, ZSC, rotates by TX, TY, TZ degrees about x, y and z and
// shifts by XSH, YSH, ZSH.  A scale that is exactly 0 is replaced, in the
// caller's variable, by 1 (XSC, YSC) or -1 (ZSC).
void SET_1_TR_MAT(float TX, float TY, float TZ, float XSH, float YSH, float ZSH, float& XSC,
                  float& YSC, float& ZSC, TransformMatrix& TRMATS1);

// The renderer: draws LINE from the text state block.
void WRITE_STR_V();
// One glyph (1 to 190) of the renderer at the point (PX, PY, PZ), its base
// line moved by KOFF grid units.
void POS_CHAR(int32_t IGLYPH, int32_t KOFF, float PX, float PY, float PZ);

// ---------------------------------------------------------------------------
// Helpers, exposed for the tests.

// The text NUMBER_XY_ANG draws for VAL before its blanks are removed: I
// characters, right-justified, or I asterisks when the value does not fit.
// A width of 0 or less takes as many characters as the value needs.  Texts
// longer than 20 characters do not fit.
FixedText<plot::kNumberWidth> format_number(float VAL, int32_t I, int32_t J);

// Glyph number (1 to 190) of character c in character set `set` (1 or 2).
int32_t glyph_of(char c, int32_t set);

}  // namespace spindra
