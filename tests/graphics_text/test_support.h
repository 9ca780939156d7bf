// Test helpers: a recorder of the kernel's device moves and draws on a fine
// device (1000 units per millimetre, so device points read back as user
// millimetres), and a pixel canvas standing in for the window library.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/display/display.h"
#include "graphics/kernel/kernel.h"
#include "platform/window_library.h"

namespace spindra::text_test {

struct DeviceCall {
  bool draw = false;
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const DeviceCall&) const = default;
};

inline std::vector<DeviceCall>& recorded() {
  static std::vector<DeviceCall> calls;
  return calls;
}

// The kernel on a recording device of `per_mm` device units per millimetre
// over the 297 x 210 mm paper.
class RecordingDevice {
 public:
  explicit RecordingDevice(int32_t per_mm = 1000) : per_mm_(per_mm) {
    static const DisplayDevice device = {
        [](int32_t x, int32_t y) {
          recorded().push_back({false, x, y});
        },
        [](int32_t x, int32_t y) {
          recorded().push_back({true, x, y});
        },
        [](int32_t, int32_t) {},
        [](int32_t, int32_t) {},
        [](int32_t) {},
        [](int32_t&) {},
        [](int32_t& x, int32_t& y, int32_t& k) { x = y = k = 0; },
    };
    set_display_device(&device);
    gsl::IQMX(24) = 297 * per_mm;
    gsl::IQMY(24) = 210 * per_mm;
    gsl::RQMX(24) = 297.0f;
    gsl::RQMY(24) = 210.0f;
    GSLINI(900000, 0);
    gsl::IDRAW = 0;
    recorded().clear();
  }
  ~RecordingDevice() { set_display_device(nullptr); }
  RecordingDevice(const RecordingDevice&) = delete;
  RecordingDevice& operator=(const RecordingDevice&) = delete;

  // The calls so far, and forget them.
  std::vector<DeviceCall> take() {
    std::vector<DeviceCall> calls = std::move(recorded());
    recorded().clear();
    return calls;
  }
  double mm(int32_t device) const { return static_cast<double>(device) / per_mm_; }

 private:
  int32_t per_mm_;
};

// A window library whose graphics region is a pixel array (origin top left,
// y down); lines are drawn with Bresenham's algorithm.
class CanvasLibrary : public NullWindowLibrary {
 public:
  CanvasLibrary(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), 15) {}

  void clear_screen() override { std::fill(pixels.begin(), pixels.end(), 15); }
  void set_device_pixel(int16_t x, int16_t y, int colour) override { put(x, y, colour); }
  void draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) override {
    int x = x1, y = y1;
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      put(x, y, colour);
      if (x == x2 && y == y2) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x += sx;
      if (e2 <= dx) err += dx, y += sy;
    }
  }
  int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }

  // Writes the canvas as a binary PPM in the standard 16-colour palette.
  bool write_ppm(const std::string& path) const;

  int width, height;
  std::vector<int> pixels;

 private:
  void put(int x, int y, int colour) {
    if (x >= 0 && y >= 0 && x < width && y < height)
      pixels[static_cast<std::size_t>(y * width + x)] = colour;
  }
};

inline bool CanvasLibrary::write_ppm(const std::string& path) const {
  static const unsigned char palette[16][3] = {
      {0, 0, 0},     {0, 0, 170},     {0, 170, 0},    {0, 170, 170},  {170, 0, 0},   {170, 0, 170},
      {170, 85, 0},  {170, 170, 170}, {85, 85, 85},   {85, 85, 255},  {85, 255, 85}, {85, 255, 255},
      {255, 85, 85}, {255, 85, 255},  {255, 255, 85}, {255, 255, 255}};
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (int c : pixels) std::fwrite(palette[c & 15], 1, 3, f);
  return std::fclose(f) == 0;
}

}  // namespace spindra::text_test
