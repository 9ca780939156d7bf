// Mouse read-back: the window library's mouse state as the kernel's cursor
// reading in device coordinates (y up) with a key code.
#include "graphics/display/display.h"

namespace spindra {

using namespace display;

void GET_MOUSE_POS(int16_t& IX, int16_t& IY, int16_t& IBUT) {
  if (ITY != 2) return;  // the full-screen mouse is not served
  WindowLibrary& lib = window_library();
  const int flags = lib.mouse_query("graphics_mouse_flags");
  IBUT = static_cast<int16_t>(((flags % 32) + 32) % 32);
  IX = static_cast<int16_t>(lib.mouse_query("graphics_mouse_x"));
  IY = static_cast<int16_t>(lib.mouse_query("graphics_mouse_y"));
}

void PCCOORD(int32_t& IRX, int32_t& IRY, int32_t& IKEY) {
  int16_t ix = 0, iy = 0, ibut = 0;
  GET_MOUSE_POS(ix, iy, ibut);
  IRX = ix;
  IRY = static_cast<int16_t>(IVSIZE - iy);
  if ((ibut & 3) == 0) {
    IKEY = 0;
    return;
  }
  ISHIFT_KEY = ibut & 4;
  ICTRL_KEY = ibut & 8;
  // The second reading decides: the buttons may have been released between.
  GET_MOUSE_POS(ix, iy, ibut);
  IRX = ix;
  IRY = static_cast<int16_t>(IVSIZE - iy);
  ISHIFT_KEY = ibut & 4;
  ICTRL_KEY = ibut & 8;
  IKEY = 31 + (ibut & 3);
}

}  // namespace spindra
