// A window library held in memory, for tests that need a pixel canvas and a
// mouse without a toolkit: one graphics region of palette indices (white, 15,
// when cleared), the layout pieces and bound values it was given, a settable
// mouse state, screen size and system font.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/window_library.h"

namespace spindra {

class MemoryWindowLibrary : public NullWindowLibrary {
 public:
  MemoryWindowLibrary(int width, int height);

  // Layout pieces in the order given, and the values bound to each.
  struct Piece {
    std::string layout;
    std::vector<LayoutArg> args;
  };
  int window_printf(std::string_view layout, std::span<const LayoutArg> args) override;
  void window_update(const void* var) override;

  void select_graphics_object(int handle) override { selected = handle; }
  void clear_screen() override;
  // One pixel wide whatever the line width; pixels off the canvas are
  // dropped.
  void draw_line(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) override;
  void set_device_pixel(int16_t x, int16_t y, int colour) override;
  void fill_rectangle(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int colour) override;
  void set_line_width(int width) override { line_width = width; }
  void set_text_attribute(int style, double size, double a, double b) override;
  int mouse_query(std::string_view name) override;
  // Keeps the picture and the part shown; the part is what the view queries
  // answer until a test moves it as the scroll bars would.
  void set_region_view(int handle, int width, int height, int x, int y) override;
  SystemFont get_system_font() override { return font; }
  int screen_width() override { return screen_w; }
  int screen_height() override { return screen_h; }

  // A page keeps the lines drawn while it is open instead of painting them.
  bool open_page(PageKind kind, std::string_view path, std::string* message) override;
  PageSize page_size() override { return page; }
  bool close_page(std::string* message) override;

  // Palette index at a pixel (origin top left), -1 off the canvas.
  int pixel(int x, int y) const;
  // Number of pixels of one colour.
  int count(int colour) const;

  int width, height;
  std::vector<int> pixels;
  std::vector<Piece> pieces;
  std::vector<const void*> updated;
  int selected = -1;
  int line_width = 0;
  int lines = 0;
  int text_style = 0;
  double text_size = 0.0;
  int mouse_flags = 0, mouse_x = 0, mouse_y = 0;
  int mouse_wheel = 0;  // control-wheel steps of the next readings
  // The region's picture and the part of it shown (set_region_view).
  int view_width = 0, view_height = 0, view_x = 0, view_y = 0;
  int view_sets = 0;
  int mouse_released = 0;  // answer to "graphics_mouse_released"
  // Flags for the coming readings, one per query; mouse_flags once used up.
  std::deque<int> next_flags;
  std::vector<std::string> mouse_queries;
  SystemFont font{16, "Sans"};
  struct PageLine {
    int x1, y1, x2, y2, colour;
  };
  PageSize page{1485, 1050};
  bool page_open = false;
  int pages = 0;                    // pages closed
  std::vector<PageLine> page_lines;  // lines of the last page opened
  int screen_w = 1920, screen_h = 1080;
};

}  // namespace spindra
