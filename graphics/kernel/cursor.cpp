// Cursor input: one position picked on the current device and the key or
// button that picked it, in device and in user coordinates.
#include "graphics/kernel/kernel.h"

namespace spindra {

using namespace gsl;

namespace {
// Device point to paper and on to user coordinates; a singular transformation
// leaves the paper values.
void device_to_user(int32_t irx, int32_t iry, float& rx, float& ry) {
  float x = 0.0f, y = 0.0f;
  CRUGSL(irx, iry, x, y);
  rx = x;
  ry = y;
  TMQWRL(RQMAT2.data(), x, y, rx, ry);
}
}  // namespace

void CURSIN(int32_t& ICH, int32_t& IRX, int32_t& IRY, float& RX, float& RY) {
  if (reads_display_mouse(IQDEVC)) {
    int32_t ikey = 0;
    display_device().coord(IRX, IRY, ikey);
    ICH = ikey;
    device_to_user(IRX, IRY, RX, RY);
    IQGINM = 0;
    return;
  }
  // A terminal: everything queued must reach it before it is asked for the
  // cursor, which it reports as six characters.
  WRTGSL();
  int32_t ichar[6];
  CINGSL(ichar, 6);
  ICH = ichar[0];
  IRX = 32 * (ichar[1] % 32) + ichar[2] % 32;
  IRY = 32 * (ichar[3] % 32) + ichar[4] % 32;
  device_to_user(IRX, IRY, RX, RY);
  // Pen up, and the beam back to the last point output without drawing
  // (nothing to go back to before the first point).
  GSFGSL();
  if (IQLBYT(4) != 99999) BUFGSL(IQLBYT(4));
  IQGINM = 0;
}

void CURSI2(char& CH, int32_t& IRX, int32_t& IRY, float& RX, float& RY) {
  int32_t ich = 0;
  CURSIN(ich, IRX, IRY, RX, RY);
  CH = static_cast<char>(ich);
}

}  // namespace spindra
