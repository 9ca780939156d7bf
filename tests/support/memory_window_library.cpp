#include "tests/support/memory_window_library.h"

#include <algorithm>
#include <cstdlib>

#include "platform/line_pixels.h"

namespace spindra {

MemoryWindowLibrary::MemoryWindowLibrary(int w, int h)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 15) {}

int MemoryWindowLibrary::window_printf(std::string_view layout, std::span<const LayoutArg> args) {
  pieces.push_back({std::string(layout), std::vector<LayoutArg>(args.begin(), args.end())});
  return NullWindowLibrary::window_printf(layout, args);
}

void MemoryWindowLibrary::window_update(const void* var) {
  updated.push_back(var);
  NullWindowLibrary::window_update(var);
}

void MemoryWindowLibrary::clear_screen() {
  if (page_open) return;
  std::fill(pixels.begin(), pixels.end(), 15);
}

void MemoryWindowLibrary::set_device_pixel(int16_t x, int16_t y, int colour) {
  if (page_open) return;
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  pixels[static_cast<std::size_t>(y) * width + x] = colour;
}

bool MemoryWindowLibrary::open_page(PageKind, std::string_view, std::string*) {
  page_open = true;
  page_lines.clear();
  return true;
}

bool MemoryWindowLibrary::close_page(std::string*) {
  page_open = false;
  ++pages;
  return true;
}

void MemoryWindowLibrary::draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) {
  if (page_open) {
    page_lines.push_back({x1, y1, x2, y2, colour});
    return;
  }
  ++lines;
  for_each_line_pixel(x1, y1, x2, y2, [this, colour](int x, int y) {
    set_device_pixel(static_cast<int16_t>(x), static_cast<int16_t>(y), colour);
  });
}

void MemoryWindowLibrary::fill_rectangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                                         int colour) {
  for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
    for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
      set_device_pixel(static_cast<int16_t>(x), static_cast<int16_t>(y), colour);
}

void MemoryWindowLibrary::set_text_attribute(int style, double size, double, double) {
  text_style = style;
  text_size = size;
}

int MemoryWindowLibrary::mouse_query(std::string_view name) {
  mouse_queries.emplace_back(name);
  if (name == "graphics_mouse_flags") {
    if (next_flags.empty()) return mouse_flags;
    const int flags = next_flags.front();
    next_flags.pop_front();
    return flags;
  }
  if (name == "graphics_mouse_x") return mouse_x;
  if (name == "graphics_mouse_y") return mouse_y;
  if (name == "graphics_mouse_wheel") return mouse_wheel;
  if (name == "graphics_view_x") return view_x;
  if (name == "graphics_view_y") return view_y;
  if (name == "graphics_mouse_released") return mouse_released;
  return 0;
}

void MemoryWindowLibrary::set_region_view(int, int w, int h, int x, int y) {
  view_width = w;
  view_height = h;
  view_x = x;
  view_y = y;
  ++view_sets;
}

int MemoryWindowLibrary::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return -1;
  return pixels[static_cast<std::size_t>(y) * width + x];
}

int MemoryWindowLibrary::count(int colour) const {
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}

}  // namespace spindra
