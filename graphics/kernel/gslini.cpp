// Start-up of the kernel on one device, and the query routines.
#include "graphics/kernel/kernel.h"

namespace spindra {

using namespace gsl;

namespace {

// Display-layer mode of a device code; 0 when the display layer does not
// serve it.
int32_t display_mode(int32_t code) {
  switch (code) {
    case kCode640x480:
      return 18;
    case kCode800x600:
      return 100;
    case kCode1024x768:
      return 102;
    case kCode640x200:
      return 6;
    case kCodePrinter:
      return 99;
    case kCodePrinterPage:
      return 91;
    default:
      return is_region(code) ? 90 : 0;
  }
}

void take_limits() {
  IQMAXX = IQMX(NDEVIC);
  IQMAXY = IQMY(NDEVIC);
  RQMAXX = RQMX(NDEVIC);
  RQMAXY = RQMY(NDEVIC);
  RQX = static_cast<float>(static_cast<double>(IQMAXX - IQMINX) / RQMAXX);
  RQY = static_cast<float>(static_cast<double>(IQMAXY - IQMINY) / RQMAXY);
}

// Selects the table entry of a device code, or entry 2 when the code is not
// in the table.
void select_device(int32_t code) {
  for (int i = 1; i <= kDevices; ++i) {
    if (ID(i) != code) continue;
    IQDEVC = ID(i);
    if (code == kCodePrinter) {
      IPAPER_DIR = 1;
      PRINTER_ENGAGED = true;
    } else {
      IPAPER_DIR = 0;
      PRINTER_ENGAGED = false;
    }
    if (code == kCodePrinterLarge || code == kCodePrinterSmall) {
      int32_t mode = code == kCodePrinterLarge ? 95 : 94;
      display_device().init(mode);
      int32_t width = 0, height = 0;
      if (display_device().page_size) display_device().page_size(width, height);
      IQMX(i) = width - 1;
      IQMY(i) = height - 1;
      IPAPER_DIR = 3;
      PRINTER_ENGAGED = true;
    }
    NDEVIC = i;
    take_limits();
    return;
  }
  IQDEVC = kCodeDefaultTerminal;
  NDEVIC = 2;
  IPAPER_DIR = 0;
  PRINTER_ENGAGED = false;
}

}  // namespace

void GSLINI(int32_t ITTRY, int32_t IOPTI) {
  IOPT = IOPTI;
  IPQSOH = 1;
  IPQSTX = 2;
  IPQETX = 3;
  IPQEOT = 4;
  IPQENQ = 5;
  IPQBEL = 7;
  IPQQFF = 12;
  IPQQCR = 13;
  IPQDLE = 16;
  IPQNAK = 21;
  IPQSYN = 22;
  IPQCAN = 24;
  IPQSUB = 26;
  IPQESC = 27;
  IPQQGS = 29;
  IPQQUS = 31;
  IPQQFS = 28;
  if (LUNOUT == 0) LUNOUT = 6;
  if (LUNIN == 0) LUNIN = 5;
  IQMINX = IQMINY = 0;
  RQMINX = RQMINY = 0.0f;
  JCOUNT = 0;
  START_DEFINITION = false;

  int32_t code = ITTRY;
  // A display layer that cannot set a mode hands back a smaller one and the
  // selection starts again; each mode falls back at most a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    select_device(code);

    IQABUF = (IQDEVC == 2000 || IQDEVC == 2015 || IQDEVC == 2019) ? 1 : 0;
    IQXOFF = 1;
    IQABSL = 1;
    IQVRNO(1) = 49;
    IQVRNO(2) = 48;
    IQVDUM = 1;
    IQGRAF = IQBLOK = IQCOLO = IQERSE = IQVSBL = IQWIND = 0;
    IQLTYP = IQLINE = IQLIN2 = IQTHRO = IQGINM = IQUSER = 0;
    if (IQDEVC == 4663 || IQDEVC == 4662 || IQDEVC == 3 || IOPT > 1) IOPT = 2;
    IQNWRD = 0;
    IQUNIT = 0;

    const int32_t mode = display_mode(IQDEVC);
    if (mode == 0) break;
    int32_t handed_back = mode;
    display_device().init(handed_back);
    if (handed_back == mode) break;
    code = IQDEVC;
    if (handed_back == 18) code = kCode640x480;
    if (handed_back == 100) code = kCode800x600;
  }

  take_limits();
  for (int k = 1; k <= 4; ++k) IQLBYT(k) = 99999;
  RQTRAX = RQTRAY = 0.0f;
  RQCLPX = RQCLPY = 0.0f;
  RQLCLX = RQMINX;
  RQMCLX = RQMAXX;
  RQLCLY = RQMINY;
  RQMCLY = RQMAXY;
  IQPADS = IQBAUD / 100;
  TMQIDN(RQMAT2.data());
  if (display_device().started) display_device().started();
}

void GETVER(int32_t& IVER, int32_t& IREL) {
  IVER = IQVRNO(1) - 48;
  IREL = IQVRNO(2) - 48;
}

void GETPAP(float& XMIN, float& XMAX, float& YMIN, float& YMAX) {
  XMIN = RQMINX;
  XMAX = RQMAXX;
  YMIN = RQMINY;
  YMAX = RQMAXY;
}

void GETXYD(float& RX, float& RY, float& PX, float& PY, int32_t& IX, int32_t& IY) {
  RX = RQCURX;
  RY = RQCURY;
  PX = RQCLPX;
  PY = RQCLPY;
  IX = IQCURX;
  IY = IQCURY;
}

void GETPIX(float& PIX) {
  PIX = RQX;
}
void GETPIY(float& PIY) {
  PIY = RQY;
}

}  // namespace spindra
