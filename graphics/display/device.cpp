// The window device: graphics regions in the main window's layout, their
// sizing from the screen, the device table entries they fill, and the
// conversions the editing code needs.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"

namespace spindra {

namespace display {

int32_t IWHICH_WINDOW = 1;
int32_t IGRAPH_HANDLE1 = 0, IGRAPH_HANDLE2 = 0, IGRAPH_HANDLE3 = 0, IGRAPH_HANDLE4 = 0;
int32_t IWINDOW_CONTROL1 = 0, IWINDOW_CONTROL2 = 0, IWINDOW_CONTROL3 = 0, IWINDOW_CONTROL4 = 0;
int32_t NL_REQ = 0;
int32_t ICREATE = 0;
Matrix<float, 16, 4> TR_ARRAY;
int32_t IPENMAP = 0;
Table<int32_t, 0, 15> IPMPC =
    table_of<int32_t, 0, 15>({0, 10, 12, 9, 14, 11, 13, 15, 8, 2, 4, 1, 3, 6, 5, 7});

int16_t IXCUR = 0, IYCUR = 0;
int16_t ICOL = 15;
int16_t JYPIX = 0;
int16_t JXPIX = 0;
int16_t IHSIZE = 0, IVSIZE = 0;
int16_t ITY = 2;
int32_t ICOMPLEMENT = 128;
int32_t ISTATE_ERASE = 0;
int32_t ISTATE_WRTHRO = 0;
int32_t ISHIFT_KEY = 0, ICTRL_KEY = 0;
int32_t NHORZ = 0, NVERT = 0;

}  // namespace display

using namespace display;

namespace {
int default_mouse_callback() {
  return 2;
}
// The region's callback looks the program's handler up when an event comes,
// so it may be installed before or after the region is opened.
int region1_mouse() {
  return window_callback1 ? window_callback1() : 2;
}
int region2_mouse() {
  return window_callback2 ? window_callback2() : 2;
}
int region3_mouse() {
  return window_callback3 ? window_callback3() : 2;
}
int region4_mouse() {
  return window_callback4 ? window_callback4() : 2;
}

int32_t* handle_of(int32_t slot) {
  switch (slot) {
    case 1:
      return &IGRAPH_HANDLE1;
    case 2:
      return &IGRAPH_HANDLE2;
    case 3:
      return &IGRAPH_HANDLE3;
    default:
      return &IGRAPH_HANDLE4;
  }
}
int32_t* control_of(int32_t slot) {
  switch (slot) {
    case 1:
      return &IWINDOW_CONTROL1;
    case 2:
      return &IWINDOW_CONTROL2;
    case 3:
      return &IWINDOW_CONTROL3;
    default:
      return &IWINDOW_CONTROL4;
  }
}
Callback callback_of(int32_t slot) {
  switch (slot) {
    case 1:
      return region1_mouse;
    case 2:
      return region2_mouse;
    case 3:
      return region3_mouse;
    default:
      return region4_mouse;
  }
}

// Device-table rows of the graphics regions and of the printer page.
int region_row(int32_t slot) {
  return gsl::kRegionRow0 + slot;
}
constexpr int kPage = gsl::kPrinterPageRow;

// A page of A4 landscape at 300 dots per inch stands for a printer page
// of the legacy printer modes.
constexpr int32_t kPrinterWidth = 3508;
constexpr int32_t kPrinterHeight = 2480;

// Adds the current slot's region to the open layout.
void add_region_to_layout() {
  const int32_t w = IWHICH_WINDOW;
  if (std::abs(NL_REQ) == 1) WINDOW_PRINTF("%ff&");
  if (NL_REQ < 0) WINDOW_PRINTF(" &");
  // A new region gets a new handle from the window library: the one the
  // slot had before belonged to a closed window and may since have gone to
  // another slot's region.
  *handle_of(w) = 0;
  int32_t& control = *control_of(w);
  control = -1;
  WINDOW_UPDATE(control);
  const LayoutArg width = value(gsl::IQMX(region_row(w)));
  const LayoutArg height = value(gsl::IQMY(region_row(w)));
  if (w == 1) {
    WINDOW_PRINTF("%ob[no_border]&");
    WINDOW_PRINTF("%`^gr[full_mouse_input,white]%cb%cv&",
                  {width, height, bind(*handle_of(w)), call(callback_of(w)), bind(control)});
  } else {
    WINDOW_PRINTF("%ob%`^gr[full_mouse_input]%cb%cv&",
                  {width, height, bind(*handle_of(w)), call(callback_of(w)), bind(control)});
  }
}

// Full-screen modes draw into the screen the window library reports; a mode
// larger than the screen cannot be set.
bool screen_holds(int32_t width, int32_t height) {
  return window_library().screen_width() >= width && window_library().screen_height() >= height;
}
}  // namespace

Callback window_callback1 = default_mouse_callback;
Callback window_callback2 = nullptr;
Callback window_callback3 = nullptr;
Callback window_callback4 = nullptr;
int WINDOW_CALLBACK2() {
  return 2;
}
int WINDOW_CALLBACK3() {
  return 2;
}
int WINDOW_CALLBACK4() {
  return 2;
}

RegionSize region_size(int32_t screen_width, int32_t screen_height, int32_t LFH) {
  RegionSize r;
  const int32_t ixres = static_cast<int32_t>(
      std::trunc(static_cast<double>(std::min(screen_width, 1280)) * static_cast<double>(0.88f)));
  const int32_t iyres = std::min(screen_height, 1024);
  if (LFH > 16) {
    r.FONT_SCALING = static_cast<double>(0.8f);
    r.XRES = ixres - LFH - 4;
  } else {
    r.FONT_SCALING = 1.0;
    r.XRES = ixres - LFH;
  }
  r.YRES = iyres < 760 ? iyres - 90 : iyres - 4 * (LFH + 4) - 33;
  return r;
}

RegionSize region_size_from_screen() {
  WindowLibrary& lib = window_library();
  const int32_t lfh = lib.get_system_font().height;
  return region_size(lib.screen_width(), lib.screen_height(), lfh);
}

namespace {
int32_t pen_of_colour(int32_t ICOLOR) {
  return IPENMAP == 0 ? IPMPC(ICOLOR) : ICOLOR;
}
void page_size(int32_t& width, int32_t& height) {
  width = NHORZ;
  height = NVERT;
}
void clear_window() {
  window_library().clear_screen();
}
void kernel_started() {
  SSCALE = 1.0f;
}
const DisplayDevice kWindowDevice = {PCMOVABS,      PCDRWABS,  PCFILLRECT,   PCPFILLRECT,
                                     PCPEN,         PCINIT,    PCCOORD,      pen_of_colour,
                                     page_size,     clear_window, kernel_started};
}  // namespace

void reset_display_state() {
  ICREATE = 0;
  IPENMAP = 0;
  ISTATE_ERASE = ISTATE_WRTHRO = 0;
  LINE_DEFAULT = 1;
}

void install_window_device() {
  set_display_device(&kWindowDevice);
}

void open_graphics_region(int32_t XRES, int32_t YRES) {
  install_window_device();
  PREPARE_GRAPH_WINDOW(1);
  SET_NEW_LINE_REQ(-1);
  SET_WINDOWS_SIZE(XRES, YRES, 297.0f, 210.0f, 0);
  GSLINI(gsl::kCodeRegion1, 0);
  SELECT_GRAPH_WINDOW(1);
}

void SET_NEW_LINE_REQ(int32_t I) {
  NL_REQ = I;
}
void PREPARE_GRAPH_WINDOW(int32_t ID) {
  IWHICH_WINDOW = ID;
}

void SET_WINDOWS_SIZE(int32_t IXXX, int32_t IYYY, float XXX, float YYY, int32_t IWHERE) {
  if (IWHERE == 0) {
    if (IWHICH_WINDOW < 1 || IWHICH_WINDOW > 4) return;
    const int row = region_row(IWHICH_WINDOW);
    gsl::IQMX(row) = IXXX;
    gsl::IQMY(row) = IYYY;
    if (XXX > 0.0f) gsl::RQMX(row) = XXX;
    if (YYY > 0.0f) gsl::RQMY(row) = YYY;
  } else if (IWHERE == 1) {
    gsl::IQMX(kPage) = IXXX;
    gsl::IQMAXX = IXXX;
    gsl::IQMY(kPage) = IYYY;
    gsl::IQMAXY = IYYY;
    if (XXX > 0.0f) {
      gsl::RQMX(kPage) = XXX;
      if (YYY > 0.0f) gsl::RQMY(kPage) = YYY;
    } else {
      const int slot = std::clamp(IWHICH_WINDOW, 1, 4);
      gsl::RQMX(kPage) = gsl::RQMX(region_row(slot));
      if (IXXX != 0)
        gsl::RQMY(kPage) = static_cast<float>(static_cast<double>(IYYY) / IXXX * gsl::RQMX(kPage));
    }
  }
}

void PCINIT(int32_t& MODE) {
  ICOMPLEMENT = 128;
  ICOL = 15;
  switch (MODE) {
    case 90: {
      IHSIZE = static_cast<int16_t>(IIXSIZ() - 1);
      IVSIZE = static_cast<int16_t>(IIYSIZ() - 1);
      const int slot = std::clamp(IWHICH_WINDOW, 1, 4);
      JYPIX = static_cast<int16_t>(gsl::IQMY(region_row(slot)) - 1);
      if (ICREATE == 0) add_region_to_layout();
      ITY = 2;
      window_library().set_text_attribute(101, 0.8, 0, 0);
      SELECT_PENMAP(1);
      SET_LINE_WIDTH_DEFAULT(0);
      SET_LINE_WIDTH_DEFAULT(1);
      SET_LINE_WIDTH(-1);
      ICOMPLEMENT = 32768;
      ICREATE = 0;
      return;
    }
    case 102:
      if (!screen_holds(1024, 768)) {
        MODE = 100;
        return;
      }
      JYPIX = 767;
      break;
    case 100:
      if (!screen_holds(800, 600)) {
        MODE = 18;
        return;
      }
      JYPIX = 599;
      break;
    case 18:
      JYPIX = 479;
      break;
    case 16:
      JYPIX = 349;
      break;
    case 6:
      JYPIX = 200;
      break;
    case 99:
    case 95:
    case 94:
      NHORZ = kPrinterWidth;
      NVERT = kPrinterHeight;
      JXPIX = static_cast<int16_t>(std::min(NHORZ - 1, 32767));
      JYPIX = static_cast<int16_t>(std::min(NVERT - 1, 32767));
      return;
    case 91: {
      // The window library's printer: the page it has open, or a legacy
      // printer page when it has none.
      // Its largest device x and y are its pixels less one, as for the other
      // printers, so the paper's top and right edges stay on the page.
      const PageSize page = window_library().page_size();
      const int32_t w = page.width > 1 && page.height > 1 ? page.width : kPrinterWidth;
      const int32_t h = page.width > 1 && page.height > 1 ? page.height : kPrinterHeight;
      SET_WINDOWS_SIZE(w - 1, h - 1, 0.0f, 0.0f, 1);
      JYPIX = static_cast<int16_t>(std::min(h - 1, 32767));
      IHSIZE = static_cast<int16_t>(std::min(w - 1, 32767));
      IVSIZE = JYPIX;
      // The page takes the same palette indices as the regions.
      SELECT_PENMAP(1);
      const int32_t width = static_cast<int32_t>(std::lround(std::min(w, h) / 710.0));
      SET_LINE_WIDTH_DEFAULT(std::min(5, width));
      return;
    }
    default:
      return;
  }
  // A full-screen mode: the whole screen is the device.
  IHSIZE = static_cast<int16_t>(IIXSIZ());
  IVSIZE = JYPIX;
  ITY = 2;
}

void use_graph_window(int32_t ID) {
  if (ID < 1 || ID > 4) return;
  PREPARE_GRAPH_WINDOW(ID);
  ICREATE = 1;
  install_window_device();
  GSLINI(gsl::region_code(ID), 0);
  SELECT_GRAPH_WINDOW(ID);
}

bool graph_window_open(int32_t ID) {
  return ID >= 1 && ID <= 4 && *control_of(ID) < 0;
}

void raise_graph_window(int32_t ID) {
  if (graph_window_open(ID)) window_library().raise_region_window(*handle_of(ID));
}

void SELECT_GRAPH_WINDOW(int32_t ID) {
  if (ID < 1 || ID > 4) return;
  if (IWHICH_WINDOW >= 1 && IWHICH_WINDOW <= 4) TRSAVE(&TR_ARRAY(1, IWHICH_WINDOW));
  window_library().select_graphics_object(*handle_of(ID));
  IWHICH_WINDOW = ID;
  TRREST(&TR_ARRAY(1, ID));
}

int32_t IIXSIZ() {
  return gsl::IQMAXX;
}
int32_t IIYSIZ() {
  return gsl::IQMAXY;
}

void SELECT_PENMAP(int32_t I) {
  IPENMAP = I;
}

void GIVE_PAPER(float XUSER, float YUSER, float& XPAPER, float& YPAPER) {
  float z = 0.0f;
  TMQNEW(gsl::RQMAT2.data(), XUSER, YUSER, 0.0f, XPAPER, YPAPER, z);
}

void SCREEN_EXTENT(float& RX1, float& RY1, float& RX2, float& RY2) {
  float x = 0.0f, y = 0.0f;
  CRUGSL(gsl::IQMINX, gsl::IQMINY, x, y);
  RX1 = x;
  RY1 = y;
  TMQWRL(gsl::RQMAT2.data(), x, y, RX1, RY1);
  CRUGSL(gsl::IQMAXX, gsl::IQMAXY, x, y);
  RX2 = x;
  RY2 = y;
  TMQWRL(gsl::RQMAT2.data(), x, y, RX2, RY2);
}

}  // namespace spindra
