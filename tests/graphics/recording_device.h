// Test helpers: a display device that records the kernel's calls into the
// display layer, and a fixture that starts the kernel on a sized region.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "tests/support/memory_window_library.h"

namespace spindra::test_support {

struct DeviceCall {
  enum Op { Move, Draw, Fill, PFill, Pen, Init } op;
  int32_t a = 0, b = 0;
  bool operator==(const DeviceCall&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const DeviceCall& c) {
  static const char* names[] = {"PCMOVABS",    "PCDRWABS", "PCFILLRECT",
                                "PCPFILLRECT", "PCPEN",    "PCINIT"};
  return os << names[c.op] << "(" << c.a << ", " << c.b << ")";
}
inline DeviceCall Move(int32_t x, int32_t y) {
  return {DeviceCall::Move, x, y};
}
inline DeviceCall Draw(int32_t x, int32_t y) {
  return {DeviceCall::Draw, x, y};
}
inline DeviceCall Pen(int32_t c) {
  return {DeviceCall::Pen, c, 0};
}
inline DeviceCall Init(int32_t m) {
  return {DeviceCall::Init, m, 0};
}

// The recorder: every call of the kernel into the display layer, the modes
// PCINIT hands back and the cursor reading PCCOORD gives.
struct Recorder {
  static inline std::vector<DeviceCall> calls;
  static inline std::function<int32_t(int32_t)> init_answer;  // mode handed back
  static inline int32_t mouse_x = 0, mouse_y = 0, mouse_key = 0;

  static void move(int32_t x, int32_t y) { calls.push_back(Move(x, y)); }
  static void draw(int32_t x, int32_t y) { calls.push_back(Draw(x, y)); }
  static void fill(int32_t x, int32_t y) { calls.push_back({DeviceCall::Fill, x, y}); }
  static void pfill(int32_t x, int32_t y) { calls.push_back({DeviceCall::PFill, x, y}); }
  static void pen(int32_t c) { calls.push_back(Pen(c)); }
  static void init(int32_t& mode) {
    calls.push_back(Init(mode));
    if (init_answer) mode = init_answer(mode);
  }
  // A pen map that tells mapped colours apart; a printer page of 2000 x 1500.
  static int32_t pen_of(int32_t c) { return 100 + c; }
  static void page_size(int32_t& w, int32_t& h) {
    w = 2000;
    h = 1500;
  }
  static void coord(int32_t& x, int32_t& y, int32_t& key) {
    x = mouse_x;
    y = mouse_y;
    key = mouse_key;
  }
  static inline const DisplayDevice device = {move, draw, fill, pfill, pen, init, coord, pen_of, page_size};

  static void install() {
    calls.clear();
    init_answer = nullptr;
    mouse_x = mouse_y = mouse_key = 0;
    set_display_device(&device);
  }
};

// Puts the kernel back into its program-start state: nothing output yet,
// default channels, region 1 sized w x h pixels on the 297 x 210 mm paper.
inline void reset_kernel(int32_t w, int32_t h) {
  reset_kernel_state();
  reset_display_state();
  PREPARE_GRAPH_WINDOW(1);
  SET_WINDOWS_SIZE(w, h, 297.0f, 210.0f, 0);
}

// The kernel on the window device of a 594 x 420 pixel region (two pixels per
// millimetre) with the recording display device.
class KernelOnRegion : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder::install();
    reset_kernel(594, 420);
    GSLINI(900000, 0);
    Recorder::calls.clear();
  }
  void TearDown() override { set_display_device(nullptr); }
  std::vector<DeviceCall>& calls() { return Recorder::calls; }
};

}  // namespace spindra::test_support
