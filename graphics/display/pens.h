// Pens, colours and line primitives of the display layer: the device
// routines through which the kernel's output reaches the window device, and
// the user-level wrappers the drawing code and the stroked text call.
#pragma once

#include <cstdint>

namespace spindra {

// Device routines (kernel device coordinates, origin lower left, y up).
void PCPEN(int32_t JCOL);
void PCMOVABS(int32_t IX, int32_t IY);
void PCDRWABS(int32_t IX, int32_t IY);  // line to (IX, IY), end pixel set
void PCFILLRECT(int32_t IX, int32_t IY);
void PCPFILLRECT(int32_t IX, int32_t IY);
void PCERASE(int32_t I);
void PCCOMPL(int32_t I);

// User-level wrappers.
void MOVTO2(float X, float Y);  // pen-up move to user point (X, Y)
void LINTO2(float X, float Y);  // line from the kernel's current point to (X, Y)
void COLOUR(int32_t I);         // colour number of the following lines
void SET_LINE_WIDTH(int32_t IWID);
void SET_LINE_WIDTH_DEFAULT(int32_t I);
void GET_LINE_WIDTH(int32_t& I);
void GET_LINE_WIDTH_DEFAULT(int32_t& I);
// C(1:M1, 1:P1) = A(1:M1, 1:N1) x B(1:N1, 1:P1), all column-major, A declared
// M x N, B N x P and C M x P.  C may be the same array as B.  N1 <= 300.
void PROD(const float* A, const float* B, float* C, int32_t M, int32_t N, int32_t P, int32_t M1,
          int32_t N1, int32_t P1);

// Plotted-symbol scale: SSCALE = SCALE_NEW.  Each start of the kernel on
// this layer sets it back to 1.0.
void SYMBOL_SCALE(float SCALE_NEW);

namespace display {
extern float SSCALE;          // size factor of the plotted symbols
extern int32_t LINE_WIDTH;    // line width last given to the window library
extern int32_t LINE_DEFAULT;  // default width; negative = a locked default
}  // namespace display

}  // namespace spindra
