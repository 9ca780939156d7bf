// Line output: the vector routines, the current-point rules, clipping of each
// segment against the clip window, the pen state and the hand-over of every
// output point to the current device.
#include <cmath>

#include "graphics/kernel/kernel.h"
#include "graphics/kernel/output.h"

namespace spindra {

using namespace gsl;

namespace {
// Outcodes of the block-mode rectangle test: invisible when both corners lie
// beyond the same edge.
bool block_visible(float x1, float y1, float x2, float y2) {
  const int32_t k1 = CODGSL(x1, y1, RQLCLX, RQMCLX, RQLCLY, RQMCLY);
  const int32_t k2 = CODGSL(x2, y2, RQLCLX, RQMCLX, RQLCLY, RQMCLY);
  return (k1 & k2) == 0;
}
}  // namespace

void VECTO2(float X, float Y, int32_t IV) {
  if (IQABSL == 0) {
    RQCURX = static_cast<float>(static_cast<double>(RQCURX) + X);
    RQCURY = static_cast<float>(static_cast<double>(RQCURY) + Y);
  } else {
    RQCURX = X;
    RQCURY = Y;
  }
  IQVSBL = 1;
  if (IV == 0) GSFGSL();
  RASGSL();
}

void VECTOR(int32_t IX, int32_t IY, int32_t IV) {
  int64_t ixe = IX, iye = IY;
  if (IQABSL == 0) {
    ixe += IQCURX;
    iye += IQCURY;
  }
  // A point off the device is dropped whole: no pen-up, no new current point.
  if (ixe < IQMINX || ixe > IQMAXX || iye < IQMINY || iye > IQMAXY) return;
  IQCURX = static_cast<int32_t>(ixe);
  IQCURY = static_cast<int32_t>(iye);
  IQVSBL = 1;
  if (IV == 0) GSFGSL();
  BITGSL();
}

void GSFGSL() {
  BUFGSL(IPQQGS);
  IQVSBL = 0;
  if (IQBLOK != 0) {
    BUFGSL(IPQESC);
    BUFGSL(IPQSTX);
  }
  if (IQERSE != 0) {
    BUFGSL(IPQESC);
    BUFGSL(IPQDLE);
  }
}

void RASGSL() {
  const float xl = RQTRAX, yl = RQTRAY;
  float z = 0.0f;
  TMQNEW(RQMAT2.data(), RQCURX, RQCURY, 0.0f, RQTRAX, RQTRAY, z);
  float x1 = xl, y1 = yl, x2 = RQTRAX, y2 = RQTRAY;
  bool visible;
  if (IQBLOK == 1) {
    visible = block_visible(xl, yl, RQTRAX, RQTRAY);
  } else {
    visible = CLPGSL(xl, yl, RQTRAX, RQTRAY, x1, y1, x2, y2, RQLCLX, RQMCLX, RQLCLY, RQMCLY);
  }
  if (!visible) return;
  if (std::fabs(x1 - xl) > 1.0E-8f || std::fabs(y1 - yl) > 1.0E-8f) {
    // The start was moved by clipping: the visible part begins with a move.
    BUFGSL(IPQQGS);
    if (IQVSBL != 0) {
      CURGSL(x1, y1, IQCURX, IQCURY);
      IQUSER = 1;
      BITGSL();
    }
  }
  CURGSL(x2, y2, IQCURX, IQCURY);
  IQUSER = 1;
  RQCLPX = x2;
  RQCLPY = y2;
  BITGSL();
}

int32_t CODGSL(float X, float Y, float CLIPXL, float CLIPXR, float CLIPYB, float CLIPYT) {
  int32_t code = 0;
  if (CLIPXL > X) code = 1;
  if (!(CLIPXR >= X)) code = 2;
  if (CLIPYB > Y) code += 4;
  if (!(CLIPYT >= Y)) code += 8;
  return code;
}

bool CLPGSL(float X1, float Y1, float X2, float Y2, float& XNEW1, float& YNEW1, float& XNEW2,
            float& YNEW2, float CLIPXL, float CLIPXR, float CLIPYB, float CLIPYT) {
  int32_t kode1 = CODGSL(X1, Y1, CLIPXL, CLIPXR, CLIPYB, CLIPYT);
  int32_t kode2 = CODGSL(X2, Y2, CLIPXL, CLIPXR, CLIPYB, CLIPYT);
  if ((kode1 & kode2) != 0) return false;
  XNEW1 = X1;
  YNEW1 = Y1;
  XNEW2 = X2;
  YNEW2 = Y2;
  // Every quantity of the clipper is a 32-bit real, as in the rest of the
  // kernel: the clipped ends must come out the same on every machine.
  const float dx = X2 - X1;
  const float dy = Y2 - Y1;
  // Each step puts one end on an edge line; a handful of steps settles any
  // segment, the bound only guards against rounding cycling forever.
  for (int step = 0; step < 16; ++step) {
    if ((kode1 & kode2) != 0) return false;
    if (kode1 == 0 && kode2 == 0) return true;
    const int32_t kode = kode1 != 0 ? kode1 : kode2;
    float xclp, yclp;
    if (kode == 2 || kode == 6 || kode == 10) {
      xclp = CLIPXR;
      yclp = YNEW1 + dy * ((xclp - XNEW1) / dx);
    } else if (kode == 4) {
      yclp = CLIPYB;
      xclp = XNEW1 + dx * ((yclp - YNEW1) / dy);
    } else if (kode == 8) {
      yclp = CLIPYT;
      xclp = XNEW1 + dx * ((yclp - YNEW1) / dy);
    } else {
      xclp = CLIPXL;
      yclp = YNEW1 + dy * ((xclp - XNEW1) / dx);
    }
    if (kode == kode1) {
      XNEW1 = xclp;
      YNEW1 = yclp;
      kode1 = CODGSL(xclp, yclp, CLIPXL, CLIPXR, CLIPYB, CLIPYT);
    } else {
      XNEW2 = xclp;
      YNEW2 = yclp;
      kode2 = CODGSL(xclp, yclp, CLIPXL, CLIPXR, CLIPYB, CLIPYT);
    }
  }
  return false;
}

void BITGSL() {
  const int32_t code = IQDEVC;
  if (is_display_device(code)) {
    const DisplayDevice& device = display_device();
    if (IDRAW == 0) {
      device.move_abs(IQCURX, IQCURY);
      IDRAW = 1;
    } else if (IQBLOK != 0) {
      if (is_printer(code)) {
        device.pfill_rect(IQCURX, IQCURY);
      } else {
        device.fill_rect(IQCURX, IQCURY);
      }
    } else {
      device.draw_abs(IQCURX, IQCURY);
    }
  } else if (code < 10000) {
    terminal_point();
  } else if (is_pen_plotter(code) || code == 10000 || code == 10455) {
    plotter_point();
  }
  for (int k = 1; k <= 4; ++k) IQLBYT(k) = IQCBYT(k);
  if (IQUSER != 1) {
    // The point came in device coordinates: the other forms of the current
    // point follow it.
    float x = 0.0f, y = 0.0f;
    CRUGSL(IQCURX, IQCURY, x, y);
    RQTRAX = RQCLPX = x;
    RQTRAY = RQCLPY = y;
    TMQWRL(RQMAT2.data(), x, y, RQCURX, RQCURY);
  }
  IQUSER = 0;
}

void SELCOM(int32_t ICOLOR) {
  IQCSEL = ICOLOR;
  IQCMOD = 1;
  const int32_t code = IQDEVC;
  if (is_pen_plotter(code)) {
    plotter_pen(ICOLOR);
  } else if (code == kCode640x200) {
    display_device().pen(ICOLOR > 0 ? 1 : 0);
  } else if (is_display_device(code)) {
    // The pen map has entries for 0 to 15; other numbers pass unchanged.
    const DisplayDevice& device = display_device();
    const bool mapped = device.pen_of != nullptr && ICOLOR >= 0 && ICOLOR <= 15;
    device.pen(mapped ? device.pen_of(ICOLOR) : ICOLOR);
  } else if (IQCOLO == 1 && ICOLOR >= 0 && ICOLOR <= 15) {
    COLGSL(67);
    BUFGSL(64 + ICOLOR);
  }
}

}  // namespace spindra
